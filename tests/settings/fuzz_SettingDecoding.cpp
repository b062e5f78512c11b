// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target for DecodeSetting. Besides running every input under AddressSanitizer and
// UndefinedBehaviorSanitizer, it checks properties that must hold for any text:
//  - a decoded value, written back as the program writes it, decodes to the same value;
//  - blanks, tabs and line feeds make no difference, wherever they stand;
//  - for a plain decimal number of at most 15 significant digits, the result agrees with the C library's
//    conversion rounded half to even (exact enough at that length to decide every half).
#include "settings/SettingDecoding.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using tavrix::DecodedSetting;

[[noreturn]] void Fail(const char* what, const QString& text) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

bool Same(const DecodedSetting& a, const DecodedSetting& b) {
    return a.kind == b.kind && (!a.isValue() || a.value == b.value);
}

void CheckText(const QString& text) {
    const DecodedSetting decoded = tavrix::DecodeSetting(text);
    if (!decoded.isValue() && decoded.value != 0)
        Fail("overflow carries a value", text);

    if (decoded.isValue()) {
        const DecodedSetting again = tavrix::DecodeSetting(QString::number(decoded.value));
        if (!Same(decoded, again))
            Fail("canonical text does not decode to the same value", text);
    }

    QString stripped = text;
    stripped.remove(u' ').remove(u'\t').remove(u'\n');
    if (!Same(decoded, tavrix::DecodeSetting(stripped)))
        Fail("blanks changed the result", text);
}

// Builds "[sign]digits[.digits][e[sign]digits]" plus a tail that cannot continue the number.
void CheckDecimal(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return;
    const std::uint8_t flags = data[0];
    const std::size_t digitCount = 1 + data[1] % 15;
    const std::size_t pointAt = data[2] % (digitCount + 1);
    const int exponent = static_cast<int>(data[3] % 41) - 20;
    data += 4;
    size -= 4;

    std::string number;
    if (flags & 2)
        number += (flags & 4) ? '-' : '+';
    for (std::size_t i = 0; i < digitCount; ++i) {
        if (i == pointAt && (flags & 8))
            number += '.';
        number += static_cast<char>('0' + (i < size ? data[i] % 10 : 5));
    }
    if (flags & 16)
        number += (flags & 32 ? "E" : "e") + std::to_string(exponent);

    const double rounded = std::nearbyint(std::strtod(number.c_str(), nullptr)); // ties to even by default
    const bool fits = rounded >= -32768.0 && rounded <= 32767.0;

    const QString text = QString::fromLatin1(number.c_str()) + QStringLiteral(",5");
    const DecodedSetting decoded = tavrix::DecodeSetting(text);
    if (decoded.isValue() != fits || (fits && decoded.value != static_cast<int>(rounded)))
        Fail("decimal number disagrees with strtod", text);
}

} // namespace

// The first byte chooses how the rest is used: its value modulo 3 gives UTF-8 text, Latin-1 text, or the
// recipe for a decimal number. The seeds in fuzz_corpus/ start with '0' (UTF-8) or '2' (recipe).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const auto length = static_cast<qsizetype>(size - 1);
    switch (data[0] % 3) {
    case 0:
        CheckText(QString::fromUtf8(bytes, length));
        break;
    case 1:
        CheckText(QString::fromLatin1(bytes, length));
        break;
    default:
        CheckDecimal(data + 1, size - 1);
        break;
    }
    return 0;
}
