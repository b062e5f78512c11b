// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

namespace tavrix {

// Library preload declarations. On Windows these are the system's LoadLibraryA/FreeLibrary;
// elsewhere there is no shell32.dll, so the counterparts hold nothing and return 0.
using ModuleHandle = quintptr;

ModuleHandle LoadLibraryA(const char* lpLibFileName);
bool FreeLibrary(ModuleHandle hLibModule);

// The show command that opens a window at its normal size and place (the value of the system's
// SW_SHOWNORMAL, which <windows.h> defines as a macro: this name must not be that one).
inline constexpr qint32 kShowNormal = 1;

} // namespace tavrix
