// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "tests/support/MemorySettingsStore.h"

#include <QtTest>

using tavrix::SettingId;
using tavrix::test::MemorySettingsStore;

namespace {

const QString kApp = QString::fromLatin1(tavrix::kSettingsApplication);
const QString kSection = QString::fromLatin1(tavrix::kSettingsSection);

} // namespace

class tst_SettingsStore : public QObject {
    Q_OBJECT

private slots:
    void keyTableListsTheSixSettingsInReadOrder_data();
    void keyTableListsTheSixSettingsInReadOrder();
    void readSettingGivesStoredTextOrDefault_data();
    void readSettingGivesStoredTextOrDefault();
    void writeSettingStoresAndRecordsInOrder();
    void writeSettingReplacesEarlierText();
    void writeSettingPassesOnAFailure();
    void writesToAnotherSectionStayThere();
};

void tst_SettingsStore::keyTableListsTheSixSettingsInReadOrder_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<SettingId>("id");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultText");

    QTest::newRow("generate on startup is read first, clear by default")
        << 0 << SettingId::GenerateOnStartup << "Generate On Startup"
        << "0";
    QTest::newRow("the ascii mode is read second, random by default") << 1 << SettingId::AsciiMode << "ASCII Mode"
                                                                      << "0";
    QTest::newRow("the key strength is read third, 128-bit by default") << 2 << SettingId::KeyStrength << "Key Strength"
                                                                        << "1";
    QTest::newRow("the key type is read fourth, ascii by default") << 3 << SettingId::KeyType << "Key Type"
                                                                   << "1";
    QTest::newRow("copy key to clipboard is read fifth, clear by default")
        << 4 << SettingId::CopyKeyToClipboard << "Copy Key To Clipboard"
        << "0";
    QTest::newRow("generate on change is read last, clear by default")
        << 5 << SettingId::GenerateOnChange << "Generate On Change"
        << "0";
}

void tst_SettingsStore::keyTableListsTheSixSettingsInReadOrder() {
    QFETCH(int, position);
    QFETCH(SettingId, id);
    QFETCH(QString, key);
    QFETCH(QString, defaultText);

    QCOMPARE(tavrix::kSettingDefs.size(), std::size_t(6));
    const tavrix::SettingDef& def = tavrix::kSettingDefs[std::size_t(position)];
    QCOMPARE(def.id, id);
    QCOMPARE(QString::fromLatin1(def.key), key);
    QCOMPARE(QString::fromLatin1(def.defaultText), defaultText);
    QCOMPARE(&tavrix::SettingDefOf(id), &def);
}

void tst_SettingsStore::readSettingGivesStoredTextOrDefault_data() {
    QTest::addColumn<QString>("storedKey"); // empty: nothing stored
    QTest::addColumn<QString>("storedText");
    QTest::addColumn<QString>("application");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("expected");

    QTest::newRow("an absent key gives the default") << QString() << QString() << kApp << kSection << "dflt";
    QTest::newRow("a stored text is returned as stored, not decoded") << "Key Strength"
                                                                      << " 2" << kApp << kSection << " 2";
    QTest::newRow("a stored empty text is returned instead of the default") << "Key Strength"
                                                                            << "" << kApp << kSection << "";
    QTest::newRow("another key's text is not returned") << "Key Type"
                                                        << "0" << kApp << kSection << "dflt";
    QTest::newRow("another application gives the default") << "Key Strength"
                                                           << "2"
                                                           << "Other" << kSection << "dflt";
    QTest::newRow("another section gives the default") << "Key Strength"
                                                       << "2" << kApp << "Other"
                                                       << "dflt";
}

void tst_SettingsStore::readSettingGivesStoredTextOrDefault() {
    QFETCH(QString, storedKey);
    QFETCH(QString, storedText);
    QFETCH(QString, application);
    QFETCH(QString, section);
    QFETCH(QString, expected);

    MemorySettingsStore store;
    if (!storedKey.isEmpty())
        store.set(storedKey, storedText);
    QCOMPARE(tavrix::ReadSetting(store, application, section, QStringLiteral("Key Strength"), QStringLiteral("dflt")),
             expected);
    QVERIFY(store.writes().isEmpty()); // reading creates nothing
}

void tst_SettingsStore::writeSettingStoresAndRecordsInOrder() {
    MemorySettingsStore store;
    int observed = 0;
    store.setObserver([&observed] { return QString::number(++observed); });

    QVERIFY(tavrix::WriteSetting(store, kApp, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QVERIFY(tavrix::WriteSetting(store, kApp, kSection, QStringLiteral("ASCII Mode"), QStringLiteral("1")).saved);

    QCOMPARE(store.writes().size(), 2);
    QCOMPARE(store.writes()[0].key, QStringLiteral("Key Type"));
    QCOMPARE(store.writes()[0].text, QStringLiteral("0"));
    QCOMPARE(store.writes()[0].note, QStringLiteral("1"));
    QCOMPARE(store.writes()[1].key, QStringLiteral("ASCII Mode"));
    QCOMPARE(store.writes()[1].text, QStringLiteral("1"));
    QCOMPARE(store.writes()[1].note, QStringLiteral("2"));
    QCOMPARE(tavrix::ReadSetting(store, kApp, kSection, QStringLiteral("Key Type"), QStringLiteral("1")),
             QStringLiteral("0"));
    QCOMPARE(store.values().size(), 2);

    store.clearWrites();
    QVERIFY(store.writes().isEmpty());
    QCOMPARE(store.values().size(), 2);
}

void tst_SettingsStore::writeSettingReplacesEarlierText() {
    MemorySettingsStore store;
    store.set(QStringLiteral("Key Strength"), QStringLiteral(" 2"));
    tavrix::WriteSetting(store, kApp, kSection, QStringLiteral("Key Strength"), QStringLiteral("2"));
    tavrix::WriteSetting(store, kApp, kSection, QStringLiteral("Key Strength"), QStringLiteral("0"));
    QCOMPARE(store.values().value(QStringLiteral("Key Strength")), QStringLiteral("0"));
    QCOMPARE(store.writes().size(), 2);
}

void tst_SettingsStore::writeSettingPassesOnAFailure() {
    MemorySettingsStore store;
    store.set(QStringLiteral("Key Type"), QStringLiteral("1"));
    store.setFailWrites(true);

    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(store, kApp, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    QVERIFY(!outcome.saved);
    QVERIFY(!outcome.location.isEmpty());
    QCOMPARE(store.writes().size(), 1); // the attempt is recorded
    QCOMPARE(store.values().value(QStringLiteral("Key Type")), QStringLiteral("1"));
}

void tst_SettingsStore::writesToAnotherSectionStayThere() {
    MemorySettingsStore store;
    QVERIFY(tavrix::WriteSetting(store, kApp, QStringLiteral("Other"), QStringLiteral("Key Type"), QStringLiteral("0"))
                .saved);
    QVERIFY(store.values().isEmpty());
    QCOMPARE(tavrix::ReadSetting(store, kApp, QStringLiteral("Other"), QStringLiteral("Key Type"), QStringLiteral("1")),
             QStringLiteral("0"));
    QCOMPARE(tavrix::ReadSetting(store, kApp, kSection, QStringLiteral("Key Type"), QStringLiteral("1")),
             QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
