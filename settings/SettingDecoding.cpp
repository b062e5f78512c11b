// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/SettingDecoding.h"

#include <cstdint>
#include <limits>

// A stored text is read the way a lenient numeric parser reads it. The rules, in order:
//
// 1. Blanks, tabs and line feeds are dropped wherever they stand, also between digits ("1 0" is 10).
//    Every other character counts, a carriage return included: "1\r" reads 1, "\r1" reads 0.
//    Only the ASCII digits 0-9 are digits.
// 2. "&H" or "&O" (either case) introduce a hexadecimal or octal integer: the longest run of such digits
//    after the prefix. No digits ("&H", "&Hz") reads 0; so does "&" followed by anything else. A sign
//    before the prefix ("-&H1") is not a number and reads 0.
//    The digits form an unsigned value that takes the narrowest of two widths, as such literals do:
//    up to &HFFFF it is a 16-bit two's complement value (&HFFFF is -1, &H8000 is -32768); up to
//    &HFFFFFFFF a 32-bit one (&HFFFFFFFF is -1, &HFFFF8000 is -32768, &H10000 is 65536 and overflows).
//    Anything wider overflows. Leading zeros do not count towards the width.
// 3. Otherwise the longest leading decimal number is taken: an optional sign, digits with at most one
//    period (always a period, whatever the locale; a comma ends the number), and an optional exponent,
//    "e" or "E" with an optional sign and at least one digit. An exponent marker without digits is not
//    part of the number ("1e" and "1e+" read 1). A lone sign, a lone period or "-." have no digit and
//    read 0, as does a text that does not begin with a number.
// 4. The number is rounded to the nearest integer, a half going to the even neighbour. The rounding works
//    on the exact decimal digits, not on a binary floating-point copy, so "2.50000000000000000001" reads 3
//    and "32767.49999999999999999" reads 32767. Minus zero reads 0.
// 5. The result must lie in -32768..32767, otherwise the text is an overflow.

namespace tavrix {

namespace {

constexpr qint64 kMin = std::numeric_limits<qint16>::min();
constexpr qint64 kMax = std::numeric_limits<qint16>::max();

bool IsIgnored(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}
bool IsDecimalDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int HexDigitValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

int OctalDigitValue(QChar c) {
    return (c >= u'0' && c <= u'7') ? c.unicode() - u'0' : -1;
}

DecodedSetting ValueOf(qint64 v) {
    if (v < kMin || v > kMax)
        return {DecodedSetting::Kind::Overflow, 0};
    return {DecodedSetting::Kind::Value, static_cast<qint16>(v)};
}

DecodedSetting OverflowResult() {
    return {DecodedSetting::Kind::Overflow, 0};
}

// Reads the digits of a &H or &O literal from pos on.
DecodedSetting DecodeRadixLiteral(const QString& s, qsizetype pos, int radix) {
    constexpr std::uint64_t kWidest = 0xFFFFFFFFu;
    std::uint64_t magnitude = 0;
    bool tooWide = false;
    for (; pos < s.size(); ++pos) {
        const int digit = radix == 16 ? HexDigitValue(s[pos]) : OctalDigitValue(s[pos]);
        if (digit < 0)
            break;
        if (!tooWide) {
            magnitude = magnitude * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
            tooWide = magnitude > kWidest; // stays small enough that the next step cannot wrap
        }
    }
    if (tooWide)
        return OverflowResult();
    // Two's complement by hand, so no narrowing conversion is involved.
    const auto asSigned = [magnitude](qint64 width) {
        const auto m = static_cast<qint64>(magnitude);
        return m >= width / 2 ? m - width : m;
    };
    return ValueOf(magnitude <= 0xFFFFu ? asSigned(qint64(1) << 16) : asSigned(qint64(1) << 32));
}

// Reads a decimal number from pos on (see rule 3 and 4 above).
DecodedSetting DecodeDecimal(const QString& s, qsizetype pos) {
    const qsizetype n = s.size();
    bool negative = false;
    if (pos < n && (s[pos] == u'+' || s[pos] == u'-')) {
        negative = s[pos] == u'-';
        ++pos;
    }

    // The mantissa's digits without the period, and how many of them stand before it.
    QString digits;
    qint64 integerDigits = 0;
    bool seenPeriod = false;
    for (; pos < n; ++pos) {
        const QChar c = s[pos];
        if (IsDecimalDigit(c)) {
            digits.append(c);
            if (!seenPeriod)
                ++integerDigits;
        } else if (c == u'.' && !seenPeriod) {
            seenPeriod = true;
        } else {
            break;
        }
    }
    if (digits.isEmpty())
        return ValueOf(0);

    // The exponent, clamped far beyond any value that could still fit.
    constexpr qint64 kExponentClamp = qint64(1) << 40;
    qint64 exponent = 0;
    if (pos < n && (s[pos] == u'e' || s[pos] == u'E')) {
        qsizetype p = pos + 1;
        bool negativeExponent = false;
        if (p < n && (s[p] == u'+' || s[p] == u'-')) {
            negativeExponent = s[p] == u'-';
            ++p;
        }
        if (p < n && IsDecimalDigit(s[p])) {
            for (; p < n && IsDecimalDigit(s[p]); ++p) {
                if (exponent < kExponentClamp)
                    exponent = exponent * 10 + (s[p].unicode() - u'0');
            }
            if (negativeExponent)
                exponent = -exponent;
        }
    }

    // Drop leading zeros; the digits then describe 0.d1d2d3... times ten to the power of pointPosition.
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0')
        ++first;
    if (first == digits.size())
        return ValueOf(0);
    const qint64 pointPosition = integerDigits + exponent - first;

    // Six or more digits before the point are at least 100000: no rounding brings that back in range.
    if (pointPosition > 5)
        return OverflowResult();

    qint64 integerPart = 0;
    for (qint64 i = 0; i < pointPosition; ++i) {
        const qsizetype at = first + static_cast<qsizetype>(i);
        integerPart = integerPart * 10 + (at < digits.size() ? digits[at].unicode() - u'0' : 0);
    }

    // Compare the fraction with one half. A point position below zero means a value under 0.1.
    bool roundUp = false;
    if (pointPosition >= 0) {
        const qsizetype fractionStart = first + static_cast<qsizetype>(pointPosition);
        if (fractionStart < digits.size()) {
            const QChar lead = digits[fractionStart];
            if (lead > u'5') {
                roundUp = true;
            } else if (lead == u'5') {
                bool aboveHalf = false;
                for (qsizetype i = fractionStart + 1; i < digits.size() && !aboveHalf; ++i)
                    aboveHalf = digits[i] != u'0';
                roundUp = aboveHalf || (integerPart % 2 == 1);
            }
        }
    }
    const qint64 magnitude = integerPart + (roundUp ? 1 : 0);
    return ValueOf(negative ? -magnitude : magnitude);
}

} // namespace

DecodedSetting DecodeSetting(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (!IsIgnored(c))
            s.append(c);
    }

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar prefix = s[1];
        if (prefix == u'H' || prefix == u'h')
            return DecodeRadixLiteral(s, 2, 16);
        if (prefix == u'O' || prefix == u'o')
            return DecodeRadixLiteral(s, 2, 8);
        return ValueOf(0);
    }
    return DecodeDecimal(s, 0);
}

} // namespace tavrix
