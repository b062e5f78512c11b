// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace tavrix {

// A label or picture that can be clicked: a left-button press and release inside it, Space, Return or Enter
// while it has the keyboard focus, or the press action of a screen reader all raise clicked(). A focused
// one is drawn with the style's focus frame. Screen readers are told it is a link (link set) or a button.
class ClickLabel final : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool link READ isLink WRITE setLink)
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    bool isLink() const { return m_link; }
    void setLink(bool link) { m_link = link; }

    // Raises clicked(), as a click does.
    void click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_link = false;
    bool m_pressed = false;
};

} // namespace tavrix
