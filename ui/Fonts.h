// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace tavrix {

// Registers the bundled window face (metric-compatible with the layout's "Tahoma"), so captions fit the
// fixed layout on systems that lack it. Safe to call more than once.
void RegisterBundledFonts();

} // namespace tavrix
