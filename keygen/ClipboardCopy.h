// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class QClipboard;

namespace tavrix {

// Clears the clipboard (every format), puts the empty text, then the key as plain text; a non-empty key
// also carries the password-manager hint ("x-kde-passwordManagerHint" = "secret").
void CopyKeyToClipboard(QClipboard& clipboard, const QString& key);

} // namespace tavrix
