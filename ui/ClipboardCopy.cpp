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

// The key (or the empty text) as the clipboard's contents; the key is a secret, and the hints ask clipboard
// managers to keep it out of their history. On Windows the hints are the formats the system's own clipboard
// history and cloud clipboard read (a DWORD 0 for "no"), and the one clipboard monitors read to leave the
// contents alone; Qt registers a format of that name for each "application/x-qt-windows-mime" type.
QMimeData* KeyData(const QString& key) {
    auto* data = new QMimeData;
    data->setText(key);
    if (!key.isEmpty()) {
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
#if defined(Q_OS_WIN)
        const QByteArray no(4, '\0');
        for (const char* format : kWindowsSecretFormats)
            data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(format)), no);
#endif
    }
    return data;
}

// Whether the clipboard took what was just put on it. Only the Windows clipboard can refuse (another program
// holds it open); Qt then keeps nothing of it.
bool ClipboardTook(const QClipboard& clipboard) {
    return QGuiApplication::platformName() != QLatin1String("windows") || clipboard.ownsClipboard();
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

bool CopyKeyToClipboard(QClipboard& clipboard, const QString& key) {
    // Clearing first drops every other format a previous owner left.
    clipboard.clear();
    clipboard.setText(QString());
    clipboard.setMimeData(KeyData(key));
    return ClipboardTook(clipboard);
}

ClipboardWriter::ClipboardWriter(Desktop desktop, QObject* parent) : QObject(parent), m_desktop(desktop) {
    if (m_desktop == Desktop::Wayland && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

ClipboardWriter::Desktop ClipboardWriter::RunningDesktop() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? Desktop::Wayland
                                                                                : Desktop::X11OrOther;
}

bool ClipboardWriter::copy(const QString& key) {
    if (m_desktop == Desktop::Wayland && !m_inputSeen) {
        m_held = key;
        return true;
    }
    return write(key);
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

bool ClipboardWriter::write(const QString& key) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    if (m_desktop == Desktop::Wayland) {
        clipboard->setMimeData(KeyData(key));
        return true;
    }
    return CopyKeyToClipboard(*clipboard, key);
}

} // namespace tavrix
