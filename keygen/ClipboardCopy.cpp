// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/ClipboardCopy.h"

#include <QClipboard>
#include <QMimeData>

namespace tavrix {

void CopyKeyToClipboard(QClipboard& clipboard, const QString& key) {
    // Clearing first drops every other format a previous owner left.
    clipboard.clear();
    clipboard.setText(QString());
    if (key.isEmpty()) {
        clipboard.setText(key);
        return;
    }
    // The key is a secret: the hint asks clipboard managers to keep it out of their history.
    auto* data = new QMimeData;
    data->setText(key);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    clipboard.setMimeData(data);
}

} // namespace tavrix
