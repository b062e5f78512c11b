// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>

class QPalette;

namespace tavrix {

// The colour a link label is drawn in on a window of this palette. On a light window it is pure blue
// (0, 0, 255). On a dark one, where pure blue is hard to read, it is the palette's link colour if that
// stands out from the window by at least 4.5 : 1, otherwise pure blue lightened just enough to do so.
QColor LinkColour(const QPalette& palette);

} // namespace tavrix
