// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/SettingsAccess.h"
#include "ui/wMain.h"
#include "ui/wSplash.h"

#include <QObject>

namespace tavrix {

class SettingsStore;

// What the program runs on: the real store, message boxes, random source and shell in the program; stand-ins
// in tests.
struct ProgramServices {
    SettingsStore& store;
    MessageSink& sink;
    RandomSource& random;
    QStringList dictionaryFolders;
    ShellLauncher launcher;
};

// The program's entry procedure and the owner of its two window instances.
class modStartup final : public QObject {
    Q_OBJECT
public:
    explicit modStartup(ProgramServices services);

    // Loads and shows the splash, loads the main window hidden, and returns to the event loop.
    void Main();

    wMain& mainWindow() { return m_main; }
    wSplash& splashWindow() { return m_splash; }

    // The two windows' links to each other: a click on the splash picture runs the main window's close step,
    // which unloads the splash; the about page's logo shows the splash. Neither window knows the other.
    static void connectWindows(wMain& main, wSplash& splash);

signals:
    // Neither window is loaded any more and no procedure is running: the program is done.
    void noWindowLoaded();

private:
    void endWhenNothingLoaded();

    SettingsAccess m_settings;
    wSplash m_splash;
    wMain m_main;
};

} // namespace tavrix
