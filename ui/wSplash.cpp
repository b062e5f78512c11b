// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/wSplash.h"

#include "ui/Accessibility.h"
#include "ui/ClickLabel.h"
#include "ui/ClickThroughGuard.h"
#include "ui_wSplash.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace tavrix {

namespace {
// Ends an event loop once a window is exposed.
class ExposeWatch final : public QObject {
public:
    ExposeWatch(QWindow* window, QEventLoop* loop) : m_window(window), m_loop(loop) {
        window->installEventFilter(this);
    }
    ~ExposeWatch() override {
        if (m_window)
            m_window->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed())
            QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection); // after the paint
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWindow> m_window;
    QEventLoop* m_loop;
};
} // namespace

wSplash::wSplash(QObject* parent) : Form(parent) {}

wSplash::~wSplash() = default;

QWidget* wSplash::createWindow() {
    InstallAccessibleInterfaces();
    auto* window = new QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    m_ui = std::make_unique<Ui::wSplash>();
    m_ui->setupUi(window);
    window->setFixedSize(122, 350);
    m_ui->imgLogo->setPicture(QStringLiteral(":/splash.jpg"));
    connect(m_ui->imgLogo, &ClickLabel::clicked, this, [this] {
        // The main window may lie right under the pointer once the splash has gone.
        ClickThroughGuard::arm(QCursor::pos());
        imgLogo_Click();
    });
    return window;
}

void wSplash::waitUntilPainted() {
    QWidget* shown = window();
    if (!shown || !shown->isVisible())
        return;
    QWindow* handle = shown->windowHandle();
    if (handle && !handle->isExposed()) {
        // Mapping is asynchronous: wait for the window system to expose the window, which paints it. Input
        // waits meanwhile, so a click cannot run the close step before the main window exists; a desktop that
        // never exposes the splash holds the start-up up for two seconds at most.
        QEventLoop exposed;
        ExposeWatch watch(handle, &exposed);
        QTimer::singleShot(2000, &exposed, &QEventLoop::quit);
        exposed.exec(QEventLoop::ExcludeUserInputEvents);
    }
    shown->repaint();
    // Hands what was painted to the window system before the caller goes on without an event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void wSplash::releaseControls() {
    m_ui.reset();
}

void wSplash::imgLogo_Click() {
    emit pictureClicked();
}

} // namespace tavrix
