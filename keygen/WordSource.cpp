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
#include <cstdint>
#include <cstring>
#include <vector>

namespace tavrix {

namespace {

// One line as LineReader found it: where it starts in the file and how many bytes it has, line end
// excluded. bytes points into the reader's buffer and stays valid until the next call of next(); it is
// null for a line that outgrew the buffer, whose bytes can be fetched again with reread().
struct Line {
    qint64 offset = 0;
    qint64 size = 0;
    const char* bytes = nullptr;
};

// Reads dict.txt line by line in pieces of WordSource::kReadChunkBytes, for GetWord and drawableLines
// alike. A line ends at CR LF, and also at a lone LF or a lone CR, so a file written with any of the
// three conventions reads the same; a line end at the very end of the file does not start another (empty)
// line. Every byte is looked at once, and no further piece is read than the one holding the line's end.
class LineReader {
public:
    // bytesRead grows by every byte read from the file.
    LineReader(QFile& file, qint64& bytesRead)
        : m_file(file), m_bytesRead(bytesRead), m_buffer(kKeptPartialBytes + WordSource::kReadChunkBytes + 8, '\n') {}

    // False at the end of the file, and when reading fails (failed() then says so).
    bool next(Line& line) {
        if (m_skipLf) {
            m_skipLf = false;
            if (m_pos == m_end && !refill(m_end))
                return false;
            if (m_buffer[m_pos] == '\n')
                ++m_pos;
        }
        if (m_pos == m_end && !refill(m_end))
            return false;

        size_t start = m_pos;
        const qint64 offset = m_bufferOffset + static_cast<qint64>(start);
        qint64 dropped = 0; // bytes of this line no longer in the buffer
        for (;;) {
            // Line ends are below 0x0E, and so is the LF kept after the data, which stops the scan there. Eight
            // bytes are passed over at once while none of them is below 0x0E (the test is exact for any byte
            // order), then the byte below 0x0E is found one byte at a time.
            const char* p = m_buffer.data() + m_pos;
            for (std::uint64_t w;; p += 8) {
                std::memcpy(&w, p, 8);
                if ((w - 0x0E0E0E0E0E0E0E0Eu) & ~w & 0x8080808080808080u)
                    break;
            }
            while (static_cast<unsigned char>(*p) > '\r')
                ++p;
            const auto at = static_cast<size_t>(p - m_buffer.data());
            m_pos = at + 1;
            if (at < m_end) {
                if (*p != '\n' && *p != '\r')
                    continue; // another control character
                const auto size = dropped + static_cast<qint64>(at - start);
                line = Line{offset, size, dropped == 0 ? m_buffer.data() + start : nullptr};
                m_skipLf = *p == '\r';
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
                line = Line{offset, dropped + static_cast<qint64>(m_end), keep ? m_buffer.data() : nullptr};
                return true;
            }
            start = 0;
        }
    }

    bool failed() const { return m_failed; }

    // The bytes of a line, at most the first `most` of them, read again from the file (also after next() has
    // overwritten the buffer); the reading position is left where it was.
    QByteArray reread(const Line& line, qint64 most) {
        const qint64 wanted = std::min(line.size, most);
        const qint64 resume = m_file.pos();
        QByteArray bytes;
        if (m_file.seek(line.offset)) {
            bytes.resize(wanted);
            if (readFully(bytes.data(), wanted) != wanted)
                bytes.clear();
        }
        m_file.seek(resume);
        return bytes;
    }

    // The line decoded from UTF-8.
    QString text(const Line& line) {
        return line.bytes ? QString::fromUtf8(line.bytes, line.size) : QString::fromUtf8(reread(line, line.size));
    }

private:
    // An unfinished line at most this long is moved to the front of the buffer before the next piece is
    // read; a longer one is only measured, and read again should its bytes be needed.
    static constexpr size_t kKeptPartialBytes = 4096;

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
    // False at the end of the file or on a read error; the kept bytes stay in place either way. Not inlined:
    // in next() it slows the scan of every line down by about a tenth.
    Q_NEVER_INLINE bool refill(size_t keepFrom) {
        const size_t kept = m_end - keepFrom;
        std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, kept);
        m_bufferOffset += static_cast<qint64>(keepFrom);
        m_pos = m_end = kept;
        const qint64 n = readFully(m_buffer.data() + kept, WordSource::kReadChunkBytes);
        if (n > 0)
            m_end = kept + static_cast<size_t>(n);
        m_buffer[m_end] = '\n';
        return n > 0;
    }

    QFile& m_file;
    qint64& m_bytesRead;
    std::vector<char> m_buffer; // the data, then an LF that ends the scan and room for an 8-byte read
    qint64 m_bufferOffset = 0;  // file offset of the buffer's first byte
    size_t m_pos = 0;           // next byte to look at
    size_t m_end = 0;           // end of the data in the buffer
    bool m_skipLf = false;      // the last line ended with CR: an LF right after it belongs to that line end
    bool m_failed = false;
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
    return QStringLiteral("lPos = %1\r\nlCount = %2\r\nsBuffer = %3\r\nlRequiredLength = %4")
        .arg(QString::number(lPos), lCount, sBuffer, QString::number(lRequiredLength));
}

} // namespace

WordSource::WordSource(RandomSource& random, MessageSink& sink, QStringList dictionaryFolders)
    : m_random(random), m_sink(sink), m_folders(std::move(dictionaryFolders)) {}

qint32 WordSource::GetRnd(qint32 lMax) {
    return static_cast<qint32>(std::floor(m_random.next() * static_cast<double>(lMax)));
}

QString WordSource::dictionaryPath(const QString& folder) {
    // Only the separator the joining would double is left out: the rest of the folder stays as it is, so a
    // network share's "//server/share" keeps its leading pair.
    const bool endsInSeparator = folder.endsWith(u'/') || folder.endsWith(u'\\');
    return folder + (endsInSeparator ? QStringLiteral("dict.txt") : QStringLiteral("/dict.txt"));
}

QString WordSource::findDictionary(const QStringList& folders) {
    const auto found = std::find_if(folders.begin(), folders.end(),
                                    [](const QString& folder) { return QFileInfo::exists(dictionaryPath(folder)); });
    return found == folders.end() ? QString() : dictionaryPath(*found);
}

std::optional<QStringList> WordSource::drawableLines(const QString& path, std::set<qint32> lengths) {
    QFile file(path);
    if (!OpenRegularFile(file))
        return std::nullopt;

    QStringList lines;
    qint64 bytesRead = 0;
    LineReader reader(file, bytesRead);
    Line line;
    while ((lines.size() < kStartingLines || !lengths.empty()) && reader.next(line)) {
        if (lines.size() < kStartingLines) {
            lines.append(reader.text(line));
        } else if (line.size >= *lengths.begin() && line.size <= 3 * qint64(*lengths.rbegin())) {
            // In UTF-16 a line has at most one unit per byte and at least one per three bytes. (Past the
            // starting lines the loop goes on only while some length is wanted.)
            QString text = reader.text(line);
            if (lengths.erase(qint32(text.size())) > 0)
                lines.append(std::move(text));
        }
    }
    if (reader.failed())
        return std::nullopt;
    return lines;
}

std::optional<QString> WordSource::GetWord(qint32 lRequiredLength) {
    const qint32 lPos = GetRnd(kStartingLines);
    const auto fail = [this](const QString& text) {
        m_sink.show(Message{MessageIcon::Critical, QStringLiteral("GetWord() Error.."), text});
        return std::nullopt;
    };

    const QString path = findDictionary(m_folders);
    if (path.isEmpty())
        return fail(QStringLiteral("Couldn't find dict.txt - it is required for ASCII Dictionary generation!"));

    QFile file(path);
    if (!OpenRegularFile(file))
        return fail(Diagnostic(lPos, QString(), QString(), lRequiredLength));

    LineReader reader(file, m_bytesRead);
    Line line; // until a line is read: an empty one, which reads back as empty
    // After a failed read the buffer no longer holds the last good line, so it is read again: as much of it
    // as the message shows.
    const auto lastLine = [&] { return ShownLine(reader.reread(line, kShownLineBytes), line.size); };

    for (qint32 lCount = 0; lCount <= lPos; ++lCount) {
        if (!reader.next(line))
            return fail(Diagnostic(lPos, QString::number(lCount), lastLine(), lRequiredLength));
    }

    // A line shorter in bytes than wanted is too short in characters too, and UTF-8 spends at most four
    // bytes on a character, so only lines between those bounds need a closer look.
    if (lRequiredLength > 0) {
        do {
            if (!reader.next(line))
                return fail(Diagnostic(lPos, QString::number(lPos + 1), lastLine(), lRequiredLength));
        } while (line.size < lRequiredLength || line.size > 4 * qint64(lRequiredLength) ||
                 reader.text(line).size() != lRequiredLength);
    }
    return reader.text(line);
}

} // namespace tavrix
