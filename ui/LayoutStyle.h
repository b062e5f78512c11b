// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace tavrix {

// The stored layouts give every control a fixed rectangle, measured in the Fusion style (on Windows, in the
// system's own style, windowsvista). Styles with wider indicators or margins (Adwaita and its variants) cut
// captions off at the right-hand edge, and the layout does not grow. So the program draws its controls with
// that style whatever style the user chose, and keeps the palette that style or the platform theme gives, so
// a dark desktop stays dark. With that style in use already (Qt's default, and the GTK platform theme's
// choice; Windows' default) nothing changes. Call before the first window is built.
void UseLayoutStyle();

} // namespace tavrix
