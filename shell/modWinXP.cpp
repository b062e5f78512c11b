// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modWinXP.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tavrix {

#ifdef Q_OS_WIN

ModuleHandle LoadLibraryA(const char* lpLibFileName) {
    return reinterpret_cast<ModuleHandle>(::LoadLibraryA(lpLibFileName));
}

bool FreeLibrary(ModuleHandle hLibModule) {
    return ::FreeLibrary(reinterpret_cast<HMODULE>(hLibModule)) != FALSE;
}

#else

// There is no shell32.dll to preload here: nothing is loaded, so there is nothing to release.
ModuleHandle LoadLibraryA(const char* /*lpLibFileName*/) {
    return 0;
}

bool FreeLibrary(ModuleHandle /*hLibModule*/) {
    return false;
}

#endif

} // namespace tavrix
