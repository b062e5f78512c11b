#include "keygen/WordSource.h"

#include "keygen/RandomSource.h"
#include "keygen/RegularFile.h"
#include "shell/MessageSink.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavrix {

namespace {

const QString kMessageTitle = QStringLiteral("GetWord() Error..");
const QString kNotFoundText =
    QStringLiteral("Couldn't find dict.txt - it is required for ASCII Dictionary generation!");

// Each bit of the result stands for one of the 16 bytes at p: set when the byte is a CR or an LF
// (eolMask), or when it is not ASCII (highMask).
#if defined(__SSE2__)
inline unsigned eolMask(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')))));
}
inline unsigned highMask(const char* p) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
}
#else
inline unsigned eolMask(const char* p) {
    unsigned mask = 0;
    for (unsigned i = 0; i < 16; ++i)
        mask |= unsigned(p[i] == '\n' || p[i] == '\r') << i;
    return mask;
}
inline unsigned highMask(const char* p) {
    unsigned mask = 0;
    for (unsigned i = 0; i < 16; ++i)
        mask |= unsigned((static_cast<unsigned char>(p[i]) & 0x80) != 0) << i;
    return mask;
}
#endif

inline unsigned lowestBit(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctz(mask));
#else
    unsigned i = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++i;
    }
    return i;
#endif
}

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
        : m_file(file), m_bytesRead(bytesRead), m_buffer(kKeptPartialBytes + kChunk + kPadding, '\0') {}

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

    // Whether a line still in the buffer is pure ASCII, so that its byte count is its length.
    bool isAscii(const Line& line) {
        const auto start = static_cast<size_t>(line.bytes - data());
        const size_t end = start + static_cast<size_t>(line.size);
        if (start < m_highFrom || m_nextHigh < start) {
            m_highFrom = start;
            m_nextHigh = findHigh(start);
        }
        return m_nextHigh >= end;
    }

    // The bytes of a line, read again from the file; the reading position is left where it was.
    QByteArray reread(const Line& line) {
        const qint64 resume = m_file.pos();
        QByteArray bytes;
        if (m_file.seek(line.offset)) {
            bytes.resize(line.size);
            if (readFully(bytes.data(), line.size) != line.size)
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
    // The 16-byte scans may look past the data, never past the buffer.
    static constexpr size_t kPadding = 16;

    char* data() { return m_buffer.data(); }

    size_t findEol(size_t pos) const {
        for (; pos < m_end; pos += 16) {
            if (const unsigned mask = eolMask(m_buffer.data() + pos))
                return std::min(pos + lowestBit(mask), m_end);
        }
        return m_end;
    }

    size_t findHigh(size_t pos) const {
        for (; pos < m_end; pos += 16) {
            if (const unsigned mask = highMask(m_buffer.data() + pos))
                return std::min(pos + lowestBit(mask), m_end);
        }
        return m_end;
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
        m_highFrom = SIZE_MAX;
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
    size_t m_highFrom = SIZE_MAX; // m_nextHigh is the first non-ASCII byte at or after m_highFrom
    size_t m_nextHigh = 0;
};

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

QString WordSource::DictionaryPath(const QString& folder) {
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
        const QString candidate = DictionaryPath(folder);
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
    // After a failed read the buffer no longer holds the last good line, so it is read again.
    const auto lastLine = [&] { return anyLine ? QString::fromUtf8(reader.reread(line)) : QString(); };

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
            if ((line.bytes && reader.isAscii(line)) ? line.size == fewestBytes : text(line).size() == lRequiredLength)
                break;
        }
    }
    return text(line);
}

} // namespace tavrix
