// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

class QFile;

namespace tavrix {

// Files are opened for reading only when they are regular files. A named pipe would block the open until
// some other program writes to it, and a device such as /dev/zero never ends, so neither is ever opened.

// Opens the file, unbuffered and read-only, only when it is a regular file. False when the file is missing,
// is no regular file or cannot be opened.
bool OpenRegularFile(QFile& file);

#if defined(Q_OS_UNIX)
// What OpenRegularFileAt found at a path.
struct RegularFileOpening {
    enum class Outcome {
        Opened,     // fd is open; status is the opened file's
        Missing,    // nothing could be looked up at the path; error says why
        NotRegular, // the path names no regular file (or stopped naming one); status is what was there
        OpenFailed, // a regular file that could not be opened; error says why, status is the file's
    };
    Outcome outcome = Outcome::Missing;
    int fd = -1; // read-only, non-blocking and closed on exec; the caller closes it
    int error = 0;
    struct stat status {};
};

// Opens the file at the native path when it is a regular file, checking again on what was opened.
RegularFileOpening OpenRegularFileAt(const QByteArray& path);
#endif

} // namespace tavrix
