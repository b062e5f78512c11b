// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/QSettingsStore.h"

#include <QtEndian>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

// The registry is read and written directly rather than through QSettings, whose native format keeps its
// values below Software\<organisation>\<application> and falls back to HKEY_LOCAL_MACHINE: the settings of
// this program have always lived in the user's program-settings area, one key per application and section
// and one string value per setting.

namespace tavrix {

namespace {

const QString kProgramSettings = QStringLiteral("Software\\VB and VBA Program Settings");
const QString kUserRoot = QStringLiteral("HKEY_CURRENT_USER\\");

// A registry key opened for as long as the object lives.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    HKEY* receive() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::wstring Wide(const QString& text) {
    return text.toStdWString();
}

// The text of a string value's data: UTF-16 up to the first terminating zero, if any (a value written by
// another program need not end in one).
QString StringData(const QByteArray& data) {
    const auto* units = reinterpret_cast<const char16_t*>(data.constData());
    qsizetype count = data.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        if (units[i] == 0) {
            count = i;
            break;
        }
    }
    return QString::fromUtf16(units, count);
}

// A value as text, whatever its type: a value put there by hand may be a number or an expandable string,
// and reads as the text a person would see in it (expandable strings unexpanded, numbers in decimal).
QString ValueText(DWORD type, const QByteArray& data) {
    switch (type) {
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        quint32 value = 0;
        std::memcpy(&value, data.constData(), std::min<size_t>(sizeof value, size_t(data.size())));
        if (type == REG_DWORD_BIG_ENDIAN)
            value = qFromBigEndian(value);
        return QString::number(value);
    }
    case REG_QWORD: {
        quint64 value = 0;
        std::memcpy(&value, data.constData(), std::min<size_t>(sizeof value, size_t(data.size())));
        return QString::number(value);
    }
    case REG_MULTI_SZ: {
        // The strings one per line; the decoding skips line ends like any other blank.
        QString text = StringData(data);
        const auto* units = reinterpret_cast<const char16_t*>(data.constData());
        for (qsizetype at = text.size() + 1; at < data.size() / 2 && units[at] != 0;) {
            const QString next = StringData(data.mid(at * 2));
            text += u'\n' + next;
            at += next.size() + 1;
        }
        return text;
    }
    case REG_SZ:
    case REG_EXPAND_SZ:
        return StringData(data);
    default:
        // Binary data and values without a type: their bytes as text in the system's code page.
        return QString::fromLocal8Bit(data.constData(), qstrnlen(data.constData(), data.size()));
    }
}

QString SystemErrorText(LSTATUS error) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, DWORD(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text =
        length ? QString::fromWCharArray(buffer, int(length)).trimmed() : QStringLiteral("system error %1").arg(error);
    ::LocalFree(buffer);
    return text;
}

} // namespace

QSettingsStore::QSettingsStore() : m_registryBase(kProgramSettings) {}
QSettingsStore::QSettingsStore(QString registryBase) : m_registryBase(std::move(registryBase)) {}
QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::filePath(const QString& application) {
    return kUserRoot + kProgramSettings + u'\\' + application;
}

QString QSettingsStore::sectionKey(const QString& application, const QString& section) const {
    return m_registryBase + u'\\' + application + u'\\' + section;
}

std::optional<QString> QSettingsStore::read(const QString& application, const QString& section, const QString& key) {
    OpenKey opened;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(sectionKey(application, section)).c_str(), 0, KEY_QUERY_VALUE,
                        opened.receive()) != ERROR_SUCCESS)
        return std::nullopt;
    const std::wstring name = Wide(key);
    DWORD type = REG_NONE;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, nullptr, &size);
    QByteArray data;
    // Another program may change the value between the two calls; ask again with the size it has then.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(qsizetype(size));
        status =
            ::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(qsizetype(size));
            return ValueText(type, data);
        }
    }
    return std::nullopt;
}

std::optional<ReadProblem> QSettingsStore::readProblem(const QString& application) {
    // An absent key is no problem; one this user may not read is.
    OpenKey opened;
    const QString key = m_registryBase + u'\\' + application;
    const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_QUERY_VALUE, opened.receive());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND)
        return std::nullopt;
    return ReadProblem{kUserRoot + key, SystemErrorText(status)};
}

WriteOutcome QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                                   const QString& text) {
    const QString path = sectionKey(application, section);
    const WriteOutcome failed{false, kUserRoot + path, {}};
    OpenKey opened;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, opened.receive(), nullptr) != ERROR_SUCCESS)
        return failed;
    const std::wstring data = Wide(text);
    if (::RegSetValueExW(opened.get(), Wide(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         DWORD((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        return failed;
    return {true, kUserRoot + path, {}};
}

} // namespace tavrix
