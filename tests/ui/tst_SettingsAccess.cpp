// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/SettingDecoding.h"
#include "settings/SettingsStore.h"
#include "tests/support/RecordingMessageSink.h"
#include "ui/SettingsAccess.h"

#include <QQueue>
#include <QtTest>

namespace {

// A store whose writes report the outcomes queued for them, in order; afterwards every write succeeds.
class ScriptedOutcomeStore final : public tavrix::SettingsStore {
public:
    std::optional<QString> read(const QString&, const QString&, const QString&) override {
        ++reads;
        return std::nullopt;
    }
    std::optional<tavrix::ReadProblem> readProblem(const QString&) override { return problem; }
    tavrix::WriteOutcome write(const QString&, const QString&, const QString&, const QString&) override {
        return outcomes.isEmpty() ? tavrix::WriteOutcome{} : outcomes.dequeue();
    }
    QQueue<tavrix::WriteOutcome> outcomes;
    std::optional<tavrix::ReadProblem> problem;
    int reads = 0;
};

const QString kFile = QStringLiteral("/home/user/.config/Tavrix/Tavrix.conf");
const QString kAside = QStringLiteral("/home/user/.config/Tavrix/Tavrix.conf.unreadable");

} // namespace

class tst_SettingsAccess : public QObject {
    Q_OBJECT

private slots:
    void aStoreProblemGivesItsWarnings_data() {
        QTest::addColumn<QVector<tavrix::WriteOutcome>>("outcomes");
        QTest::addColumn<QStringList>("texts");
        const QString moved = tavrix::MovedAsideText(kFile, kAside);
        const QString failed = tavrix::SaveFailedText(kFile);
        QTest::newRow("good writes say nothing") << QVector<tavrix::WriteOutcome>{{}, {}, {}} << QStringList{};
        QTest::newRow("a file moved aside is reported with both paths")
            << QVector<tavrix::WriteOutcome>{{true, kFile, kAside}, {}, {}} << QStringList{moved};
        QTest::newRow("each move is reported, not only the first")
            << QVector<tavrix::WriteOutcome>{{true, kFile, kAside}, {true, kFile, kAside + ".2"}}
            << QStringList{moved, tavrix::MovedAsideText(kFile, kAside + ".2")};
        QTest::newRow("a failed save is reported once per run")
            << QVector<tavrix::WriteOutcome>{{false, kFile, {}}, {false, kFile, {}}, {false, kFile, {}}}
            << QStringList{failed};
        QTest::newRow("a move followed by a failed save gives both, move first")
            << QVector<tavrix::WriteOutcome>{{false, kFile, kAside}} << QStringList{moved, failed};
    }

    void aStoreProblemGivesItsWarnings() {
        QFETCH(QVector<tavrix::WriteOutcome>, outcomes);
        QFETCH(QStringList, texts);
        ScriptedOutcomeStore store;
        for (const auto& outcome : outcomes)
            store.outcomes.enqueue(outcome);
        tavrix::test::RecordingMessageSink sink;
        tavrix::SettingsAccess access(store, sink);
        for (int i = 0; i < outcomes.size() + 1; ++i)
            access.write(tavrix::SettingId::KeyType, i % 2);

        QStringList shown;
        for (const auto& message : sink.messages) {
            QCOMPARE(message.title, QStringLiteral("Tavrix"));
            QCOMPARE(message.icon, tavrix::MessageIcon::Warning);
            shown << message.text;
        }
        QCOMPARE(shown, texts);
    }

    void aFileThatCannotBeReadIsNamedOnceAndItsFailedSavesSayNothingMore_data() {
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file the user may not read") << "Permission denied";
        QTest::newRow("a named pipe or other special file") << "it is not a regular file";
    }
    void aFileThatCannotBeReadIsNamedOnceAndItsFailedSavesSayNothingMore() {
        QFETCH(QString, reason);
        ScriptedOutcomeStore store;
        store.problem = tavrix::ReadProblem{kFile, reason};
        for (int i = 0; i < 3; ++i)
            store.outcomes.enqueue({false, kFile, {}});
        tavrix::test::RecordingMessageSink sink;
        tavrix::SettingsAccess access(store, sink);
        // The order of the main window's load: six reads, each list and the method choice written back.
        for (const auto& def : tavrix::kSettingDefs) {
            QCOMPARE(access.read(def.id), QString::fromLatin1(def.defaultText));
            if (def.id == tavrix::SettingId::AsciiMode || def.id == tavrix::SettingId::KeyStrength ||
                def.id == tavrix::SettingId::KeyType)
                access.write(def.id, 0);
        }
        QCOMPARE(store.reads, 6);
        QCOMPARE(sink.messages.size(), 1);
        QCOMPARE(sink.messages[0].icon, tavrix::MessageIcon::Warning);
        QCOMPARE(sink.messages[0].title, QStringLiteral("Tavrix"));
        QCOMPARE(sink.messages[0].text, tavrix::ReadProblemText(kFile, reason));
        QVERIFY(sink.messages[0].text.contains(kFile));
        QVERIFY(sink.messages[0].text.contains(reason));
    }

    void theReadProblemTextSaysTheFileIsLeftAlone() {
        QCOMPARE(tavrix::ReadProblemText(QStringLiteral("/tmp/a %1/Tavrix.conf"), QStringLiteral("Permission denied")),
                 QStringLiteral("Tavrix could not read the settings file /tmp/a %1/Tavrix.conf (Permission denied). "
                                "It starts with its default settings and leaves the file as it is, so changes "
                                "made now are not saved."));
    }

    void theMovedAsideTextSaysWhereTheOldFileWent() {
        QCOMPARE(tavrix::MovedAsideText(QStringLiteral("/tmp/a %1/Tavrix.conf"), QStringLiteral("/tmp/a %1/x")),
                 QStringLiteral("Tavrix could not read the settings file /tmp/a %1/Tavrix.conf. It was moved to "
                                "/tmp/a %1/x, unchanged, and a new settings file was started."));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsAccess)
#include "tst_SettingsAccess.moc"
