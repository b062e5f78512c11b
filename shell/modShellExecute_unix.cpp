// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/MessageSink.h"
#include "shell/modShellExecute.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tavrix {

namespace {

bool FinishedCleanly(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Starts the opener with its arguments, stdin from /dev/null and its output where ours goes. Returns its pid,
// or -1 when it could not be started (glibc reports a failed chdir or exec in the child as the result here).
pid_t StartOpener(const QString& opener, const QStringList& arguments, const QString& directory) {
    std::vector<QByteArray> texts{QFile::encodeName(opener)};
    for (const QString& argument : arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const QByteArray folder = QFile::encodeName(directory);
    if (!directory.isEmpty()) // any name of at least one character, blanks included, is used as it is
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    // The opener starts with every signal unblocked and at its default, whatever this program changed.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// xdg-open from the absolute entries of PATH only: a relative entry (an empty one is the current folder)
// would run whatever lies below the folder the program happens to be in. Empty when there is none.
QString FindOpener() {
    QStringList folders;
    for (const QString& folder : QFile::decodeName(qgetenv("PATH")).split(u':')) {
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    }
    // findExecutable searches PATH itself when given no folders.
    return folders.isEmpty() ? QString() : QStandardPaths::findExecutable(QStringLiteral("xdg-open"), folders);
}

// The status of an ended child, waiting for it to end first.
int WaitForEnd(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Learns from the event loop how a started opener ended: it reaps the opener when it ends, reports a bad end
// through the sink, and goes. It never stops the opener: one still running when the program ends is left to
// finish its work (the system reaps it then). It waits on a pidfd where the kernel has them, else it looks
// every 50 ms.
class OpenerWatch final : public QObject {
public:
    OpenerWatch(pid_t pid, MessageSink& sink) : QObject(QCoreApplication::instance()), m_pid(pid), m_sink(sink) {
#ifdef SYS_pidfd_open
        m_pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
#endif
        if (m_pidfd >= 0) {
            auto* notifier = new QSocketNotifier(qintptr(m_pidfd), QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
                notifier->setEnabled(false);
                reap();
            });
        } else {
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timer] {
                if (reap())
                    timer->stop();
            });
            timer->start(50);
        }
    }
    ~OpenerWatch() override {
        if (m_pidfd >= 0)
            ::close(m_pidfd);
    }

private:
    // True once the opener has ended and been dealt with.
    bool reap() {
        int status = 0;
        const pid_t reaped = ::waitpid(m_pid, &status, WNOHANG);
        if (reaped == 0)
            return false;
        deleteLater();
        if (reaped == m_pid && !FinishedCleanly(status))
            ReportLaunchFailure(m_sink); // a message box runs a nested event loop; this object goes after it
        return true;
    }

    pid_t m_pid;
    MessageSink& m_sink;
    int m_pidfd = -1;
};

} // namespace

// Linux: the desktop's "open" action is xdg-open, looked up in the absolute entries of PATH and started directly from
// an argument list, never through a shell. The argument list is the file followed by the parameters, split the way a
// command line is split into words (QProcess::splitCommand); with empty parameters nothing is added. xdg-open
// itself takes one argument and refuses more, which then shows as a failed launch. Window handles and show
// commands mean nothing to xdg-open, so lHwnd and lShowCmd are not used here.
//
// The launch has failed when xdg-open is not found, does not start (a working directory that does not exist
// is one cause), exits with a non-zero status or is ended by a signal. xdg-open may take long: where a desktop
// runs the browser in its foreground it ends only with the browser. So a call that does not wait learns the
// end from the event loop (OpenerWatch) and returns at once; only without an event loop of the application on
// this thread, where nobody would hear of the end, does it wait.
void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink) {
    Q_UNUSED(lHwnd)
    Q_UNUSED(lShowCmd)

    const QString opener = FindOpener();
    QStringList arguments{sFile};
    if (!sParameters.isEmpty())
        arguments += QProcess::splitCommand(sParameters);
    const pid_t pid = opener.isEmpty() ? -1 : StartOpener(opener, arguments, sDirectory);

    const QCoreApplication* app = QCoreApplication::instance();
    const bool eventLoopHere = app != nullptr && app->thread() == QThread::currentThread();
    if (pid > 0 && !bWait && eventLoopHere) {
        new OpenerWatch(pid, sink);
        return;
    }

    bool launched = pid > 0;
    if (launched)
        launched = FinishedCleanly(WaitForEnd(pid));
    if (bWait)
        QCoreApplication::processEvents();
    if (!launched)
        ReportLaunchFailure(sink);
}

} // namespace tavrix
