// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QMimeData>

namespace tavrix {

namespace {

// The key (or the empty text) as the clipboard's contents; the key is a secret, and the hint asks clipboard
// managers to keep it out of their history.
QMimeData* KeyData(const QString& key) {
    auto* data = new QMimeData;
    data->setText(key);
    if (!key.isEmpty())
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    return data;
}
} // namespace

bool CopyKeyToClipboard(QClipboard& clipboard, const QString& key) {
    // Clearing first drops every other format a previous owner left.
    clipboard.clear();
    clipboard.setText(QString());
    clipboard.setMimeData(KeyData(key));
    return true;
}

bool SetKeySelection(QClipboard& clipboard, const QString& key) {
    clipboard.setMimeData(KeyData(key));
    return true;
}

} // namespace tavrix
