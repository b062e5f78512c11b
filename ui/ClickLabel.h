#pragma once

#include <QLabel>

namespace tavrix {

// A label or picture that can be clicked: a left-button press and release inside it, Space, Return or Enter
// while it has the keyboard focus, or the press action of a screen reader all raise clicked(). A focused
// one is drawn with the style's focus frame. Screen readers are told it is a link (link set) or a button.
// A link's text is blue, in a shade that stays readable on the palette of the moment (see LinkColour.h).
class ClickLabel final : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool link READ isLink WRITE setLink)
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    bool isLink() const { return m_link; }
    void setLink(bool link);

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

private:
    void followPalette();

    bool m_link = false;
    bool m_pressed = false;
};

} // namespace tavrix
