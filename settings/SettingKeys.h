#pragma once

#include <array>

namespace tavrix {

inline constexpr const char* kSettingsApplication = "Tavrix";
inline constexpr const char* kSettingsSection = "Settings";

// What kind of control a setting is restored into; decides which values it can take.
enum class SettingControl { CheckBox, AsciiMethod, List };

// The six settings, in the order the main window reads them.
enum class SettingId { GenerateOnStartup, AsciiMode, KeyStrength, KeyType, CopyKeyToClipboard, GenerateOnChange };

struct SettingDef {
    SettingId id;
    const char* key;
    const char* defaultText;
    SettingControl control;
};

inline constexpr std::array<SettingDef, 6> kSettingDefs{{
    {SettingId::GenerateOnStartup, "Generate On Startup", "0", SettingControl::CheckBox},
    {SettingId::AsciiMode, "ASCII Mode", "0", SettingControl::AsciiMethod},
    {SettingId::KeyStrength, "Key Strength", "1", SettingControl::List},
    {SettingId::KeyType, "Key Type", "1", SettingControl::List},
    {SettingId::CopyKeyToClipboard, "Copy Key To Clipboard", "0", SettingControl::CheckBox},
    {SettingId::GenerateOnChange, "Generate On Change", "0", SettingControl::CheckBox},
}};

constexpr const SettingDef& settingDef(SettingId id) {
    return kSettingDefs[static_cast<std::size_t>(id)];
}

} // namespace tavrix
