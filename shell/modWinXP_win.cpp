// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modWinXP.h"

#include <windows.h>

namespace tavrix {

ModuleHandle LoadLibraryA(const char* lpLibFileName) {
    return reinterpret_cast<ModuleHandle>(::LoadLibraryA(lpLibFileName));
}

bool FreeLibrary(ModuleHandle hLibModule) {
    return ::FreeLibrary(reinterpret_cast<HMODULE>(hLibModule)) != FALSE;
}

} // namespace tavrix
