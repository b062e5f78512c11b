// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace tavrix {

void Form::Load() {
    if (m_window)
        return;
    QWidget* window = createWindow();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->installEventFilter(this);
    // Loaded from here on, before the load step runs: a message box opened inside the load step may let
    // another procedure show or touch this window, and that must not load it a second time.
    m_window = window;
    m_centrePending = true;
    Form_Load();
}

void Form::Show() {
    Load();
    if (!m_window)
        return;
    if (m_centrePending) {
        m_centrePending = false;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
#if defined(Q_OS_WIN)
            // Windows knows the window's frame once the window exists, so the whole window is centred, as
            // the system centres one; elsewhere the frame is learnt only once the window is shown.
            m_window->winId();
#endif
            QRect frame = m_window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    m_window->show();
}

void Form::Unload() {
    if (!m_window)
        return;
    Form_Unload();
    QWidget* window = m_window;
    m_window = nullptr;
    releaseControls();
    window->removeEventFilter(this);
    window->hide();
    // Deferred: Unload may run from inside one of the widget's own events (its close event, a click).
    window->deleteLater();
    emit unloaded();
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close) {
        event->accept();
        Unload();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrix
