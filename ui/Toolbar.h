// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

namespace tavrix {

// A row of tool buttons that the keyboard meets as one stop in the Tab order, as toolbars and page tabs
// usually work: Tab enters the row at its current button, the arrow keys (and Home/End) move along it and
// wrap round, Space, Return and Enter press the focused button, and Tab leaves the row.
//
// The focused button is current while the row holds the focus. Once the focus has left, a row of page tabs
// (pageTabs set: its buttons are checkable and auto-exclusive, so one is pressed) is entered at the pressed
// button, another row at the one focused last; before the first focus, at its first button. Qt's own arrow
// keys on auto-exclusive buttons would press the button they move to and stop at the ends, and Qt moves the
// Tab stop of such buttons only as one takes the focus, so the row does all of this itself. Screen readers
// are told the row is a page-tab list or a toolbar (see Accessibility.h).
class Toolbar final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool pageTabs MEMBER m_pageTabs)
public:
    using QWidget::QWidget;

    bool holdsPageTabs() const { return m_pageTabs; }

    // Takes on the buttons that the layout has put into the row; call once they all exist.
    void adoptButtons();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void settleTabStop();

    bool m_pageTabs = false;
    QList<QToolButton*> m_buttons; // left to right
};

} // namespace tavrix
