// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/WordSource.h"

#include "common/MessageSink.h"
#include "common/RegularFile.h"
#include "keygen/LineReader.h"
#include "keygen/RandomSource.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace tavrix {

namespace {

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

QString WordSource::findDictionary(const QStringList& folders) {
    for (const QString& folder : folders) {
        if (QFileInfo::exists(dictionaryPath(folder)))
            return dictionaryPath(folder);
    }
    return QString();
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
