// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>

namespace tavrix {

inline constexpr const char* kSettingsApplication = "Tavrix";
inline constexpr const char* kSettingsSection = "Settings";

// The six settings, in the order the main window reads them.
enum class SettingId { GenerateOnStartup, AsciiMode, KeyStrength, KeyType, CopyKeyToClipboard, GenerateOnChange };

struct SettingDef {
    SettingId id;
    const char* key;
    const char* defaultText;
};

inline constexpr std::array<SettingDef, 6> kSettingDefs{{
    {SettingId::GenerateOnStartup, "Generate On Startup", "0"},
    {SettingId::AsciiMode, "ASCII Mode", "0"},
    {SettingId::KeyStrength, "Key Strength", "1"},
    {SettingId::KeyType, "Key Type", "1"},
    {SettingId::CopyKeyToClipboard, "Copy Key To Clipboard", "0"},
    {SettingId::GenerateOnChange, "Generate On Change", "0"},
}};

constexpr const SettingDef& SettingDefOf(SettingId id) {
    return kSettingDefs[static_cast<std::size_t>(id)];
}

} // namespace tavrix
