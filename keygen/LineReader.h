// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "keygen/WordSource.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tavrix {

// One line as LineReader found it: where it starts in the file and how many bytes it has, line end
// excluded. bytes points into the reader's buffer and stays valid until the next call of next(); it is
// null for a line that outgrew the buffer, whose bytes can be fetched again with reread().
struct Line {
    qint64 offset = 0;
    qint64 size = 0;
    const char* bytes = nullptr;
};

// Reads dict.txt line by line in pieces of WordSource::kReadChunkBytes, for GetWord and for the strength
// measure alike. A line ends at CR LF, and also at a lone LF or a lone CR, so a file written with any of the
// three conventions reads the same; a line end at the very end of the file does not start another (empty)
// line. Every byte is looked at once, and no further piece is read than the one holding the line's end.
class LineReader {
public:
    // bytesRead grows by every byte read from the file.
    LineReader(QFile& file, qint64& bytesRead);

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
    QByteArray reread(const Line& line, qint64 most);
    // The line decoded from UTF-8.
    QString text(const Line& line);

private:
    static constexpr size_t kChunk = static_cast<size_t>(WordSource::kReadChunkBytes);
    // An unfinished line at most this long is moved to the front of the buffer before the next piece is
    // read; a longer one is only measured, and read again should its bytes be needed.
    static constexpr size_t kKeptPartialBytes = 4096;

    qint64 readFully(char* into, qint64 wanted);
    // Keeps the bytes from keepFrom on (moved to the front) and reads the next piece after them.
    // False at the end of the file or on a read error; the kept bytes stay in place either way.
    bool refill(size_t keepFrom);

    QFile& m_file;
    qint64& m_bytesRead;
    std::vector<char> m_buffer; // the data, then an LF that ends the scan and room for an 8-byte read
    qint64 m_bufferOffset = 0;  // file offset of the buffer's first byte
    size_t m_pos = 0;           // next byte to look at
    size_t m_end = 0;           // end of the data in the buffer
    bool m_skipLf = false;      // the last line ended with CR: an LF right after it belongs to that line end
    bool m_failed = false;
};

} // namespace tavrix
