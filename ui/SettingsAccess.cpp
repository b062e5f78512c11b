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

SettingsAccess::SettingsAccess(SettingsStore& store, MessageSink& sink) : m_store(store), m_sink(sink) {}

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
