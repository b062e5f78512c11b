// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QClipboard;

namespace tavrix {

// Clears the clipboard (every format), puts the empty text, then the key as plain text; a non-empty key
// also carries the hints that ask clipboard managers to keep it out of their history: on Linux the
// password-manager hint ("x-kde-passwordManagerHint" = "secret"), on Windows the formats of
// kWindowsSecretFormats. False when the clipboard refused the key (on Windows, while another program holds it
// open); it then holds what it held before, or nothing.
bool CopyKeyToClipboard(QClipboard& clipboard, const QString& key);

// The key with its hint as one selection, replacing every format of the last: a Wayland compositor may refuse
// a second selection sent with the same serial.
bool SetKeySelection(QClipboard& clipboard, const QString& key);

#if defined(Q_OS_WIN)
// The Windows clipboard formats a key carries besides its text, each a DWORD 0: the system's clipboard history
// and cloud clipboard leave it out, and clipboard monitors leave it alone.
inline constexpr const char* kWindowsSecretFormats[] = {"ExcludeClipboardContentFromMonitorProcessing",
                                                        "CanIncludeInClipboardHistory", "CanUploadToCloudClipboard"};
#endif

// Puts keys on the desktop's clipboard the way the desktop takes them.
//
// Anywhere but Wayland each copy is made at once by CopyKeyToClipboard.
//
// A Wayland compositor takes a new selection only in answer to the user's input: Qt sends it with the serial
// of the last key, button or touch event (or pointer entry) the program received, and the compositor refuses
// serial 0, sent before there was any. So a copy asked for before the user's first key press, click or touch
// in one of the program's windows is held back (the last one asked for wins) and made when that input
// arrives, before the window handles it. Nothing is put on the clipboard before then, so what it held stays
// there unchanged. A Wayland copy is one selection, the key with its hint: a new selection replaces every
// format of the last, and a compositor may refuse a second selection sent with the same serial.
class ClipboardWriter final : public QObject {
public:
    enum class Desktop { X11OrOther, Wayland };

    explicit ClipboardWriter(Desktop desktop, QObject* parent = nullptr);

    // The desktop the running application's platform plugin talks to.
    static Desktop RunningDesktop();

    // False when the clipboard refused the key; a copy held back on Wayland is no refusal.
    bool copy(const QString& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool write(const QString& key) const;

    Desktop m_desktop;
    bool m_inputSeen = false;
    std::optional<QString> m_held;
};

} // namespace tavrix
