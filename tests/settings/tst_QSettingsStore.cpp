// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/QSettingsStore.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "tests/support/PipeReaderWatch.h"
#include "tests/support/UnprivilegedRun.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// The store runs against the real QSettings files in a temporary XDG_CONFIG_HOME. QSettings takes that
// folder once per process, so it is set before the first QSettings is made and every test works below it.
// Tests that do not depend on the program's own name use an application name of their own: QSettings
// keeps a process-wide cache per file, and separate files keep the tests from seeing each other.

namespace {

const QString kSection = QString::fromLatin1(tavrix::kSettingsSection);

std::atomic<bool> g_syncFails{false};

} // namespace

// Every fsync of this program comes here, so that a row can have the disk refuse to sync.
extern "C" int fsync(int fd) {
    if (g_syncFails) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

class tst_QSettingsStore : public QObject {
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
    void aFailedRenameOfAnUnparsableFileLeavesItWhole();
    void aWriteThatFailsPartWayLeavesTheFileByteForByte_data();
    void aWriteThatFailsPartWayLeavesTheFileByteForByte();
    void aSettingsFileThatIsNoRegularFileIsNeverOpened_data();
    void aSettingsFileThatIsNoRegularFileIsNeverOpened();
    void readingSixKeysAndWritingThreeOpensTheFileOnce();
    void aFileTheUserMayNotReadIsReportedAndNeverWritten();
    void aLinkToARegularFileIsWrittenThroughAndStays();
    void administratorsFilesAreReadBelowTheUsersAndNeverWritten_data();
    void administratorsFilesAreReadBelowTheUsersAndNeverWritten();
    void withoutXdgConfigDirsAdministratorsFilesAreInEtcXdg();
    void aLockFileInTheWayIsWaitedForOrCleared_data();
    void aLockFileInTheWayIsWaitedForOrCleared();
    void ownerGroupAndModeSurviveAWrite_data();
    void ownerGroupAndModeSurviveAWrite();

private:
    QString folderOf(const QString& application) const { return m_home.filePath(application); }
    QString fileOf(const QString& application) const {
        return folderOf(application) + u'/' + application + QStringLiteral(".conf");
    }
    void writeFile(const QString& application, const QByteArray& contents) const;
    QByteArray readFile(const QString& application) const;

    QTemporaryDir m_home;
    QTemporaryDir m_system; // the folders of XDG_CONFIG_DIRS: "first" and "second"
    tavrix::QSettingsStore m_store;
};

void tst_QSettingsStore::writeFile(const QString& application, const QByteArray& contents) const {
    QVERIFY(QDir().mkpath(folderOf(application)));
    QFile file(fileOf(application));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), qint64(contents.size()));
}

QByteArray tst_QSettingsStore::readFile(const QString& application) const {
    QFile file(fileOf(application));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<no file>");
    return file.readAll();
}

void tst_QSettingsStore::initTestCase() {
    QVERIFY(m_home.isValid());
    QVERIFY(qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path())));
    QVERIFY(m_system.isValid());
    // A relative entry is no folder of administrators' files.
    QVERIFY(qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_system.filePath(QStringLiteral("first")) +
                                                         ":relative:" + m_system.filePath(QStringLiteral("second")))));
}

void tst_QSettingsStore::init() {
    // Each test starts without the program's own file.
    QVERIFY(QDir(folderOf(QStringLiteral("Tavrix"))).removeRecursively());
}

void tst_QSettingsStore::theFileIsTavrixConfBelowTheConfigHome() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tavrix"),
                             QStringLiteral("Tavrix"));
    QCOMPARE(settings.fileName(), m_home.filePath(QStringLiteral("Tavrix/Tavrix.conf")));
    QCOMPARE(tavrix::QSettingsStore::filePath(QStringLiteral("Tavrix")), settings.fileName());
}

void tst_QSettingsStore::anEmptyStoreGivesEveryDefaultAndCreatesNothing() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    for (const tavrix::SettingDef& def : tavrix::kSettingDefs) {
        const QString dflt = QString::fromLatin1(def.defaultText) + QStringLiteral("-default");
        QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QString::fromLatin1(def.key), dflt), dflt);
    }
    QVERIFY(!QFileInfo::exists(folderOf(app)));
}

void tst_QSettingsStore::writingTheSixKeysGivesExactlyThisFile() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    // A different text per key, so a key given another key's value shows.
    const char* const texts[] = {"1", "0", "2", "-1", "12", "345"};
    for (std::size_t i = 0; i < tavrix::kSettingDefs.size(); ++i) {
        const tavrix::WriteOutcome outcome = tavrix::WriteSetting(
            m_store, app, kSection, QString::fromLatin1(tavrix::kSettingDefs[i].key), QString::fromLatin1(texts[i]));
        QVERIFY(outcome.saved);
    }
    // Each key is added at the end of its group, in the order written.
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\n"
                                              "Generate%20On%20Startup=1\n"
                                              "ASCII%20Mode=0\n"
                                              "Key%20Strength=2\n"
                                              "Key%20Type=-1\n"
                                              "Copy%20Key%20To%20Clipboard=12\n"
                                              "Generate%20On%20Change=345\n"));
    for (std::size_t i = 0; i < tavrix::kSettingDefs.size(); ++i) {
        QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QString::fromLatin1(tavrix::kSettingDefs[i].key),
                                     QStringLiteral("absent")),
                 QString::fromLatin1(texts[i]));
    }
}

void tst_QSettingsStore::aHandEditedFileIsRead_data() {
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

void tst_QSettingsStore::aHandEditedFileIsRead() {
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

void tst_QSettingsStore::aWriteReachesTheFileBeforeItReturns() {
    const QString app = QString::fromLatin1(tavrix::kSettingsApplication);
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=0\n"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("1")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=1\n"));
    QVERIFY(!QFileInfo::exists(fileOf(app) + QStringLiteral(".lock")));
    // The same text again leaves the file alone: it is not replaced by a copy.
    struct stat before {
    }, after{};
    QCOMPARE(::stat(qPrintable(fileOf(app)), &before), 0);
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("1")).saved);
    QCOMPARE(::stat(qPrintable(fileOf(app)), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
}

void tst_QSettingsStore::aWriteKeepsOtherGroupsAndKeys() {
    const QString app = QStringLiteral("KeepsOthers");
    writeFile(app, "Version=3\n"
                   "; the user's own comment\n"
                   "[Other]\n"
                   "x=y\n"
                   "[Settings]\n"
                   "Key Type=1\n"
                   "Window Left=100\n"
                   "Key Strength=\"1,5\"\n");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    // Only the changed line differs, written as QSettings writes it; everything else stays byte for byte.
    QCOMPARE(readFile(app), QByteArrayLiteral("Version=3\n"
                                              "; the user's own comment\n"
                                              "[Other]\n"
                                              "x=y\n"
                                              "[Settings]\n"
                                              "Key%20Type=0\n"
                                              "Window Left=100\n"
                                              "Key Strength=\"1,5\"\n"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("ASCII Mode"), QStringLiteral("1")).saved);
    QSettings check(fileOf(app), QSettings::IniFormat);
    QCOMPARE(check.allKeys(), (QStringList{"Other/x", "Settings/ASCII Mode", "Settings/Key Strength",
                                           "Settings/Key Type", "Settings/Window Left", "Version"}));
    QCOMPARE(check.value(QStringLiteral("Settings/ASCII Mode")).toString(), QStringLiteral("1"));
    QCOMPARE(check.value(QStringLiteral("Settings/Key Strength")).toString(), QStringLiteral("1,5"));
}

void tst_QSettingsStore::aFileReplacedByHandIsReadAfresh() {
    const QString app = QStringLiteral("ReplacedByHand");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("0"));

    // A longer file than the one written, so the change shows in its size whatever the clock says.
    writeFile(app, "[Settings]\nKey Type=1\nKey Strength=2\n");
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("1"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("ASCII Mode"), QStringLiteral("1")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey Type=1\nKey Strength=2\nASCII%20Mode=1\n"));
}

void tst_QSettingsStore::aFileDeletedByHandIsCreatedAgainWithOnlyTheNewKey() {
    const QString app = QStringLiteral("DeletedByHand");
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QVERIFY(QDir(folderOf(app)).removeRecursively());

    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("<absent>")),
             QStringLiteral("<absent>"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("2")).saved);
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Strength=2\n"));
}

void tst_QSettingsStore::anUnwritableLocationIsReportedWithItsPath_data() {
    QTest::addColumn<QString>("application");
    QTest::addColumn<bool>("needsNonRoot");
    QTest::newRow("a regular file where the folder should be") << "FileForFolder" << false;
    QTest::newRow("a folder where the file should be") << "FolderForFile" << false;
    QTest::newRow("a read-only folder around an existing file") << "ReadOnlyFolder" << true;
}

void tst_QSettingsStore::anUnwritableLocationIsReportedWithItsPath() {
    QFETCH(QString, application);
    QFETCH(bool, needsNonRoot);
    if (needsNonRoot)
        TAVRIX_RUN_UNPRIVILEGED();

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

void tst_QSettingsStore::anUnparsableFileIsMovedAsideWholeAndANewOneStarted_data() {
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

void tst_QSettingsStore::anUnparsableFileIsMovedAsideWholeAndANewOneStarted() {
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
    QCOMPARE(readFile(app), QByteArrayLiteral("[Settings]\nKey%20Type=0\nKey%20Strength=2\n"));
}

void tst_QSettingsStore::anEarlierFileMovedAsideIsNeverOverwritten() {
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

void tst_QSettingsStore::anUnparsableFileInAReadOnlyFolderStaysAndTheWriteFails() {
    TAVRIX_RUN_UNPRIVILEGED();
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

void tst_QSettingsStore::aFailedRenameOfAnUnparsableFileLeavesItWhole() {
    // The name leaves room for ".conf" and ".lock" but not for ".unreadable": the move aside fails even
    // for root (a file name over 255 bytes).
    const QString app(245, u'n');
    const QByteArray before = "[Settings]\nKey Type=1\nno equals sign here\n[Other]\nx=y\n";
    writeFile(app, before);
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    QVERIFY(!outcome.saved);
    QVERIFY(outcome.movedAside.isEmpty());
    QCOMPARE(outcome.location, fileOf(app));
    QCOMPARE(readFile(app), before);
    QCOMPARE(QDir(folderOf(app)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{app + QStringLiteral(".conf")});
}

void tst_QSettingsStore::aWriteThatFailsPartWayLeavesTheFileByteForByte_data() {
    QTest::addColumn<qint64>("sizeLimit");
    // A file size limit holds for root too. The file is larger than the limit, so the new file cannot be
    // written whole; it is smaller than the 16 KiB a buffered writer keeps before its last flush.
    QTest::newRow("a file size limit above the lock file but below the settings file") << qint64(1024);
    QTest::newRow("a file size limit of 4 KiB") << qint64(4096);
    QTest::newRow("a file size limit of zero bytes") << qint64(0);
    QTest::newRow("no limit, but the disk refuses to sync the new file") << qint64(-1);
}

void tst_QSettingsStore::aWriteThatFailsPartWayLeavesTheFileByteForByte() {
    QFETCH(qint64, sizeLimit);
    const QString app = QStringLiteral("PartWay%1").arg(sizeLimit);
    QByteArray before = "[General]\nTheme=dark\n\n[Settings]\nKey%20Type=1\nWindow%20Left=100\n\n";
    for (int group = 0; group < 48; ++group) {
        before += "[Group" + QByteArray::number(group) + "]\n";
        for (int key = 0; key < 6; ++key)
            before += "key" + QByteArray::number(key) + "=some value of the user's " + QByteArray::number(key) + "\n";
        before += "\n";
    }
    QVERIFY2(before.size() > 8192 && before.size() < 16384, qPrintable(QString::number(before.size())));
    writeFile(app, before);

    // Writes past the limit fail with EFBIG instead of ending the process.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit limit = oldLimit;
    limit.rlim_cur = static_cast<rlim_t>(sizeLimit);
    if (sizeLimit >= 0)
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    g_syncFails = sizeLimit < 0;
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    g_syncFails = false;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!outcome.saved);
    QCOMPARE(outcome.location, fileOf(app));
    QCOMPARE(readFile(app), before);
    // No temporary or lock file is left behind.
    QCOMPARE(QDir(folderOf(app)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{app + QStringLiteral(".conf")});
    // Once there is room again the same write goes through and keeps everything else.
    const tavrix::WriteOutcome retried =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    QVERIFY(retried.saved);
    QSettings check(fileOf(app), QSettings::IniFormat);
    QCOMPARE(check.value(QStringLiteral("Settings/Key Type")).toString(), QStringLiteral("0"));
    QCOMPARE(check.value(QStringLiteral("Group47/key5")).toString(), QStringLiteral("some value of the user's 5"));
    QCOMPARE(check.value(QStringLiteral("Theme")).toString(), QStringLiteral("dark"));
}

void tst_QSettingsStore::aSettingsFileThatIsNoRegularFileIsNeverOpened_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a named pipe") << "fifo";
    QTest::newRow("a symbolic link to a device that never ends, like /dev/zero") << "zero";
    QTest::newRow("a symbolic link to an empty device, like /dev/null") << "null";
    QTest::newRow("a folder") << "folder";
}

void tst_QSettingsStore::aSettingsFileThatIsNoRegularFileIsNeverOpened() {
    QFETCH(QString, kind);
    const QString app = QStringLiteral("Special-") + kind;
    const QString file = fileOf(app);
    QVERIFY(QDir().mkpath(folderOf(app)));
    QFile::remove(file);
    // A store that wrote through the link would replace its target. Root links to a device node of its
    // own, so that a fault cannot replace the system's; any other user cannot replace /dev/zero anyway.
    QString device = kind == QLatin1String("zero") ? QStringLiteral("/dev/zero") : QStringLiteral("/dev/null");
    if (::geteuid() == 0 && (kind == QLatin1String("zero") || kind == QLatin1String("null"))) {
        device = folderOf(app) + QStringLiteral("/device");
        QCOMPARE(::mknod(qPrintable(device), S_IFCHR | 0666, makedev(1, kind == QLatin1String("zero") ? 5 : 3)), 0);
    }
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(qPrintable(file), 0600), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(file));
    else
        QVERIFY(QFile::link(device, file));

    // A reader stuck opening the pipe is let go after 3 s (and again whenever it gets stuck anew), so
    // that a fault fails the test instead of hanging it.
    std::optional<tavrix::test::PipeReaderWatch> watch;
    if (kind == QLatin1String("fifo"))
        watch.emplace(file, std::chrono::seconds(3));
    QElapsedTimer timer;
    timer.start();
    const QString read =
        tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("dflt"));
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    const qint64 elapsed = timer.elapsed();
    watch.reset();

    QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("reading and writing took %1 ms").arg(elapsed)));
    QCOMPARE(read, QStringLiteral("dflt"));
    QVERIFY(!outcome.saved);
    QCOMPARE(outcome.location, file);
    // Left as it was.
    const QFileInfo after(file);
    if (kind == QLatin1String("fifo")) {
        struct stat st {};
        QCOMPARE(::lstat(qPrintable(file), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(after.isDir());
    } else {
        QVERIFY(after.isSymLink());
        QCOMPARE(after.symLinkTarget(), device);
        struct stat st {};
        QCOMPARE(::stat(qPrintable(device), &st), 0);
        QVERIFY(S_ISCHR(st.st_mode));
    }
    // The store says why it read nothing.
    const auto problem = m_store.readProblem(app);
    QVERIFY(problem.has_value());
    QCOMPARE(problem->location, file);
    QCOMPARE(problem->reason, QStringLiteral("it is not a regular file"));
}

// Counts the times a file in a folder is opened, through inotify.
class OpenCounter {
public:
    OpenCounter(const QString& folder, const QString& name) : m_name(name.toUtf8()) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            ::inotify_add_watch(m_fd, qPrintable(folder), IN_OPEN);
    }
    ~OpenCounter() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool valid() const { return m_fd >= 0; }
    int count() {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return m_count;
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && m_name == event->name)
                    ++m_count;
                p += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    QByteArray m_name;
    int m_fd = -1;
    int m_count = 0;
};

void tst_QSettingsStore::readingSixKeysAndWritingThreeOpensTheFileOnce() {
    const QString app = QStringLiteral("OpenedOnce");
    writeFile(app, "[General]\nTheme=dark\n\n[Settings]\nASCII%20Mode=1\nKey%20Strength=\" 2\"\nKey%20Type=abc\n"
                   "Generate%20On%20Startup=1\n\n[Other]\nx=y\n");
    OpenCounter opens(folderOf(app), app + QStringLiteral(".conf"));
    // inotify instances are counted per user; when root has used them all up (programs left running on a
    // shared machine), the row runs as another user, who has instances of their own.
    if (!opens.valid() && ::geteuid() == 0)
        TAVRIX_RUN_UNPRIVILEGED();
    QVERIFY2(opens.valid(), "inotify_init1 failed (see fs.inotify.max_user_instances)");
    // The order in which the main window reads and writes back while it loads.
    const auto read = [&](const char* key) {
        return tavrix::ReadSetting(m_store, app, kSection, QString::fromLatin1(key), QStringLiteral("dflt"));
    };
    const auto write = [&](const char* key, const char* text) {
        QVERIFY(
            tavrix::WriteSetting(m_store, app, kSection, QString::fromLatin1(key), QString::fromLatin1(text)).saved);
    };
    QCOMPARE(read("Generate On Startup"), QStringLiteral("1"));
    QCOMPARE(read("ASCII Mode"), QStringLiteral("1"));
    write("ASCII Mode", "1");
    QCOMPARE(read("Key Strength"), QStringLiteral(" 2"));
    write("Key Strength", "2");
    QCOMPARE(read("Key Type"), QStringLiteral("abc"));
    write("Key Type", "0");
    QCOMPARE(read("Copy Key To Clipboard"), QStringLiteral("dflt"));
    QCOMPARE(read("Generate On Change"), QStringLiteral("dflt"));
    QCOMPARE(opens.count(), 1);

    QSettings check(fileOf(app), QSettings::IniFormat);
    QCOMPARE(check.value(QStringLiteral("Settings/Key Strength")).toString(), QStringLiteral("2"));
    QCOMPARE(check.value(QStringLiteral("Settings/Key Type")).toString(), QStringLiteral("0"));
    QCOMPARE(check.value(QStringLiteral("Theme")).toString(), QStringLiteral("dark"));
    QCOMPARE(check.value(QStringLiteral("Other/x")).toString(), QStringLiteral("y"));
}

void tst_QSettingsStore::aFileTheUserMayNotReadIsReportedAndNeverWritten() {
    TAVRIX_RUN_UNPRIVILEGED();
    const QString app = QStringLiteral("NotReadable");
    const QByteArray before = "[Settings]\nKey%20Type=0\n";
    writeFile(app, before);
    QVERIFY(QFile::setPermissions(fileOf(app), QFileDevice::WriteOwner));
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    const auto problem = m_store.readProblem(app);
    QVERIFY(problem.has_value());
    QCOMPARE(problem->location, fileOf(app));
    QCOMPARE(problem->reason, QStringLiteral("Permission denied"));
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("2"));
    QVERIFY(!outcome.saved);
    QCOMPARE(outcome.location, fileOf(app));
    QVERIFY(QFile::setPermissions(fileOf(app), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readFile(app), before);
}

void tst_QSettingsStore::aLinkToARegularFileIsWrittenThroughAndStays() {
    // A settings file kept elsewhere (a collection of the user's own files) and linked into place.
    const QString app = QStringLiteral("Linked");
    QVERIFY(QDir().mkpath(folderOf(app)));
    const QString target = m_home.filePath(QStringLiteral("kept-elsewhere.conf"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nKey%20Type=0\n");
    file.close();
    QVERIFY(QFile::link(target, fileOf(app)));
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("dflt")),
             QStringLiteral("0"));
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("1")).saved);
    QVERIFY(QFileInfo(fileOf(app)).isSymLink());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Settings]\nKey%20Type=1\n"));
}

void tst_QSettingsStore::administratorsFilesAreReadBelowTheUsersAndNeverWritten_data() {
    // What the user's file, the application's file in the first and the second folder of XDG_CONFIG_DIRS,
    // and the first folder's file named after the organisation hold; an empty text: no file.
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QByteArray>("firstOrganisation");
    const QByteArray two = "[Settings]\nKey%20Strength=2\n";
    QTest::newRow("a key only an administrators' file has is read from it")
        << QByteArray("[Settings]\nKey%20Type=0\n") << two << QByteArray() << QByteArray();
    QTest::newRow("the user's own value wins over the administrators'")
        << QByteArray("[Settings]\nKey%20Strength=0\n") << two << QByteArray() << QByteArray();
    QTest::newRow("the first folder of XDG_CONFIG_DIRS wins over the second, without a file of the user's")
        << QByteArray() << two << QByteArray("[Settings]\nKey%20Strength=3\n") << QByteArray();
    QTest::newRow("every folder's application file wins over a file named after the organisation")
        << QByteArray() << QByteArray() << QByteArray("[Settings]\nKey%20Strength=3\n") << two;
}

void tst_QSettingsStore::administratorsFilesAreReadBelowTheUsersAndNeverWritten() {
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QByteArray, firstOrganisation);
    static int row = 0;
    const QString app = QStringLiteral("Administered%1").arg(++row);
    const QString firstFile = m_system.filePath(QStringLiteral("first/%1/%1.conf").arg(app));
    const QString secondFile = m_system.filePath(QStringLiteral("second/%1/%1.conf").arg(app));
    const QString organisationFile = m_system.filePath(QStringLiteral("first/%1.conf").arg(app));
    for (const auto& [path, contents] :
         {std::pair{firstFile, first}, std::pair{secondFile, second}, std::pair{organisationFile, firstOrganisation}}) {
        if (contents.isEmpty())
            continue;
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), qint64(contents.size()));
    }
    if (!user.isEmpty())
        writeFile(app, user);

    const QSettings reference(QSettings::NativeFormat, QSettings::UserScope, app, app);
    const QString expected =
        reference.value(QStringLiteral("Settings/Key Strength"), QStringLiteral("<absent>")).toString();
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("<absent>")),
             expected);

    // A change goes into the user's file only.
    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("9")).saved);
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("<absent>")),
             QStringLiteral("9"));
    for (const auto& [path, contents] :
         {std::pair{firstFile, first}, std::pair{secondFile, second}, std::pair{organisationFile, firstOrganisation}}) {
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), contents);
    }
}

void tst_QSettingsStore::withoutXdgConfigDirsAdministratorsFilesAreInEtcXdg() {
    // An application name of this run's own, so that no program's real settings are touched.
    const QString app = QStringLiteral("TavrixAdministered%1").arg(QCoreApplication::applicationPid());
    const QString folder = QStringLiteral("/etc/xdg/") + app;
    if (!QDir().mkpath(folder))
        QSKIP("/etc/xdg cannot be written here");
    const auto removeFolder = qScopeGuard([&] { QDir(folder).removeRecursively(); });
    QFile file(folder + u'/' + app + QStringLiteral(".conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("[Settings]\nKey%20Strength=2\n") > 0);
    file.close();
    const QByteArray dirs = qgetenv("XDG_CONFIG_DIRS");
    QVERIFY(qunsetenv("XDG_CONFIG_DIRS"));
    const auto restoreDirs = qScopeGuard([&] { qputenv("XDG_CONFIG_DIRS", dirs); });
    QCOMPARE(tavrix::ReadSetting(m_store, app, kSection, QStringLiteral("Key Strength"), QStringLiteral("<absent>")),
             QStringLiteral("2"));
}

void tst_QSettingsStore::aLockFileInTheWayIsWaitedForOrCleared_data() {
    QTest::addColumn<QString>("holder");
    QTest::addColumn<int>("age"); // seconds since the lock file was last changed; below 0 it lies ahead
    QTest::addColumn<bool>("saved");
    QTest::newRow("an empty lock file ten seconds old, its writer killed before it wrote its id, is cleared")
        << "empty" << 10 << true;
    QTest::newRow("an empty lock file dated ten seconds ahead, the clock set back after a crash, is cleared")
        << "empty" << -10 << true;
    // Ten seconds old, and without the flock a writer may not get on every file system: only the id in the
    // lock tells that its holder still runs.
    QTest::newRow("a lock another running process holds for the whole wait fails the write")
        << "process" << 10 << false;
}

void tst_QSettingsStore::aLockFileInTheWayIsWaitedForOrCleared() {
    QFETCH(QString, holder);
    QFETCH(int, age);
    QFETCH(bool, saved);
    const QString app = QStringLiteral("Locked-%1%2").arg(holder).arg(age);
    const QByteArray before = "[Settings]\nKey%20Type=1\n";
    writeFile(app, before);
    const QString lockPath = fileOf(app) + QStringLiteral(".lock");
    QFile::remove(lockPath);

    pid_t child = -1;
    if (holder == QLatin1String("empty")) {
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
    } else {
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The child's own lock, written again without the flock.
            QLockFile lock(lockPath);
            char locked = '0';
            if (lock.tryLock(0)) {
                QFile file(lockPath);
                const QByteArray id = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                file.close();
                lock.unlock();
                if (!id.isEmpty() && file.open(QIODevice::NewOnly) && file.write(id) == id.size()) {
                    file.close();
                    locked = '1';
                }
            }
            (void)!::write(ready[1], &locked, 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char locked = 0;
        QCOMPARE(::read(ready[0], &locked, 1), ssize_t(1));
        ::close(ready[0]);
        QCOMPARE(locked, '1');
    }
    const timespec stamp[2] = {{::time(nullptr) - age, 0}, {::time(nullptr) - age, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, qPrintable(lockPath), stamp, 0), 0);
    const tavrix::WriteOutcome outcome =
        tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0"));
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    QCOMPARE(outcome.saved, saved);
    QCOMPARE(readFile(app), saved ? QByteArray("[Settings]\nKey%20Type=0\n") : before);
    QCOMPARE(QFileInfo::exists(lockPath), !saved);
    QFile::remove(lockPath);
}

void tst_QSettingsStore::ownerGroupAndModeSurviveAWrite_data() {
    QTest::addColumn<uint>("owner");
    QTest::addColumn<uint>("group");
    QTest::addColumn<uint>("mode");
    QTest::newRow("a file of the writer's own with another group and mode 0640") << 0u << 100u << 0640u;
    QTest::newRow("a file root writes for another user keeps that owner, group and mode 0400")
        << 65534u << 65534u << 0400u;
}

void tst_QSettingsStore::ownerGroupAndModeSurviveAWrite() {
    QFETCH(uint, owner);
    QFETCH(uint, group);
    QFETCH(uint, mode);
    if (::geteuid() != 0)
        QSKIP("giving a file to another user and group takes root");
    const QString app = QStringLiteral("Owned%1").arg(owner);
    writeFile(app, "[Settings]\nKey%20Type=1\n");
    const QByteArray path = QFile::encodeName(fileOf(app));
    QCOMPARE(::chown(path.constData(), owner, group), 0);
    QCOMPARE(::chmod(path.constData(), mode), 0);

    QVERIFY(tavrix::WriteSetting(m_store, app, kSection, QStringLiteral("Key Type"), QStringLiteral("0")).saved);
    QCOMPARE(readFile(app), QByteArray("[Settings]\nKey%20Type=0\n"));
    struct stat st {};
    QCOMPARE(::stat(path.constData(), &st), 0);
    QCOMPARE(uint(st.st_uid), owner);
    QCOMPARE(uint(st.st_gid), group);
    QCOMPARE(uint(st.st_mode & 07777), mode);
}

QTEST_GUILESS_MAIN(tst_QSettingsStore)
#include "tst_QSettingsStore.moc"
