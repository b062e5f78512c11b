// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QPoint>

namespace tavrix {

// A click that closes a window uncovers what lay beneath it, right under the pointer. The second click of a
// double-click, however slow, belongs to the same gesture and must not work the control that was uncovered.
// Once armed at the place of the closing click, the guard swallows the next mouse press there (with its
// double-click and release), and goes as soon as the pointer moves away or such a press has been swallowed.
class ClickThroughGuard final : public QObject {
public:
    // Arms a guard at a global position (replacing one that is armed).
    static void arm(QPoint globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ClickThroughGuard(QPoint globalPosition);
    bool near(QPoint globalPosition) const;

    QPoint m_position;
    bool m_swallowing = false; // a press has been swallowed; its release follows
};

} // namespace tavrix
