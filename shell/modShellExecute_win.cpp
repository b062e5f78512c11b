// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/ShellCalls_win.h"
#include "shell/modShellExecute.h"

#include <QByteArray>
#include <QCoreApplication>

namespace tavrix {

// The request is the structure's own size: ShellExecuteExA refuses any other, and on x64 pointers make
// it 112 bytes where the 32-bit layout had 60.
#if defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 112, "the x64 layout of SHELLEXECUTEINFOA");
#endif

ShellCalls ShellCalls::System() {
    return {[](SHELLEXECUTEINFOA& info) { return ::ShellExecuteExA(&info); },
            [](HANDLE process, DWORD milliseconds) { return ::WaitForSingleObject(process, milliseconds); },
            [](HANDLE handle) { return ::CloseHandle(handle); }};
}

void ShellExeWith(const ShellCalls& calls, const QString& sFile, const QString& sParameters, qint32 lHwnd,
                  qint32 lShowCmd, const QString& sDirectory, bool bWait, MessageSink& sink) {
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

    const BOOL launched = calls.execute(info);

    if (bWait) {
        // A launch that started no process (hProcess null) has nothing to wait for.
        if (info.hProcess != nullptr)
            calls.wait(info.hProcess, INFINITE);
        QCoreApplication::processEvents();
    }

    if (launched == FALSE)
        ReportLaunchFailure(sink);

    if (info.hProcess != nullptr)
        calls.closeHandle(info.hProcess);
}

void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink) {
    ShellExeWith(ShellCalls::System(), sFile, sParameters, lHwnd, lShowCmd, sDirectory, bWait, sink);
}

} // namespace tavrix
