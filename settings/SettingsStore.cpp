// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/SettingsStore.h"

namespace tavrix {

QString ReadSetting(SettingsStore& store, const QString& application, const QString& section, const QString& key,
                    const QString& sDefault) {
    return store.read(application, section, key).value_or(sDefault);
}

WriteOutcome WriteSetting(SettingsStore& store, const QString& application, const QString& section, const QString& key,
                          const QString& text) {
    return store.write(application, section, key, text);
}

} // namespace tavrix
