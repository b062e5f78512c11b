// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QMap>
#include <QVector>

#include <functional>

namespace tavrix::test {

// An in-memory store for tests: keeps the values and records every write in order. An optional observer
// runs at each write (the window tests use it to note what the key field held at that moment).
class MemorySettingsStore final : public SettingsStore {
public:
    struct Write {
        QString key;
        QString text;
        QString note; // what the observer returned at the moment of the write
    };

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override {
        const bool program = isProgramSection(application, section);
        const QMap<QString, QString>& map = program ? m_values : m_otherSections;
        const auto it = map.constFind(program ? key : fullKey(application, section, key));
        if (it == map.constEnd())
            return std::nullopt;
        return *it;
    }

    WriteOutcome write(const QString& application, const QString& section, const QString& key,
                       const QString& text) override {
        m_writes.append({key, text, m_observer ? m_observer() : QString()});
        if (m_failWrites)
            return {false, QStringLiteral("the memory store"), {}};
        if (isProgramSection(application, section))
            m_values.insert(key, text);
        else
            m_otherSections.insert(fullKey(application, section, key), text);
        return {};
    }

    std::optional<ReadProblem> readProblem(const QString& application) override {
        if (application != QLatin1String(kSettingsApplication))
            return std::nullopt;
        return m_readProblem;
    }

    void set(const QString& key, const QString& text) { m_values.insert(key, text); }
    // Makes the store report that its file could not be read (for the program's application only).
    void setReadProblem(std::optional<ReadProblem> problem) { m_readProblem = std::move(problem); }
    const QMap<QString, QString>& values() const { return m_values; } // keys of section "Settings" only
    const QVector<Write>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

    void setObserver(std::function<QString()> observer) { m_observer = std::move(observer); }
    void setFailWrites(bool fail) { m_failWrites = fail; }

private:
    // The program only ever addresses application "Tavrix", section "Settings"; values() shows that section.
    static bool isProgramSection(const QString& application, const QString& section) {
        return application == QLatin1String(kSettingsApplication) && section == QLatin1String(kSettingsSection);
    }
    static QString fullKey(const QString& application, const QString& section, const QString& key) {
        return application + u'/' + section + u'/' + key;
    }

    QMap<QString, QString> m_values;
    QMap<QString, QString> m_otherSections; // "application/section/key" -> text, for any other address
    QVector<Write> m_writes;
    std::function<QString()> m_observer;
    bool m_failWrites = false;
    std::optional<ReadProblem> m_readProblem;
};

} // namespace tavrix::test
