// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "settings/SettingsStore.h"

#include <QtGlobal>

#include <map>
#include <memory>

namespace tavrix {

// The per-user store of the platform, addressed by application name, section and key.
//
// On Linux and other Unix systems (QSettingsStore_unix.cpp): the INI file
// $XDG_CONFIG_HOME/<application>/<application>.conf in QSettings' native format, section = group, which
// this store reads and writes itself so that it can check every step. A key that file lacks is read, as
// QSettings reads it, from the fallback files: <application>.conf beside that folder, then
// <application>/<application>.conf and <application>.conf in each folder of $XDG_CONFIG_DIRS (/etc/xdg).
// They are never written.
//
// On Windows (QSettingsStore_win.cpp): the user's program-settings area of the registry,
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, one string value
// (REG_SZ) per key, named as the key. Nothing is read from or written to HKEY_LOCAL_MACHINE.
class QSettingsStore final : public SettingsStore {
public:
    QSettingsStore();
#if defined(Q_OS_WIN)
    // The store below HKEY_CURRENT_USER\<registryBase> instead of the program-settings area, so that tests
    // use a key of their own.
    explicit QSettingsStore(QString registryBase);
#endif
    ~QSettingsStore() override;

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    WriteOutcome write(const QString& application, const QString& section, const QString& key,
                       const QString& text) override;
    std::optional<ReadProblem> readProblem(const QString& application) override;

    // Where the file of an application lies (it may not exist); on Windows, its registry key.
    static QString filePath(const QString& application);

private:
#if defined(Q_OS_WIN)
    // The registry key, below HKEY_CURRENT_USER, of an application's section.
    QString sectionKey(const QString& application, const QString& section) const;

    QString m_registryBase;
#else
    struct File;
    File& file(const QString& application);

    std::map<QString, std::unique_ptr<File>> m_files;
#endif
};

} // namespace tavrix
