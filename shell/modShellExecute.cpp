#include "shell/modShellExecute.h"

#include "shell/MessageSink.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#else
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <memory>
#endif

namespace tavrix {

namespace {

void reportLaunchFailure(MessageSink& sink) {
    // "occured" is the wording users have always seen in this box; it stays as it is.
    sink.show({MessageIcon::Critical, QStringLiteral("ShellExe()"),
               QStringLiteral("An unexpected error occured:\r\n    Maybe file doesn't exist?")});
}

#ifndef Q_OS_WIN

bool finishedCleanly(const QProcess& process) {
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Hands a still-running opener to the application object, which deletes it (and so reaps it) once it has
// ended. Without an application object on this thread nobody would ever reap it, so the call waits instead.
void reapInBackground(std::unique_ptr<QProcess> process) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->thread() != QThread::currentThread()) {
        process->waitForFinished(-1);
        return;
    }
    QProcess* running = process.release();
    running->setParent(app);
    QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
}

#endif

} // namespace

namespace detail {

#ifdef Q_OS_WIN

void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink, int /*openerGracePeriodMs*/) {
    // The ANSI entry point takes its texts in the system's ANSI code page; the buffers outlive the call.
    const QByteArray file = sFile.toLocal8Bit();
    const QByteArray parameters = sParameters.toLocal8Bit();
    const QByteArray directory = sDirectory.toLocal8Bit();

    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(lHwnd));
    info.lpVerb = "open";
    info.lpFile = file.constData();
    info.lpParameters = parameters.constData(); // an empty text is still passed
    info.lpDirectory = sDirectory.isEmpty() ? nullptr : directory.constData();
    info.nShow = lShowCmd;

    const BOOL launched = ::ShellExecuteExA(&info);

    if (bWait) {
        // A launch that started no process (hProcess null) has nothing to wait for.
        if (info.hProcess != nullptr)
            ::WaitForSingleObject(info.hProcess, INFINITE);
        QCoreApplication::processEvents();
    }

    if (launched == FALSE)
        reportLaunchFailure(sink);

    if (info.hProcess != nullptr)
        ::CloseHandle(info.hProcess);
}

#else

// Linux: the desktop's "open" action is xdg-open, looked up through PATH and started directly from an argument
// list, never through a shell. The argument list is the file followed by the parameters, split the way a
// command line is split into words (QProcess::splitCommand); with empty parameters nothing is added. xdg-open
// itself takes one argument and refuses more, which then shows as a failed launch. Window handles and show
// commands mean nothing to xdg-open, so lHwnd and lShowCmd are not used here.
//
// The launch has failed when xdg-open is not found, does not start (a working directory that does not exist
// is one cause), exits with a non-zero status or crashes. xdg-open returns as soon as it has handed the target
// over, so even a call that does not wait waits for xdg-open itself, up to the grace period, to learn its
// status. With bWait the wait has no limit.
void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink, int openerGracePeriodMs) {
    Q_UNUSED(lHwnd)
    Q_UNUSED(lShowCmd)

    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (bWait)
            QCoreApplication::processEvents();
        reportLaunchFailure(sink);
        return;
    }

    QStringList arguments{sFile};
    if (!sParameters.isEmpty())
        arguments += QProcess::splitCommand(sParameters);

    auto process = std::make_unique<QProcess>();
    process->setProgram(opener);
    process->setArguments(arguments);
    // Any directory name of at least one character, blanks included, is used as it is.
    if (!sDirectory.isEmpty())
        process->setWorkingDirectory(sDirectory);
    // The opener's output goes where ours goes instead of piling up in buffers nobody reads.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());

    process->start();
    bool launched = process->waitForStarted(-1);
    if (launched) {
        if (bWait) {
            process->waitForFinished(-1);
            QCoreApplication::processEvents();
            launched = finishedCleanly(*process);
        } else {
            process->waitForFinished(openerGracePeriodMs);
            if (process->state() != QProcess::NotRunning)
                reapInBackground(std::move(process));
            else
                launched = finishedCleanly(*process);
        }
    } else if (bWait) {
        QCoreApplication::processEvents();
    }

    if (!launched)
        reportLaunchFailure(sink);
}

#endif

} // namespace detail

void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink) {
    detail::ShellExe(sFile, sParameters, lHwnd, lShowCmd, sDirectory, bWait, sink, detail::kOpenerGracePeriodMs);
}

} // namespace tavrix
