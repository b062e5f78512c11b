// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QObject>

class QAbstractButton;

namespace tavrix {

// Makes a group of buttons one stop in the Tab order: only the group's current button takes Tab focus. While
// the focus is inside the group the focused button is current; once it has left, the current button is the
// checked one (Entry::Checked, for option buttons and page tabs) or the one focused last
// (Entry::LastFocused, for a row of push buttons). The first button is current until one of those exists.
class RovingTabStop final : public QObject {
public:
    enum class Entry { Checked, LastFocused };

    RovingTabStop(QList<QAbstractButton*> buttons, Entry entry, QObject* parent);

    const QList<QAbstractButton*>& buttons() const { return m_buttons; }
    bool holdsFocus() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* current() const;
    void makeTabStop(QAbstractButton* stop);

    QList<QAbstractButton*> m_buttons;
    Entry m_entry;
    QAbstractButton* m_lastFocused = nullptr;
};

} // namespace tavrix
