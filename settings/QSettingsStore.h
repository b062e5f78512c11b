// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "settings/SettingsStore.h"

#include <map>
#include <memory>

namespace tavrix {

// The per-user store in QSettings' native format, organisation = application = the application name
// passed in, section = group. On Linux and other Unix systems: the INI file
// $XDG_CONFIG_HOME/<application>/<application>.conf, which this store reads and writes itself so that it
// can check every step (see the .cpp); elsewhere QSettings itself (the registry on Windows). A key that
// file lacks is read, as QSettings reads it, from the fallback files: <application>.conf beside that
// folder, then <application>/<application>.conf and <application>.conf in each folder of
// $XDG_CONFIG_DIRS (/etc/xdg). They are never written.
class QSettingsStore final : public SettingsStore {
public:
    QSettingsStore();
    ~QSettingsStore() override;

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    WriteOutcome write(const QString& application, const QString& section, const QString& key,
                       const QString& text) override;
    std::optional<ReadProblem> readProblem(const QString& application) override;

    // Where the file of an application lies (it may not exist).
    static QString filePath(const QString& application);

private:
    struct File;
    File& file(const QString& application);

    std::map<QString, std::unique_ptr<File>> m_files;
};

} // namespace tavrix
