// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <set>

namespace tavrix {

class MessageSink;
class RandomSource;

// The two draws keys are built from: GetRnd (an integer below a bound) and GetWord (a line of dict.txt).
class WordSource {
public:
    // dictionaryFolders: the folders searched for dict.txt, in order; the first that has one is used.
    WordSource(RandomSource& random, MessageSink& sink, QStringList dictionaryFolders);

    // floor(next() * lMax), in double precision; consumes one value of the random source.
    qint32 GetRnd(qint32 lMax);

    // One line of dict.txt, from a random starting line below 27000; with lRequiredLength > 0, the first
    // line of that length after the starting line. Consumes one value of the random source. On failure the
    // "GetWord() Error.." message has been shown and the result is empty.
    std::optional<QString> GetWord(qint32 lRequiredLength);

    // Dictionary bytes read by all GetWord calls so far.
    qint64 bytesRead() const { return m_bytesRead; }

    RandomSource& random() { return m_random; }
    MessageSink& sink() { return m_sink; }

    // Path of the dictionary that GetWord would read: folder + "/dict.txt", without a second separator after a
    // folder that ends in one (a root folder).
    static QString dictionaryPath(const QString& folder);
    // The dictionary GetWord reads: dict.txt in the first of these folders that has one; empty when none has.
    static QString findDictionary(const QStringList& folders);
    // The lines of the dict.txt at path that GetWord can give: the starting lines and, after them, the first
    // line of each of these lengths. std::nullopt when the file cannot be read.
    static std::optional<QStringList> drawableLines(const QString& path, std::set<qint32> lengths);

    // Starting lines are drawn below this index; later lines are reached only by the search.
    static constexpr qint32 kStartingLines = 27000;
    // GetWord reads the file in pieces of this size, so neither a huge file nor a huge line is held whole.
    static constexpr qint64 kReadChunkBytes = qint64(32) * 1024;

private:
    RandomSource& m_random;
    MessageSink& m_sink;
    QStringList m_folders;
    qint64 m_bytesRead = 0;
};

} // namespace tavrix
