#pragma once

#include "SettingsStore.h"

namespace tavrix {

// QSettings in the platform's native format, organisation = application = the application name passed in,
// section = group. On Linux: $XDG_CONFIG_HOME/<application>/<application>.conf.
class QSettingsStore final : public SettingsStore {
public:
    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    WriteOutcome write(const QString& application, const QString& section, const QString& key,
                       const QString& text) override;
};

} // namespace tavrix
