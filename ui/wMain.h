// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// wMain: the main window.
//
//   wMain.ui        the stored layout: every control, its place, caption, tooltip, tag and tab order.
//   wMain (Form)    the window's one instance; loads and unloads the widget built from the layout.
//   event procedures (Control_Event) react to the controls; a value the program puts into a control raises
//                   the control's event exactly as a user's choice would, but only when the value changes.
//   SettingsAccess  the six stored choices: read once in Form_Load, written the moment a control changes.
//   keygen          TryAssembleKey builds a key from the plain values read off the controls; the result goes
//                   into txtKey and, when chkAutoClipboard is ticked, onto the clipboard. KeyStrengthMeter
//                   gives the key's bits of randomness for txtKey's tooltip.
//   ShellLauncher   opens the credit links (ShellExe in the program).
//   signals         the about page's logo and the close step ask for the splash to be shown or unloaded;
//                   modStartup connects them to wSplash, which this window does not know.
//
// A key travels: tbrMisc button "_generatekey" -> GenerateKey -> TryAssembleKey (GetRnd / GetWord) -> txtKey
// -> CopyToClipboard.

#include "keygen/KeyStrength.h"
#include "keygen/WordSource.h"
#include "shell/modWinXP.h"
#include "ui/ClipboardCopy.h"
#include "ui/Form.h"
#include "ui/ImageList.h"

#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QGroupBox;
class QRadioButton;
class QTimer;
class QToolButton;

namespace Ui {
class wMain;
}

namespace tavrix {

class MessageSink;
class RandomSource;
class SettingsAccess;

// Opens a file or address with the desktop's default handler; the arguments of ShellExe.
using ShellLauncher = std::function<void(const QString& sFile, const QString& sParameters, qint32 lHwnd,
                                         qint32 lShowCmd, const QString& sDirectory, bool bWait)>;

struct MainWindowServices {
    SettingsAccess& settings;
    MessageSink& sink;
    RandomSource& random;
    QStringList dictionaryFolders; // searched in order for dict.txt
    ShellLauncher launcher;
};

class wMain final : public Form {
    Q_OBJECT
public:
    explicit wMain(MainWindowServices services, QObject* parent = nullptr);
    ~wMain() override;

    // Public operations.
    void GenerateKey();
    QString GetWord(qint32 lRequiredLength);
    qint32 GetRnd(qint32 lMax);
    void GenerateEvent();
    void CopyToClipboard();
    void tmrSplashClose_Timer();

    // The window's tag: the current ASCII method as text ("0" or "1") once loading has chosen one.
    QString tag() const;
    const ImageList& imlMain() const;

signals:
    // The about page's logo was clicked: the splash is to be shown.
    void showSplashRequested();
    // The close step has shown this window: the splash is to be unloaded.
    void unloadSplashRequested();

protected:
    QWidget* createWindow() override;
    void releaseControls() override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    void Form_Initialize();
    void connectEvents();
    void setTag(const QString& text);
    void openCreditSite(const char* address);

    // Event procedures.
    void cboKeyStrength_Click();
    void cboKeyType_Click();
    void optASCIIMode_Click(int index);
    void chkGenerateOnStartup_Click();
    void chkAutoClipboard_Click();
    void chkGenerateOnChange_Click();
    void tbrMain_ButtonClick(const QToolButton* button);
    void tbrMisc_ButtonClick(const QToolButton* button);
    void imgLogo_Click();
    void labQuorlen_Click();
    void labVasht_Click();

    MainWindowServices m_services;
    WordSource m_words;
    KeyStrengthMeter m_strength; // the figure in txtKey's tooltip
    ClipboardWriter m_clipboard{ClipboardWriter::RunningDesktop()};
    ModuleHandle m_hMod = 0;
    int m_unloadCount = 0;
    mutable ImageList m_imlMain; // filled on first use, see imlMain()

    // Controls of the loaded window; null while it is not loaded.
    std::unique_ptr<Ui::wMain> m_ui;
    std::array<QGroupBox*, 3> fraContainer{};
    std::array<QWidget*, 3> picAntiFlicker{};
    std::array<QRadioButton*, 2> optASCIIMode{};
    QTimer* tmrSplashClose = nullptr;
    // Last selection each list reported, so a repeated signal for the same index raises no event.
    int m_strengthIndex = -1;
    int m_typeIndex = -1;
};

} // namespace tavrix
