// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ParentDrawnFrame.h"

#include <QEvent>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tavrix {

void ParentDrawnFrame::attach(QFrame* framed) {
    new ParentDrawnFrame(framed);
}

ParentDrawnFrame::ParentDrawnFrame(QFrame* framed) : QObject(framed), m_framed(framed) {
    framed->installEventFilter(this);
    framed->parentWidget()->installEventFilter(this);
}

bool ParentDrawnFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint)
        return QObject::eventFilter(watched, event);
    if (watched == m_framed)
        return true; // the frame is all a scroll area paints of itself; its viewport paints the rest
    // The parent, the one other object watched (the widget is never moved to another). Drawn before the
    // parent's own painting, which leaves the widget's place alone. The frame is drawn on the device pixels
    // the widget covers at least half, one device pixel wide, so that its edges fall on whole pixels next to
    // the contents rather than across them.
    QPainter painter(m_framed->parentWidget());
    const QTransform toDevice = painter.deviceTransform();
    const QRectF covered = toDevice.mapRect(QRectF(m_framed->geometry()));
    const QRect pixels(QPoint(qRound(covered.left()), qRound(covered.top())),
                       QPoint(qRound(covered.right()) - 1, qRound(covered.bottom()) - 1));
    QImage frame(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter framePainter(&frame);
        QStyleOptionFrame option;
        option.initFrom(m_framed);
        option.rect = frame.rect();
        option.lineWidth = m_framed->lineWidth();
        option.midLineWidth = m_framed->midLineWidth();
        option.frameShape = m_framed->frameShape();
        if (m_framed->frameShadow() == QFrame::Sunken)
            option.state |= QStyle::State_Sunken;
        else if (m_framed->frameShadow() == QFrame::Raised)
            option.state |= QStyle::State_Raised;
        m_framed->style()->drawPrimitive(QStyle::PE_Frame, &option, &framePainter, m_framed);
    }
    painter.drawImage(toDevice.inverted().mapRect(QRectF(pixels)), frame);
    return QObject::eventFilter(watched, event);
}

} // namespace tavrix
