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

// What each kind of control can take.
bool CheckBoxAccepts(int value);            // 0, 1 or 2
bool ListAccepts(int value, int itemCount); // -1 .. itemCount - 1
bool AsciiMethodAccepts(int value);         // 0 or 1

// Message texts for the store problems the window reports (title "Tavrix", warning icon).
QString UnusableSettingText(const QString& key, const QString& storedText, const QString& defaultText);
QString SaveFailedText(const QString& location);
QString MovedAsideText(const QString& location, const QString& movedTo);
QString ReadProblemText(const QString& location, const QString& reason);

} // namespace tavrix
