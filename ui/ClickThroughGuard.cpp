// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClickThroughGuard.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

namespace tavrix {

void ClickThroughGuard::arm(QPoint globalPosition) {
    static QPointer<ClickThroughGuard> armed;
    if (QCoreApplication::instance() == nullptr)
        return;
    delete armed.data();
    armed = new ClickThroughGuard(globalPosition);
}

ClickThroughGuard::ClickThroughGuard(QPoint globalPosition)
    : QObject(QCoreApplication::instance()), m_position(globalPosition) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool ClickThroughGuard::near(QPoint globalPosition) const {
    return (globalPosition - m_position).manhattanLength() < QApplication::startDragDistance();
}

bool ClickThroughGuard::eventFilter(QObject* watched, QEvent* event) {
    // The pointer's events reach a window first, then its widgets; the window's copy decides.
    if (!watched->isWindowType())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        if (!m_swallowing && !near(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()))
            deleteLater();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (near(static_cast<QMouseEvent*>(event)->globalPosition().toPoint())) {
            m_swallowing = true;
            return true;
        }
        deleteLater();
        break;
    case QEvent::MouseButtonRelease:
        if (m_swallowing) {
            deleteLater();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrix
