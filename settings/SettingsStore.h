// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>

namespace tavrix {

// Outcome of a write: whether the text reached persistent storage, and where that storage is
// (a file path on Linux), for the store's messages. movedAside names the file that an unreadable
// store was moved to before this write started a new one; it is empty when nothing was moved.
struct WriteOutcome {
    bool saved = true;
    QString location;
    QString movedAside;
};

// Why a store's file could not be read: where it is and what is wrong with it. The store then gives every
// key as absent and leaves the file alone, so nothing is saved to it either.
struct ReadProblem {
    QString location;
    QString reason;
};

// The per-user store addressed by application name, section and key. The program uses QSettingsStore;
// tests use an in-memory store that records every write in order.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when the application, section or key is absent.
    virtual std::optional<QString> read(const QString& application, const QString& section, const QString& key) = 0;
    virtual WriteOutcome write(const QString& application, const QString& section, const QString& key,
                               const QString& text) = 0;
    // What kept the application's stored values from being read, if anything (an absent store is no
    // problem).
    virtual std::optional<ReadProblem> readProblem(const QString& application) = 0;
};

// Returns the stored text, or sDefault when the application, section or key is absent. Creates nothing.
QString ReadSetting(SettingsStore& store, const QString& application, const QString& section, const QString& key,
                    const QString& sDefault);

// Stores the text under the key, synced to persistent storage before it returns.
WriteOutcome WriteSetting(SettingsStore& store, const QString& application, const QString& section, const QString& key,
                          const QString& text);

} // namespace tavrix
