#pragma once

#include "SettingsStore.h"

#include <QMap>
#include <QVector>
#include <functional>

namespace tavrix {

// An in-memory store for tests: keeps the values and records every write in order. An optional observer
// runs at each write (the window tests use it to note what the key field held at that moment).
class MemorySettingsStore final : public SettingsStore {
public:
    struct Write {
        QString key;
        QString text;
        QString note; // what the observer returned at the moment of the write
    };

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    WriteOutcome write(const QString& application, const QString& section, const QString& key,
                       const QString& text) override;

    std::optional<ReadProblem> readProblem(const QString& application) override;

    void set(const QString& key, const QString& text) { m_values.insert(key, text); }
    // Makes the store report that its file could not be read (for the program's application only).
    void setReadProblem(std::optional<ReadProblem> problem) { m_readProblem = std::move(problem); }
    const QMap<QString, QString>& values() const { return m_values; } // keys of section "Settings" only
    const QVector<Write>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

    void setObserver(std::function<QString()> observer) { m_observer = std::move(observer); }
    void setFailWrites(bool fail) { m_failWrites = fail; }

private:
    QMap<QString, QString> m_values;
    QMap<QString, QString> m_otherSections; // "application/section/key" -> text, for any other address
    QVector<Write> m_writes;
    std::function<QString()> m_observer;
    bool m_failWrites = false;
    std::optional<ReadProblem> m_readProblem;
};

} // namespace tavrix
