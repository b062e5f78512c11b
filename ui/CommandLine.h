// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace tavrix {

// Whether the arguments name one of the command line's own options (--help, --version, --generate and the
// choices that go with it). Without one the program is the desktop program, and Qt's own options such as
// -platform keep working as before.
bool NamesCommandLineOption(int argc, char* argv[]);

// Answers the command line without a window or a display: prints the usage, the version or keys and
// returns the exit status (0 done, 1 a key could not be made, 2 a bad option or value). Reads the saved
// choices for the options not given and never writes them.
int RunCommandLine(int argc, char* argv[]);

} // namespace tavrix
