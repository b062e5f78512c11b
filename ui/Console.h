// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace tavrix {

// Connects standard output and standard error to the console of the program this one was started from,
// when this one has none: a Windows desktop program started from cmd.exe or PowerShell by its full name.
// A stream handed over redirected (a file, a pipe, NUL) is kept. Does nothing where every program has its
// streams (Linux), or when the parent has no console either (Explorer).
void UseParentConsole();

// Whether an argument is this platform's own way of asking a program for help, beside --help, -h and -?:
// "/?" on Windows; nothing on Linux, where "/?" is a path.
bool IsPlatformHelpOption(const QString& argument);

} // namespace tavrix
