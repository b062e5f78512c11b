// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tavrix {

// The lifecycle every window of the program follows. The Form object is the window's one instance for the
// whole run; being loaded (having an on-screen widget with its controls) is separate from it:
//   Load    builds the widget and its controls from the stored layout, hidden, then runs the load step.
//           Loading a loaded window does nothing.
//   Show    loads if needed, centres the window on the screen the first time it is shown after a load,
//           and shows it modeless and without an owner.
//   Unload  runs the unload step, then destroys the widget and its controls; the instance stays.
//           Unloading a window that is not loaded does nothing. Closing the window unloads it.
class Form : public QObject {
    Q_OBJECT
public:
    bool isLoaded() const { return m_window != nullptr; }
    QWidget* window() const { return m_window; }

    void Load();
    void Show();
    void Unload();

signals:
    void unloaded();

protected:
    explicit Form(QObject* parent = nullptr) : QObject(parent) {}

    // Builds the widget and its controls, hidden. The Form takes ownership.
    virtual QWidget* createWindow() = 0;
    // Forget every pointer into the widget; it is about to be destroyed.
    virtual void releaseControls() = 0;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_centrePending = false;
};

} // namespace tavrix
