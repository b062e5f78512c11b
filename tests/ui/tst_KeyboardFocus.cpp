// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window from the keyboard and through the accessibility interfaces a screen reader uses: where the
// focus starts, where Tab takes it on each page, the page buttons as a group of page tabs, the action buttons,
// and the credit links and logo of the about page.
#include "tests/support/MainWindowHarness.h"
#include "ui/Fonts.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

namespace {

QString FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("<none>");
}

// The page frame on top, by its tag, or "<several>" while more than one is visible.
QString PageOnTop(MainWindowHarness& h) {
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        if (h.page(i)->isVisibleTo(h.main->window()))
            shown << h.page(i)->property("tag").toString();
    }
    return shown.size() == 1 ? shown.first() : QStringLiteral("<several>");
}

QStringList PressedPageButtons(MainWindowHarness& h) {
    QStringList pressed;
    for (const char* name : {"tbrMain_1", "tbrMain_2", "tbrMain_3"}) {
        if (h.button(name)->isChecked())
            pressed << QString::fromLatin1(name);
    }
    return pressed;
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "no widget has the keyboard focus");
    QTest::keyClick(focus, key, modifiers);
}

// Shows the main window as the close step does and waits until it is the active window.
bool ShowActive(MainWindowHarness& h) {
    h.main->tmrSplashClose_Timer();
    return QTest::qWaitForWindowActive(h.main->window());
}

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

} // namespace

class tst_KeyboardFocus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }

    void theShownWindowFocusesThePressedPageButton() {
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_1"));
        QVERIFY(QApplication::focusWidget()->isVisible());
    }

    void returnOrSpaceOnAFreshWindowOpensNothingAndWritesNothing_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
    }
    void returnOrSpaceOnAFreshWindowOpensNothingAndWritesNothing() {
        QFETCH(int, key);
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        h.store.clearWrites();
        PressKey(Qt::Key(key));
        QVERIFY(h.launches.isEmpty());
        QVERIFY(!h.main->window()->isMinimized());
        QCOMPARE(h.writtenKeys(), QStringList());
        QCOMPARE(PageOnTop(h), QStringLiteral("_generate"));
    }

    // Tab goes round the controls of the page on top, in the order of their tab numbers in the layout:
    // the page buttons (3) first, then the page's own controls. A toolbar and a group of option buttons are
    // one stop each; the arrow keys move within them.
    // The option buttons are entered at the chosen one, as option groups usually are.
    void tabGoesRoundThePageOnTopInLayoutOrder_data() {
        QTest::addColumn<QString>("pageButton");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("stops");
        QTest::newRow("the generate page, Random chosen")
            << "tbrMain_1"
            << "0" << QStringList{"tbrMain_1", "txtKey", "tbrMisc_1", "cboKeyType", "cboKeyStrength", "optASCIIMode_0"};
        QTest::newRow("the generate page, Dictionary chosen")
            << "tbrMain_1"
            << "1" << QStringList{"tbrMain_1", "txtKey", "tbrMisc_1", "cboKeyType", "cboKeyStrength", "optASCIIMode_1"};
        QTest::newRow("the settings page")
            << "tbrMain_2"
            << "0" << QStringList{"tbrMain_2", "chkGenerateOnStartup", "chkGenerateOnChange", "chkAutoClipboard"};
        QTest::newRow("the about page") << "tbrMain_3"
                                        << "0" << QStringList{"tbrMain_3", "imgLogo", "labVasht", "labQuorlen"};
    }
    void tabGoesRoundThePageOnTopInLayoutOrder() {
        QFETCH(QString, pageButton);
        QFETCH(QString, method);
        QFETCH(QStringList, stops);
        MainWindowHarness h;
        h.store.set(QStringLiteral("ASCII Mode"), method);
        QVERIFY(ShowActive(h));
        h.button(pageButton.toLatin1().constData())->click();
        h.button(pageButton.toLatin1().constData())->setFocus(Qt::OtherFocusReason);
        // Backwards first: a group must be entered at its stop before any Tab has gone through it.
        QStringList backward{FocusName()};
        for (int i = 0; i < stops.size(); ++i) {
            PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
            backward << FocusName();
        }
        QStringList reversed{stops.first()};
        for (int i = int(stops.size()) - 1; i >= 0; --i)
            reversed << stops.at(i);
        QCOMPARE(backward, reversed);
        QStringList forward{FocusName()};
        for (int i = 0; i < stops.size(); ++i) {
            PressKey(Qt::Key_Tab);
            forward << FocusName();
        }
        QCOMPARE(forward, QStringList(stops) << stops.first());
    }

    void tabNeverReachesAControlOfAPageBeneath() {
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        for (int i = 0; i < 30; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            // The generate page lies on top: a control of another page under it is out of the user's sight.
            QVERIFY2(h.page(2)->isAncestorOf(focus) || h.control<QWidget>("tbrMain")->isAncestorOf(focus),
                     qPrintable(focus->objectName() + " has the focus but is not on the page on top"));
            PressKey(Qt::Key_Tab);
        }
    }

    void arrowKeysMoveAlongThePageButtonsAndSpaceOrReturnShowsThePage() {
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        h.store.clearWrites();
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_1"));
        PressKey(Qt::Key_Right);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_2"));
        QCOMPARE(PageOnTop(h), QStringLiteral("_generate")); // moving along shows nothing yet
        PressKey(Qt::Key_Space);
        QCOMPARE(PageOnTop(h), QStringLiteral("_settings"));
        QCOMPARE(PressedPageButtons(h), QStringList{"tbrMain_2"});
        PressKey(Qt::Key_Right);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_3"));
        PressKey(Qt::Key_Return);
        QCOMPARE(PageOnTop(h), QStringLiteral("_about"));
        QCOMPARE(PressedPageButtons(h), QStringList{"tbrMain_3"});
        PressKey(Qt::Key_Right); // round to the first
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_1"));
        PressKey(Qt::Key_Left);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_3"));
        PressKey(Qt::Key_Left);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_2"));
        // Tab leaves the group, and coming back lands on the pressed button, not the one last passed.
        PressKey(Qt::Key_Tab);
        QCOMPARE(FocusName(), QStringLiteral("imgLogo"));
        PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_3"));
        QVERIFY(h.store.writes().isEmpty());
    }

    void theArrowKeysChooseTheAsciiMethodAndTabComesBackToTheChoice() {
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        h.option(0)->setFocus(Qt::TabFocusReason);
        h.store.clearWrites();
        PressKey(Qt::Key_Right);
        QCOMPARE(FocusName(), QStringLiteral("optASCIIMode_1"));
        QVERIFY(h.option(1)->isChecked());
        QCOMPARE(h.writtenKeys(), QStringList{"ASCII Mode=1"});
        PressKey(Qt::Key_Tab);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_1"));
        PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(FocusName(), QStringLiteral("optASCIIMode_1"));
    }

    void aMouseClickOnAPageButtonMovesTheTabStopToIt() {
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        QTest::mouseClick(h.button("tbrMain_2"), Qt::LeftButton);
        QCOMPARE(PageOnTop(h), QStringLiteral("_settings"));
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_1")); // a click on a tool button leaves the focus
        PressKey(Qt::Key_Tab);
        QCOMPARE(FocusName(), QStringLiteral("chkGenerateOnStartup"));
        PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(FocusName(), QStringLiteral("tbrMain_2"));
    }

    void returnAndSpaceActivateTheFocusedActionButton_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void returnAndSpaceActivateTheFocusedActionButton() {
        QFETCH(int, key);
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        h.button("tbrMisc_1")->setFocus(Qt::TabFocusReason);
        PressKey(Qt::Key(key));
        QCOMPARE(h.text().size(), 13);
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        PressKey(Qt::Key_Right);
        QCOMPARE(FocusName(), QStringLiteral("tbrMisc_2"));
        PressKey(Qt::Key(key));
        QCOMPARE(QGuiApplication::clipboard()->text(), h.text());
        // Left and entered again, the row takes the focus at the button that had it last.
        PressKey(Qt::Key_Tab);
        QCOMPARE(FocusName(), QStringLiteral("cboKeyType"));
        PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(FocusName(), QStringLiteral("tbrMisc_2"));
    }

    void pageButtonsAreAnnouncedAsPageTabsOfOneList() {
        MainWindowHarness h;
        h.main->Load();
        QAccessibleInterface* list = Accessible(h.control<QWidget>("tbrMain"));
        QCOMPARE(list->role(), QAccessible::PageTabList);
        for (const char* name : {"tbrMain_1", "tbrMain_2", "tbrMain_3"}) {
            QAccessibleInterface* tab = Accessible(h.button(name));
            QCOMPARE(tab->role(), QAccessible::PageTab);
            QCOMPARE(tab->state().selected, h.button(name)->isChecked());
            QVERIFY(tab->state().focusable);
            QVERIFY(!tab->text(QAccessible::Name).trimmed().isEmpty());
        }
        QCOMPARE(Accessible(h.control<QWidget>("tbrMisc"))->role(), QAccessible::ToolBar);
    }

    // Whatever action a screen reader or voice control picks, the page shown and the button pressed agree.
    void everyActionOfAPageButtonShowsItsPage_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("action");
        const QString press = QAccessibleActionInterface::pressAction();
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QTest::newRow("Press on Settings") << "tbrMain_2"
                                           << "_settings" << press;
        QTest::newRow("Toggle on Settings") << "tbrMain_2"
                                            << "_settings" << toggle;
        QTest::newRow("Press on About") << "tbrMain_3"
                                        << "_about" << press;
        QTest::newRow("Toggle on About") << "tbrMain_3"
                                         << "_about" << toggle;
    }
    void everyActionOfAPageButtonShowsItsPage() {
        QFETCH(QString, button);
        QFETCH(QString, page);
        QFETCH(QString, action);
        MainWindowHarness h;
        h.main->Load();
        QAccessibleActionInterface* actions = Accessible(h.button(button.toLatin1().constData()))->actionInterface();
        QVERIFY(actions);
        QVERIFY2(actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                 qPrintable(actions->actionNames().join(',')));
        if (actions->actionNames().contains(action))
            actions->doAction(action);
        else
            actions->doAction(actions->actionNames().first());
        QCOMPARE(PageOnTop(h), page);
        QCOMPARE(PressedPageButtons(h), QStringList{button});
        // Again: the page stays and the button stays pressed.
        actions->doAction(action);
        QCOMPARE(PageOnTop(h), page);
        QCOMPARE(PressedPageButtons(h), QStringList{button});
        // Back through the first button's own action.
        Accessible(h.button("tbrMain_1"))->actionInterface()->doAction(action);
        QCOMPARE(PageOnTop(h), QStringLiteral("_generate"));
        QCOMPARE(PressedPageButtons(h), QStringList{"tbrMain_1"});
    }

    void creditLinksAreLinksWhosePressActionOpensTheSite_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("address");
        QTest::newRow("the programmer") << "labQuorlen"
                                        << "https://quorlen.example.net/";
        QTest::newRow("the implementer") << "labVasht"
                                         << "https://vasht.example.net/";
    }
    void creditLinksAreLinksWhosePressActionOpensTheSite() {
        QFETCH(QString, label);
        QFETCH(QString, address);
        MainWindowHarness h;
        h.main->Load();
        h.button("tbrMain_3")->click();
        QAccessibleInterface* link = Accessible(h.control<QLabel>(label.toLatin1().constData()));
        QCOMPARE(link->role(), QAccessible::Link);
        QVERIFY(link->state().focusable);
        QVERIFY(!link->text(QAccessible::Name).isEmpty());
        QAccessibleActionInterface* actions = link->actionInterface();
        QVERIFY(actions);
        QVERIFY2(actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                 qPrintable(actions->actionNames().join(',')));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(h.launches.size(), 1);
        QCOMPARE(h.launches.first().file, address);
        QVERIFY(h.launches.first().windowMinimised);
    }

    void theAboutLogoIsAButtonThatShowsTheSplash() {
        MainWindowHarness h;
        h.main->Load();
        h.button("tbrMain_3")->click();
        QAccessibleInterface* logo = Accessible(h.control<QLabel>("imgLogo"));
        QCOMPARE(logo->role(), QAccessible::Button);
        QCOMPARE(logo->text(QAccessible::Name), QStringLiteral("Click to view the splash screen.."));
        logo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(h.splash->isLoaded());
        QVERIFY(h.splash->window()->isVisible());
    }

    void theLogoAndTheLinksWorkFromTheKeyboard_data() {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<int>("repeats"); // presses the key's auto-repeat adds while it is held down
        QTest::newRow("Space on the logo shows the splash") << 1 << int(Qt::Key_Space) << "" << 0;
        QTest::newRow("Return on the implementer opens the site")
            << 2 << int(Qt::Key_Return) << "https://vasht.example.net/" << 0;
        QTest::newRow("Space on the programmer opens the site")
            << 3 << int(Qt::Key_Space) << "https://quorlen.example.net/" << 0;
        QTest::newRow("Return held down on the programmer opens the site once")
            << 3 << int(Qt::Key_Return) << "https://quorlen.example.net/" << 3;
        QTest::newRow("Ctrl+Return on the programmer opens nothing")
            << 3 << (int(Qt::Key_Return) | int(Qt::ControlModifier)) << "" << 0;
    }
    void theLogoAndTheLinksWorkFromTheKeyboard() {
        QFETCH(int, tabs);
        QFETCH(int, key);
        QFETCH(QString, opened);
        QFETCH(int, repeats);
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        PressKey(Qt::Key_Right);
        PressKey(Qt::Key_Right);
        PressKey(Qt::Key_Space);
        QCOMPARE(PageOnTop(h), QStringLiteral("_about"));
        for (int i = 0; i < tabs; ++i)
            PressKey(Qt::Key_Tab);
        if (repeats > 0) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            for (int i = 0; i <= repeats; ++i) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), i > 0);
                QApplication::sendEvent(focus, &press);
            }
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(focus, &release);
        } else {
            PressKey(Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        }
        if (opened.isEmpty()) {
            QVERIFY(h.launches.isEmpty());
            QCOMPARE(h.splash->isLoaded() && h.splash->window()->isVisible(), tabs == 1); // only the logo shows it
        } else {
            QCOMPARE(h.launches.size(), 1);
            QCOMPARE(h.launches.first().file, opened);
        }
    }

    // A focused link or logo shows that it has the focus; the links keep their blue text.
    void aFocusedLinkOrLogoIsDrawnDifferently_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("the programmer") << "labQuorlen";
        QTest::newRow("the implementer") << "labVasht";
        QTest::newRow("the logo") << "imgLogo";
    }
    void aFocusedLinkOrLogoIsDrawnDifferently() {
        QFETCH(QString, name);
        MainWindowHarness h;
        QVERIFY(ShowActive(h));
        h.button("tbrMain_3")->click();
        QLabel* label = h.control<QLabel>(name.toLatin1().constData());
        h.button("tbrMain_3")->setFocus(Qt::TabFocusReason);
        const QImage unfocused = label->grab().toImage();
        label->setFocus(Qt::TabFocusReason);
        QVERIFY(label->hasFocus());
        const QImage focused = label->grab().toImage();
        QVERIFY2(focused != unfocused, "the focus does not show");
        if (name != QLatin1String("imgLogo"))
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
};

QTEST_MAIN(tst_KeyboardFocus)
#include "tst_KeyboardFocus.moc"
