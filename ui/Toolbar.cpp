// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Toolbar.h"

#include "ui/RovingTabStop.h"

#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

namespace tavrix {

Toolbar::Toolbar(QWidget* parent) : QWidget(parent) {}

void Toolbar::adoptButtons() {
    m_buttons = findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(m_buttons.begin(), m_buttons.end(),
              [](const QToolButton* a, const QToolButton* b) { return a->x() < b->x(); });
    for (QToolButton* button : m_buttons)
        button->installEventFilter(this);
    new RovingTabStop(QList<QAbstractButton*>(m_buttons.cbegin(), m_buttons.cend()),
                      m_pageTabs ? RovingTabStop::Entry::Checked : RovingTabStop::Entry::LastFocused, this);
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button || !m_buttons.contains(button))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            break;
        const int count = int(m_buttons.size());
        const int at = int(m_buttons.indexOf(button));
        int next = -1;
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
                button->click();
            return true;
        default:
            break;
        }
        if (next >= 0) {
            m_buttons.at(next)->setFocus(Qt::TabFocusReason);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tavrix
