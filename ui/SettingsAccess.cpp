// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/SettingsAccess.h"

#include "common/MessageSink.h"
#include "settings/SettingDecoding.h"
#include "settings/SettingsStore.h"

namespace tavrix {

namespace {
const QString kApplication = QString::fromLatin1(kSettingsApplication);
const QString kSection = QString::fromLatin1(kSettingsSection);
} // namespace

bool CheckBoxAccepts(int value) {
    return value >= 0 && value <= 2;
}

bool ListAccepts(int value, int itemCount) {
    return value >= -1 && value < itemCount;
}

bool AsciiMethodAccepts(int value) {
    return value == 0 || value == 1;
}

QString UnusableSettingText(const QString& key, const QString& storedText, const QString& defaultText) {
    return QStringLiteral("The stored setting \"%1\" holds \"%2\", which Tavrix cannot use. The default, %3, is "
                          "used instead.")
        .arg(key, storedText, defaultText);
}

QString SaveFailedText(const QString& location) {
    return QStringLiteral("Tavrix could not save its settings to %1.").arg(location);
}

QString MovedAsideText(const QString& location, const QString& movedTo) {
    return QStringLiteral("Tavrix could not read the settings file %1. It was moved to %2, unchanged, and a new "
                          "settings file was started.")
        .arg(location, movedTo);
}

QString ReadProblemText(const QString& location, const QString& reason) {
    return QStringLiteral("Tavrix could not read the settings file %1 (%2). It starts with its default settings and "
                          "leaves the file as it is, so changes made now are not saved.")
        .arg(location, reason);
}

QString SettingsAccess::read(SettingId id) {
    const SettingDef& def = SettingDefOf(id);
    QString text = ReadSetting(m_store, kApplication, kSection, QString::fromLatin1(def.key),
                               QString::fromLatin1(def.defaultText));
    if (!m_readProblemChecked) {
        m_readProblemChecked = true;
        if (const auto problem = m_store.readProblem(kApplication)) {
            m_sink.show(
                {MessageIcon::Warning, QStringLiteral("Tavrix"), ReadProblemText(problem->location, problem->reason)});
            // That warning already says that nothing is saved: the saves failing for the same reason say
            // nothing more.
            m_saveFailureReported = true;
        }
    }
    return text;
}

SettingsAccess::Usable SettingsAccess::usableValue(SettingId id, const QString& text,
                                                   const std::function<bool(int)>& accepts) {
    const DecodedSetting decoded = DecodeSetting(text);
    if (decoded.isValue() && accepts(decoded.value))
        return {decoded.value, false};

    const SettingDef& def = SettingDefOf(id);
    const QString defaultText = QString::fromLatin1(def.defaultText);
    m_sink.show({MessageIcon::Warning, QStringLiteral("Tavrix"),
                 UnusableSettingText(QString::fromLatin1(def.key), text, defaultText)});
    return {DecodeSetting(defaultText).value, true};
}

void SettingsAccess::write(SettingId id, int value) {
    ++m_writeCounts[static_cast<std::size_t>(id)];
    const WriteOutcome outcome = WriteSetting(m_store, kApplication, kSection,
                                              QString::fromLatin1(SettingDefOf(id).key), QString::number(value));
    if (!outcome.movedAside.isEmpty()) {
        // Said every time it happens: each move leaves a file the user may want back.
        m_sink.show(
            {MessageIcon::Warning, QStringLiteral("Tavrix"), MovedAsideText(outcome.location, outcome.movedAside)});
    }
    if (!outcome.saved && !m_saveFailureReported) {
        m_saveFailureReported = true;
        m_sink.show({MessageIcon::Warning, QStringLiteral("Tavrix"), SaveFailedText(outcome.location)});
    }
}

} // namespace tavrix
