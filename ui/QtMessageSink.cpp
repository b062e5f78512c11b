// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/QtMessageSink.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShortcut>

namespace tavrix {

QString DisplayedMessageText(const QString& text) {
    QString shown;
    shown.reserve(qMin(text.size(), 4 * kLongestShownLine));
    qsizetype lineLength = 0; // of the line so far, counting this character
    for (const QChar c : text) {
        lineLength = c == u'\n' || c == u'\r' ? 0 : lineLength + 1;
        if (lineLength <= kLongestShownLine)
            shown += c;
        else if (lineLength == kLongestShownLine + 1)
            shown += QChar(0x2026);
    }
    return shown;
}

QString CopiedMessageText(const QString& title, const QString& text) {
    const QString separator = QStringLiteral("---------------------------\n");
    return separator + title + u'\n' + separator + text + u'\n' + separator + QStringLiteral("OK   \n") + separator;
}

void QtMessageSink::show(const Message& message) {
    const QMessageBox::Icon icon = message.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    const QString shown = DisplayedMessageText(message.text);
    QMessageBox box(icon, message.title, shown, QMessageBox::Ok);
    // A diagnostic may quote a dictionary line; never let it be read as markup.
    box.setTextFormat(Qt::PlainText);
    const QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box, [&message, &shown] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(CopiedMessageText(message.title, shown));
    });
    box.exec();
}

} // namespace tavrix
