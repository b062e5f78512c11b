// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's load step, event procedures and public operations, driven offscreen against an
// in-memory store that records every write together with what the key field held at that moment.
#include "tests/support/MainWindowHarness.h"
#include "ui/Captions.h"
#include "ui/Fonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

namespace {

using Stored = QMap<QString, QString>;

bool IsHex(const QString& key, int length) {
    return QRegularExpression(QStringLiteral("^[0-9a-f]{%1}$").arg(length)).match(key).hasMatch();
}
bool IsLetters(const QString& key, int length) {
    return QRegularExpression(QStringLiteral("^[a-z]{%1}$").arg(length)).match(key).hasMatch();
}

QString ClipboardText() {
    return QGuiApplication::clipboard()->text();
}

} // namespace

class tst_wMainBehaviour : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }
    void init() { QGuiApplication::clipboard()->setText(QStringLiteral("untouched")); }

    void anEmptyStoreGivesTheDefaultsAndStoresThreeKeys() {
        MainWindowHarness h;
        h.main->Load();
        QCOMPARE(h.strength()->currentText(), QStringLiteral("128-BIT"));
        QCOMPARE(h.type()->currentText(), QStringLiteral("ASCII"));
        QVERIFY(h.option(0)->isChecked());
        QVERIFY(!h.option(1)->isChecked());
        QVERIFY(h.option(0)->isEnabled());
        QVERIFY(h.control<QGroupBox>("fraASCIIKeyMethod")->isEnabled());
        for (const char* box : {"chkGenerateOnStartup", "chkGenerateOnChange", "chkAutoClipboard"})
            QCOMPARE(h.check(box)->checkState(), Qt::Unchecked);
        QCOMPARE(h.text(), QString());
        QCOMPARE(h.main->tag(), QStringLiteral("0"));
        QCOMPARE(h.writtenKeys(), (QStringList{"ASCII Mode=0", "Key Strength=1", "Key Type=1"}));
        QCOMPARE(h.store.values(), (Stored{{"ASCII Mode", "0"}, {"Key Strength", "1"}, {"Key Type", "1"}}));
        QVERIFY(h.sink.messages.isEmpty());
        QCOMPARE(ClipboardText(), QStringLiteral("untouched"));
    }

    void theListsHoldTheirItemsAndLengths() {
        MainWindowHarness h;
        h.main->Load();
        QComboBox* s = h.strength();
        QCOMPARE(s->count(), 3);
        const QList<QPair<QString, int>> items = {{"64-BIT", 10}, {"128-BIT", 26}, {"256-BIT", 58}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(s->itemText(i), items[i].first);
            QCOMPARE(s->itemData(i).toInt(), items[i].second);
        }
        QCOMPARE(h.type()->count(), 2);
        QCOMPARE(h.type()->itemText(0), QStringLiteral("HEX"));
        QCOMPARE(h.type()->itemText(1), QStringLiteral("ASCII"));
        QVERIFY(!h.type()->isEditable());
    }

    // Values as a hand-edited store may hold them, what the window shows, and what is written back.
    void storedValuesAreDecodedAndWrittenBack_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<int>("strength");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("method");
        QTest::addColumn<QStringList>("writes");
        QTest::newRow("a strength of 2 with a leading blank selects 256-BIT and is rewritten as 2")
            << Stored{{"Key Strength", " 2"}} << 2 << 1 << 0
            << QStringList{"ASCII Mode=0", "Key Strength=2", "Key Type=1"};
        QTest::newRow("a key type of letters reads as 0: HEX, written back as 0")
            << Stored{{"Key Type", "abc"}} << 1 << 0 << 0
            << QStringList{"ASCII Mode=0", "Key Strength=1", "Key Type=0"};
        QTest::newRow("a strength of 1.5 rounds to 2") << Stored{{"Key Strength", "1.5"}} << 2 << 1 << 0
                                                       << QStringList{"ASCII Mode=0", "Key Strength=2", "Key Type=1"};
        QTest::newRow("a strength of 2.5 rounds to the even 2")
            << Stored{{"Key Strength", "2.5"}} << 2 << 1 << 0
            << QStringList{"ASCII Mode=0", "Key Strength=2", "Key Type=1"};
        QTest::newRow("a strength of -1 selects nothing and is not written")
            << Stored{{"Key Strength", "-1"}} << -1 << 1 << 0 << QStringList{"ASCII Mode=0", "Key Type=1"};
        QTest::newRow("a method of 1 selects Dictionary")
            << Stored{{"ASCII Mode", "1"}} << 1 << 1 << 1
            << QStringList{"ASCII Mode=1", "Key Strength=1", "Key Type=1"};
        QTest::newRow("a method written as 1.0 is stored back canonically")
            << Stored{{"ASCII Mode", "1.0"}} << 1 << 1 << 1
            << QStringList{"ASCII Mode=1", "Key Strength=1", "Key Type=1"};
        QTest::newRow("a check box of 1 is written back; one of 0 is not")
            << Stored{{"Copy Key To Clipboard", "1"}, {"Generate On Change", "0"}} << 1 << 1 << 0
            << QStringList{"ASCII Mode=0", "Key Strength=1", "Key Type=1", "Copy Key To Clipboard=1"};
    }
    void storedValuesAreDecodedAndWrittenBack() {
        QFETCH(Stored, stored);
        QFETCH(int, strength);
        QFETCH(int, type);
        QFETCH(int, method);
        QFETCH(QStringList, writes);
        MainWindowHarness h;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            h.store.set(it.key(), it.value());
        h.main->Load();
        QCOMPARE(h.strength()->currentIndex(), strength);
        QCOMPARE(h.type()->currentIndex(), type);
        QVERIFY(h.option(method)->isChecked());
        QCOMPARE(h.main->tag(), QString::number(method));
        QCOMPARE(h.writtenKeys(), writes);
        QVERIFY(h.sink.messages.isEmpty());
        QCOMPARE(h.text(), QString());
    }

    void aStoredHexTypeDisablesTheMethodControlsAndKeepsTheMethod() {
        MainWindowHarness h;
        h.store.set("Key Type", "0");
        h.store.set("ASCII Mode", "1");
        h.main->Load();
        QCOMPARE(h.type()->currentText(), QStringLiteral("HEX"));
        QVERIFY(!h.control<QGroupBox>("fraASCIIKeyMethod")->isEnabled());
        QVERIFY(!h.option(0)->isEnabled());
        QVERIFY(!h.option(1)->isEnabled());
        QVERIFY(h.option(1)->isChecked());
    }

    void allThreeBoxesTickedGenerateOneKeyOntoTheClipboardBeforeShowing() {
        MainWindowHarness h;
        h.store.set("Generate On Startup", "1");
        h.store.set("Copy Key To Clipboard", "1");
        h.store.set("Generate On Change", "1");
        h.main->Load();
        QCOMPARE(h.writtenKeys(), (QStringList{"Generate On Startup=1", "ASCII Mode=0", "Key Strength=1", "Key Type=1",
                                               "Copy Key To Clipboard=1", "Generate On Change=1"}));
        // No key during restoring: every write saw an empty key field.
        for (const auto& w : h.store.writes())
            QCOMPARE(w.note, QString());
        QVERIFY(IsLetters(h.text(), 13));
        QCOMPARE(ClipboardText(), h.text());
        QVERIFY(!h.main->window()->isVisible());
    }

    void generateOnChangeStoredAloneGeneratesNothingWhileLoading() {
        MainWindowHarness h;
        h.store.set("Generate On Change", "1");
        h.store.set("Key Strength", "2");
        h.store.set("ASCII Mode", "1");
        h.main->Load();
        QCOMPARE(h.text(), QString());
    }

    void aThirdStateBoxCountsAsNotSetAndIsWrittenBack() {
        MainWindowHarness h;
        h.store.set("Generate On Startup", "2");
        h.main->Load();
        QCheckBox* box = h.check("chkGenerateOnStartup");
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        QCOMPARE(h.writtenKeys().first(), QStringLiteral("Generate On Startup=2"));
        QCOMPARE(h.text(), QString());
        // A user's click leaves the third state for good: ticked, then clear, then ticked.
        h.store.clearWrites();
        box->click();
        QCOMPARE(box->checkState(), Qt::Checked);
        box->click();
        QCOMPARE(box->checkState(), Qt::Unchecked);
        box->click();
        QCOMPARE(box->checkState(), Qt::Checked);
        QCOMPARE(h.writtenKeys(),
                 (QStringList{"Generate On Startup=1", "Generate On Startup=0", "Generate On Startup=1"}));
    }

    // A value the control cannot take: one warning, the default instead, and the default stored.
    void unusableStoredValuesFallBackToTheDefault_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("written");
        QTest::newRow("a strength of 7 is beyond the list") << "Key Strength"
                                                            << "7"
                                                            << "1"
                                                            << "Key Strength=1";
        QTest::newRow("a strength of -2 is below no selection") << "Key Strength"
                                                                << "-2"
                                                                << "1"
                                                                << "Key Strength=1";
        QTest::newRow("a method of 2 does not exist") << "ASCII Mode"
                                                      << "2"
                                                      << "0"
                                                      << "ASCII Mode=0";
        QTest::newRow("a check box of 3 is no state") << "Generate On Change"
                                                      << "3"
                                                      << "0"
                                                      << "Generate On Change=0";
        QTest::newRow("a key type beyond 16 bits overflows") << "Key Type"
                                                             << "99999"
                                                             << "1"
                                                             << "Key Type=1";
        QTest::newRow("a check box that overflows") << "Generate On Startup"
                                                    << "1e9"
                                                    << "0"
                                                    << "Generate On Startup=0";
    }
    void unusableStoredValuesFallBackToTheDefault() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, defaultText);
        QFETCH(QString, written);
        MainWindowHarness h;
        h.store.set(key, text);
        h.main->Load();
        QCOMPARE(h.sink.messages.size(), 1);
        const Message& m = h.sink.messages.first();
        QCOMPARE(m.icon, MessageIcon::Warning);
        QCOMPARE(m.title, QStringLiteral("Tavrix"));
        QCOMPARE(m.text, QStringLiteral("The stored setting \"%1\" holds \"%2\", which Tavrix cannot use. The default, "
                                        "%3, is used instead.")
                             .arg(key, text, defaultText));
        QVERIFY(h.writtenKeys().contains(written));
        QCOMPARE(h.store.values().value(key), defaultText);
        QCOMPARE(h.main->window()->windowTitle(), QStringLiteral("Tavrix v1.01")); // loading carried on
        // The next start is quiet.
        h.main->Unload();
        h.sink.messages.clear();
        h.main->Load();
        QVERIFY(h.sink.messages.isEmpty());
    }

    void aStoreThatCannotBeWrittenWarnsOncePerRun() {
        MainWindowHarness h;
        h.store.setFailWrites(true);
        h.main->Load();
        h.check("chkGenerateOnStartup")->click();
        h.strength()->setCurrentIndex(0);
        QCOMPARE(h.sink.messages.size(), 1);
        QCOMPARE(h.sink.messages.first().icon, MessageIcon::Warning);
        QCOMPARE(h.sink.messages.first().title, QStringLiteral("Tavrix"));
        QVERIFY(h.sink.messages.first().text.startsWith(QStringLiteral("Tavrix could not save its settings to ")));
        QVERIFY(h.check("chkGenerateOnStartup")->isChecked()); // the window keeps working
        QCOMPARE(h.strength()->currentIndex(), 0);
    }

    // With generate-on-change ticked: which comes first, the write or the new key.
    void eachChoiceWritesAndGeneratesInItsOrder_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("keyBeforeWrite");
        QTest::addColumn<int>("length");
        QTest::newRow("a new strength generates first, then writes") << "256-BIT"
                                                                     << "Key Strength=2" << true << 29;
        QTest::newRow("a new key type writes first, then generates") << "HEX"
                                                                     << "Key Type=0" << false << 26;
        QTest::newRow("a new method sets the tag, writes, then generates") << "Dictionary"
                                                                           << "ASCII Mode=1" << false << 13;
    }
    void eachChoiceWritesAndGeneratesInItsOrder() {
        QFETCH(QString, choice);
        QFETCH(QString, written);
        QFETCH(bool, keyBeforeWrite);
        QFETCH(int, length);
        MainWindowHarness h;
        h.store.set("Generate On Change", "1");
        h.main->Load();
        h.store.clearWrites();
        choose(h, choice);
        QCOMPARE(h.writtenKeys(), QStringList{written});
        const QString noted = h.store.writes().first().note;
        QCOMPARE(noted.isEmpty(), !keyBeforeWrite);
        QCOMPARE(h.text().size(), length);
        if (keyBeforeWrite)
            QCOMPARE(noted, h.text());
        if (choice == QLatin1String("HEX"))
            QVERIFY(IsHex(h.text(), 26));
        if (choice == QLatin1String("Dictionary")) {
            QCOMPARE(h.main->tag(), QStringLiteral("1"));
            QVERIFY(h.text().contains(QLatin1Char('-')));
        }
    }

    void withoutGenerateOnChangeChoicesOnlyWrite() {
        MainWindowHarness h;
        h.main->Load();
        h.control<QPlainTextEdit>("txtKey")->setPlainText(QStringLiteral("kept"));
        h.store.clearWrites();
        for (const char* choice : {"256-BIT", "Dictionary", "HEX", "ASCII"})
            choose(h, QString::fromLatin1(choice));
        QCOMPARE(h.writtenKeys(), (QStringList{"Key Strength=2", "ASCII Mode=1", "Key Type=0", "Key Type=1"}));
        QCOMPARE(h.text(), QStringLiteral("kept"));
        QVERIFY(h.option(1)->isEnabled());
    }

    void choosingHexDisablesTheMethodControlsWithoutChangingTheMethod() {
        MainWindowHarness h;
        h.main->Load();
        choose(h, "Dictionary");
        choose(h, "HEX");
        QVERIFY(!h.control<QGroupBox>("fraASCIIKeyMethod")->isEnabled());
        QVERIFY(!h.option(0)->isEnabled());
        QVERIFY(!h.option(1)->isEnabled());
        QVERIFY(h.option(1)->isChecked());
        QCOMPARE(h.main->tag(), QStringLiteral("1"));
    }

    void checkBoxesOnlyWriteTheirKey_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("generate on startup") << "chkGenerateOnStartup"
                                             << "Generate On Startup";
        QTest::newRow("copy to the clipboard") << "chkAutoClipboard"
                                               << "Copy Key To Clipboard";
        QTest::newRow("generate on change") << "chkGenerateOnChange"
                                            << "Generate On Change";
    }
    void checkBoxesOnlyWriteTheirKey() {
        QFETCH(QString, box);
        QFETCH(QString, key);
        MainWindowHarness h;
        h.main->Load();
        h.control<QPlainTextEdit>("txtKey")->setPlainText(QStringLiteral("current"));
        h.store.clearWrites();
        h.check(box.toLatin1().constData())->click();
        h.check(box.toLatin1().constData())->click();
        QCOMPARE(h.writtenKeys(), (QStringList{key + "=1", key + "=0"}));
        QCOMPARE(h.text(), QStringLiteral("current"));
        QCOMPARE(ClipboardText(), QStringLiteral("untouched"));
    }

    void pageButtonsShowTheirPageOnly_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("visiblePage");
        QTest::newRow("Settings shows the settings page") << "tbrMain_2" << 1;
        QTest::newRow("About shows the about page") << "tbrMain_3" << 0;
        QTest::newRow("Generate shows the generate page") << "tbrMain_1" << 2;
    }
    void pageButtonsShowTheirPageOnly() {
        QFETCH(QString, button);
        QFETCH(int, visiblePage);
        MainWindowHarness h;
        h.main->Load();
        h.store.clearWrites();
        for (int round = 0; round < 2; ++round) { // clicking again changes nothing
            h.button(button.toLatin1().constData())->click();
            for (int i = 0; i < 3; ++i)
                QCOMPARE(h.page(i)->isVisibleTo(h.main->window()), i == visiblePage);
            QVERIFY(h.button(button.toLatin1().constData())->isChecked());
        }
        int pressed = 0;
        for (const char* b : {"tbrMain_1", "tbrMain_2", "tbrMain_3"})
            pressed += h.button(b)->isChecked() ? 1 : 0;
        QCOMPARE(pressed, 1);
        QVERIFY(h.store.writes().isEmpty());
        QCOMPARE(h.text(), QString());
    }

    void theActionButtonsGenerateAndCopy() {
        MainWindowHarness h;
        h.store.set("Key Type", "0");
        h.store.set("Key Strength", "0");
        h.main->Load();
        h.button("tbrMisc_1")->click();
        QVERIFY(IsHex(h.text(), 10));
        QCOMPARE(ClipboardText(), QStringLiteral("untouched")); // automatic copying is off
        h.button("tbrMisc_2")->click();
        QCOMPARE(ClipboardText(), h.text());
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
#if defined(Q_OS_WIN)
        QCOMPARE(mime->formats().first(), QStringLiteral("text/plain"));
        QCOMPARE(mime->formats().size(), 1 + int(std::size(kWindowsSecretFormats)));
#else
        QCOMPARE(mime->formats(), (QStringList{"text/plain", "x-kde-passwordManagerHint"}));
#endif
    }

    void automaticCopyPutsEveryNewKeyOnTheClipboard() {
        MainWindowHarness h;
        h.store.set("Copy Key To Clipboard", "1");
        h.main->Load();
        QCOMPARE(ClipboardText(), QStringLiteral("untouched"));
        h.button("tbrMisc_1")->click();
        const QString first = h.text();
        QVERIFY(IsLetters(first, 13));
        QCOMPARE(ClipboardText(), first);
    }

    void generatingWithNoStrengthEmptiesTheKeyAndCopiesThat() {
        MainWindowHarness h;
        h.store.set("Key Strength", "-1");
        h.store.set("Copy Key To Clipboard", "1");
        h.main->Load();
        h.control<QPlainTextEdit>("txtKey")->setPlainText(QStringLiteral("old"));
        h.main->GenerateKey();
        QCOMPARE(h.text(), QString());
        QCOMPARE(ClipboardText(), QString());
        QVERIFY(h.sink.messages.isEmpty());
    }

    void anUnknownMethodTagEmptiesTheKeyAndStillCopies() {
        MainWindowHarness h;
        h.store.set("Copy Key To Clipboard", "1");
        h.main->Load();
        h.main->window()->setProperty("tag", QStringLiteral(" 1"));
        h.control<QPlainTextEdit>("txtKey")->setPlainText(QStringLiteral("old"));
        h.main->GenerateKey();
        QCOMPARE(h.text(), QString());
        QCOMPARE(ClipboardText(), QString());
    }

    void theKeyFieldsTooltipStatesTheStrengthOfTheKeyShown_data() {
        // The stored Key Strength, Key Type and ASCII Mode, and the tooltip after one generation.
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("a 64-bit HEX key has 40 bits") << QStringList{"0", "0", "0"} << "about 40 bits of randomness";
        QTest::newRow("a 256-bit HEX key has 232 bits") << QStringList{"2", "0", "1"} << "about 232 bits of randomness";
        QTest::newRow("a 128-bit random key has 61 bits")
            << QStringList{"1", "1", "0"} << "about 61 bits of randomness";
        QTest::newRow("a 64-bit dictionary key from the shipped list has 12 bits")
            << QStringList{"0", "1", "1"} << "about 12 bits of randomness";
        QTest::newRow("a 128-bit dictionary key from the shipped list has 29 bits")
            << QStringList{"1", "1", "1"} << "about 29 bits of randomness";
        QTest::newRow("a 256-bit dictionary key from the shipped list has 62 bits")
            << QStringList{"2", "1", "1"} << "about 62 bits of randomness";
    }
    void theKeyFieldsTooltipStatesTheStrengthOfTheKeyShown() {
        QFETCH(QStringList, stored);
        QFETCH(QString, tooltip);
        MainWindowHarness h;
        h.store.set("Key Strength", stored[0]);
        h.store.set("Key Type", stored[1]);
        h.store.set("ASCII Mode", stored[2]);
        h.main->Load();
        QCOMPARE(h.control<QPlainTextEdit>("txtKey")->toolTip(), QString());
        h.main->GenerateKey();
        QVERIFY(!h.text().isEmpty());
        QCOMPARE(h.control<QPlainTextEdit>("txtKey")->toolTip(), tooltip);
    }

    void theTooltipGoesWithTheKeyWhenNoKeyIsShown() {
        QTemporaryDir empty;
        MainWindowHarness h(QStringList{empty.path()});
        h.main->Load();
        h.main->GenerateKey(); // 128-bit random letters
        QCOMPARE(h.control<QPlainTextEdit>("txtKey")->toolTip(), QStringLiteral("about 61 bits of randomness"));
        h.option(1)->setChecked(true); // dictionary, and there is none
        h.main->GenerateKey();
        QCOMPARE(h.text(), QString());
        QCOMPARE(h.control<QPlainTextEdit>("txtKey")->toolTip(), QString());
    }

    void aMissingDictionaryReportsOnceAndLeavesTheKeyEmpty() {
        QTemporaryDir empty;
        MainWindowHarness h(QStringList{empty.path()});
        h.store.set("ASCII Mode", "1");
        h.store.set("Copy Key To Clipboard", "1");
        h.main->Load();
        h.main->GenerateKey();
        QCOMPARE(h.sink.messages.size(), 1);
        QCOMPARE(h.sink.messages.first().title, QStringLiteral("GetWord() Error.."));
        QCOMPARE(h.sink.messages.first().text,
                 QStringLiteral("Couldn't find dict.txt - it is required for ASCII Dictionary generation!"));
        QCOMPARE(h.text(), QString());
        // Nothing is copied for a generation that failed.
        QCOMPARE(ClipboardText(), QStringLiteral("untouched"));
    }

    void unloadingWritesNothingAndReloadingReadsAfresh() {
        MainWindowHarness h;
        h.main->Load();
        choose(h, "256-BIT");
        h.store.clearWrites();
        h.main->Unload();
        QVERIFY(h.store.writes().isEmpty());
        QVERIFY(!h.main->isLoaded());
        h.store.set("Key Type", "0");
        h.main->Load();
        QCOMPARE(h.strength()->currentIndex(), 2);
        QCOMPARE(h.type()->currentIndex(), 0);
    }

    void thePublicDrawsAreThoseOfTheWordSource() {
        MainWindowHarness h;
        for (int i = 0; i < 200; ++i) {
            const qint32 r = h.main->GetRnd(16);
            QVERIFY(r >= 0 && r < 16);
        }
        const QString word = h.main->GetWord(5);
        QCOMPARE(word.size(), 5);
    }

    void captionsCarryTheMinorVersionWithAtLeastTwoDigits_data() {
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("label");
        QTest::newRow("one digit is padded") << 1 << "Tavrix v1.01"
                                             << "v1.01";
        QTest::newRow("two digits stay") << 12 << "Tavrix v1.12"
                                         << "v1.12";
        QTest::newRow("three digits stay") << 100 << "Tavrix v1.100"
                                           << "v1.100";
    }
    void captionsCarryTheMinorVersionWithAtLeastTwoDigits() {
        QFETCH(int, minor);
        QFETCH(QString, window);
        QFETCH(QString, label);
        QCOMPARE(WindowCaption(minor), window);
        QCOMPARE(VersionLabelCaption(minor), label);
    }

    void theLoadedCaptionsComeFromTheProjectVersion() {
        MainWindowHarness h;
        h.main->Load();
        QCOMPARE(h.main->window()->windowTitle(), QStringLiteral("Tavrix v1.01"));
        QCOMPARE(h.control<QLabel>("labVersion")->text(), QStringLiteral("v1.01"));
    }

private:
    static void choose(MainWindowHarness& h, const QString& choice) {
        if (choice == QLatin1String("Random") || choice == QLatin1String("Dictionary")) {
            h.option(choice == QLatin1String("Dictionary") ? 1 : 0)->click();
            return;
        }
        QComboBox* list = choice.endsWith(QLatin1String("-BIT")) ? h.strength() : h.type();
        list->setCurrentIndex(list->findText(choice));
    }
};

QTEST_MAIN(tst_wMainBehaviour)
#include "tst_wMainBehaviour.moc"
