#pragma once

#include <QString>

namespace tavrix {

class MessageSink;

// Opens a file, document or address with the desktop's default handler ("open" action).
// On Linux the handler is `xdg-open`, found through PATH; on Windows ShellExecuteExA.
// A failed launch is reported through `sink` with the "ShellExe()" message. With bWait the call returns
// only after the started process has ended, then handles pending events once.
void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink);

namespace detail {

// How long a call that does not wait gives xdg-open to hand the target over and report its status. An opener
// still running after that counts as launched; it is reaped in the background when it ends.
inline constexpr int kOpenerGracePeriodMs = 10000;

// ShellExe with the grace period as a parameter, so tests need not sit through the full period.
void ShellExe(const QString& sFile, const QString& sParameters, qint32 lHwnd, qint32 lShowCmd,
              const QString& sDirectory, bool bWait, MessageSink& sink, int openerGracePeriodMs);

} // namespace detail

} // namespace tavrix
