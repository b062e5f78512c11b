// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Console.h"

namespace tavrix {

void UseParentConsole() {}

bool IsPlatformHelpOption(const QString&) {
    return false;
}

} // namespace tavrix
