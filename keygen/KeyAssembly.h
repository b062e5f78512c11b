// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tavrix {

class WordSource;

// The strength list's entries in order: how a user names the strength, the list's label, and the nominal
// length in hexadecimal digits a key is built from.
struct StrengthChoice {
    int bits;
    const char* label;
    qint32 hexDigits;
};
inline constexpr std::array<StrengthChoice, 3> kStrengthChoices{
    {{64, "64-BIT", 10}, {128, "128-BIT", 26}, {256, "256-BIT", 58}}};

// The type list's entries in order.
inline constexpr const char* kKeyTypeHex = "HEX";
inline constexpr std::array<const char*, 2> kKeyTypeTexts{{kKeyTypeHex, "ASCII"}};
inline constexpr const char* kMethodRandom = "0";
inline constexpr const char* kMethodDictionary = "1";

// The most dictionary bytes one generation reads before it gives up on a dictionary that cannot make the
// key (each attempt that overshoots reads up to the whole file again).
inline constexpr qint64 kGenerationByteBudget = qint64(1) << 30;

// Builds one key from the window's current choices and returns it in lower case:
//  hexDigits   the strength's nominal length in hexadecimal digits (10, 26 or 58);
//  keyTypeText the type list's displayed text ("HEX" exactly gives a hexadecimal key, anything else ASCII);
//  methodTag   the ASCII method held in the window's tag ("0" letters, "1" dictionary words, else nothing).
// Reseeds the random source before the first draw. Returns the empty text when nothing is built by choice
// (an unknown method tag or a non-positive length), and std::nullopt after a failure, which has been reported
// through the word source's sink (nothing should then be copied to the clipboard).
std::optional<QString> TryAssembleKey(WordSource& words, qint32 hexDigits, const QString& keyTypeText,
                                      const QString& methodTag);

} // namespace tavrix
