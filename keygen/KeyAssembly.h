// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <algorithm>
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

// The length of an ASCII key for hexDigits > 0: hexDigits / 2, with a half going to the even neighbour.
constexpr qint32 KeyLengthOf(qint32 hexDigits) {
    const qint32 half = hexDigits / 2;
    return hexDigits % 2 != 0 && half % 2 != 0 ? half + 1 : half;
}

// How a dictionary key of keyLength characters is put together; the assembly and the strength measure both
// follow these two rules. While the key is shorter than WordLoopEnd, a word of any length is drawn and added
// with a hyphen after it. Then KeyEndOf the characters still missing says which words fill them: one of
// `back` letters at the end and, when front > 0, one of `front` letters put in front with a hyphen.
// back == 0: the shortfall cannot be filled, and the assembly starts again.
constexpr qint64 WordLoopEnd(qint32 keyLength) {
    return std::max<qint64>(0, qint64(keyLength) - 9);
}
struct KeyEnd {
    qint32 front = 0;
    qint32 back = 0;
};
constexpr KeyEnd KeyEndOf(qint64 shortfall) {
    if (shortfall >= 3 && shortfall <= 6)
        return {0, qint32(shortfall)};
    if (shortfall >= 7 && shortfall <= 9)
        return {shortfall == 7 ? 3 : 4, shortfall == 9 ? 4 : 3};
    return {};
}

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
