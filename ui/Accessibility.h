// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace tavrix {

// Tells screen readers what the window's own kinds of controls are and lets them work them: a Toolbar is a
// page-tab list or a toolbar, the buttons of a page-tab list are page tabs (selected while pressed; their
// press action clicks them), and a ClickLabel is a link or a button with a press action. Safe to call more
// than once; call before the first window with such controls is built.
void InstallAccessibleInterfaces();

} // namespace tavrix
