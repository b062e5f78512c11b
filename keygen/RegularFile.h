// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QFile;

namespace tavrix {

// Opens the file, unbuffered and read-only, only when it is a regular file. A named pipe would block the
// open until some other program writes to it, and a device such as /dev/zero never ends, so neither is
// ever opened for reading. False when the file is missing, is no regular file or cannot be opened.
bool OpenRegularFile(QFile& file);

} // namespace tavrix
