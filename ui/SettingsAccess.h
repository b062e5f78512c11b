// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "settings/SettingKeys.h"

#include <QString>

#include <array>
#include <functional>

namespace tavrix {

class MessageSink;
class SettingsStore;

// What each kind of control can take.
bool CheckBoxAccepts(int value);            // 0, 1 or 2
bool ListAccepts(int value, int itemCount); // -1 .. itemCount - 1
bool AsciiMethodAccepts(int value);         // 0 or 1

// Message texts for the store problems the window reports (title "Tavrix", warning icon).
QString UnusableSettingText(const QString& key, const QString& storedText, const QString& defaultText);
QString SaveFailedText(const QString& location);
QString MovedAsideText(const QString& location, const QString& movedTo);
QString ReadProblemText(const QString& location, const QString& reason);

// The main window's way to the settings store: reads with the table's defaults, checks what a control can
// take, writes canonical texts, and reports store problems without stopping the program.
// One instance lives for the whole run, so the could-not-save warning is shown once per run.
class SettingsAccess {
public:
    SettingsAccess(SettingsStore& store, MessageSink& sink) : m_store(store), m_sink(sink) {}

    // The stored text, or the key's default when absent. The first read reports a store that could not be
    // read (one warning naming its file).
    QString read(SettingId id);

    struct Usable {
        int value = 0;
        bool fellBack = false; // the stored text was unusable; the default's value was taken instead
    };
    // Decodes text for the control of `id`. A text the control cannot take (an overflow, or a value
    // `accepts` refuses) is reported in one warning and replaced by the key's default.
    Usable usableValue(SettingId id, const QString& text, const std::function<bool(int)>& accepts);

    // Writes the decimal text of value under the key of `id`.
    void write(SettingId id, int value);
    int writeCount(SettingId id) const { return m_writeCounts[static_cast<std::size_t>(id)]; }

private:
    SettingsStore& m_store;
    MessageSink& m_sink;
    bool m_saveFailureReported = false;
    bool m_readProblemChecked = false;
    std::array<int, kSettingDefs.size()> m_writeCounts{};
};

} // namespace tavrix
