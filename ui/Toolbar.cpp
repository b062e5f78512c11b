// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Toolbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

namespace tavrix {

void Toolbar::adoptButtons() {
    m_buttons = findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(m_buttons.begin(), m_buttons.end(),
              [](const QToolButton* a, const QToolButton* b) { return a->x() < b->x(); });
    for (QToolButton* button : m_buttons) {
        button->installEventFilter(this);
        // A page chosen by the mouse or a screen reader moves the stop with it.
        connect(button, &QToolButton::toggled, this, &Toolbar::settleTabStop);
    }
    // Before the first focus the row is entered at its first button, or at the pressed one.
    for (QToolButton* button : m_buttons.mid(1))
        button->setFocusPolicy(Qt::NoFocus);
    settleTabStop();
}

void Toolbar::settleTabStop() {
    const QWidget* focus = QApplication::focusWidget();
    const bool held = isAncestorOf(focus);
    if (!held && !m_pageTabs)
        return; // entered again at the button focused last
    for (QToolButton* button : m_buttons)
        button->setFocusPolicy((held ? button == focus : button->isChecked()) ? Qt::TabFocus : Qt::NoFocus);
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // On leaving, the focus has already moved on.
        settleTabStop();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    const auto count = m_buttons.size();
    const auto at = m_buttons.indexOf(static_cast<QToolButton*>(watched));
    qsizetype next = 0;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        next = (at + count - 1) % count;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        next = (at + 1) % count;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Tool buttons answer Space only; a focused button takes Return and Enter as well.
        if (!key->isAutoRepeat())
            m_buttons.at(at)->click();
        return true;
    default:
        return false;
    }
    m_buttons.at(next)->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace tavrix
