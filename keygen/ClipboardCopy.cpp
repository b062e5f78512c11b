#include "keygen/ClipboardCopy.h"

#include <QClipboard>

namespace tavrix {

void CopyKeyToClipboard(QClipboard& clipboard, const QString& key) {
    // Clearing first drops every other format a previous owner left, so only plain text remains.
    clipboard.clear();
    clipboard.setText(QString());
    clipboard.setText(key);
}

} // namespace tavrix
