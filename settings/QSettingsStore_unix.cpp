// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/RegularFile.h"
#include "settings/IniFile.h"
#include "settings/QSettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The store reads and writes the INI file itself, in the form QSettings reads, rather than
// through QSettings, because QSettings cannot be trusted with the file:
//  - it reports success for a write whose last buffered piece failed (a full disk, a file size limit), and
//    then renames the cut-off file over the good one;
//  - it opens whatever lies at the file's path, so a named pipe there blocks the program for ever;
//  - it parses the whole file again for every QSettings object, and rewrites all of it, converted, for
//    each change, which for a large file takes seconds.
// Here the file is read once, kept as its bytes, and a change replaces only the bytes of its own line; the
// new file is written unbuffered with every write checked, synced to disk, and only then renamed over the
// old one, so a failure at any step leaves the old file exactly as it was. Reads and writes still follow
// the file on disk: when its identity, size or time stamp differ from what this store last saw (someone
// edited, replaced or deleted it), it is read again, and a write merges into the file as it is at that
// moment, under the same lock file QSettings uses.

namespace tavrix {

QString QSettingsStore::filePath(const QString& application) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + application + u'/' +
           application + QStringLiteral(".conf");
}

namespace {

// How long a write waits for another program holding the lock file, and how often it looks again
// whether the lock was abandoned.
constexpr int kLockWaitMs = 5000;
constexpr int kLockLookMs = 100;
// A lock file still empty this long after it was made was abandoned: a writer fills it in at once.
constexpr qint64 kAbandonedLockMs = 1000;
constexpr qint64 kWriteChunk = 1 << 20;

const QString kNotRegular = QStringLiteral("it is not a regular file");

// The first of PATH.unreadable, PATH.unreadable.2, PATH.unreadable.3, ... that does not exist yet, so an
// earlier file moved aside is never overwritten.
QString FreeAsideName(const QString& path) {
    const QString base = path + QStringLiteral(".unreadable");
    QString candidate = base;
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + u'.' + QString::number(n);
    return candidate;
}

// What identifies the file and its contents on disk, as far as the file system tells.
struct Signature {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static Signature of(const struct stat& st) {
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const Signature& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
    bool operator!=(const Signature& o) const { return !(*this == o); }
};

Signature SignatureOf(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? Signature::of(st) : Signature{};
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folders of administrators' files: the absolute entries of XDG_CONFIG_DIRS, /etc/xdg when it has none.
QStringList SystemConfigFolders() {
    QStringList folders;
    for (const QString& folder : QFile::decodeName(qgetenv("XDG_CONFIG_DIRS")).split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    }
    if (folders.isEmpty())
        folders << QStringLiteral("/etc/xdg");
    return folders;
}

// Removes a lock file that its writer left empty: killed after making it and before writing its id into
// it, so no one can tell whether it still lives. A writer that holds the lock keeps it locked with flock
// too, so a lock file locked that way is left alone, as is one that changed meanwhile.
void RemoveAbandonedLock(const QByteArray& lockPath) {
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st {};
    timespec now{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return;
    const qint64 ageMs = (qint64(now.tv_sec) - st.st_mtim.tv_sec) * 1000 + (now.tv_nsec - st.st_mtim.tv_nsec) / 1000000;
    if (qAbs(ageMs) <= kAbandonedLockMs || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return;
    struct stat current {};
    if (::lstat(lockPath.constData(), &current) == 0 && current.st_dev == st.st_dev && current.st_ino == st.st_ino &&
        current.st_size == 0)
        ::unlink(lockPath.constData());
}

// Takes the lock file, waiting for another writer for at most kLockWaitMs.
bool TakeLock(QLockFile& lock, const QByteArray& lockPath) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const qint64 left = kLockWaitMs - waited.elapsed();
        if (lock.tryLock(int(qBound<qint64>(0, left, qint64(kLockLookMs)))))
            return true;
        if (lock.error() != QLockFile::LockFailedError || left <= 0)
            return false;
        RemoveAbandonedLock(lockPath);
    }
}

// Gives the new file the owner, group and permissions of the one it replaces, as far as the system lets
// this user: only root may give a file away, and a user may give it any group they belong to.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777); // after fchown, which may clear the set-id bits
}

// The file's bytes, written whole beside it, synced, then renamed over it.
bool WriteWhole(const QString& path, const QByteArray& bytes) {
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (replacing)
        KeepOwnerAndMode(out.handle(), old);
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 piece = std::min(kWriteChunk, bytes.size() - done);
        if (out.write(bytes.constData() + done, piece) != piece) {
            out.cancelWriting();
            return false;
        }
        done += piece;
    }
    // QSaveFile ignores a failed sync; a write the disk cannot keep must not replace the old file.
    if (::fsync(out.handle()) != 0) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return false;
    // The rename itself is made durable; a failure here no longer endangers the old contents.
    const int folder =
        ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

struct QSettingsStore::File {
    QString path;
    QByteArray nativePath;
    bool loaded = false;
    std::optional<IniFile> contents; // nothing while there is no file (or it could not be read)
    std::optional<ReadProblem> problem;
    Signature signature; // of the file that contents came from
    // The files read, in this order, for a key this one lacks; never written.
    std::vector<File> fallbacks;

    // Reads the file as it is now. Anything but a regular file is never opened: a named pipe would block
    // and a device would never end.
    void load() {
        loaded = true;
        contents.reset();
        problem.reset();
        signature = Signature{};
        using Outcome = RegularFileOpening::Outcome;
        const RegularFileOpening opening = OpenRegularFileAt(nativePath);
        if (opening.outcome == Outcome::Missing) {
            // No file, or a file where its folder should be: nothing is stored yet.
            if (opening.error != ENOENT && opening.error != ENOTDIR)
                problem = ReadProblem{path, ErrorText(opening.error)};
            return;
        }
        signature = Signature::of(opening.status);
        if (opening.outcome != Outcome::Opened) {
            problem =
                ReadProblem{path, opening.outcome == Outcome::NotRegular ? kNotRegular : ErrorText(opening.error)};
            return;
        }
        const int fd = opening.fd;
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(opening.status.st_size));
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                problem = ReadProblem{path, ErrorText(errno)};
                return;
            }
            bytes.append(buffer, n);
        }
        contents.emplace(std::move(bytes));
    }

    void loadIfChanged() {
        if (!loaded || SignatureOf(nativePath) != signature)
            load();
    }
};

QSettingsStore::QSettingsStore() = default;
QSettingsStore::~QSettingsStore() = default;

QSettingsStore::File& QSettingsStore::file(const QString& application) {
    auto& entry = m_files[application];
    if (!entry) {
        entry = std::make_unique<File>();
        entry->path = filePath(application);
        entry->nativePath = QFile::encodeName(entry->path);
        // QSettings' order: the file named after the organisation (here the application too) in the
        // user's folder, then the application's file and then the organisation's in each of the
        // administrators' folders.
        QStringList fallbacks{QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
                              application + QStringLiteral(".conf")};
        const QStringList system = SystemConfigFolders();
        for (const QString& folder : system)
            fallbacks << folder + u'/' + application + u'/' + application + QStringLiteral(".conf");
        for (const QString& folder : system)
            fallbacks << folder + u'/' + application + QStringLiteral(".conf");
        for (const QString& path : fallbacks) {
            File& fallback = entry->fallbacks.emplace_back();
            fallback.path = path;
            fallback.nativePath = QFile::encodeName(path);
        }
    }
    return *entry;
}

std::optional<QString> QSettingsStore::read(const QString& application, const QString& section, const QString& key) {
    File& f = file(application);
    f.loadIfChanged();
    if (f.contents) {
        if (auto text = f.contents->value(section, key))
            return text;
    }
    for (File& fallback : f.fallbacks) {
        fallback.loadIfChanged();
        if (fallback.contents) {
            if (auto text = fallback.contents->value(section, key))
                return text;
        }
    }
    return std::nullopt;
}

std::optional<ReadProblem> QSettingsStore::readProblem(const QString& application) {
    File& f = file(application);
    f.loadIfChanged();
    return f.problem;
}

WriteOutcome QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                                   const QString& text) {
    File& f = file(application);
    WriteOutcome failed{false, f.path, {}};
    if (!QDir().mkpath(QFileInfo(f.path).path()))
        return failed;
    // The lock file QSettings uses too: two programs writing at once each keep the other's change.
    const QString lockPath = f.path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!TakeLock(lock, QFile::encodeName(lockPath)))
        return failed;

    // Merge into the file as it is now, whoever changed it since it was read.
    f.loadIfChanged();
    // A file that cannot be read, or is no regular file, is left alone.
    if (f.problem)
        return failed;

    QString movedAside;
    if (f.contents && !f.contents->wellFormed()) {
        // The file holds lines QSettings cannot parse. Writing into it would keep lines no reader
        // understands, and refusing to write would leave the program unable to save anything until
        // someone repaired the file by hand. So the whole file is moved aside, byte for byte, and a new
        // one is started.
        const QString aside = FreeAsideName(f.path);
        if (::rename(f.nativePath.constData(), QFile::encodeName(aside).constData()) != 0)
            return failed;
        movedAside = aside;
        f.contents.reset();
        f.signature = Signature{};
    }

    // The same text again changes nothing: the file is not rewritten.
    if (f.contents && f.contents->value(section, key) == text)
        return {true, f.path, movedAside};

    QByteArray bytes = (f.contents ? *f.contents : IniFile()).withValue(section, key, text);
    if (!WriteWhole(f.path, bytes))
        return {false, f.path, movedAside};
    f.contents.emplace(std::move(bytes));
    f.signature = SignatureOf(f.nativePath);
    return {true, f.path, movedAside};
}

} // namespace tavrix
