// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

namespace tavrix {

class RovingTabStop;

// A row of tool buttons that the keyboard meets as one stop in the Tab order, as toolbars and page tabs
// usually work: Tab enters the row at its current button, the arrow keys (and Home/End) move along it and
// wrap round, Space, Return and Enter press the focused button, and Tab leaves the row.
//
// The current button is the pressed one in a row of page tabs (pageTabs set: one of its checkable,
// auto-exclusive buttons is pressed at any time), otherwise the one last focused. Screen readers are told
// the row is a page-tab list or a toolbar (see Accessibility.h).
class Toolbar final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool pageTabs READ holdsPageTabs WRITE setPageTabs)
public:
    explicit Toolbar(QWidget* parent = nullptr);

    bool holdsPageTabs() const { return m_pageTabs; }
    void setPageTabs(bool pageTabs) { m_pageTabs = pageTabs; }

    // Takes on the buttons that the layout has put into the row; call once they all exist.
    void adoptButtons();
    // Left to right.
    const QList<QToolButton*>& buttons() const { return m_buttons; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_pageTabs = false;
    QList<QToolButton*> m_buttons;
};

} // namespace tavrix
