// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QThread>

#include <windows.h>

#include <cstring>

// The key goes onto the Windows clipboard directly rather than through QClipboard: Qt 6.4 registers a custom
// format under its whole MIME name ("application/x-qt-windows-mime;value=...") when it writes one, so the
// formats that keep the key out of the clipboard history would not carry the names Windows reads, and it
// hides a clipboard it could not open. Qt learns of the change from the system, as of any other program's.

namespace tavrix {

namespace {

// Another program (a clipboard manager reading the last copy, say) may hold the clipboard open for a moment;
// it is asked again a few times before the copy counts as refused.
constexpr int kOpenAttempts = 5;
constexpr int kOpenPauseMs = 60;

// The clipboard's owner: a message-only window of the program's own, since a clipboard emptied while opened
// without one takes no data.
HWND OwnerWindow() {
    static const HWND window = ::CreateWindowExW(0, L"STATIC", L"Tavrix clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    return window;
}

// Moveable global memory holding the bytes, as SetClipboardData takes them; null when there is no memory.
HGLOBAL GlobalCopy(const void* bytes, size_t size) {
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return nullptr;
    std::memcpy(::GlobalLock(memory), bytes, size);
    ::GlobalUnlock(memory);
    return memory;
}

// Puts the data on the open clipboard; the clipboard owns the memory once this succeeds.
bool SetData(UINT format, const void* bytes, size_t size) {
    const HGLOBAL memory = GlobalCopy(bytes, size);
    if (memory && ::SetClipboardData(format, memory))
        return true;
    if (memory)
        ::GlobalFree(memory);
    return false;
}

bool SetText(const QString& text) {
    return SetData(CF_UNICODETEXT, text.utf16(), (size_t(text.size()) + 1) * sizeof(char16_t));
}

bool OpenClipboardWithRetries() {
    for (int attempt = 1;; ++attempt) {
        if (::OpenClipboard(OwnerWindow()))
            return true;
        if (attempt == kOpenAttempts)
            return false;
        QThread::msleep(kOpenPauseMs);
    }
}

} // namespace

bool CopyKeyToClipboard(QClipboard& /*clipboard*/, const QString& key) {
    if (!OpenClipboardWithRetries())
        return false;
    // Emptying drops every format a previous owner left; the empty text, then the key, replace each other.
    bool copied = ::EmptyClipboard() && SetText(QString()) && SetText(key);
    if (copied && !key.isEmpty()) {
        const DWORD no = 0;
        for (const char* name : kWindowsSecretFormats) {
            const UINT format = ::RegisterClipboardFormatA(name);
            copied = copied && format != 0 && SetData(format, &no, sizeof no);
        }
    }
    ::CloseClipboard();
    return copied;
}

bool SetKeySelection(QClipboard& clipboard, const QString& key) {
    return CopyKeyToClipboard(clipboard, key);
}

} // namespace tavrix
