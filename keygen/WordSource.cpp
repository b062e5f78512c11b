// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/WordSource.h"

#include "common/MessageSink.h"
#include "common/RegularFile.h"
#include "keygen/RandomSource.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tavrix {

namespace {

const QString kMessageTitle = QStringLiteral("GetWord() Error..");
const QString kNotFoundText =
    QStringLiteral("Couldn't find dict.txt - it is required for ASCII Dictionary generation!");

// One line as the reader found it: where it starts in the file and how many bytes it has, line end
// excluded. bytes points into the reader's buffer and stays valid until the next call of next(); it is
// null for a line that outgrew the buffer, whose bytes can be fetched again with reread().
struct Line {
    qint64 offset = 0;
    qint64 size = 0;
    const char* bytes = nullptr;
};

// Reads a text file line by line in fixed-size pieces. A line ends at CR LF, and also at a lone LF or a
// lone CR, so a file written with any of the three conventions reads the same; a line end at the very end
// of the file does not start another (empty) line.
class LineReader {
public:
    LineReader(QFile& file, qint64& bytesRead)
        : m_file(file), m_bytesRead(bytesRead), m_buffer(kKeptPartialBytes + kChunk) {}

    // False at the end of the file, and when reading fails (failed() then says so).
    bool next(Line& line) {
        if (m_skipLf) {
            if (m_pos == m_end && !refill(m_end))
                return false;
            if (m_buffer[m_pos] == '\n')
                ++m_pos;
            m_skipLf = false;
        }
        if (m_pos == m_end && !refill(m_end))
            return false;

        size_t start = m_pos;
        const qint64 offset = m_bufferOffset + static_cast<qint64>(start);
        qint64 dropped = 0; // bytes of this line no longer in the buffer
        for (;;) {
            const size_t eol = findEol(m_pos);
            if (eol < m_end) {
                const auto size = dropped + static_cast<qint64>(eol - start);
                line = Line{offset, size, dropped == 0 ? data() + start : nullptr};
                m_skipLf = m_buffer[eol] == '\r';
                m_pos = eol + 1;
                return true;
            }
            const size_t partial = m_end - start;
            const bool keep = dropped == 0 && partial <= kKeptPartialBytes;
            if (!keep)
                dropped += static_cast<qint64>(partial);
            if (!refill(keep ? start : m_end)) {
                if (m_failed)
                    return false;
                // The last line lacks its line end.
                line = Line{offset, dropped + static_cast<qint64>(m_end), keep ? data() : nullptr};
                return true;
            }
            start = 0;
        }
    }

    bool failed() const { return m_failed; }

    // The bytes of a line, at most the first `most` of them, read again from the file; the reading position
    // is left where it was.
    QByteArray reread(const Line& line, qint64 most = std::numeric_limits<qint64>::max()) {
        const qint64 resume = m_file.pos();
        const qint64 wanted = std::min(line.size, most);
        QByteArray bytes;
        if (m_file.seek(line.offset)) {
            bytes.resize(wanted);
            if (readFully(bytes.data(), wanted) != wanted)
                bytes.clear();
        }
        m_file.seek(resume);
        return bytes;
    }

private:
    static constexpr size_t kChunk = static_cast<size_t>(WordSource::kReadChunkBytes);
    // An unfinished line at most this long is moved to the front of the buffer before the next piece is
    // read; a longer one is only measured, and read again should its bytes be needed.
    static constexpr size_t kKeptPartialBytes = 4096;
    // Marks the cached position of the next CR as not yet looked for in the buffer's current data.
    static constexpr size_t kUnknown = SIZE_MAX;

    char* data() { return m_buffer.data(); }

    // The first CR or LF at or after pos, or m_end. The next CR is found with memchr and kept until pos passes
    // it, so a file without CR bytes is not searched through for one at every line; then memchr looks for an
    // LF before that CR. Every byte is looked at no more than once for each of the two.
    size_t findEol(size_t pos) {
        if (m_nextCr == kUnknown || m_nextCr < pos)
            m_nextCr = find('\r', pos, m_end);
        return find('\n', pos, m_nextCr);
    }

    // The first `byte` in [from, to), or to.
    size_t find(char byte, size_t from, size_t to) {
        const void* hit = std::memchr(data() + from, byte, to - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - data()) : to;
    }

    qint64 readFully(char* into, qint64 wanted) {
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n = m_file.read(into + got, wanted - got);
            if (n < 0) {
                m_failed = true;
                return -1;
            }
            if (n == 0)
                break;
            got += n;
            m_bytesRead += n;
        }
        return got;
    }

    // Keeps the bytes from keepFrom on (moved to the front) and reads the next piece after them.
    // False at the end of the file or on a read error; the kept bytes stay in place either way.
    bool refill(size_t keepFrom) {
        const size_t kept = m_end - keepFrom;
        std::memmove(data(), data() + keepFrom, kept);
        m_bufferOffset += static_cast<qint64>(keepFrom);
        m_pos = m_end = kept;
        m_nextCr = kUnknown;
        const qint64 n = readFully(data() + kept, static_cast<qint64>(kChunk));
        if (n <= 0)
            return false;
        m_end = kept + static_cast<size_t>(n);
        return true;
    }

    QFile& m_file;
    qint64& m_bytesRead;
    std::vector<char> m_buffer;
    qint64 m_bufferOffset = 0; // file offset of the buffer's first byte
    size_t m_pos = 0;          // next byte to look at
    size_t m_end = 0;          // end of the data in the buffer
    bool m_skipLf = false;     // the last line ended with CR: an LF right after it belongs to that line end
    bool m_failed = false;
    size_t m_nextCr = kUnknown; // the first CR at or after the last position looked from, or m_end
};

// The part of a line a diagnostic quotes: the whole line up to kShownLineBytes bytes, enough for the 4096
// characters a message box shows of a line even in four-byte characters; a longer line is cut after that
// many bytes (less a character cut in two) and ends in "\u2026", as a line the box cuts does.
constexpr qint64 kShownLineBytes = 16 * 1024;

QString ShownLine(const QByteArray& prefix, qint64 lineSize) {
    if (lineSize <= kShownLineBytes)
        return QString::fromUtf8(prefix);
    qsizetype end = prefix.size();
    qsizetype start = end; // of the last character, which may lack its continuation bytes
    while (start > 0 && (static_cast<unsigned char>(prefix[start - 1]) & 0xC0) == 0x80 && end - start < 3)
        --start;
    if (start > 0) {
        const auto lead = static_cast<unsigned char>(prefix[start - 1]);
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (end - (start - 1) < length)
            end = start - 1;
    }
    return QString::fromUtf8(prefix.constData(), end) + QChar(0x2026);
}

QString Diagnostic(qint32 lPos, const QString& lCount, const QString& sBuffer, qint32 lRequiredLength) {
    return QStringLiteral("lPos = ") + QString::number(lPos) + QStringLiteral("\r\nlCount = ") + lCount +
           QStringLiteral("\r\nsBuffer = ") + sBuffer + QStringLiteral("\r\nlRequiredLength = ") +
           QString::number(lRequiredLength);
}

} // namespace

WordSource::WordSource(RandomSource& random, MessageSink& sink, QStringList dictionaryFolders)
    : m_random(random), m_sink(sink), m_folders(std::move(dictionaryFolders)) {}

qint32 WordSource::GetRnd(qint32 lMax) {
    return static_cast<qint32>(std::floor(m_random.next() * static_cast<double>(lMax)));
}

QString WordSource::dictionaryPath(const QString& folder) {
    // One left-to-right pass: "a//b" and a root folder "/" fold to a single separator.
    QString path = folder + QStringLiteral("/dict.txt");
    return path.replace(QStringLiteral("//"), QStringLiteral("/"));
}

std::optional<QString> WordSource::GetWord(qint32 lRequiredLength) {
    const qint32 lPos = GetRnd(kStartingLines);
    const auto fail = [this](const QString& text) {
        m_sink.show(Message{MessageIcon::Critical, kMessageTitle, text});
        return std::nullopt;
    };

    QString path;
    for (const QString& folder : m_folders) {
        const QString candidate = dictionaryPath(folder);
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty())
        return fail(kNotFoundText);

    QFile file(path);
    if (!OpenRegularFile(file))
        return fail(Diagnostic(lPos, QString(), QString(), lRequiredLength));

    LineReader reader(file, m_bytesRead);
    Line line;
    bool anyLine = false;
    const auto text = [&reader](const Line& l) {
        return l.bytes ? QString::fromUtf8(l.bytes, l.size) : QString::fromUtf8(reader.reread(l));
    };
    // After a failed read the buffer no longer holds the last good line, so it is read again: as much of it
    // as the message shows.
    const auto lastLine = [&] {
        return anyLine ? ShownLine(reader.reread(line, kShownLineBytes), line.size) : QString();
    };

    for (qint32 lCount = 0; lCount <= lPos; ++lCount) {
        if (!reader.next(line))
            return fail(Diagnostic(lPos, QString::number(lCount), lastLine(), lRequiredLength));
        anyLine = true;
    }

    if (lRequiredLength > 0) {
        // A line shorter in bytes than wanted is too short in characters too, and UTF-8 spends at most
        // four bytes on a character, so only lines between those bounds need a closer look.
        const qint64 fewestBytes = lRequiredLength;
        const qint64 mostBytes = 4 * fewestBytes;
        for (;;) {
            if (!reader.next(line))
                return fail(Diagnostic(lPos, QString::number(lPos + 1), lastLine(), lRequiredLength));
            if (line.size < fewestBytes || line.size > mostBytes)
                continue;
            if (text(line).size() == lRequiredLength)
                break;
        }
    }
    return text(line);
}

} // namespace tavrix
