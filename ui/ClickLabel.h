// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace tavrix {

// A label or picture that can be clicked: a left-button press and release inside it, Space, Return or Enter
// while it has the keyboard focus, or the press action of a screen reader all raise clicked(). A focused
// one is drawn with the style's focus frame. Screen readers are told it is a link (link set) or a button.
// A link's text is blue, in a shade that stays readable on the palette of the moment (see LinkColour.h). A
// picture is drawn for the pixel ratio of the screen the label is on.
class ClickLabel final : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool link READ isLink WRITE setLink)
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    bool isLink() const { return m_link; }
    void setLink(bool link);

    // Shows the picture stored at path at its own size. On a screen with a pixel ratio above 1 the version
    // made at twice the size (path with "@2x" before the extension) is drawn instead, scaled down to the
    // ratio where that is less than 2.
    void setPicture(const QString& path);

    // Raises clicked(), as a click does.
    void click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void followPalette();
    void showPicture();

    bool m_link = false;
    bool m_pressed = false;
    QString m_picture; // path of the picture at its own size
};

} // namespace tavrix
