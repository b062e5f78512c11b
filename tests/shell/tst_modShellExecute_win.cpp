// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/ShellCalls_win.h"
#include "shell/modShellExecute.h"
#include "tests/support/RecordingMessageSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <windows.h>

#include <cstring>

using namespace tavrix;
using tavrix::test::RecordingMessageSink;

// ShellExe through recording stand-ins for ShellExecuteExA, WaitForSingleObject and CloseHandle: the request
// it builds, what it waits on, what it closes, in that order.

namespace {

// What the stand-ins saw, in order, as short lines.
struct Calls {
    SHELLEXECUTEINFOA request{};
    QString verb, file, parameters, directory;
    bool directoryNull = false;
    QStringList events;
};

const HANDLE kProcess = reinterpret_cast<HANDLE>(quintptr(0x1234));

ShellCalls Recording(Calls& calls, BOOL result, HANDLE process) {
    return {[&calls, result, process](SHELLEXECUTEINFOA& info) {
                calls.request = info;
                calls.verb = QString::fromLocal8Bit(info.lpVerb);
                calls.file = QString::fromLocal8Bit(info.lpFile);
                calls.parameters =
                    info.lpParameters ? QString::fromLocal8Bit(info.lpParameters) : QStringLiteral("<null>");
                calls.directoryNull = info.lpDirectory == nullptr;
                calls.directory = info.lpDirectory ? QString::fromLocal8Bit(info.lpDirectory) : QString();
                info.hProcess = process;
                calls.events << QStringLiteral("execute");
                return result;
            },
            [&calls](HANDLE handle, DWORD milliseconds) {
                calls.events << QStringLiteral("wait %1 %2")
                                    .arg(handle == kProcess ? QStringLiteral("process") : QStringLiteral("other"))
                                    .arg(milliseconds == INFINITE ? QStringLiteral("INFINITE")
                                                                  : QString::number(milliseconds));
                return DWORD(WAIT_OBJECT_0);
            },
            [&calls](HANDLE handle) {
                calls.events << QStringLiteral("close %1")
                                    .arg(handle == kProcess ? QStringLiteral("process") : QStringLiteral("other"));
                return TRUE;
            }};
}

} // namespace

class tst_modShellExecute_win : public QObject {
    Q_OBJECT

private slots:
    void theRequestHoldsTheArgumentsAndNothingElse_data() {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<qint32>("hwnd");
        QTest::addColumn<qint32>("show");
        QTest::newRow("a credit link: no parameters, no directory, no owner, shown normally")
            << QString() << QString() << 0 << 1;
        QTest::newRow("a directory of blanks is passed as it is") << QString() << QStringLiteral("   ") << 0 << 1;
        QTest::newRow("parameters, a directory, an owner and another show command")
            << QStringLiteral("-a b") << QStringLiteral("C:\\work") << 0x42 << 3;
    }
    void theRequestHoldsTheArgumentsAndNothingElse() {
        QFETCH(QString, parameters);
        QFETCH(QString, directory);
        QFETCH(qint32, hwnd);
        QFETCH(qint32, show);
        Calls calls;
        RecordingMessageSink sink;
        ShellExeWith(Recording(calls, TRUE, nullptr), QStringLiteral("https://example.org/"), parameters, hwnd, show,
                     directory, false, sink);

        const SHELLEXECUTEINFOA& r = calls.request;
        QCOMPARE(r.cbSize, DWORD(sizeof(SHELLEXECUTEINFOA)));
        QCOMPARE(r.fMask, ULONG(SEE_MASK_NOCLOSEPROCESS));
        QCOMPARE(reinterpret_cast<quintptr>(r.hwnd), quintptr(hwnd));
        QCOMPARE(calls.verb, QStringLiteral("open"));
        QCOMPARE(calls.file, QStringLiteral("https://example.org/"));
        QCOMPARE(calls.parameters, parameters); // an empty text is passed, never null
        QCOMPARE(calls.directoryNull, directory.isEmpty());
        QCOMPARE(calls.directory, directory);
        QCOMPARE(r.nShow, show);
        // Every other field as it started: zero.
        SHELLEXECUTEINFOA rest = r;
        rest.cbSize = 0;
        rest.fMask = 0;
        rest.hwnd = nullptr;
        rest.lpVerb = rest.lpFile = rest.lpParameters = rest.lpDirectory = nullptr;
        rest.nShow = 0;
        const SHELLEXECUTEINFOA zero{};
        QVERIFY(std::memcmp(&rest, &zero, sizeof rest) == 0);
        QVERIFY(sink.messages.isEmpty());
    }

    void waitingAndTheProcessHandle_data() {
        QTest::addColumn<bool>("wait");
        QTest::addColumn<bool>("launched");
        QTest::addColumn<bool>("process");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("failureBoxes");
        QTest::newRow("waiting for a started process, then closing it")
            << true << true << true << QStringList{"execute", "wait process INFINITE", "close process"} << 0;
        QTest::newRow("not waiting still closes the process handle")
            << false << true << true << QStringList{"execute", "close process"} << 0;
        QTest::newRow("waiting with no new process returns at once")
            << true << true << false << QStringList{"execute"} << 0;
        QTest::newRow("a failed launch is reported once, waiting or not")
            << true << false << false << QStringList{"execute"} << 1;
        QTest::newRow("a failed launch without waiting is reported once")
            << false << false << false << QStringList{"execute"} << 1;
    }
    void waitingAndTheProcessHandle() {
        QFETCH(bool, wait);
        QFETCH(bool, launched);
        QFETCH(bool, process);
        QFETCH(QStringList, events);
        QFETCH(int, failureBoxes);
        Calls calls;
        RecordingMessageSink sink;
        ShellExeWith(Recording(calls, launched ? TRUE : FALSE, process ? kProcess : nullptr),
                     QStringLiteral("C:\\missing.txt"), QString(), 0, 1, QString(), wait, sink);
        QCOMPARE(calls.events, events);
        QCOMPARE(sink.messages.size(), failureBoxes);
        for (const auto& message : sink.messages) {
            QCOMPARE(message.title, QStringLiteral("ShellExe()"));
            QCOMPARE(message.text, QStringLiteral("An unexpected error occured:\r\n    Maybe file doesn't exist?"));
        }
    }

    // After the wait the pending events are handled once; without waiting they are left to the event loop.
    void pendingEventsAfterTheWait_data() {
        QTest::addColumn<bool>("wait");
        QTest::newRow("waiting handles them") << true;
        QTest::newRow("not waiting leaves them") << false;
    }
    void pendingEventsAfterTheWait() {
        QFETCH(bool, wait);
        bool handled = false;
        QTimer::singleShot(0, this, [&handled] { handled = true; });
        Calls calls;
        RecordingMessageSink sink;
        ShellExeWith(Recording(calls, TRUE, kProcess), QStringLiteral("a.txt"), QString(), 0, 1, QString(), wait, sink);
        QCOMPARE(handled, wait);
        QCoreApplication::processEvents();
        QVERIFY(handled);
    }

    // The real call starts a program and returns once it has ended. (A missing file is not tried here: the
    // shell itself then shows a box of its own, which waits for a person.)
    void theSystemsShellStartsAProgramAndWaitsForIt() {
        QTemporaryDir folder;
        const QString marker = QDir::toNativeSeparators(folder.filePath(QStringLiteral("ended")));
        RecordingMessageSink sink;
        ShellExe(QStringLiteral("cmd.exe"), QStringLiteral("/c echo done> \"%1\"").arg(marker), 0, 0, QString(), true,
                 sink);
        QVERIFY(sink.messages.isEmpty());
        QVERIFY2(QFile::exists(marker), "ShellExe returned before the program had ended");
    }
};

QTEST_GUILESS_MAIN(tst_modShellExecute_win)
#include "tst_modShellExecute_win.moc"
