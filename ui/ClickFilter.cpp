#include "ClickFilter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tavrix {

void ClickFilter::attach(QWidget* widget, std::function<void()> onClick) {
    widget->installEventFilter(new ClickFilter(widget, std::move(onClick)));
}

ClickFilter::ClickFilter(QWidget* widget, std::function<void()> onClick)
    : QObject(widget), m_onClick(std::move(onClick)) {}

bool ClickFilter::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_pressed = true;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_pressed) {
            m_pressed = false;
            if (widget->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                m_onClick();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_onClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrix
