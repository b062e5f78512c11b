// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMimeData>

#include <utility>

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

// The window system's own report of the user pressing a key, a button or the screen.
bool IsUserInput(const QEvent& event) {
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return event.spontaneous();
    default:
        return false;
    }
}

} // namespace

void CopyKeyToClipboard(QClipboard& clipboard, const QString& key) {
    // Clearing first drops every other format a previous owner left.
    clipboard.clear();
    clipboard.setText(QString());
    clipboard.setMimeData(KeyData(key));
}

ClipboardWriter::ClipboardWriter(Desktop desktop, QObject* parent) : QObject(parent), m_desktop(desktop) {
    if (m_desktop == Desktop::Wayland && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

ClipboardWriter::Desktop ClipboardWriter::RunningDesktop() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? Desktop::Wayland
                                                                                : Desktop::X11OrOther;
}

void ClipboardWriter::copy(const QString& key) {
    if (m_desktop == Desktop::Wayland && !m_inputSeen) {
        m_held = key;
        return;
    }
    write(key);
}

bool ClipboardWriter::eventFilter(QObject* watched, QEvent* event) {
    if (!m_inputSeen && IsUserInput(*event)) {
        // Qt has taken this event's serial already; a selection sent now is one the compositor accepts.
        m_inputSeen = true;
        QCoreApplication::instance()->removeEventFilter(this);
        if (const std::optional<QString> held = std::exchange(m_held, std::nullopt))
            write(*held);
    }
    return QObject::eventFilter(watched, event);
}

void ClipboardWriter::write(const QString& key) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    if (m_desktop == Desktop::Wayland)
        clipboard->setMimeData(KeyData(key));
    else
        CopyKeyToClipboard(*clipboard, key);
}

} // namespace tavrix
