// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

#include <utility>

namespace tavrix {

namespace {

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
    if (m_desktop == Desktop::Wayland)
        return SetKeySelection(*clipboard, key);
    return CopyKeyToClipboard(*clipboard, key);
}

} // namespace tavrix
