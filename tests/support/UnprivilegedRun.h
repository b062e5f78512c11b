// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Unix only: what this reaches has no Windows counterpart, and the rows that use it are Unix rows.
#if !defined(_WIN32)

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QtTest>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrix::test {

// Checks that depend on file permissions pass for root whatever the permissions say, and the test suite
// runs as root on CI. Such a check runs its own test function again in a child process as the
// unprivileged user 65534 (nobody), from a copy of this executable in a folder that user can reach,
// whatever folder the build lies in. The child must run that very row and pass it.
struct UnprivilegedOutcome {
    bool passed = false;
    QString output;
};

inline UnprivilegedOutcome RunTestAsUnprivilegedUser(const char* testClass, const char* function, const char* dataTag) {
    constexpr uid_t kUser = 65534;
    UnprivilegedOutcome outcome;
    std::string pattern = "/tmp/tavrix-unprivileged-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        outcome.output = QStringLiteral("cannot make a folder below /tmp");
        return outcome;
    }
    const QString folder = QString::fromStdString(pattern);
    const QString copy = folder + QStringLiteral("/") + QCoreApplication::applicationName();
    const auto cleanup = qScopeGuard([&] { QDir(folder).removeRecursively(); });
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy) || ::chmod(qPrintable(copy), 0755) != 0 ||
        ::chown(qPrintable(folder), kUser, kUser) != 0 || ::chmod(qPrintable(folder), 0755) != 0) {
        outcome.output = QStringLiteral("cannot copy the test program to ") + folder;
        return outcome;
    }

    const QString test = dataTag && *dataTag ? QString::fromUtf8(function) + u':' + QString::fromUtf8(dataTag)
                                             : QString::fromUtf8(function);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), folder);
    environment.insert(QStringLiteral("TMPDIR"), folder);
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(kUser), QStringLiteral("--regid=%1").arg(kUser),
                 QStringLiteral("--clear-groups"), copy, test});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        outcome.output = QStringLiteral("the unprivileged run did not finish within 60 s: ") +
                         QString::fromLocal8Bit(child.readAll());
        return outcome;
    }
    outcome.output = QString::fromLocal8Bit(child.readAll());
    // The row itself must have run and passed, not been skipped or left out.
    QString passLine =
        QStringLiteral("PASS   : ") + QString::fromUtf8(testClass) + QStringLiteral("::") + QString::fromUtf8(function);
    if (dataTag && *dataTag)
        passLine += QStringLiteral("(") + QString::fromUtf8(dataTag) + QStringLiteral(")");
    outcome.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                     outcome.output.contains(passLine) && !outcome.output.contains(QStringLiteral("SKIP   :"));
    return outcome;
}

} // namespace tavrix::test

// As root, runs the current test row again as the unprivileged user and ends the row with its result;
// as any other user, does nothing and the row goes on with the permissions it meets.
#define TAVRIX_RUN_UNPRIVILEGED()                                                                                      \
    do {                                                                                                               \
        if (::geteuid() == 0) {                                                                                        \
            const auto tavrixOutcome = tavrix::test::RunTestAsUnprivilegedUser(                                        \
                metaObject()->className(), QTest::currentTestFunction(), QTest::currentDataTag());                     \
            QVERIFY2(tavrixOutcome.passed, qPrintable(QStringLiteral("as user 65534:\n") + tavrixOutcome.output));     \
            return;                                                                                                    \
        }                                                                                                              \
    } while (false)

#endif
