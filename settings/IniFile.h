// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tavrix {

// A settings file in the INI form that QSettings reads and writes on Linux, kept as its bytes.
//
// Lookups read the file the way QSettings does: logical lines (a quoted value may run over line ends, a
// ';' starts a comment), "[Section]" headers with %-escaped names ("General" for keys outside any
// section), %-escaped keys, and values with quotes, backslash escapes and unquoted commas that make a
// list. An edit replaces only the bytes of the one setting it changes, or adds one line, so keys,
// sections, comments and layout the program does not know stay exactly as they were.
class IniFile {
public:
    explicit IniFile(QByteArray bytes = {});

    const QByteArray& bytes() const { return m_bytes; }

    // False when QSettings would report a format error: a section header without its ']', or a line that
    // is neither a header, a key=value pair nor a comment.
    bool wellFormed() const { return m_wellFormed; }

    // The text of section/key as QSettings gives it (a list joined back with ','), or nothing when absent.
    // As for QSettings, a later definition of the same key wins, and a key in the section itself wins
    // over one that reaches into it from a section with a shorter name (a "Settings\k" line in "[General]").
    std::optional<QString> value(const QString& section, const QString& key) const;

    // The file's bytes with section/key set to text, written as QSettings writes it, where the key was
    // found; a new key goes after the last line of its section, or into a new section at the end.
    QByteArray withValue(const QString& section, const QString& key, const QString& text) const;

    // The forms QSettings writes.
    static QByteArray escapedKey(const QString& key);
    static QByteArray escapedValue(const QString& text);
    // The text of a raw value as QSettings reads it.
    static QString unescapedValue(const QByteArray& raw);
    static QString unescapedKey(const QByteArray& raw);

private:
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype equals = -1; // offset in the file of the '=' that ends the key, -1 for a header
        int section = -1;      // index into m_sections
    };
    struct Section {
        QString name;            // as a group name: empty for the keys outside any section
        qsizetype headerEnd = 0; // where the header line ends (0 for the implicit first section)
    };

    void parse();
    // The line that defines section/key for QSettings, or -1.
    int findLine(const QString& section, const QString& key) const;
    // The key of a key line, unescaped, relative to its section.
    QString keyOf(const Line& line) const;

    QByteArray m_bytes;
    qsizetype m_bodyStart = 0; // after a UTF-8 byte order mark
    bool m_wellFormed = true;
    unsigned m_openAtEnd = 0; // what the last line leaves open at the end of the file: a quote, an escape
    std::vector<Section> m_sections;
    std::vector<Line> m_lines; // key lines and section headers, in file order
};

} // namespace tavrix
