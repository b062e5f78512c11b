// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClickLabel.h"

#include "ui/LinkColour.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace tavrix {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::setLink(bool link) {
    m_link = link;
    followPalette();
}

void ClickLabel::followPalette() {
    if (!m_link)
        return;
    // The window colour comes from the parent, so a change of theme or palette reaches this label as a
    // palette change.
    const QColor colour = LinkColour(palette());
    if (palette().color(QPalette::WindowText) == colour)
        return;
    // Only the text colour is set here, so that every other role goes on following the parent.
    QPalette own;
    own.setColor(QPalette::WindowText, colour);
    setPalette(own);
}

void ClickLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        followPalette();
}

void ClickLabel::setPicture(const QString& path) {
    m_picture = path;
    showPicture();
}

namespace {

// Read without Qt's pixmap cache, which QPixmap's file constructor fills: a picture is held by the label
// that shows it and goes with it, instead of staying in the cache after its window is gone (the splash,
// 170 KiB decoded).
QPixmap ReadPicture(const QString& path) {
    return QPixmap::fromImage(QImage(path));
}

} // namespace

void ClickLabel::showPicture() {
    if (m_picture.isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    if (!pixmap().isNull() && pixmap().devicePixelRatio() == ratio)
        return;
    if (ratio <= 1.0) {
        setPixmap(ReadPicture(m_picture));
        return;
    }
    // Qt's high-DPI naming: "name@2x.ext" beside "name.ext". Reading it sets the pixel ratio 2.
    const qsizetype dot = m_picture.lastIndexOf(QLatin1Char('.'));
    QPixmap doubled = ReadPicture(m_picture.left(dot) + QStringLiteral("@2x") + m_picture.mid(dot));
    if (doubled.isNull()) {
        setPixmap(ReadPicture(m_picture));
        return;
    }
    if (ratio != doubled.devicePixelRatio()) {
        const QSizeF size = doubled.deviceIndependentSize();
        doubled = doubled.scaled((size * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        doubled.setDevicePixelRatio(ratio);
    }
    setPixmap(doubled);
}

bool ClickLabel::event(QEvent* event) {
    const bool handled = QLabel::event(event);
    // Sent when the window moves to another screen, whose pixel ratio may differ.
    if (event->type() == QEvent::ScreenChangeInternal)
        showPicture();
    return handled;
}

void ClickLabel::click() {
    emit clicked();
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!(event->modifiers() & ~Qt::KeypadModifier)) {
            event->accept();
            if (!event->isAutoRepeat())
                click();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    // Some styles draw the frame only after a Tab press; a link focused by a screen reader shows it too.
    option.state |= QStyle::State_KeyboardFocusChange;
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace tavrix
