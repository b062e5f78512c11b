// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace tavrix {

class MessageSink;

// Opens a file, document or address with the desktop's default handler ("open" action).
// On Linux the handler is `xdg-open`, found through PATH; on Windows ShellExecuteExA.
// A failed launch is reported through `sink` with the "ShellExe()" message. With bWait the call returns only
// after the started process has ended, then handles pending events once. Without bWait the call never waits
// for the opener: on Linux a failure known at once (no opener, a working directory that does not exist) is
// reported before it returns, and an opener that ends badly later is reported from the event loop, so `sink`
// must outlive the opener. An opener still running when the program ends is left to finish its work.
void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink);

// The "ShellExe()" box of a failed launch, shown through `sink`.
void ReportLaunchFailure(MessageSink& sink);

} // namespace tavrix
