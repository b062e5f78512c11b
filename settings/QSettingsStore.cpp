#include "QSettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

// Every call opens its own QSettings. QSettings compares the file's size and time stamp with what it read
// before and reads it again when they differ, so a file edited, replaced or deleted by hand while the
// program runs is seen by the next call, and a write merges into the file as it is on disk at that moment:
// keys and groups the program does not know stay as they are. (Comments in the file do not survive a
// write; QSettings does not keep them.)

namespace tavrix {

namespace {

bool failed(QSettings::Status status) {
    return status == QSettings::AccessError || status == QSettings::FormatError;
}

// The first of PATH.unreadable, PATH.unreadable.2, PATH.unreadable.3, ... that does not exist yet, so an
// earlier file moved aside is never overwritten.
QString freeAsideName(const QString& path) {
    const QString base = path + QStringLiteral(".unreadable");
    QString candidate = base;
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + u'.' + QString::number(n);
    return candidate;
}

WriteOutcome writeSynced(QSettings& settings, const QString& section, const QString& key, const QString& text) {
    settings.beginGroup(section);
    settings.setValue(key, text);
    settings.endGroup();
    // sync() writes through a lock file, a temporary file and a rename: the file on disk is the old or the
    // new one, never half of each, and it is there before this returns.
    settings.sync();
    // On failure QSettings keeps the text as a pending change of this file for the rest of the run: a later
    // read in this process sees it, and the next write that succeeds saves it too. The program reads only
    // while its window loads, before any write, and the pending texts are the ones its controls hold.
    if (failed(settings.status()))
        return {false, settings.fileName(), {}};
    return {};
}

} // namespace

std::optional<QString> QSettingsStore::read(const QString& application, const QString& section, const QString& key) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.beginGroup(section);
    if (!settings.contains(key))
        return std::nullopt;
    const QVariant value = settings.value(key);
    // An unquoted comma in a hand-written value makes QSettings split it into a list; join it back so the
    // decoding sees the user's text ("1,5" must read 1, not 0).
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

WriteOutcome QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                                   const QString& text) {
    QString movedAside;
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
        // QSettings parses groups only when they are first touched and keeps the first error it meets, so parse
        // everything now: after that, an error status can only come from the write itself.
        settings.allKeys();
        if (settings.status() == QSettings::NoError)
            return writeSynced(settings, section, key, text);
        // A file that exists but cannot be read is left alone, and the write fails.
        if (settings.status() == QSettings::AccessError)
            return {false, settings.fileName(), {}};

        // The file holds lines QSettings cannot parse. Writing into it would keep only what QSettings
        // understood and silently drop the rest, and refusing to write would leave the program unable to save
        // anything until someone repaired the file by hand. So the whole file is moved aside, byte for byte,
        // and a new one is started.
        const QString path = settings.fileName();
        const QString aside = freeAsideName(path);
        if (!QFile::rename(path, aside))
            return {false, path, {}};
        movedAside = aside;
    }
    // A new QSettings sees that the file is gone and starts from nothing.
    QSettings fresh(QSettings::NativeFormat, QSettings::UserScope, application, application);
    WriteOutcome outcome = writeSynced(fresh, section, key, text);
    outcome.location = fresh.fileName();
    outcome.movedAside = movedAside;
    return outcome;
}

} // namespace tavrix
