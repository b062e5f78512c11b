// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/DictionaryFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#ifndef TAVRIX_INSTALLED_DATA_DIR
#define TAVRIX_INSTALLED_DATA_DIR ""
#endif

namespace tavrix {

QStringList DictionaryFolders() {
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

} // namespace tavrix
