// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/IniFile.h"

#include <QStringList>

#include <array>

namespace tavrix {

namespace {

enum Trait : unsigned char { Space = 1, Special = 2 };

// What a logical line that runs to the end of the file leaves open.
enum OpenAtEnd : unsigned { OpenQuote = 1, OpenEscape = 2 };

constexpr std::array<unsigned char, 256> MakeTraits() {
    std::array<unsigned char, 256> traits{};
    traits['\t'] = Space;
    traits[' '] = Space;
    traits['\n'] = Space | Special;
    traits['\r'] = Space | Special;
    traits['"'] = Special;
    traits[';'] = Special;
    traits['='] = Special;
    traits['\\'] = Special;
    return traits;
}
constexpr std::array<unsigned char, 256> kTraits = MakeTraits();

inline unsigned char TraitOf(char c) {
    return kTraits[static_cast<unsigned char>(c)];
}

// One logical line from dataPos on: leading blanks and line ends are skipped; a line ends at a line end
// outside quotes, or before a ';' that follows other text; a ';' that starts a line makes the rest of
// that line a comment. A backslash takes the next character (a line end included) with it. Returns false
// when nothing but blanks and comments is left. openAtEnd tells what a line that runs to the end of the data
// leaves open: a quote, or an escape whose backslash is the last byte.
bool ReadLogicalLine(const char* data, qsizetype dataLen, qsizetype& dataPos, qsizetype& lineStart, qsizetype& lineLen,
                     qsizetype& equalsPos, unsigned& openAtEnd) {
    bool inQuotes = false;
    unsigned escapeAtEnd = 0;
    equalsPos = -1;
    lineStart = dataPos;
    while (lineStart < dataLen && (TraitOf(data[lineStart]) & Space))
        ++lineStart;

    qsizetype i = lineStart;
    while (i < dataLen) {
        char ch = data[i];
        while (!(TraitOf(ch) & Special)) {
            if (++i == dataLen)
                goto done;
            ch = data[i];
        }
        ++i;
        if (ch == '=') {
            if (!inQuotes && equalsPos == -1)
                equalsPos = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == lineStart + 1) {
                ++lineStart;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        } else if (ch == '\\') {
            if (i == dataLen) {
                escapeAtEnd = OpenEscape;
            } else {
                const char escaped = data[i++];
                if (i < dataLen) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else { // ';'
            if (i == lineStart + 1) {
                while (i < dataLen && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < dataLen && (TraitOf(data[i]) & Space))
                    ++i;
                lineStart = i;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        }
    }
done:
    openAtEnd = i == dataLen ? (inQuotes ? OpenQuote : 0u) | escapeAtEnd : 0u;
    dataPos = i;
    lineLen = i - lineStart;
    return lineLen > 0;
}

bool IsHexDigit(char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendCodePoint(QString& text, char32_t value) {
    text += QChar(static_cast<char16_t>(value)); // QSettings keeps the low 16 bits
}

// A value's text as QSettings turns a stored string into one: the '@' forms of other types give their
// text (empty for those that have none), "@@" stands for a leading '@'.
QString VariantText(const QString& s) {
    if (s.startsWith(u'@')) {
        if (s.endsWith(u')')) {
            if (s.startsWith(QLatin1String("@ByteArray(")))
                return s.mid(11).chopped(1);
            if (s.startsWith(QLatin1String("@String(")))
                return s.mid(8).chopped(1);
            if (s.startsWith(QLatin1String("@Variant(")) || s.startsWith(QLatin1String("@DateTime(")) ||
                s.startsWith(QLatin1String("@Rect(")) || s.startsWith(QLatin1String("@Size(")) ||
                s.startsWith(QLatin1String("@Point(")) || s == QLatin1String("@Invalid()"))
                return QString();
        }
        if (s.startsWith(QLatin1String("@@")))
            return s.mid(1);
    }
    return s;
}

QString SectionNameOf(const QByteArray& header) {
    const QByteArray name = header.trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.mid(1));
    return IniFile::unescapedKey(name);
}

} // namespace

IniFile::IniFile(QByteArray bytes) : m_bytes(std::move(bytes)) {
    parse();
}

void IniFile::parse() {
    m_bodyStart = m_bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
    m_sections.push_back(Section{QString(), m_bodyStart});
    int current = 0;
    const char* data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    qsizetype pos = m_bodyStart, lineStart = 0, lineLen = 0, equalsPos = -1;
    unsigned openAtEnd = 0;
    while (ReadLogicalLine(data, size, pos, lineStart, lineLen, equalsPos, openAtEnd)) {
        m_openAtEnd = openAtEnd;
        if (data[lineStart] == '[') {
            const QByteArray line = QByteArray::fromRawData(data + lineStart, lineLen);
            const qsizetype close = line.indexOf(']');
            if (close == -1)
                m_wellFormed = false;
            const QByteArray header = close == -1 ? line.mid(1) : line.mid(1, close - 1);
            m_sections.push_back(Section{SectionNameOf(header), lineStart + lineLen});
            current = static_cast<int>(m_sections.size()) - 1;
            m_lines.push_back(Line{lineStart, lineLen, -1, current});
            continue;
        }
        if (equalsPos == -1) {
            m_wellFormed = false;
            continue;
        }
        m_lines.push_back(Line{lineStart, lineLen, equalsPos, current});
    }
}

int IniFile::findLine(const QString& section, const QString& key) const {
    // QSettings reads the sections in the order of their names, a later definition replacing an earlier
    // one. The sections that can hold this key have names that are each other's beginnings, so the one
    // with the longest name wins, and within it the last definition. No name is longer than the section's
    // own unless the key holds a slash.
    const QString full = section.isEmpty() ? key : section + u'/' + key;
    const bool longerNames = key.contains(u'/');
    int found = -1;
    qsizetype foundNameSize = -1;
    for (auto i = static_cast<qsizetype>(m_lines.size()) - 1; i >= 0; --i) {
        const Line& line = m_lines[static_cast<size_t>(i)];
        if (line.equals < 0)
            continue;
        const QString& name = m_sections[static_cast<size_t>(line.section)].name;
        if (name.size() <= foundNameSize)
            continue;
        // Only a key in this section, or one whose own slashes reach into it, can be the one asked for.
        const bool same = name == section;
        if (!same && !name.isEmpty() && !full.startsWith(name + u'/'))
            continue;
        if (keyOf(line) == (same ? key : full.mid(name.isEmpty() ? 0 : name.size() + 1))) {
            found = static_cast<int>(i);
            foundNameSize = name.size();
            if (same && !longerNames)
                break;
        }
    }
    return found;
}

QString IniFile::keyOf(const Line& line) const {
    qsizetype keyEnd = line.equals;
    while (keyEnd > line.start && (m_bytes[keyEnd - 1] == ' ' || m_bytes[keyEnd - 1] == '\t'))
        --keyEnd;
    return unescapedKey(m_bytes.mid(line.start, keyEnd - line.start));
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const int index = findLine(section, key);
    if (index < 0)
        return std::nullopt;
    const Line& line = m_lines[static_cast<size_t>(index)];
    return unescapedValue(m_bytes.mid(line.equals + 1, line.start + line.length - line.equals - 1));
}

QByteArray IniFile::withValue(const QString& section, const QString& key, const QString& text) const {
    const QByteArray value = escapedValue(text);
    const QByteArray entry = escapedKey(key) + '=' + value;
    const int index = findLine(section, key);
    if (index >= 0) {
        // The key is written in the section it was found in, spelt from there.
        const Line& line = m_lines[static_cast<size_t>(index)];
        const qsizetype keySize = keyOf(line).size(); // the end of the full name it was found under
        const QString full = section.isEmpty() ? key : section + u'/' + key;
        QByteArray result = m_bytes;
        return result.replace(line.start, line.length, escapedKey(full.right(keySize)) + '=' + value);
    }

    // A last line that leaves a quote or an escape open at the end of the file would take in whatever
    // follows it; before anything is added there, it is closed in a way that reads as the same value (an
    // escaped blank is dropped).
    QByteArray result = m_bytes;
    const auto closeAtEnd = [&] {
        if (m_openAtEnd & OpenEscape)
            result += ' ';
        if (m_openAtEnd & OpenQuote)
            result += '"';
    };
    // The new entry on a line of its own after the line that ends at `at`. A line can end in a CR only when
    // that CR is escaped, and an LF right after it would join the escape; an escaped blank comes between.
    const auto insertAfterLine = [&](qsizetype at) {
        if (at == m_bytes.size()) {
            closeAtEnd();
            at = result.size();
        }
        const QByteArray separator = result[at - 1] == '\r' ? QByteArray("\\ \n") : QByteArray("\n");
        return result.insert(at, separator + entry);
    };

    // A new key goes after the last line of the last block of its section.
    int block = -1;
    for (int s = static_cast<int>(m_sections.size()) - 1; s >= 0 && block < 0; --s) {
        if (m_sections[static_cast<size_t>(s)].name == section && (s > 0 || section.isEmpty()))
            block = s;
    }
    if (block == 0) {
        qsizetype at = -1;
        for (const Line& line : m_lines) {
            if (line.section == 0)
                at = line.start + line.length;
        }
        if (at < 0)
            return result.insert(m_bodyStart, entry + '\n');
        return insertAfterLine(at);
    }
    if (block > 0) {
        qsizetype at = m_sections[static_cast<size_t>(block)].headerEnd;
        for (const Line& line : m_lines) {
            if (line.section == block)
                at = line.start + line.length;
        }
        return insertAfterLine(at);
    }

    closeAtEnd();
    if (result.size() > m_bodyStart) {
        if (!result.endsWith('\n'))
            result += '\n';
        result += '\n';
    }
    const QByteArray header = section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0
                                  ? QByteArray("%General")
                                  : escapedKey(section);
    return result + '[' + header + "]\n" + entry + '\n';
}

QByteArray IniFile::escapedKey(const QString& key) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray result;
    result.reserve(key.size() * 3 / 2);
    for (const QChar qc : key) {
        char16_t ch = qc.unicode();
        if (ch == '/') {
            result += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' ||
                   ch == '-' || ch == '.') {
            result += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            result += '%';
            result += kHex[ch / 16];
            result += kHex[ch % 16];
        } else {
            result += "%U";
            char code[4];
            for (int j = 3; j >= 0; --j) {
                code[j] = kHex[ch % 16];
                ch >>= 4;
            }
            result.append(code, 4);
        }
    }
    return result;
}

QString IniFile::unescapedKey(const QByteArray& raw) {
    const QString decoded = QString::fromUtf8(raw);
    const qsizetype size = decoded.size();
    QString result;
    result.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const char16_t ch = decoded.at(i).unicode();
        if (ch == '\\') {
            result += u'/';
            ++i;
            continue;
        }
        if (ch != '%' || i == size - 1) {
            result += QChar(ch);
            ++i;
            continue;
        }
        int digits = 2;
        qsizetype first = i + 1;
        if (decoded.at(i + 1) == u'U') {
            ++first;
            digits = 4;
        }
        if (first + digits > size) {
            result += u'%';
            ++i;
            continue;
        }
        bool ok = false;
        const ushort code = QStringView(decoded).mid(first, digits).toUShort(&ok, 16);
        if (!ok) {
            result += u'%';
            ++i;
            continue;
        }
        result += QChar(code);
        i = first + digits;
    }
    return result;
}

QByteArray IniFile::escapedValue(const QString& text) {
    // A text that starts with '@' would be taken for another type; QSettings doubles the '@'.
    const QString str = text.startsWith(u'@') ? u'@' + text : text;
    QByteArray result;
    result.reserve(str.size() * 3 / 2);
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    qsizetype runStart = -1; // a run of characters that go in as UTF-8
    const auto flushRun = [&](qsizetype end) {
        if (runStart >= 0) {
            result += QStringView(str).mid(runStart, end - runStart).toUtf8();
            runStart = -1;
        }
    };
    for (qsizetype i = 0; i < str.size(); ++i) {
        const char16_t ch = str.at(i).unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfDigit && IsHexDigit(ch)) {
            flushRun(i);
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfDigit = false;
        const char* escape = nullptr;
        switch (ch) {
        case '\0':
            flushRun(i);
            result += "\\0";
            escapeNextIfDigit = true;
            continue;
        case '\a':
            escape = "\\a";
            break;
        case '\b':
            escape = "\\b";
            break;
        case '\f':
            escape = "\\f";
            break;
        case '\n':
            escape = "\\n";
            break;
        case '\r':
            escape = "\\r";
            break;
        case '\t':
            escape = "\\t";
            break;
        case '\v':
            escape = "\\v";
            break;
        case '"':
            escape = "\\\"";
            break;
        case '\\':
            escape = "\\\\";
            break;
        default:
            if (ch <= 0x1F) {
                flushRun(i);
                result += "\\x" + QByteArray::number(ch, 16);
                escapeNextIfDigit = true;
            } else if (runStart < 0) {
                runStart = i;
            }
            continue;
        }
        flushRun(i);
        result += escape;
    }
    flushRun(str.size());
    if (needsQuotes || (!result.isEmpty() && (result.front() == ' ' || result.back() == ' ')))
        result = '"' + result + '"';
    return result;
}

QString IniFile::unescapedValue(const QByteArray& str) {
    static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const qsizetype n = str.size();
    QString result;
    QStringList list;
    bool isList = false;
    bool inQuotes = false;
    bool currentQuoted = false;
    bool chopAtEnd = true;
    qsizetype i = 0;
    qsizetype chopLimit = 0;

    const auto skipSpaces = [&] {
        while (i < n && (str[i] == ' ' || str[i] == '\t'))
            ++i;
        chopLimit = result.size();
    };
    const auto chopTrailingSpaces = [&] {
        while (result.size() > chopLimit && (result.back() == u' ' || result.back() == u'\t'))
            result.chop(1);
    };

    skipSpaces();
    while (i < n) {
        const char c = str[i];
        if (c == '\\') {
            ++i;
            if (i >= n) {
                chopAtEnd = false;
                break;
            }
            const char e = str[i++];
            bool known = false;
            for (const auto& code : kEscapes) {
                if (e == code[0]) {
                    result += QLatin1Char(code[1]);
                    known = true;
                    break;
                }
            }
            if (known) {
                chopLimit = result.size();
                continue;
            }
            if (e == 'x' || (e >= '0' && e <= '7')) {
                const bool hex = e == 'x';
                if (hex && (i >= n || HexValue(str[i]) < 0)) {
                    if (i >= n) {
                        chopAtEnd = false;
                        break;
                    }
                    chopLimit = result.size();
                    continue;
                }
                char32_t value = hex ? 0 : static_cast<char32_t>(e - '0');
                while (i < n && (hex ? HexValue(str[i]) >= 0 : (str[i] >= '0' && str[i] <= '7'))) {
                    value = hex ? (value << 4) + static_cast<char32_t>(HexValue(str[i]))
                                : (value << 3) + static_cast<char32_t>(str[i] - '0');
                    ++i;
                }
                AppendCodePoint(result, value);
                if (i >= n) {
                    chopAtEnd = false;
                    break;
                }
                chopLimit = result.size();
                continue;
            }
            if (e == '\n' || e == '\r') {
                if (i < n && (str[i] == '\n' || str[i] == '\r') && str[i] != e)
                    ++i;
            }
            chopLimit = result.size(); // any other escaped character is dropped
            continue;
        }
        if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipSpaces();
            continue;
        }
        if (c == ',' && !inQuotes) {
            if (!currentQuoted)
                chopTrailingSpaces();
            isList = true;
            list.append(result);
            result.clear();
            currentQuoted = false;
            ++i;
            skipSpaces();
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && str[j] != '\\' && str[j] != '"' && str[j] != ',')
            ++j;
        result += QString::fromUtf8(str.constData() + i, j - i);
        i = j;
    }
    if (chopAtEnd && !currentQuoted)
        chopTrailingSpaces();

    if (!isList)
        return VariantText(result);
    list.append(result);
    for (QString& item : list)
        item = VariantText(item);
    return list.join(u',');
}

} // namespace tavrix
