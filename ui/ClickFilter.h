#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace tavrix {

// Gives a widget that has no click signal of its own (a label, a picture) a Click event: a left-button
// press and release inside it, or Space/Return/Enter while it has the keyboard focus.
class ClickFilter final : public QObject {
public:
    static void attach(QWidget* widget, std::function<void()> onClick);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ClickFilter(QWidget* widget, std::function<void()> onClick);
    std::function<void()> m_onClick;
    bool m_pressed = false;
};

} // namespace tavrix
