// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyStrength.h"

#include "common/RegularFile.h"
#include "keygen/KeyAssembly.h"
#include "keygen/WordSource.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <array>
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

// hexDigits / 2, with a half going to the even neighbour, as the key assembly computes the key length.
qint32 KeyLengthOf(qint32 hexDigits) {
    qint32 half = hexDigits / 2;
    if (hexDigits % 2 != 0 && half % 2 != 0)
        half += hexDigits > 0 ? 1 : -1;
    return half;
}

// The lengths the key assembly asks GetWord for besides the words of its loop (length 0).
QSet<qint32> RequestedLengths(qint32 keyLength) {
    if (keyLength > 9)
        return {3, 4, 5, 6};
    switch (keyLength) {
    case 3:
    case 4:
    case 5:
    case 6:
        return {keyLength};
    case 7:
        return {3};
    case 8:
        return {3, 4};
    case 9:
        return {4};
    default:
        return {};
    }
}

// The words a key's first word and its front word can both be (shortfalls 7 to 9 put a word of 3 or 4
// letters in front), with both chances added.
QHash<QString, double> Added(QHash<QString, double> a, const QHash<QString, double>& b) {
    for (auto it = b.begin(); it != b.end(); ++it)
        a[it.key()] += it.value();
    return a;
}

} // namespace

double HexKeyBits(qint32 hexDigits) {
    return 4.0 * hexDigits;
}

double LetterKeyBits(qint32 keyLength) {
    return keyLength * std::log2(26.0);
}

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

// The key assembly's loop appends words of any length and a hyphen while the key is shorter than
// keyLength - 9, then fills the shortfall: with one word of 3 to 6 letters at the end, or, for 7 to 9,
// with one word of 3 or 4 letters in front and one at the end. A shortfall of 2 or less starts again.
//
// A key shows the lengths of its words (its shape), and each shape is made by independent draws, so the
// entropy follows from summing Draw pairs over shapes, state by state (the key's length so far). A shape
// can be made in two ways only when its first word of f = 3 or 4 letters may be the loop's first word as
// well as a front word; then the later words play the same part either way, and the first word's chance is
// the sum of both. The sum over ways counts that word's p log2 p as if the two ways were apart; the
// difference is added for every such shape.
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

    std::array<QHash<QString, double>, 7> tailChances;
    std::array<Draw, 7> tail{};
    for (qint32 n : RequestedLengths(keyLength)) {
        tailChances[n] = DrawChances(lines, n);
        tail[n] = DrawOf(tailChances[n]);
    }

    const qint64 threshold = qint64(keyLength) - 9;
    const auto finish = [&](qint64 size) -> Draw {
        switch (keyLength - size) {
        case 3:
        case 4:
        case 5:
        case 6:
            return tail[keyLength - size];
        case 7:
            return Times(tail[3], tail[3]);
        case 8:
            return Times(tail[4], tail[3]);
        case 9:
            return Times(tail[4], tail[4]);
        default:
            return {}; // drawn again
        }
    };

    Draw total;
    if (threshold <= 0) {
        total = finish(0);
    } else {
        // fromState[x]: every way on from a key of x characters (x below the threshold).
        std::vector<Draw> fromState(static_cast<size_t>(threshold));
        for (qint64 x = threshold - 1; x >= 0; --x) {
            Draw sum;
            for (auto it = loop.begin(); it != loop.end(); ++it) {
                const qint64 next = x + it.key() + 1;
                sum = Plus(sum, Times(it.value(), next < threshold ? fromState[size_t(next)] : finish(next)));
            }
            fromState[size_t(x)] = sum;
        }
        total = fromState[0];

        for (const qint64 f : {3, 4}) {
            if (f + 1 >= threshold || !loop.contains(f))
                continue;
            // Chance of going on from the first word f to an end whose last word, had f been the front
            // word, is the back word: 3 letters after a front word of 3, 3 or 4 after one of 4.
            const auto twinEnd = [&](qint64 size) {
                const qint64 shortfall = keyLength - size;
                const bool twin = shortfall == 3 || (f == 4 && shortfall == 4);
                return twin ? tail[size_t(shortfall)].mass : 0.0;
            };
            std::vector<double> rest(static_cast<size_t>(threshold));
            for (qint64 x = threshold - 1; x >= f + 1; --x) {
                double sum = 0;
                for (auto it = loop.begin(); it != loop.end(); ++it) {
                    const qint64 next = x + it.key() + 1;
                    sum += it.value().mass * (next < threshold ? rest[size_t(next)] : twinEnd(next));
                }
                rest[size_t(x)] = sum;
            }
            const Draw both = DrawOf(Added(loopChances[f], tailChances[size_t(f)]));
            total.plogp += (both.plogp - loop[f].plogp - tail[size_t(f)].plogp) * rest[size_t(f + 1)];
        }
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
    // Keeps a line; true when nothing later can matter.
    const auto take = [&](const QByteArray& bytes) {
        if (lines.size() < kStarts) {
            lines.append(QString::fromUtf8(bytes));
            return false;
        }
        // In UTF-16 a line has at most one unit per byte and at least one per three bytes.
        if (bytes.size() >= fewest && bytes.size() <= 3 * qsizetype(most)) {
            QString line = QString::fromUtf8(bytes);
            if (wanted.remove(qint32(line.size())))
                lines.append(std::move(line));
        }
        return wanted.isEmpty();
    };

    // Line ends as GetWord reads them: CR LF, a lone LF or a lone CR; one at the very end starts no line.
    std::vector<char> chunk(size_t{64} * 1024);
    QByteArray partial;
    bool skipLf = false;
    for (;;) {
        const qint64 got = file.read(chunk.data(), qint64(chunk.size()));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        qint64 start = 0;
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[size_t(i)];
            if (skipLf) {
                skipLf = false;
                if (c == '\n') {
                    start = i + 1;
                    continue;
                }
            }
            if (c == '\r' || c == '\n') {
                partial.append(chunk.data() + start, i - start);
                if (take(partial))
                    return lines;
                partial.clear();
                skipLf = c == '\r';
                start = i + 1;
            }
        }
        partial.append(chunk.data() + start, got - start);
    }
    if (!partial.isEmpty())
        take(partial);
    return lines;
}

std::optional<double> KeyStrengthMeter::bits(qint32 hexDigits, const QString& keyTypeText, const QString& methodTag,
                                             const QStringList& dictionaryFolders) {
    if (hexDigits <= 0)
        return std::nullopt;
    if (keyTypeText == QLatin1String(kKeyTypeHex))
        return HexKeyBits(hexDigits);
    const qint32 keyLength = KeyLengthOf(hexDigits);
    if (methodTag == QLatin1String(kMethodRandom))
        return LetterKeyBits(keyLength);
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
