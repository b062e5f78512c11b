#pragma once

#include <QtGlobal>

namespace tavrix {

// Library preload declarations. On Windows these are the system's LoadLibraryA/FreeLibrary;
// elsewhere there is no shell32.dll, so the counterparts hold nothing and return 0.
using ModuleHandle = quintptr;

ModuleHandle LoadLibraryA(const char* lpLibFileName);
bool FreeLibrary(ModuleHandle hLibModule);

constexpr qint32 SW_SHOWNORMAL = 1;

} // namespace tavrix
