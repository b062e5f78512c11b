#include "Toolbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>
#include <algorithm>

namespace tavrix {

Toolbar::Toolbar(QWidget* parent) : QWidget(parent) {}

void Toolbar::adoptButtons() {
    m_buttons = findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(m_buttons.begin(), m_buttons.end(),
              [](const QToolButton* a, const QToolButton* b) { return a->x() < b->x(); });
    for (QToolButton* button : m_buttons) {
        button->installEventFilter(this);
        if (m_pageTabs) {
            // A page shown by the mouse or a screen reader moves the stop with it, unless the user is
            // moving along the row right now.
            connect(button, &QToolButton::toggled, this, [this](bool checked) {
                if (checked && !holdsFocus())
                    makeTabStop(currentButton());
            });
        }
    }
    m_lastFocused = m_buttons.value(0);
    makeTabStop(currentButton());
}

QToolButton* Toolbar::currentButton() const {
    if (m_pageTabs) {
        for (QToolButton* button : m_buttons) {
            if (button->isChecked())
                return button;
        }
    }
    return m_lastFocused ? m_lastFocused : m_buttons.value(0);
}

void Toolbar::makeTabStop(QToolButton* stop) {
    for (QToolButton* button : m_buttons)
        button->setFocusPolicy(button == stop ? Qt::TabFocus : Qt::NoFocus);
}

bool Toolbar::holdsFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && isAncestorOf(focus);
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button || !m_buttons.contains(button))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        m_lastFocused = button;
        makeTabStop(button);
        break;
    case QEvent::FocusOut:
        // The focus has already moved on: when it left the row, the row is entered at its current button
        // next time.
        if (!holdsFocus())
            makeTabStop(currentButton());
        break;
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
