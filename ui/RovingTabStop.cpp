// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/RovingTabStop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>

namespace tavrix {

RovingTabStop::RovingTabStop(QList<QAbstractButton*> buttons, Entry entry, QObject* parent)
    : QObject(parent), m_buttons(std::move(buttons)), m_entry(entry) {
    for (QAbstractButton* button : m_buttons) {
        button->installEventFilter(this);
        if (m_entry == Entry::Checked) {
            // A choice made by the mouse or a screen reader moves the stop with it.
            connect(button, &QAbstractButton::toggled, this, [this](bool checked) {
                if (checked && !holdsFocus())
                    makeTabStop(current());
            });
        }
    }
    makeTabStop(current());
}

bool RovingTabStop::holdsFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    for (const QAbstractButton* button : m_buttons) {
        if (button == focus)
            return true;
    }
    return false;
}

QAbstractButton* RovingTabStop::current() const {
    if (m_entry == Entry::Checked) {
        for (QAbstractButton* button : m_buttons) {
            if (button->isChecked())
                return button;
        }
    }
    return m_lastFocused ? m_lastFocused : m_buttons.value(0);
}

void RovingTabStop::makeTabStop(QAbstractButton* stop) {
    for (QAbstractButton* button : m_buttons) {
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(button == stop ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                              : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

bool RovingTabStop::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        m_lastFocused = static_cast<QAbstractButton*>(watched);
        makeTabStop(m_lastFocused);
    } else if (event->type() == QEvent::FocusOut && !holdsFocus()) {
        // The focus has already moved on, out of the group: it is entered at its current button next time.
        makeTabStop(current());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrix
