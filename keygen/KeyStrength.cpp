// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyStrength.h"

#include "keygen/KeyAssembly.h"
#include "keygen/WordSource.h"

#include <QFileInfo>
#include <QMap>

#include <cmath>
#include <vector>

namespace tavrix {

namespace {

constexpr qint32 kStarts = WordSource::kStartingLines;

// A draw, or several independent ones, summed over the outcomes: the total chance and the sum of p log2 p.
// The pair of a product of independent draws follows from the pairs of its parts, so shapes of keys can be
// added up without listing the keys.
struct Draw {
    double mass = 0;
    double plogp = 0;
};

Draw Times(const Draw& a, const Draw& b) {
    return {a.mass * b.mass, a.plogp * b.mass + a.mass * b.plogp};
}

Draw Plus(const Draw& a, const Draw& b) {
    return {a.mass + b.mass, a.plogp + b.plogp};
}

// Each chance counts one starting line at least, so every p is positive.
Draw DrawOf(const QHash<QString, double>& chances) {
    Draw d;
    for (const double p : chances) {
        d.mass += p;
        d.plogp += p * std::log2(p);
    }
    return d;
}

// The lengths the key assembly asks GetWord for besides the words of its loop (length 0): those of every end
// the loop can leave. Once the loop has run, it leaves any shortfall up to keyLength - WordLoopEnd.
std::set<qint32> RequestedLengths(qint32 keyLength) {
    const qint64 stop = WordLoopEnd(keyLength);
    std::set<qint32> lengths;
    for (qint64 shortfall = stop == 0 ? keyLength : 1; shortfall <= keyLength - stop; ++shortfall) {
        const KeyEnd end = KeyEndOf(shortfall);
        lengths.insert({end.front, end.back});
    }
    lengths.erase(0); // no word
    return lengths;
}

} // namespace

QHash<QString, double> DrawChances(const QStringList& lines, qint32 length) {
    QHash<QString, double> chances;
    qint64 pending = 0; // starting lines whose search has not met a line of this length yet
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].size() == length && pending > 0) {
            chances[lines[i].toLower()] += double(pending) / kStarts;
            pending = 0;
        }
        if (i < kStarts)
            ++pending;
        else if (pending == 0)
            break;
    }
    return chances;
}

// The key assembly follows WordLoopEnd and KeyEndOf: its loop adds words of any length and a hyphen, and
// the end it then reaches fills the shortfall with a word at the back and perhaps one in front.
//
// A key shows the lengths of its words (its shape), and each shape is made by independent draws, so the
// entropy follows from summing Draw pairs over shapes, state by state (the key's length so far). A shape
// can be made in two ways only when its first word may be the loop's first word as well as a front word;
// then the later words play the same part either way, and the first word's chance is the sum of both. The
// sum over ways counts that word's p log2 p as if the two ways were apart; the difference is added for
// every such shape.
std::optional<double> DictionaryKeyBits(const QStringList& lines, qint32 keyLength) {
    QMap<qint64, QHash<QString, double>> loopChances; // by length: the chance of each word as a loop word
    for (const QString& word : lines.mid(0, kStarts))
        loopChances[word.size()][word.toLower()] += 1.0 / kStarts;
    QMap<qint64, Draw> loop;
    for (auto it = loopChances.begin(); it != loopChances.end(); ++it)
        loop.insert(it.key(), DrawOf(it.value()));

    QHash<qint64, QHash<QString, double>> tailChances; // by length: the chance of each word from GetWord(length)
    QHash<qint64, Draw> tail;
    for (const qint32 n : RequestedLengths(keyLength)) {
        tailChances[n] = DrawChances(lines, n);
        tail[n] = DrawOf(tailChances[n]);
    }

    const qint64 stop = WordLoopEnd(keyLength);
    // An end that cannot be filled has back 0, which tail never holds: no key (the assembly starts again).
    const auto finish = [&](qint64 size) {
        const KeyEnd end = KeyEndOf(keyLength - size);
        return end.front > 0 ? Times(tail.value(end.front), tail.value(end.back)) : tail.value(end.back);
    };

    // Every way on from a key of `from` characters while the loop goes on, each ending in end(size).
    const auto walk = [&](qint64 from, const auto& end) {
        std::vector<Draw> state(static_cast<size_t>(stop));
        for (qint64 x = stop - 1; x >= from; --x) {
            for (auto it = loop.begin(); it != loop.end(); ++it) {
                const qint64 next = x + it.key() + 1;
                state[size_t(x)] = Plus(state[size_t(x)], Times(*it, next < stop ? state[size_t(next)] : end(next)));
            }
        }
        return from < stop ? state[size_t(from)] : end(from);
    };
    Draw total = walk(0, finish);

    for (auto f = loop.begin(); f != loop.end(); ++f) {
        const qint64 first = f.key();
        if (first + 1 >= stop || !tail.contains(first))
            continue;
        // Ways on from the first word to an end that, had the first word been the front word instead,
        // would be reached with the same back word.
        const auto twinEnd = [&](qint64 size) {
            const KeyEnd end = KeyEndOf(keyLength - size);
            const KeyEnd asFront = KeyEndOf(keyLength - size + first + 1);
            const bool twin = end.front == 0 && end.back > 0 && asFront.front == first && asFront.back == end.back &&
                              size - first - 1 >= stop;
            return twin ? tail.value(end.back) : Draw{};
        };
        // The first word's chances as a loop word and as a front word, added.
        QHash<QString, double> both = loopChances[first];
        for (auto it = tailChances[first].begin(); it != tailChances[first].end(); ++it)
            both[it.key()] += it.value();
        total.plogp += (DrawOf(both).plogp - f->plogp - tail[first].plogp) * walk(first + 1, twinEnd).mass;
    }
    if (!(total.mass > 0))
        return std::nullopt;
    // A key's chance is its share of the attempts that give a key.
    return std::log2(total.mass) - total.plogp / total.mass;
}

std::optional<QStringList> ReadDrawableLines(const QString& path, qint32 keyLength) {
    return WordSource::drawableLines(path, RequestedLengths(keyLength));
}

std::optional<double> KeyStrengthMeter::bits(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                                             const QStringList& dictionaryFolders) {
    if (hexDigits <= 0)
        return std::nullopt;
    if (keyTypeText == QLatin1String(kKeyTypeHex))
        return 4.0 * hexDigits;
    const qint32 keyLength = KeyLengthOf(hexDigits);
    if (methodTag == QLatin1String(kMethodRandom))
        return keyLength * std::log2(26.0);
    if (methodTag != QLatin1String(kMethodDictionary) || keyLength <= 0)
        return std::nullopt;

    const QFileInfo info(WordSource::findDictionary(dictionaryFolders));
    if (info.filePath().isEmpty())
        return std::nullopt;
    Measured now{{info.filePath(), info.size(), info.lastModified()}, std::nullopt};
    const Measured known = m_measured.value(keyLength);
    if (known.file == now.file)
        return known.bits;
    if (const auto lines = ReadDrawableLines(info.filePath(), keyLength))
        now.bits = DictionaryKeyBits(*lines, keyLength);
    m_measured.insert(keyLength, now);
    return now.bits;
}

QString KeyStrengthMeter::toolTip(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                                  const QStringList& dictionaryFolders) {
    const auto figure = bits(hexDigits, keyTypeText, methodTag, dictionaryFolders);
    return figure ? QStringLiteral("about %1 bits of randomness").arg(std::lround(*figure)) : QString();
}

} // namespace tavrix
