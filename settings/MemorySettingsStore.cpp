#include "MemorySettingsStore.h"

#include "SettingKeys.h"

namespace tavrix {

namespace {

// The program only ever addresses application "Tavrix", section "Settings"; values() shows that section.
bool isProgramSection(const QString& application, const QString& section) {
    return application == QLatin1String(kSettingsApplication) && section == QLatin1String(kSettingsSection);
}

QString fullKey(const QString& application, const QString& section, const QString& key) {
    return application + u'/' + section + u'/' + key;
}

} // namespace

std::optional<QString> MemorySettingsStore::read(const QString& application, const QString& section,
                                                 const QString& key) {
    const bool program = isProgramSection(application, section);
    const QMap<QString, QString>& map = program ? m_values : m_otherSections;
    const auto it = map.constFind(program ? key : fullKey(application, section, key));
    if (it == map.constEnd())
        return std::nullopt;
    return *it;
}

WriteOutcome MemorySettingsStore::write(const QString& application, const QString& section, const QString& key,
                                        const QString& text) {
    m_writes.append({key, text, m_observer ? m_observer() : QString()});
    if (m_failWrites)
        return {false, QStringLiteral("the memory store"), {}};
    if (isProgramSection(application, section))
        m_values.insert(key, text);
    else
        m_otherSections.insert(fullKey(application, section, key), text);
    return {};
}

std::optional<ReadProblem> MemorySettingsStore::readProblem(const QString& application) {
    if (application != QLatin1String(kSettingsApplication))
        return std::nullopt;
    return m_readProblem;
}

} // namespace tavrix
