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

// The kind of control each setting is restored into, which decides the values it can take.
enum class SettingControl { CheckBox, AsciiMethod, List };

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

    void checkBoxAcceptsItsThreeStates_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("minus one is no box state") << -1 << false;
        QTest::newRow("zero is a clear box") << 0 << true;
        QTest::newRow("one is a ticked box") << 1 << true;
        QTest::newRow("two is the third state") << 2 << true;
        QTest::newRow("three is no box state") << 3 << false;
        QTest::newRow("the largest value is no box state") << 32767 << false;
        QTest::newRow("the smallest value is no box state") << -32768 << false;
    }

    void checkBoxAcceptsItsThreeStates() {
        QFETCH(int, value);
        QFETCH(bool, accepted);
        QCOMPARE(tavrix::CheckBoxAccepts(value), accepted);
    }

    void listAcceptsNoSelectionUpToLastItem_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("itemCount");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("minus two is below no selection") << -2 << 3 << false;
        QTest::newRow("minus one selects nothing") << -1 << 3 << true;
        QTest::newRow("zero selects the first of three") << 0 << 3 << true;
        QTest::newRow("two selects the last of three") << 2 << 3 << true;
        QTest::newRow("three is beyond the last of three") << 3 << 3 << false;
        QTest::newRow("one selects the last of two") << 1 << 2 << true;
        QTest::newRow("two is beyond the last of two") << 2 << 2 << false;
        QTest::newRow("seven is beyond the strength list") << 7 << 3 << false;
        QTest::newRow("an empty list still takes no selection") << -1 << 0 << true;
        QTest::newRow("an empty list has no first item") << 0 << 0 << false;
    }

    void listAcceptsNoSelectionUpToLastItem() {
        QFETCH(int, value);
        QFETCH(int, itemCount);
        QFETCH(bool, accepted);
        QCOMPARE(tavrix::ListAccepts(value, itemCount), accepted);
    }

    void asciiMethodAcceptsRandomAndDictionary_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("minus one is no method") << -1 << false;
        QTest::newRow("zero is the random method") << 0 << true;
        QTest::newRow("one is the dictionary method") << 1 << true;
        QTest::newRow("two is no method") << 2 << false;
    }

    void asciiMethodAcceptsRandomAndDictionary() {
        QFETCH(int, value);
        QFETCH(bool, accepted);
        QCOMPARE(tavrix::AsciiMethodAccepts(value), accepted);
    }

    void unusableSettingTextNamesKeyTextAndDefault_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("storedText");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("expected");

        QTest::newRow("an out-of-range strength names its key, text and default")
            << "Key Strength"
            << "7"
            << "1"
            << R"(The stored setting "Key Strength" holds "7", which Tavrix cannot use. The default, 1, is used instead.)";
        QTest::newRow("the stored text is shown as read, blanks included")
            << "Generate On Change"
            << " 3 "
            << "0"
            << R"(The stored setting "Generate On Change" holds " 3 ", which Tavrix cannot use. The default, 0, is used instead.)";
        QTest::newRow("a percent sequence in the stored text stays literal")
            << "ASCII Mode"
            << "%1%2"
            << "0"
            << R"(The stored setting "ASCII Mode" holds "%1%2", which Tavrix cannot use. The default, 0, is used instead.)";
    }

    void unusableSettingTextNamesKeyTextAndDefault() {
        QFETCH(QString, key);
        QFETCH(QString, storedText);
        QFETCH(QString, defaultText);
        QFETCH(QString, expected);
        QCOMPARE(tavrix::UnusableSettingText(key, storedText, defaultText), expected);
    }

    void saveFailedTextNamesTheLocation_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a file path ends the sentence")
            << "/home/user/.config/Tavrix/Tavrix.conf"
            << "Tavrix could not save its settings to /home/user/.config/Tavrix/Tavrix.conf.";
        QTest::newRow("a path with blanks and a percent sign is shown as it is")
            << "/tmp/my %1 dir/Tavrix.conf"
            << "Tavrix could not save its settings to /tmp/my %1 dir/Tavrix.conf.";
    }

    void saveFailedTextNamesTheLocation() {
        QFETCH(QString, location);
        QFETCH(QString, expected);
        QCOMPARE(tavrix::SaveFailedText(location), expected);
    }

    // The default of each setting is a value its control accepts; the smallest list the program fills has
    // two items.
    void eachDefaultIsAValueItsControlAccepts_data() {
        QTest::addColumn<tavrix::SettingId>("id");
        QTest::addColumn<SettingControl>("control");
        QTest::newRow("generate on startup restores a check box")
            << tavrix::SettingId::GenerateOnStartup << SettingControl::CheckBox;
        QTest::newRow("the ascii mode restores the method choice")
            << tavrix::SettingId::AsciiMode << SettingControl::AsciiMethod;
        QTest::newRow("the key strength restores a list") << tavrix::SettingId::KeyStrength << SettingControl::List;
        QTest::newRow("the key type restores a list") << tavrix::SettingId::KeyType << SettingControl::List;
        QTest::newRow("copy key to clipboard restores a check box")
            << tavrix::SettingId::CopyKeyToClipboard << SettingControl::CheckBox;
        QTest::newRow("generate on change restores a check box")
            << tavrix::SettingId::GenerateOnChange << SettingControl::CheckBox;
    }
    void eachDefaultIsAValueItsControlAccepts() {
        QFETCH(tavrix::SettingId, id);
        QFETCH(SettingControl, control);
        const tavrix::SettingDef& def = tavrix::SettingDefOf(id);
        const tavrix::DecodedSetting decoded = tavrix::DecodeSetting(QString::fromLatin1(def.defaultText));
        QVERIFY2(decoded.isValue(), def.key);
        bool accepted = false;
        switch (control) {
        case SettingControl::CheckBox:
            accepted = tavrix::CheckBoxAccepts(decoded.value);
            break;
        case SettingControl::AsciiMethod:
            accepted = tavrix::AsciiMethodAccepts(decoded.value);
            break;
        case SettingControl::List:
            accepted = tavrix::ListAccepts(decoded.value, 2);
            break;
        }
        QVERIFY2(accepted, def.key);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsAccess)
#include "tst_SettingsAccess.moc"
