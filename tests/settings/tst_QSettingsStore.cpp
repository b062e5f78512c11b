#include "settings/QSettingsStore.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// The store runs against the real QSettings files in a temporary XDG_CONFIG_HOME. QSettings takes that
// folder once per process, so it is set before the first QSettings is made and every test works below it.
// Tests that do not depend on the program's own name use an application name of their own: QSettings
// keeps a process-wide cache per file, and separate files keep the tests from seeing each other.

namespace {

const QString kSection = QString::fromLatin1(tavrix::kSettingsSection);

} // namespace

class TestQSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void theFileIsTavrixConfBelowTheConfigHome();
    void anEmptyStoreGivesEveryDefaultAndCreatesNothing();
    void writingTheSixKeysGivesExactlyThisFile();
    void aHandEditedFileIsRead_data();
    void aHandEditedFileIsRead();
    void aWriteReachesTheFileBeforeItReturns();
    void aWriteKeepsOtherGroupsAndKeys();
    void aFileReplacedByHandIsReadAfresh();
    void aFileDeletedByHandIsCreatedAgainWithOnlyTheNewKey();
    void anUnwritableLocationIsReportedWithItsPath_data();
    void anUnwritableLocationIsReportedWithItsPath();
    void anUnparsableFileIsMovedAsideWholeAndANewOneStarted_data();
    void anUnparsableFileIsMovedAsideWholeAndANewOneStarted();
    void anEarlierFileMovedAsideIsNeverOverwritten();
    void anUnparsableFileInAReadOnlyFolderStaysAndTheWriteFails();

private:
    QString folderOf(const QString& application) const { return m_home.filePath(application); }
    QString fileOf(const QString& application) const {
        return folderOf(application) + u'/' + application + QStringLiteral(".conf");
    }
    void writeFile(const QString& application, const QByteArray& contents) const;
    QByteArray readFile(const QString& application) const;

    QTemporaryDir m_home;
    tavrix::QSettingsStore m_store;
};

void TestQSettingsStore::writeFile(const QString& application, const QByteArray& contents) const {
    QVERIFY(QDir().mkpath(folderOf(application)));
    QFile file(fileOf(application));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), qint64(contents.size()));
}

QByteArray TestQSettingsStore::readFile(const QString& application) const {
    QFile file(fileOf(application));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<no file>");
    return file.readAll();
}

void TestQSettingsStore::initTestCase() {
    QVERIFY(m_home.isValid());
    QVERIFY(qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path())));
}

void TestQSettingsStore::init() {
    // Each test starts without the program's own file.
    QVERIFY(QDir(folderOf(QStringLiteral("Tavrix"))).removeRecursively());
}

void TestQSettingsStore::theFileIsTavrixConfBelowTheConfigHome() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tavrix"),
                             QStringLiteral("Tavrix"));
    QCOMPARE(settings.fileName(), m_home.filePath(QStringLiteral("Tavrix/Tavrix.conf")));
}

void TestQSettingsStore::anEmptyStoreGivesEveryDefaultAndCreatesNothing() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    for (const tavrix::SettingDef& def : tavrix::kSettingDefs) {
        const QString dflt = QString::fromLatin1(def.defaultText) + QStringLiteral("-default");
        QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QString::fromLatin1(def.key), dflt), dflt);
    }
    QVERIFY(!QFileInfo::exists(folderOf(app)));
}

void TestQSettingsStore::writingTheSixKeysGivesExactlyThisFile() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    // A different text per key, so a key given another key's value shows.
    const char* const texts[] = {"1", "0", "2", "-1", "12", "345"};
    for (std::size_t i = 0; i < tavrix::kSettingDefs.size(); ++i) {
        const tavrix::WriteOutcome outcome = tavrix::WriteSetting(
            m_store, app, kSection, QString::fromLatin1(tavrix::kSettingDefs[i].key), QString::fromLatin1(texts[i]));
        QVERIFY(outcome.saved);
    }
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\n"
                                              "ASCII%20Mode=0\n"
                                              "Copy%20Key%20To%20Clipboard=12\n"
                                              "Generate%20On%20Change=345\n"
                                              "Generate%20On%20Startup=1\n"
                                              "Key%20Strength=2\n"
                                              "Key%20Type=-1\n"));
    for (std::size_t i = 0; i < tavrix::kSettingDefs.size(); ++i) {
        QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QString::fromLatin1(tavrix::kSettingDefs[i].key),
                                     QStringLiteral("absent")),
                 QString::fromLatin1(texts[i]));
    }
}

void TestQSettingsStore::aHandEditedFileIsRead_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "<absent>" when the default should be used

    QTest::newRow("a key with literal blanks is found")
        << QByteArray("[Settings]\nGenerate On Startup=1\n") << "Generate On Startup"
        << "1";
    QTest::newRow("a key with escaped blanks is the same key")
        << QByteArray("[Settings]\nGenerate%20On%20Startup=1\n") << "Generate On Startup"
        << "1";
    QTest::newRow("a quoted value loses its quotes") << QByteArray("[Settings]\nKey Strength=\"2\"\n") << "Key Strength"
                                                     << "2";
    QTest::newRow("a quoted value keeps its leading blank")
        << QByteArray("[Settings]\nKey Strength=\" 2\"\n") << "Key Strength"
        << " 2";
    QTest::newRow("an unquoted comma is joined back into one text")
        << QByteArray("[Settings]\nKey Type=1,5\n") << "Key Type"
        << "1,5";
    QTest::newRow("a quoted value with a comma is read whole")
        << QByteArray("[Settings]\nKey Type=\"1,5\"\n") << "Key Type"
        << "1,5";
    QTest::newRow("an empty value is the empty text, not the default")
        << QByteArray("[Settings]\nKey Type=\n") << "Key Type"
        << "";
    QTest::newRow("letters are returned as written") << QByteArray("[Settings]\nKey Type=abc\n") << "Key Type"
                                                     << "abc";
    QTest::newRow("a key in another group is not in the settings group")
        << QByteArray("[Other]\nKey Type=0\n") << "Key Type"
        << "<absent>";
    QTest::newRow("a key spelled in other capitals is another key")
        << QByteArray("[Settings]\nkey type=0\n") << "Key Type"
        << "<absent>";
    QTest::newRow("lines with carriage returns are read like plain ones")
        << QByteArray("[Settings]\r\nKey Strength=0\r\nKey Type=0\r\n") << "Key Strength"
        << "0";
}

void TestQSettingsStore::aHandEditedFileIsRead() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    // One file per row: each row's contents stand alone.
    static int row = 0;
    const QString app = QStringLiteral("HandEdited%1").arg(++row);
    writeFile(app, contents);
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, key, QStringLiteral("<absent>")), expected);
    QCOMPARE(readFile(app), contents); // reading leaves the file as it was
}

void TestQSettingsStore::aWriteReachesTheFileBeforeItReturns() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=0\n"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("1")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=1\n"));
    QVERIFY(!QFileInfo::exists(fileOf(app) + QStringLiteral(".lock")));
}

void TestQSettingsStore::aWriteKeepsOtherGroupsAndKeys() {
    const QString app = QStringLiteral("KeepsOthers");
    writeFile(app, "Version=3\n"
                   "[Other]\n"
                   "x=y\n"
                   "[Settings]\n"
                   "Key Type=1\n"
                   "Window Left=100\n"
                   "Key Strength=\"1,5\"\n");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[General]\n"
                                              "Version=3\n"
                                              "\n"
                                              "[Other]\n"
                                              "x=y\n"
                                              "\n"
                                              "[Settings]\n"
                                              "Key%20Strength=\"1,5\"\n"
                                              "Key%20Type=0\n"
                                              "Window%20Left=100\n"));
}

void TestQSettingsStore::aFileReplacedByHandIsReadAfresh() {
    const QString app = QStringLiteral("ReplacedByHand");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("0"));

    // A longer file than the one written, so the change shows in its size whatever the clock says.
    writeFile(app, "[Settings]\nKey Type=1\nKey Strength=2\n");
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("1"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("ASCII Mode"), QStringLiteral("1")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nASCII%20Mode=1\nKey%20Strength=2\nKey%20Type=1\n"));
}

void TestQSettingsStore::aFileDeletedByHandIsCreatedAgainWithOnlyTheNewKey() {
    const QString app = QStringLiteral("DeletedByHand");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QVERIFY(QDir(folderOf(app)).removeRecursively());

    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("<absent>"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("2")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Strength=2\n"));
}

void TestQSettingsStore::anUnwritableLocationIsReportedWithItsPath_data() {
    QTest::addColumn<QString>("application");
    QTest::addColumn<bool>("needsNonRoot");
    QTest::newRow("a regular file where the folder should be") << "FileForFolder" << false;
    QTest::newRow("a folder where the file should be") << "FolderForFile" << false;
    QTest::newRow("a read-only folder around an existing file") << "ReadOnlyFolder" << true;
}

void TestQSettingsStore::anUnwritableLocationIsReportedWithItsPath() {
    QFETCH(QString, application);
    QFETCH(bool, needsNonRoot);
    if (needsNonRoot && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");

    const QString folder = folderOf(application);
    const QString file = fileOf(application);
    const QByteArray before = "[Settings]\nKey Type=1\n";
    if (application == QLatin1String("FileForFolder")) {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write(before);
    } else if (application == QLatin1String("FolderForFile")) {
        QVERIFY(QDir().mkpath(file));
    } else {
        writeFile(application, before);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }

    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, application, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!outcome.saved);
    QCOMPARE(outcome.location, file);
    // Nothing else was touched.
    if (application == QLatin1String("FileForFolder")) {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::ReadOnly));
        QCOMPARE(blocker.readAll(), before);
    } else if (application == QLatin1String("FolderForFile")) {
        QVERIFY(QFileInfo(file).isDir());
        QVERIFY(QDir(file).isEmpty());
    } else {
        QCOMPARE(readFile(application), before);
    }
}

void TestQSettingsStore::anUnparsableFileIsMovedAsideWholeAndANewOneStarted_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("a stray line without an equals sign among good ones")
        << QByteArray("[Settings]\nKey Type=1\nthis line has no equals sign\n[Other]\nx=y\n");
    QTest::newRow("a section header that is never closed") << QByteArray("[Settings\nKey%20Type=1\n");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 151 + 7) % 256)); // every byte value, NUL and line ends included, no order
    binary.replace('=', '+');
    QTest::newRow("binary bytes with no key in them") << binary;
}

void TestQSettingsStore::anUnparsableFileIsMovedAsideWholeAndANewOneStarted() {
    QFETCH(QByteArray, before);
    const QString app = QStringLiteral("Unparsable");
    QFile::remove(fileOf(app) + QStringLiteral(".unreadable"));
    writeFile(app, before);

    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));

    QVERIFY(outcome.saved);
    QCOMPARE(outcome.location, fileOf(app));
    QCOMPARE(outcome.movedAside, fileOf(app) + QStringLiteral(".unreadable"));
    QFile aside(outcome.movedAside);
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), before);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=0\n"));

    // The new file is a good one: the next write goes into it and moves nothing.
    const tavrix::WriteOutcome next =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("2"));
    QVERIFY(next.saved);
    QVERIFY(next.movedAside.isEmpty());
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Strength=2\nKey%20Type=0\n"));
}

void TestQSettingsStore::anEarlierFileMovedAsideIsNeverOverwritten() {
    const QString app = QStringLiteral("MovedTwice");
    const QString first = fileOf(app) + QStringLiteral(".unreadable");
    writeFile(app, "first bad file\n");
    QCOMPARE(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).movedAside,
             first);
    writeFile(app, "second bad file\n");
    QCOMPARE(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("1")).movedAside,
             first + QStringLiteral(".2"));
    writeFile(app, "third bad file\n");
    QCOMPARE(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).movedAside,
             first + QStringLiteral(".3"));

    for (const auto& [name, contents] :
         {std::pair{first, QByteArray("first bad file\n")}, std::pair{first + ".2", QByteArray("second bad file\n")},
          std::pair{first + ".3", QByteArray("third bad file\n")}}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), contents);
    }
}

void TestQSettingsStore::anUnparsableFileInAReadOnlyFolderStaysAndTheWriteFails() {
    if (::geteuid() == 0)
        QSKIP("root renames files in read-only folders");
    const QString app = QStringLiteral("UnparsableReadOnly");
    const QByteArray before = "[Settings]\nKey Type=1\nno equals sign here\n";
    writeFile(app, before);
    QVERIFY(QFile::setPermissions(folderOf(app), QFile::ReadOwner | QFile::ExeOwner));
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    QFile::setPermissions(folderOf(app), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!outcome.saved);
    QVERIFY(outcome.movedAside.isEmpty());
    QCOMPARE(outcome.location, fileOf(app));
    QCOMPARE(readFile(app), before);
}

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_QSettingsStore.moc"
