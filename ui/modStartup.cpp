// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/modStartup.h"

#include "ui/Fonts.h"
#include "ui/LayoutStyle.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>

#ifndef TAVRIX_INSTALLED_DATA_DIR
#define TAVRIX_INSTALLED_DATA_DIR ""
#endif

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

QStringList modStartup::dictionaryFolders() {
    QStringList folders{QCoreApplication::applicationDirPath()};
    // The user's own word list, which needs no write access to the program's folders:
    // ~/.local/share/Tavrix on Linux (beside the settings' ~/.config/Tavrix), %APPDATA%\Tavrix on Windows
    // (the roaming folder, which Qt names only with the organisation and application appended).
#if defined(Q_OS_WIN)
    const QString userData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    if (!userData.isEmpty())
        folders.append(QDir(userData).filePath(QStringLiteral("Tavrix")));
    const QString installed = QString::fromUtf8(TAVRIX_INSTALLED_DATA_DIR);
    if (!installed.isEmpty()) {
        // Relative to the executable's folder, so an installed tree can be moved as a whole.
        const QString folder = QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(installed));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
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
