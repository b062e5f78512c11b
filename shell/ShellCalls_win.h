// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <windows.h>

#include <functional>
#include <shellapi.h>

namespace tavrix {

class MessageSink;

// The system calls ShellExe makes on Windows. The program uses the system's own (System()); tests put
// recorders in their place to see the request and the wait.
struct ShellCalls {
    std::function<BOOL(SHELLEXECUTEINFOA&)> execute;
    std::function<DWORD(HANDLE, DWORD)> wait;
    std::function<BOOL(HANDLE)> closeHandle;

    static ShellCalls System();
};

// ShellExe through the calls given.
void ShellExeWith(const ShellCalls& calls, const QString& sFile, const QString& sParameters, qint32 lHwnd,
                  qint32 lShowCmd, const QString& sDirectory, bool bWait, MessageSink& sink);

} // namespace tavrix
