// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QFrame;

namespace tavrix {

// Draws a framed widget's frame from its parent instead of from the widget itself.
//
// At a fractional scale factor (QT_SCALE_FACTOR=1.5) a widget at an odd position starts half-way into a
// device pixel. Its own painting is clipped to the device pixels it wholly owns, so the frame's top and
// bottom lines, drawn along its very edges, come out faint or not at all. The parent reaches beyond those
// edges, so a frame it draws is whole at any scale; the widget keeps its frame width, and with it the place
// of its contents, and only stops painting the frame itself.
class ParentDrawnFrame final : public QObject {
public:
    static void attach(QFrame* framed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ParentDrawnFrame(QFrame* framed);
    QFrame* m_framed;
};

} // namespace tavrix
