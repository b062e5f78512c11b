// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modShellExecute.h"
#include "shell/modWinXP.h"
#include "tests/support/ProcStatus.h"
#include "tests/support/RecordingMessageSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrix;
using tavrix::test::RecordingMessageSink;

namespace {

// Stands in for xdg-open: writes the signals blocked when it started, its working directory and arguments to
// $TAVRIX_STANDIN_LOG, optionally sleeps, appends an end marker, then exits with $TAVRIX_STANDIN_EXIT or kills itself
// with SIGSEGV.
constexpr char kStandInOpener[] = R"script(#!/bin/sh
log="$TAVRIX_STANDIN_LOG"
# The signals it was started with blocked, read before it starts any command of its own.
while IFS= read -r line; do
    case "$line" in SigBlk:*) blocked="${line#SigBlk:}" ;; esac
done < /proc/$$/status
{
    printf 'blocked:%s\n' "$blocked"
    printf 'stdin:%s\n' "$(readlink /proc/$$/fd/0)"
    printf 'cwd:%s\n' "$(pwd -P)"
    for a in "$@"; do printf 'arg:%s\n' "$a"; done
} > "$log"
if [ -n "$TAVRIX_STANDIN_SLEEP" ]; then sleep "$TAVRIX_STANDIN_SLEEP"; fi
printf 'end\n' >> "$log"
if [ "$TAVRIX_STANDIN_CRASH" = 1 ]; then kill -SEGV $$; fi
exit "${TAVRIX_STANDIN_EXIT:-0}"
)script";

const QString kFailureTitle = QStringLiteral("ShellExe()");
const QString kFailureText = QStringLiteral("An unexpected error occured:\r\n    Maybe file doesn't exist?");

// RelativeOnly: PATH holds only a relative entry that leads from the current folder to the stand-in.
enum class Opener { ExitsZero, ExitsThree, Crashes, Missing, RelativeOnly };

// What the stand-in wrote on its last run.
struct OpenerRun {
    QString blockedSignals; // as /proc/PID/status shows them, in hexadecimal
    QString input;          // what its standard input is
    QString workingDirectory;
    QStringList arguments;
    bool ended = false;
};

// Child processes of this test that have not been reaped yet, running or zombie, with their state letters.
QStringList ChildProcessStateList() {
    QStringList states;
    for (const std::string& state : tavrix::test::ChildProcessStates())
        states << QString::fromStdString(state);
    return states;
}

} // namespace

class tst_modShellExecute : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void argumentsReachTheOpener_data();
    void argumentsReachTheOpener();
    void workingDirectory_data();
    void workingDirectory();
    void launchOutcome_data();
    void launchOutcome();
    void waiting_data();
    void waiting();
    void pendingEventsAfterTheCall_data();
    void pendingEventsAfterTheCall();
    void noChildLeftAfterABurst_data();
    void noChildLeftAfterABurst();
    void childProbeSeesAnUnreapedChild();
    void aCallThatDoesNotWaitReturnsAtOnceAndReportsAFailureLater();

private:
    // Waits until the stand-in has run to its end and been reaped, so its log is complete.
    bool openerDone() const;
    void useOpener(Opener opener);
    std::optional<OpenerRun> lastRun() const;

    QTemporaryDir m_root;
    QString m_openerDir;
    QString m_emptyDir;
    QString m_logPath;
    QByteArray m_savedPath;
    QString m_savedCurrentDir;
};

void tst_modShellExecute::initTestCase() {
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    QVERIFY(root.mkpath(QStringLiteral("opener")));
    QVERIFY(root.mkpath(QStringLiteral("empty")));
    QVERIFY(root.mkpath(QStringLiteral("work/dir with spaces")));
    QVERIFY(root.mkpath(QStringLiteral("work/   ")));
    m_openerDir = root.filePath(QStringLiteral("opener"));
    m_emptyDir = root.filePath(QStringLiteral("empty"));
    m_logPath = root.filePath(QStringLiteral("opener.log"));

    QFile script(QDir(m_openerDir).filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    QVERIFY(script.write(kStandInOpener) > 0);
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    // Relative directory names, the blank-only one among them, resolve against "work".
    m_savedPath = qgetenv("PATH");
    m_savedCurrentDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("work"))));
}

void tst_modShellExecute::init() {
    useOpener(Opener::ExitsZero);
    qunsetenv("TAVRIX_STANDIN_SLEEP");
    qputenv("TAVRIX_STANDIN_LOG", QFile::encodeName(m_logPath));
    QFile::remove(m_logPath);
}

void tst_modShellExecute::cleanupTestCase() {
    qputenv("PATH", m_savedPath);
    QDir::setCurrent(m_savedCurrentDir);
}

void tst_modShellExecute::useOpener(Opener opener) {
    // The stand-in comes first on PATH; with "Missing" PATH holds only an empty folder.
    const QString dir = opener == Opener::Missing ? m_emptyDir : m_openerDir;
    qputenv("PATH", QFile::encodeName(dir) + ':' + m_savedPath);
    if (opener == Opener::Missing)
        qputenv("PATH", QFile::encodeName(dir));
    if (opener == Opener::RelativeOnly)
        qputenv("PATH", "../opener");
    qputenv("TAVRIX_STANDIN_EXIT", opener == Opener::ExitsThree ? "3" : "0");
    qputenv("TAVRIX_STANDIN_CRASH", opener == Opener::Crashes ? "1" : "0");
}

bool tst_modShellExecute::openerDone() const {
    const auto run = lastRun();
    return run && run->ended && ChildProcessStateList().isEmpty();
}

std::optional<OpenerRun> tst_modShellExecute::lastRun() const {
    QFile log(m_logPath);
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    OpenerRun run;
    for (const QString& line : QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("blocked:")))
            run.blockedSignals = line.mid(8).trimmed();
        else if (line.startsWith(QLatin1String("stdin:")))
            run.input = line.mid(6);
        else if (line.startsWith(QLatin1String("cwd:")))
            run.workingDirectory = line.mid(4);
        else if (line.startsWith(QLatin1String("arg:")))
            run.arguments << line.mid(4);
        else if (line == QLatin1String("end"))
            run.ended = true;
    }
    return run;
}

void tst_modShellExecute::argumentsReachTheOpener_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("an address with no parameters is the only argument") << "https://example.org/"
                                                                        << "" << QStringList{"https://example.org/"};
    QTest::newRow("a file name with blanks stays one argument") << "my notes.txt"
                                                                << "" << QStringList{"my notes.txt"};
    QTest::newRow("shell metacharacters reach the opener untouched")
        << "https://example.org/?a=1&b=$(id);c='x'"
        << "" << QStringList{"https://example.org/?a=1&b=$(id);c='x'"};
    QTest::newRow("a single parameter follows the file") << "report.txt"
                                                         << "--verbose" << QStringList{"report.txt", "--verbose"};
    QTest::newRow("parameters are split into words like a command line")
        << "report.txt"
        << R"(-a "two words" three)" << QStringList{"report.txt", "-a", "two words", "three"};
    QTest::newRow("blank-only parameters add no argument") << "report.txt"
                                                           << "   " << QStringList{"report.txt"};
}

void tst_modShellExecute::argumentsReachTheOpener() {
    QFETCH(QString, file);
    QFETCH(QString, parameters);
    QFETCH(QStringList, expected);
    RecordingMessageSink sink;

    // Neither a signal this program blocks nor its standard input (here a pipe) reaches the opener.
    sigset_t usr1, before;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    int input[2];
    QCOMPARE(::pipe(input), 0);
    const int savedInput = ::dup(STDIN_FILENO);
    QCOMPARE(::dup2(input[0], STDIN_FILENO), STDIN_FILENO);
    QCOMPARE(::pthread_sigmask(SIG_BLOCK, &usr1, &before), 0);
    ShellExe(file, parameters, 0, kShowNormal, QString(), false, sink);
    QCOMPARE(::pthread_sigmask(SIG_SETMASK, &before, nullptr), 0);
    QCOMPARE(::dup2(savedInput, STDIN_FILENO), STDIN_FILENO);
    for (const int fd : {savedInput, input[0], input[1]})
        ::close(fd);

    QTRY_VERIFY(openerDone());
    const auto run = lastRun();
    QCOMPARE(run->blockedSignals, QStringLiteral("0000000000000000"));
    QCOMPARE(run->input, QStringLiteral("/dev/null"));
    QCOMPARE(run->arguments, expected);
    QCOMPARE(sink.messages.size(), 0);
}

void tst_modShellExecute::workingDirectory_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");

    const QString work = QFileInfo(QDir::currentPath()).canonicalFilePath();
    QTest::newRow("an empty directory leaves the caller's directory") << QString() << work;
    QTest::newRow("a directory with spaces in its name is used as given")
        << QDir(work).filePath("dir with spaces") << work + "/dir with spaces";
    QTest::newRow("a name of blanks only is a directory name too") << "   " << work + "/   ";
}

void tst_modShellExecute::workingDirectory() {
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    RecordingMessageSink sink;

    ShellExe("https://example.org/", QString(), 0, kShowNormal, directory, false, sink);

    QTRY_VERIFY(openerDone());
    const auto run = lastRun();
    QCOMPARE(run->workingDirectory, expected);
    QCOMPARE(sink.messages.size(), 0);
}

void tst_modShellExecute::launchOutcome_data() {
    QTest::addColumn<Opener>("opener");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("wait");
    QTest::addColumn<bool>("reportsFailure");

    const QString missingDir = m_root.filePath(QStringLiteral("no such folder"));
    for (const bool wait : {false, true}) {
        const char* suffix = wait ? " (waiting)" : " (not waiting)";
        QTest::addRow("an opener that exits with 0 shows no message%s", suffix)
            << Opener::ExitsZero << QString() << wait << false;
        QTest::addRow("an opener that exits with 3 shows the failure box%s", suffix)
            << Opener::ExitsThree << QString() << wait << true;
        QTest::addRow("an opener that crashes shows the failure box%s", suffix)
            << Opener::Crashes << QString() << wait << true;
        QTest::addRow("no opener on PATH shows the failure box%s", suffix)
            << Opener::Missing << QString() << wait << true;
        QTest::addRow("an opener found only through a relative PATH entry is not run%s", suffix)
            << Opener::RelativeOnly << QString() << wait << true;
        QTest::addRow("a working directory that does not exist shows the failure box%s", suffix)
            << Opener::ExitsZero << missingDir << wait << true;
    }
}

void tst_modShellExecute::launchOutcome() {
    QFETCH(Opener, opener);
    QFETCH(QString, directory);
    QFETCH(bool, wait);
    QFETCH(bool, reportsFailure);
    useOpener(opener);
    RecordingMessageSink sink;

    ShellExe("https://example.org/", QString(), 0, kShowNormal, directory, wait, sink);

    // A call that does not wait learns how the opener ended from the event loop, once it has ended.
    QTRY_COMPARE(ChildProcessStateList(), QStringList());
    QCoreApplication::processEvents();
    if (!reportsFailure) {
        QCOMPARE(sink.messages.size(), 0);
        return;
    }
    QCOMPARE(sink.messages.size(), 1);
    const Message& message = sink.messages.first();
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.title, kFailureTitle);
    QCOMPARE(message.text, kFailureText);
}

void tst_modShellExecute::waiting_data() {
    QTest::addColumn<bool>("wait");
    QTest::addColumn<Opener>("opener");
    QTest::addColumn<bool>("endedOnReturn");
    QTest::addColumn<bool>("reportsFailure");

    QTest::newRow("waiting returns only after a successful opener has ended")
        << true << Opener::ExitsZero << true << false;
    QTest::newRow("waiting reports a failing opener only after it has ended")
        << true << Opener::ExitsThree << true << true;
    QTest::newRow("not waiting returns while a slow opener still runs, and it is reaped later")
        << false << Opener::ExitsZero << false << false;
    QTest::newRow("not waiting returns while a slow failing opener still runs; its failure is reported later")
        << false << Opener::ExitsThree << false << true;
}

void tst_modShellExecute::waiting() {
    QFETCH(bool, wait);
    QFETCH(Opener, opener);
    QFETCH(bool, endedOnReturn);
    QFETCH(bool, reportsFailure);
    useOpener(opener);
    qputenv("TAVRIX_STANDIN_SLEEP", "2");
    RecordingMessageSink sink;
    std::optional<bool> endedWhenShown;
    sink.onShow = [&](const Message&) {
        const auto run = lastRun();
        endedWhenShown = run && run->ended;
    };

    ShellExe("https://example.org/", QString(), 0, kShowNormal, QString(), wait, sink);

    QTRY_VERIFY(lastRun().has_value());
    QCOMPARE(lastRun()->ended, endedOnReturn);
    if (!endedOnReturn) {
        // The opener still runs and nothing is reported yet; once it ends, the event loop reaps it, reports a
        // failure, and nothing of it stays behind.
        QCOMPARE(sink.messages.size(), 0);
        QVERIFY(!ChildProcessStateList().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ChildProcessStateList().isEmpty(), 10000);
        QVERIFY2(lastRun()->ended, "the opener was stopped before it could finish");
        QTRY_COMPARE(sink.messages.size(), reportsFailure ? 1 : 0);
    }
    QCOMPARE(sink.messages.size(), reportsFailure ? 1 : 0);
    if (reportsFailure)
        QCOMPARE(endedWhenShown, std::optional<bool>(true));
    QVERIFY(ChildProcessStateList().isEmpty());
}

void tst_modShellExecute::pendingEventsAfterTheCall_data() {
    QTest::addColumn<bool>("wait");
    QTest::addColumn<bool>("handled");

    QTest::newRow("a waiting call handles the pending events once it has waited") << true << true;
    QTest::newRow("a call that does not wait leaves pending events to the event loop") << false << false;
}

void tst_modShellExecute::pendingEventsAfterTheCall() {
    QFETCH(bool, wait);
    QFETCH(bool, handled);
    RecordingMessageSink sink;
    bool ran = false;
    QMetaObject::invokeMethod(
        this, [&ran] { ran = true; }, Qt::QueuedConnection);

    ShellExe("https://example.org/", QString(), 0, kShowNormal, QString(), wait, sink);

    QCOMPARE(ran, handled);
    QCOMPARE(sink.messages.size(), 0);
    // Let the queued call run now, so it never outlives `ran`.
    QCoreApplication::processEvents();
    QVERIFY(ran);
}

void tst_modShellExecute::noChildLeftAfterABurst_data() {
    QTest::addColumn<Opener>("opener");
    QTest::addColumn<QByteArray>("sleep");

    QTest::newRow("twenty openers that succeed leave no child behind") << Opener::ExitsZero << QByteArray();
    QTest::newRow("twenty openers that fail leave no child behind and report twenty times")
        << Opener::ExitsThree << QByteArray();
    QTest::newRow("twenty openers still running when the calls return are all reaped")
        << Opener::ExitsZero << QByteArray("0.3");
}

void tst_modShellExecute::noChildLeftAfterABurst() {
    QFETCH(Opener, opener);
    QFETCH(QByteArray, sleep);
    useOpener(opener);
    if (!sleep.isEmpty())
        qputenv("TAVRIX_STANDIN_SLEEP", sleep);
    RecordingMessageSink sink;

    for (int i = 0; i < 20; ++i)
        ShellExe("https://example.org/", QString(), 0, kShowNormal, QString(), false, sink);

    QTRY_COMPARE_WITH_TIMEOUT(ChildProcessStateList(), QStringList(), 15000);
    QTRY_COMPARE(sink.messages.size(), opener == Opener::ExitsThree ? 20 : 0);
}

// The burst checks rely on the /proc probe; make sure it really sees a child that has ended but not been reaped.
void tst_modShellExecute::childProbeSeesAnUnreapedChild() {
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0)
        ::_exit(0);
    QTRY_COMPARE(ChildProcessStateList(), QStringList{QStringLiteral("Z")});
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(ChildProcessStateList(), QStringList());
}

// A desktop may run the browser in the foreground of xdg-open; the call must not sit out the opener.
void tst_modShellExecute::aCallThatDoesNotWaitReturnsAtOnceAndReportsAFailureLater() {
    useOpener(Opener::ExitsThree);
    qputenv("TAVRIX_STANDIN_SLEEP", "3");
    RecordingMessageSink sink;

    ShellExe("https://example.org/", QString(), 0, kShowNormal, QString(), false, sink);

    QVERIFY2(!ChildProcessStateList().isEmpty(), "the call returned only after the opener had ended");
    QCOMPARE(sink.messages.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sink.messages.size(), 1, 10000);
    QCOMPARE(sink.messages.first().title, kFailureTitle);
    QCOMPARE(sink.messages.first().text, kFailureText);
    QVERIFY(lastRun()->ended);
    QTRY_COMPARE(ChildProcessStateList(), QStringList());
}

QTEST_GUILESS_MAIN(tst_modShellExecute)
#include "tst_modShellExecute.moc"
