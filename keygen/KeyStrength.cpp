// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyStrength.h"

#include "common/RegularFile.h"
#include "keygen/KeyAssembly.h"
#include "keygen/LineReader.h"
#include "keygen/WordSource.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>
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

Draw DrawOf(const QHash<QString, double>& chances) {
    Draw d;
    for (const double p : chances) {
        if (p > 0) {
            d.mass += p;
            d.plogp += p * std::log2(p);
        }
    }
    return d;
}

// The lengths the key assembly asks GetWord for besides the words of its loop (length 0): those of every end
// the loop can leave. Once the loop has run, it leaves any shortfall up to keyLength - WordLoopEnd.
QSet<qint32> RequestedLengths(qint32 keyLength) {
    const qint64 stop = WordLoopEnd(keyLength);
    QSet<qint32> lengths;
    for (qint64 shortfall = stop == 0 ? keyLength : 1; shortfall <= keyLength - stop; ++shortfall) {
        const KeyEnd end = KeyEndOf(shortfall);
        for (const qint32 length : {end.front, end.back}) {
            if (length > 0)
                lengths.insert(length);
        }
    }
    return lengths;
}

// The words a key's first word can be when it may be a loop word or a front word, with both chances added.
QHash<QString, double> Added(QHash<QString, double> a, const QHash<QString, double>& b) {
    for (auto it = b.begin(); it != b.end(); ++it)
        a[it.key()] += it.value();
    return a;
}

} // namespace

QHash<QString, double> DrawChances(const QStringList& lines, qint32 length) {
    QHash<QString, double> chances;
    const qsizetype starts = std::min<qsizetype>(kStarts, lines.size());
    qint64 pending = 0; // starting lines whose search has not met a line of this length yet
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].size() == length && pending > 0) {
            chances[lines[i].toLower()] += double(pending) / kStarts;
            pending = 0;
        }
        if (i < starts)
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
    if (keyLength <= 0)
        return std::nullopt;

    QMap<qint64, QHash<QString, double>> loopChances; // by length: the chance of each word as a loop word
    const qsizetype starts = std::min<qsizetype>(kStarts, lines.size());
    for (qsizetype i = 0; i < starts; ++i)
        loopChances[lines[i].size()][lines[i].toLower()] += 1.0 / kStarts;
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
    const auto finish = [&](qint64 size) -> Draw {
        const KeyEnd end = KeyEndOf(keyLength - size);
        if (end.back == 0)
            return {}; // drawn again
        return end.front > 0 ? Times(tail.value(end.front), tail.value(end.back)) : tail.value(end.back);
    };

    // fromState[x]: every way on from a key of x characters while the loop goes on.
    std::vector<Draw> fromState(static_cast<size_t>(stop));
    for (qint64 x = stop - 1; x >= 0; --x) {
        Draw sum;
        for (auto it = loop.begin(); it != loop.end(); ++it) {
            const qint64 next = x + it.key() + 1;
            sum = Plus(sum, Times(it.value(), next < stop ? fromState[size_t(next)] : finish(next)));
        }
        fromState[size_t(x)] = sum;
    }
    Draw total = stop > 0 ? fromState[0] : finish(0);

    for (auto f = loop.begin(); f != loop.end(); ++f) {
        const qint64 first = f.key();
        if (first + 1 >= stop || !tail.contains(first))
            continue;
        // Chance of going on from the first word to an end that, had the first word been the front word
        // instead, would be reached with the same back word.
        const auto twinEnd = [&](qint64 size) {
            const KeyEnd end = KeyEndOf(keyLength - size);
            const KeyEnd asFront = KeyEndOf(keyLength - size + first + 1);
            const bool twin = end.front == 0 && end.back > 0 && asFront.front == first && asFront.back == end.back &&
                              size - first - 1 >= stop;
            return twin ? tail.value(end.back).mass : 0.0;
        };
        std::vector<double> rest(static_cast<size_t>(stop));
        for (qint64 x = stop - 1; x >= first + 1; --x) {
            double sum = 0;
            for (auto it = loop.begin(); it != loop.end(); ++it) {
                const qint64 next = x + it.key() + 1;
                sum += it.value().mass * (next < stop ? rest[size_t(next)] : twinEnd(next));
            }
            rest[size_t(x)] = sum;
        }
        const Draw both = DrawOf(Added(loopChances[first], tailChances[first]));
        total.plogp += (both.plogp - f.value().plogp - tail[first].plogp) * rest[size_t(first + 1)];
    }
    if (!(total.mass > 0))
        return std::nullopt;
    // A key's chance is its share of the attempts that give a key.
    return std::log2(total.mass) - total.plogp / total.mass;
}

std::optional<QStringList> ReadDrawableLines(const QString& path, qint32 keyLength) {
    QFile file(path);
    if (!OpenRegularFile(file))
        return std::nullopt;

    QStringList lines;
    QSet<qint32> wanted = RequestedLengths(keyLength);
    const qint32 fewest = wanted.isEmpty() ? 0 : *std::min_element(wanted.begin(), wanted.end());
    const qint32 most = wanted.isEmpty() ? 0 : *std::max_element(wanted.begin(), wanted.end());
    qint64 bytesRead = 0;
    LineReader reader(file, bytesRead);
    Line line;
    while (lines.size() < kStarts || !wanted.isEmpty()) {
        if (!reader.next(line))
            break;
        if (lines.size() < kStarts) {
            lines.append(reader.text(line));
        } else if (line.size >= fewest && line.size <= 3 * qint64(most)) {
            // In UTF-16 a line has at most one unit per byte and at least one per three bytes.
            QString text = reader.text(line);
            if (wanted.remove(qint32(text.size())))
                lines.append(std::move(text));
        }
    }
    if (reader.failed())
        return std::nullopt;
    return lines;
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

    for (const QString& folder : dictionaryFolders) {
        const QFileInfo info(WordSource::dictionaryPath(folder));
        if (!info.exists())
            continue;
        Measured now{info.filePath(), info.size(), info.lastModified(), std::nullopt};
        const auto known = m_measured.constFind(keyLength);
        if (known != m_measured.cend() && known->path == now.path && known->size == now.size &&
            known->modified == now.modified)
            return known->bits;
        if (const auto lines = ReadDrawableLines(now.path, keyLength))
            now.bits = DictionaryKeyBits(*lines, keyLength);
        m_measured.insert(keyLength, now);
        return now.bits;
    }
    return std::nullopt;
}

QString KeyStrengthMeter::toolTip(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                                  const QStringList& dictionaryFolders) {
    const auto figure = bits(hexDigits, keyTypeText, methodTag, dictionaryFolders);
    return figure ? QStringLiteral("about %1 bits of randomness").arg(std::lround(*figure)) : QString();
}

} // namespace tavrix
