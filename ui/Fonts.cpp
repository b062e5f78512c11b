// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tavrix {

void RegisterBundledFonts() {
    static const bool registered = [] {
        // Only the regular face: the free bold face that goes with it carries the regular outlines on wider
        // spacing, so bold text set in it looked regular. Without it, bold text is the regular face made
        // bold by the font engine.
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/tahoma.ttf"));
        return true;
    }();
    (void)registered;
}

} // namespace tavrix
