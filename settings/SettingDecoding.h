// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace tavrix {

// Result of reading a stored text as a number: a 16-bit value, or an overflow.
struct DecodedSetting {
    enum class Kind { Value, Overflow };
    Kind kind = Kind::Value;
    qint16 value = 0;

    bool isValue() const { return kind == Kind::Value; }
};

// Lenient numeric reading of a stored text (see the .cpp for the exact rules).
DecodedSetting DecodeSetting(const QString& text);

} // namespace tavrix
