// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tavrix {

RegularFileOpening OpenRegularFileAt(const QByteArray& path) {
    using Outcome = RegularFileOpening::Outcome;
    RegularFileOpening opening;
    if (::stat(path.constData(), &opening.status) != 0) {
        opening.error = errno;
        return opening;
    }
    if (!S_ISREG(opening.status.st_mode)) {
        opening.outcome = Outcome::NotRegular;
        return opening;
    }
    // Non-blocking, in case a pipe took the file's place since the check; the check is made again on what
    // was opened.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        opening.outcome = Outcome::OpenFailed;
        opening.error = errno;
        return opening;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        opening.outcome = Outcome::NotRegular;
        return opening;
    }
    opening.outcome = Outcome::Opened;
    opening.fd = fd;
    opening.status = opened;
    return opening;
}

bool OpenRegularFile(QFile& file) {
    const RegularFileOpening opening = OpenRegularFileAt(QFile::encodeName(file.fileName()));
    if (opening.outcome != RegularFileOpening::Outcome::Opened)
        return false;
    if (!file.open(opening.fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(opening.fd);
        return false;
    }
    return true;
}

} // namespace tavrix
