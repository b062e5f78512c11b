// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/QSettingsStore.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QUuid>
#include <QtTest>

#include <windows.h>

// The registry store, each test below a key of its own under HKEY_CURRENT_USER\Software\Tavrix tests, never
// the user's program-settings area.

namespace {

const QString kApplication = QStringLiteral("Tavrix");
const QString kSection = QStringLiteral("Settings");

std::wstring Wide(const QString& text) {
    return text.toStdWString();
}

// The type and data of a value, or nothing when it is absent.
std::optional<std::pair<DWORD, QByteArray>> RawValue(const QString& key, const QString& name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    QByteArray data;
    LSTATUS status = ::RegQueryValueExW(opened, Wide(name).c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data.resize(qsizetype(size));
        status =
            ::RegQueryValueExW(opened, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    ::RegCloseKey(opened);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return std::make_pair(type, data);
}

int ValueCount(const QString& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    ::RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(opened);
    return int(values);
}

bool KeyExists(const QString& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

QByteArray Utf16Z(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

void SetRawValue(const QString& key, const QString& name, DWORD type, const QByteArray& data) {
    HKEY created = nullptr;
    QCOMPARE(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                               nullptr),
             LSTATUS(ERROR_SUCCESS));
    QCOMPARE(::RegSetValueExW(created, Wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.constData()),
                              DWORD(data.size())),
             LSTATUS(ERROR_SUCCESS));
    ::RegCloseKey(created);
}

} // namespace

class tst_QSettingsStore_win : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_base = QStringLiteral("Software\\Tavrix tests\\") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
    void cleanup() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(m_base).c_str()); }

    void theProgramsStoreIsTheUsersProgramSettingsArea() {
        QCOMPARE(tavrix::QSettingsStore::filePath(kApplication),
                 QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Tavrix"));
    }

    void eachKeyIsAStringValueNamedAsTheKey() {
        tavrix::QSettingsStore store(m_base);
        for (const tavrix::SettingDef& def : tavrix::kSettingDefs) {
            const tavrix::WriteOutcome outcome =
                tavrix::WriteSetting(store, kApplication, kSection, QString::fromLatin1(def.key), QStringLiteral("2"));
            QVERIFY(outcome.saved);
            QCOMPARE(outcome.location, QStringLiteral("HKEY_CURRENT_USER\\") + sectionKey());
        }
        QCOMPARE(ValueCount(sectionKey()), int(std::size(tavrix::kSettingDefs)));
        for (const tavrix::SettingDef& def : tavrix::kSettingDefs) {
            const auto raw = RawValue(sectionKey(), QString::fromLatin1(def.key));
            QVERIFY2(raw, def.key);
            QCOMPARE(raw->first, DWORD(REG_SZ));
            QCOMPARE(raw->second, Utf16Z(QStringLiteral("2")));
        }
        // A later write replaces the text.
        QVERIFY(
            tavrix::WriteSetting(store, kApplication, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
        QCOMPARE(RawValue(sectionKey(), QStringLiteral("Key Type"))->second, Utf16Z(QStringLiteral("0")));
    }

    void anAbsentValueGivesTheDefaultAndCreatesNothing_data() {
        QTest::addColumn<bool>("sectionExists");
        QTest::newRow("no key for the application") << false;
        QTest::newRow("the section without that value") << true;
    }
    void anAbsentValueGivesTheDefaultAndCreatesNothing() {
        QFETCH(bool, sectionExists);
        if (sectionExists)
            SetRawValue(sectionKey(), QStringLiteral("Other"), REG_SZ, Utf16Z(QStringLiteral("1")));
        tavrix::QSettingsStore store(m_base);
        QCOMPARE(
            tavrix::ReadSetting(store, kApplication, kSection, QStringLiteral("Key Strength"), QStringLiteral("1")),
            QStringLiteral("1"));
        QVERIFY(!store.readProblem(kApplication));
        QCOMPARE(KeyExists(m_base + QStringLiteral("\\Tavrix")), sectionExists);
        QCOMPARE(ValueCount(sectionKey()), sectionExists ? 1 : -1);
    }

    void aValueMadeByHandReadsAsItsText_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        const auto dword = [](quint32 value) { return QByteArray(reinterpret_cast<const char*>(&value), 4); };
        const auto qword = [](quint64 value) { return QByteArray(reinterpret_cast<const char*>(&value), 8); };
        QTest::newRow("a string keeps its blanks") << int(REG_SZ) << Utf16Z(QStringLiteral(" 2")) << " 2";
        QTest::newRow("a string without its terminating zero") << int(REG_SZ) << QByteArray("2\0", 2) << "2";
        QTest::newRow("a DWORD reads as its decimal text") << int(REG_DWORD) << dword(1) << "1";
        QTest::newRow("a large DWORD is not negative") << int(REG_DWORD) << dword(4294967295u) << "4294967295";
        QTest::newRow("a QWORD reads as its decimal text") << int(REG_QWORD) << qword(2) << "2";
        QTest::newRow("an expandable string is not expanded")
            << int(REG_EXPAND_SZ) << Utf16Z(QStringLiteral("%SystemRoot%1")) << "%SystemRoot%1";
        QTest::newRow("a multi-string gives its strings one per line") << int(REG_MULTI_SZ)
                                                                       << QByteArray("1\0\0\0"
                                                                                     "2\0\0\0\0\0",
                                                                                     10)
                                                                       << "1\n2";
        QTest::newRow("an empty string is an empty text") << int(REG_SZ) << QByteArray() << "";
    }
    void aValueMadeByHandReadsAsItsText() {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        SetRawValue(sectionKey(), QStringLiteral("Key Strength"), DWORD(type), data);
        tavrix::QSettingsStore store(m_base);
        QCOMPARE(
            tavrix::ReadSetting(store, kApplication, kSection, QStringLiteral("Key Strength"), QStringLiteral("x")),
            text);
    }

    // Below a volatile key the system refuses to create the lasting keys of the store.
    void aFailedWriteIsReportedWithTheKey() {
        HKEY root = nullptr;
        QCOMPARE(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(m_base).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &root, nullptr),
                 LSTATUS(ERROR_SUCCESS));
        ::RegCloseKey(root);
        tavrix::QSettingsStore store(m_base);
        const tavrix::WriteOutcome outcome =
            tavrix::WriteSetting(store, kApplication, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
        QVERIFY(!outcome.saved);
        QCOMPARE(outcome.location, QStringLiteral("HKEY_CURRENT_USER\\") + sectionKey());
        QVERIFY(!store.read(kApplication, kSection, QStringLiteral("Key Type")));
    }

private:
    QString sectionKey() const { return m_base + QStringLiteral("\\Tavrix\\Settings"); }

    QString m_base;
};

QTEST_GUILESS_MAIN(tst_QSettingsStore_win)
#include "tst_QSettingsStore_win.moc"
