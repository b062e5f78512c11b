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
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && text[i] != u'\n' && text[i] != u'\r')
            continue;
        const qsizetype length = i - lineStart;
        if (length > kLongestShownLine) {
            shown += QStringView(text).mid(lineStart, kLongestShownLine);
            shown += QChar(0x2026);
        } else {
            shown += QStringView(text).mid(lineStart, length);
        }
        if (!end)
            shown += text[i];
        lineStart = i + 1;
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
