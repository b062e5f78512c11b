// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/RandomSource.h"
#include "settings/QSettingsStore.h"
#include "shell/modShellExecute.h"
#include "ui/CommandLine.h"
#include "ui/Console.h"
#include "ui/DictionaryFolders.h"
#include "ui/QtMessageSink.h"
#include "ui/modStartup.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// Without a display Qt's xcb platform aborts; say so plainly and leave with a failure status instead.
bool DisplayAvailable() {
    const auto has = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return has("QT_QPA_PLATFORM") || has("DISPLAY") || has("WAYLAND_DISPLAY");
}
#endif

// A fatal Qt message (for instance a display that cannot be reached) ends the program with a plain
// message and a failure status rather than an abort and a core dump.
void MessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s\n", text.constData());
    if (type == QtFatalMsg) {
        std::fflush(stderr);
        std::_Exit(1);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // --help, --version and --generate answer without a window, so they need no display.
    if (tavrix::NamesCommandLineOption(argc, argv)) {
        tavrix::UseParentConsole();
        return tavrix::RunCommandLine(argc, argv);
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!DisplayAvailable()) {
        std::fputs("tavrix: no display found (DISPLAY is not set). Tavrix is a desktop program and needs "
                   "a graphical session.\n",
                   stderr);
        return 1;
    }
#endif
#ifdef SIGXFSZ
    // A write past the user's file size limit then fails like any other failed write, which the settings
    // store reports, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    qInstallMessageHandler(MessageHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrix"));
    QApplication::setOrganizationName(QStringLiteral("Tavrix"));
#ifdef TAVRIX_APP_ID
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVRIX_APP_ID));
#endif

    tavrix::QSettingsStore store;
    tavrix::QtMessageSink sink;
    tavrix::SystemRandomSource random;
    tavrix::modStartup startup(
        tavrix::ProgramServices{store, sink, random, tavrix::DictionaryFolders(),
                                [&sink](const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
                                        const QString& sDirectory, bool bWait) {
                                    tavrix::ShellExe(sFile, sParameters, lHwnd, lShowCmd, sDirectory, bWait, sink);
                                }});
    QObject::connect(&startup, &tavrix::modStartup::noWindowLoaded, &app, &QCoreApplication::quit);
    startup.Main();
    return QApplication::exec();
}
