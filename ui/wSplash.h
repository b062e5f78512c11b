// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/Form.h"

#include <memory>

namespace Ui {
class wSplash;
}

namespace tavrix {

// The borderless splash picture shown while the main window loads, and again from the about page's logo.
// It has no load or unload step of its own; a click on the picture is reported with pictureClicked(), which
// modStartup connects to the main window's close step. It is a splash-screen window, so it takes no task-bar
// entry.
class wSplash final : public Form {
    Q_OBJECT
public:
    explicit wSplash(QObject* parent = nullptr);
    ~wSplash() override;

    // Returns once a shown splash is on screen with its picture painted, so that a load step run next, with
    // no event loop to paint it, does not leave it blank.
    void waitUntilPainted();

signals:
    void pictureClicked();

protected:
    QWidget* createWindow() override;
    void releaseControls() override;

private:
    void imgLogo_Click();

    std::unique_ptr<Ui::wSplash> m_ui;
};

} // namespace tavrix
