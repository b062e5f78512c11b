// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modShellExecute.h"

#include "common/MessageSink.h"

namespace tavrix {

void ReportLaunchFailure(MessageSink& sink) {
    // "occured" is the wording users have always seen in this box; it stays as it is.
    sink.show({MessageIcon::Critical, QStringLiteral("ShellExe()"),
               QStringLiteral("An unexpected error occured:\r\n    Maybe file doesn't exist?")});
}

} // namespace tavrix
