// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/LineReader.h"

#include <algorithm>

namespace tavrix {

LineReader::LineReader(QFile& file, qint64& bytesRead)
    : m_file(file), m_bytesRead(bytesRead), m_buffer(kKeptPartialBytes + kChunk + 8, '\n') {}

QByteArray LineReader::reread(const Line& line, qint64 most) {
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

QString LineReader::text(const Line& line) {
    return line.bytes ? QString::fromUtf8(line.bytes, line.size) : QString::fromUtf8(reread(line, line.size));
}

qint64 LineReader::readFully(char* into, qint64 wanted) {
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

bool LineReader::refill(size_t keepFrom) {
    const size_t kept = m_end - keepFrom;
    std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, kept);
    m_bufferOffset += static_cast<qint64>(keepFrom);
    m_pos = m_end = kept;
    const qint64 n = readFully(m_buffer.data() + kept, static_cast<qint64>(kChunk));
    if (n > 0)
        m_end = kept + static_cast<size_t>(n);
    m_buffer[m_end] = '\n';
    return n > 0;
}

} // namespace tavrix
