// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/modStartup.h"

#include "ui/Fonts.h"
#include "ui/LayoutStyle.h"

#include <QGuiApplication>

namespace tavrix {

modStartup::modStartup(ProgramServices services)
    : m_settings(services.store, services.sink),
      m_main(MainWindowServices{m_settings, services.sink, services.random, std::move(services.dictionaryFolders),
                                std::move(services.launcher)}) {
    connectWindows(m_main, m_splash);
    connect(&m_main, &Form::unloaded, this, &modStartup::endWhenNothingLoaded);
    connect(&m_splash, &Form::unloaded, this, &modStartup::endWhenNothingLoaded);
}

void modStartup::connectWindows(wMain& main, wSplash& splash) {
    connect(&splash, &wSplash::pictureClicked, &main, &wMain::tmrSplashClose_Timer);
    connect(&main, &wMain::unloadSplashRequested, &splash, &Form::Unload);
    connect(&main, &wMain::showSplashRequested, &splash, &Form::Show);
}

void modStartup::Main() {
    // Qt would end the program when its last visible window closes; here a hidden, loaded main window
    // keeps it running, so the end is decided by what is loaded.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    UseLayoutStyle();
    m_splash.Load();
    m_splash.Show();
    m_splash.waitUntilPainted();
    // The splash is a picture without text: the fonts, whose registration first loads the font
    // configuration, are needed only from the main window on, so the splash appears that much sooner.
    RegisterBundledFonts();
    m_main.Load();
}

void modStartup::endWhenNothingLoaded() {
    // Checked again from the event loop, so a procedure that unloads one window and loads another runs
    // to its end first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_main.isLoaded() && !m_splash.isLoaded())
                emit noWindowLoaded();
        },
        Qt::QueuedConnection);
}

} // namespace tavrix
