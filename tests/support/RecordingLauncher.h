// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/wMain.h"

#include <QVector>
#include <QWidget>

#include <functional>

namespace tavrix::test {

// One call of the shell launcher: its arguments, and whether the main window was minimised at that moment.
struct Launch {
    QString file, parameters;
    qint32 hwnd = 0, showCmd = 0;
    QString directory;
    bool wait = false;
    bool windowMinimised = false;
};

// Stands in for ShellExe: records every call instead of opening anything. `window` gives the main window's
// widget at the moment of a call, or null while it is not loaded.
class RecordingLauncher {
public:
    explicit RecordingLauncher(std::function<const QWidget*()> window) : m_window(std::move(window)) {}

    ShellLauncher launcher() {
        return [this](const QString& file, const QString& parameters, qint32 hwnd, qint32 showCmd,
                      const QString& directory, bool wait) {
            const QWidget* window = m_window();
            launches.append({file, parameters, hwnd, showCmd, directory, wait, window && window->isMinimized()});
        };
    }

    QVector<Launch> launches;

private:
    std::function<const QWidget*()> m_window;
};

} // namespace tavrix::test
