// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modWinXP.h"

namespace tavrix {

// There is no shell32.dll to preload here: nothing is loaded, so there is nothing to release.
ModuleHandle LoadLibraryA(const char* /*lpLibFileName*/) {
    return 0;
}

bool FreeLibrary(ModuleHandle /*hLibModule*/) {
    return false;
}

} // namespace tavrix
