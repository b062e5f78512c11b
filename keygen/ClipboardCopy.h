#pragma once

#include <QString>

class QClipboard;

namespace tavrix {

// Clears the clipboard (every format), puts the empty text, then the key, as plain text.
void CopyKeyToClipboard(QClipboard& clipboard, const QString& key);

} // namespace tavrix
