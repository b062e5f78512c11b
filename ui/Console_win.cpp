// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Console.h"

#include <windows.h>

#include <cstdio>

namespace tavrix {

namespace {

// A standard handle the parent passed on that leads somewhere of its own: a file, a pipe or a device such
// as NUL. A console handle a desktop program inherits is of no use until the program attaches to that
// console, so it is not counted.
bool Redirected(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE:
        return true;
    case FILE_TYPE_CHAR: {
        DWORD mode = 0;
        return GetConsoleMode(handle, &mode) == 0;
    }
    default:
        return false;
    }
}

} // namespace

void UseParentConsole() {
    const bool output = Redirected(STD_OUTPUT_HANDLE);
    const bool error = Redirected(STD_ERROR_HANDLE);
    if ((output && error) || GetConsoleWindow() != nullptr || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // The C runtime set its streams up from the handles the program started with; point those that had
    // nowhere to go at the console now attached.
    if (!output && std::freopen("CONOUT$", "w", stdout) == nullptr)
        return;
    if (!error)
        std::freopen("CONOUT$", "w", stderr);
}

bool IsPlatformHelpOption(const QString& argument) {
    return argument == QLatin1String("/?");
}

} // namespace tavrix
