// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <tuple>

namespace tavrix {

// How much randomness a key has: the entropy, in bits, of the keys TryAssembleKey builds for a choice of
// strength, type and method, assuming a uniform random source. A dictionary key has far fewer bits than its
// length suggests, and how many depends on the word list, so that figure is measured from dict.txt itself.
// A HEX key has 4 bits per digit, a random-letter key log2(26) bits per letter.

// The chance of each word (lower-cased) being the result of GetWord(length), length > 0, given the lines of
// dict.txt in order. Starting lines after which no line of that length follows add to no word.
QHash<QString, double> DrawChances(const QStringList& lines, qint32 length);

// The entropy of a dictionary key of keyLength characters made from these lines by TryAssembleKey, counting
// every way the assembly can reach the same key and its new attempt when the shortfall cannot be filled
// (KeyAssembly.h states the rules both follow); keys whose words could not all be drawn do not count.
// std::nullopt when no key can be made.
std::optional<double> DictionaryKeyBits(const QStringList& lines, qint32 keyLength);

// The lines of a dict.txt that keys of keyLength characters can be made of: the 27,000 starting lines and,
// after them, the first line of each length the key can ask GetWord for (WordSource::drawableLines).
// std::nullopt when the file cannot be read.
std::optional<QStringList> ReadDrawableLines(const QString& path, qint32 keyLength);

// Bits of the key built from these choices (the TryAssembleKey arguments), with the dictionary found the way
// GetWord finds it; std::nullopt for choices that build no key or a dictionary that gives none. The
// dictionary's figure is kept while the file's path, size and modification time stay the same, since
// measuring means reading it.
class KeyStrengthMeter {
public:
    std::optional<double> bits(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                               const QStringList& dictionaryFolders);

    // "about 29 bits of randomness"; empty when bits() has no figure.
    QString toolTip(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                    const QStringList& dictionaryFolders);

private:
    struct Measured {
        std::tuple<QString, qint64, QDateTime> file; // path, size and modification time
        std::optional<double> bits;
    };
    QHash<qint32, Measured> m_measured; // by key length
};

} // namespace tavrix
