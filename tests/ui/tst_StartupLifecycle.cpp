// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up with the splash, the close step, the splash shown again from the about page, the window
// lifecycle, and the credit links.
#include "keygen/RandomSource.h"
#include "shell/modShellExecute.h"
#include "tests/support/MemorySettingsStore.h"
#include "tests/support/ProcStatus.h"
#include "tests/support/RecordingLauncher.h"
#include "tests/support/RecordingMessageSink.h"
#include "ui/DictionaryFolders.h"
#include "ui/Fonts.h"
#include "ui/modStartup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace tavrix;
using namespace tavrix::test;

namespace {

// Records the moments that matter, in order: the main window becoming visible and the splash unloading.
// It watches every event of the application, so a window is watched from the moment it is made.
class Timeline : public QObject {
public:
    QStringList events;

    void watch(modStartup& program) {
        m_program = &program;
        connect(&program.splashWindow(), &Form::unloaded, this, [this, &program] {
            events << QStringLiteral("splash unloaded (main %1)")
                          .arg(program.mainWindow().window() && program.mainWindow().window()->isVisible() ? "visible"
                                                                                                           : "hidden");
        });
        connect(&program.mainWindow(), &Form::unloaded, this, [this] { events << QStringLiteral("main unloaded"); });
        qApp->installEventFilter(this);
    }
    void stopWatching() { qApp->removeEventFilter(this); }

    // The first paint of the splash picture of this name is recorded, with whether the main window was
    // loaded by then, as "splash painted (main loaded)" or "splash painted (main not loaded)".
    QString recordPaintsOf;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::Show || event->type() == QEvent::Paint) && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (event->type() == QEvent::Show && widget == m_program->mainWindow().window())
                events << QStringLiteral("main shown");
            if (event->type() == QEvent::Paint && !recordPaintsOf.isEmpty() && widget->objectName() == recordPaintsOf &&
                widget->window() == m_program->splashWindow().window() && !m_splashPainted) {
                m_splashPainted = true;
                events << QStringLiteral("splash painted (main %1)")
                              .arg(m_program->mainWindow().isLoaded() ? "loaded" : "not loaded");
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    modStartup* m_program = nullptr;
    bool m_splashPainted = false;
};

struct Program {
    enum class Shell { Recorded, Real };

    explicit Program(QStringList folders = {QStringLiteral(TAVRIX_SOURCE_DATA_DIR)}, Shell shell = Shell::Recorded) {
        ShellLauncher launcher = recorder.launcher();
        if (shell == Shell::Real) {
            launcher = [this](const QString& f, const QString& p, qint32 h, qint32 s, const QString& d, bool w) {
                ShellExe(f, p, h, s, d, w, sink);
            };
        }
        program = std::make_unique<modStartup>(ProgramServices{store, sink, random, std::move(folders), launcher});
        timeline.watch(*program);
    }
    ~Program() {
        timeline.stopWatching();
        program->mainWindow().Unload();
        program->splashWindow().Unload();
    }

    wMain& main() { return program->mainWindow(); }
    wSplash& splash() { return program->splashWindow(); }
    QTimer* timer() { return main().window()->findChild<QTimer*>(QStringLiteral("tmrSplashClose")); }
    QLabel* splashPicture() { return splash().window()->findChild<QLabel*>(QStringLiteral("imgLogo")); }
    QLabel* mainLabel(const char* name) { return main().window()->findChild<QLabel*>(QString::fromLatin1(name)); }
    int count(const QString& event) const { return int(timeline.events.count(event)); }

    MemorySettingsStore store;
    RecordingMessageSink sink;
    SystemRandomSource random;
    RecordingLauncher recorder{[this] { return program ? program->mainWindow().window() : nullptr; }};
    QVector<Launch>& launches = recorder.launches;
    Timeline timeline;
    std::unique_ptr<modStartup> program;
};

constexpr int kSplashTime = 1500;
constexpr int kPatience = 5000;

} // namespace

class tst_StartupLifecycle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }

    void mainShowsTheSplashAndLoadsTheMainWindowHidden() {
        Program p;
        p.program->Main();
        QVERIFY(p.splash().isLoaded());
        QVERIFY(p.splash().window()->isVisible());
        QVERIFY(p.main().isLoaded());
        QVERIFY(!p.main().window()->isVisible());
        QVERIFY(p.timer()->isActive());
        QCOMPARE(p.timer()->interval(), kSplashTime);
        QVERIFY(p.timeline.events.isEmpty()); // nothing shown, nothing unloaded
        // The settings were read while loading.
        QCOMPARE(p.store.values().value("Key Strength"), QStringLiteral("1"));
    }

    void theSplashIsPaintedBeforeTheMainWindowLoads() {
        Program p;
        p.timeline.recordPaintsOf = QStringLiteral("imgLogo");
        p.program->Main();
        QVERIFY(p.splash().window()->windowHandle()->isExposed());
        QVERIFY(p.main().isLoaded());
        QCOMPARE(p.timeline.events.mid(0, 1), QStringList{"splash painted (main not loaded)"});
    }

    void theTimerShowsTheMainWindowThenUnloadsTheSplash() {
        Program p;
        QElapsedTimer clock;
        clock.start();
        p.program->Main();
        QTest::qWait(kSplashTime / 3);
        // However slow the machine, the window shows exactly when the timer has run out, never before.
        QVERIFY2(p.main().window()->isVisible() == !p.timer()->isActive(),
                 "the main window is never visible before the close step");
        QTRY_VERIFY_WITH_TIMEOUT(!p.splash().isLoaded(), kPatience);
        QVERIFY(clock.elapsed() >= kSplashTime - 50);
        QVERIFY(p.main().window()->isVisible());
        QVERIFY(!p.timer()->isActive());
        QCOMPARE(p.timeline.events, (QStringList{"main shown", "splash unloaded (main visible)"}));
    }

    void aClickOnTheSplashEndsTheSplashAtOnceAndTheTimerNeverFires() {
        Program p;
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QVERIFY(p.main().window()->isVisible());
        QVERIFY(!p.splash().isLoaded());
        QVERIFY(!p.timer()->isActive());
        QTest::qWait(kSplashTime + 300);
        QCOMPARE(p.count("main shown"), 1);
        QVERIFY(!p.splash().isLoaded());
    }

    void theAboutLogoShowsTheSameSplashAgainWithNoTimeLimit() {
        Program p;
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QLabel* logo = p.mainLabel("imgLogo");
        QTest::mouseClick(logo, Qt::LeftButton);
        QVERIFY(p.splash().isLoaded());
        QWidget* shown = p.splash().window();
        QVERIFY(shown->isVisible());
        QTest::mouseClick(logo, Qt::LeftButton); // already visible: no change, no second window
        QCOMPARE(p.splash().window(), shown);
        QTest::qWait(kSplashTime + 300);
        QVERIFY2(p.splash().window() == shown && shown->isVisible(), "the splash stays until clicked");
        QVERIFY(!p.timer()->isActive());
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QVERIFY(!p.splash().isLoaded());
        QVERIFY(p.main().window()->isVisible());
    }

    // A window is centred on the screen the first time it is shown after a load; a window that is shown
    // again while loaded stays where it is, where the user may have moved it.
    void aWindowIsCentredWhenFirstShownAfterALoad_data() {
        QTest::addColumn<QString>("moment");
        QTest::newRow("the splash at start-up") << "start";
        QTest::newRow("the main window at the close step") << "close step";
        QTest::newRow("the splash shown again from the about page") << "logo";
        QTest::newRow("the main window moved by the user, when a splash shown again closes") << "moved";
    }
    void aWindowIsCentredWhenFirstShownAfterALoad() {
        QFETCH(QString, moment);
        Program p;
        p.program->Main();
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        // The whole window, frame included where the window system tells it before showing (Windows); within
        // the few pixels of a frame it adds around the client area otherwise.
        const auto centred = [&](const QWidget* window) {
            return (window->frameGeometry().center() - centre).manhattanLength() <= 4;
        };
        const auto where = [](const QWidget* window) {
            return qPrintable(QStringLiteral("client area at %1,%2 sized %3x%4")
                                  .arg(window->geometry().x())
                                  .arg(window->geometry().y())
                                  .arg(window->width())
                                  .arg(window->height()));
        };
        if (moment == QLatin1String("start")) {
            QVERIFY2(centred(p.splash().window()), where(p.splash().window()));
            return;
        }
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QWidget* main = p.main().window();
        QVERIFY2(centred(main), where(main));
        if (moment == QLatin1String("close step"))
            return;
        const QPoint movedTo = main->pos() + QPoint(-40, 25);
        if (moment == QLatin1String("moved"))
            main->move(movedTo);
        QTest::mouseClick(p.mainLabel("imgLogo"), Qt::LeftButton);
        QVERIFY2(centred(p.splash().window()), where(p.splash().window()));
        if (moment == QLatin1String("logo"))
            return;
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QVERIFY(main->isVisible());
        QCOMPARE(main->pos(), movedTo);
    }

    void closingTheMainWindowBesideARepeatedSplashLeavesTheSplashAlone() {
        Program p;
        QSignalSpy ended(p.program.get(), &modStartup::noWindowLoaded);
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QTest::mouseClick(p.mainLabel("imgLogo"), Qt::LeftButton);
        QWidget* oldMain = p.main().window();
        oldMain->close();
        QVERIFY(!p.main().isLoaded());
        QVERIFY(p.splash().window()->isVisible());
        QTest::qWait(50);
        QCOMPARE(ended.count(), 0);

        // A click on the splash loads a fresh main window, reading the store afresh, and closes the splash.
        p.store.set(QStringLiteral("Key Type"), QStringLiteral("0"));
        p.store.clearWrites();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QVERIFY(p.main().isLoaded());
        QVERIFY(p.main().window() != oldMain);
        QVERIFY(p.main().window()->isVisible());
        QVERIFY2(!p.timer()->isActive(), "the new timer is disabled by the close step");
        QVERIFY(!p.splash().isLoaded());
        QCOMPARE(p.main().window()->findChild<QComboBox*>("cboKeyType")->currentText(), QStringLiteral("HEX"));
        QCOMPARE(p.store.writes().size(), 3);
        QTest::qWait(50);
        QCOMPARE(ended.count(), 0);
    }

    void closingTheOnlyWindowEndsTheProgram() {
        Program p;
        QSignalSpy ended(p.program.get(), &modStartup::noWindowLoaded);
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QTest::qWait(20);
        QCOMPARE(ended.count(), 0);
        p.store.clearWrites();
        p.main().window()->close();
        QVERIFY(!p.main().isLoaded());
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(p.store.writes().isEmpty()); // closing writes nothing
    }

    void theHiddenLoadedMainWindowKeepsTheProgramAliveDuringStartUp() {
        Program p;
        QSignalSpy ended(p.program.get(), &modStartup::noWindowLoaded);
        p.program->Main();
        QTest::qWait(kSplashTime / 2);
        QCOMPARE(ended.count(), 0);
        QVERIFY(p.main().isLoaded());
    }

    void aMessageBoxDuringLoadingLetsTheCloseStepRunOnce() {
        QTemporaryDir noDictionary;
        Program p({noDictionary.path()});
        p.store.set(QStringLiteral("Generate On Startup"), QStringLiteral("1"));
        p.store.set(QStringLiteral("ASCII Mode"), QStringLiteral("1"));
        p.store.set(QStringLiteral("Copy Key To Clipboard"), QStringLiteral("1"));
        bool closedWhileOpen = false;
        p.sink.onShow = [&](const Message&) {
            // The box stays open past the splash time, as a user who reads it would keep it.
            QTest::qWait(kSplashTime + 500);
            closedWhileOpen = !p.splash().isLoaded() && p.main().window()->isVisible();
        };
        p.program->Main();
        QVERIFY(closedWhileOpen);
        QCOMPARE(p.sink.messages.size(), 1);
        QCOMPARE(p.sink.messages.first().title, QStringLiteral("GetWord() Error.."));
        // The load step completed on the visible window.
        QVERIFY(p.main().window()->isVisible());
        QCOMPARE(p.main().window()->findChild<QPlainTextEdit*>("txtKey")->toPlainText(), QString());
        QVERIFY(p.main().window()->findChild<QCheckBox*>("chkAutoClipboard")->isChecked());
        QTest::qWait(kSplashTime + 300);
        QCOMPARE(p.count("main shown"), 1);
        QCOMPARE(p.count("main unloaded"), 0); // loaded once: a second load would need an unload first
        QCOMPARE(p.count("splash unloaded (main visible)"), 1);
    }

    void aCreditLinkMinimisesTheWindowThenOpensItsSite_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("the programmer's name, clicked") << "labQuorlen"
                                                        << "https://quorlen.example.net/" << false;
        QTest::newRow("the implementer's name, clicked") << "labVasht"
                                                         << "https://vasht.example.net/" << false;
        QTest::newRow("the programmer's name, from the keyboard") << "labQuorlen"
                                                                  << "https://quorlen.example.net/" << true;
    }
    void aCreditLinkMinimisesTheWindowThenOpensItsSite() {
        QFETCH(QString, label);
        QFETCH(QString, address);
        QFETCH(bool, byKeyboard);
        Program p;
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        p.main().window()->findChild<QToolButton*>("tbrMain_3")->click();
        QLabel* link = p.mainLabel(label.toLatin1().constData());
        if (byKeyboard)
            QTest::keyClick(link, Qt::Key_Space);
        else
            QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(p.launches.size(), 1);
        const auto& launch = p.launches.first();
        QCOMPARE(launch.file, address);
        QCOMPARE(launch.parameters, QString());
        QCOMPARE(launch.hwnd, 0);
        QCOMPARE(launch.showCmd, 1);
        QCOMPARE(launch.directory, QString());
        QCOMPARE(launch.wait, false);
        QVERIFY2(launch.windowMinimised, "the window is minimised before the shell is called");
        QVERIFY(p.main().window()->isMinimized());
    }

    void aPressOutsideTheLinkDoesNotOpenIt() {
        Program p;
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        QLabel* link = p.mainLabel("labVasht");
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 20, 2));
        QVERIFY(p.launches.isEmpty());
    }

#if !defined(Q_OS_WIN) // xdg-open and child processes; on Windows the shell starts no child of ours
    void aBurstOfLinkClicksLeavesNoChildProcessBehind() {
        QTemporaryDir bin;
        const QString log = bin.filePath(QStringLiteral("opened.log"));
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$1\" >> '%1'\nexit 0\n").arg(log).toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + oldPath);

        Program p({QStringLiteral(TAVRIX_SOURCE_DATA_DIR)}, Program::Shell::Real);
        p.program->Main();
        QTest::mouseClick(p.splashPicture(), Qt::LeftButton);
        for (int i = 0; i < 20; ++i)
            QTest::mouseClick(p.mainLabel(i % 2 ? "labVasht" : "labQuorlen"), Qt::LeftButton);
        qputenv("PATH", oldPath);

        // The clicks do not wait for the openers; they end and are reaped while the event loop runs.
        QTRY_COMPARE(int(ChildProcessStates().size()), 0);
        QVERIFY(p.sink.messages.isEmpty());
        QFile opened(log);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(opened.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 20);
        // The openers run side by side, so they may note their addresses in any order.
        QCOMPARE(lines.count(QStringLiteral("https://quorlen.example.net/")), 10);
        QCOMPARE(lines.count(QStringLiteral("https://vasht.example.net/")), 10);
        // No child of ours is left, running or as a zombie.
        QTRY_COMPARE(int(ChildProcessStates().size()), 0);
    }
#endif

    void dictionaryFoldersStartBesideTheProgram() {
        QStringList folders = DictionaryFolders();
        QVERIFY(folders.size() >= 1);
        QCOMPARE(folders.first(), QCoreApplication::applicationDirPath());
        QCOMPARE(folders.removeDuplicates(), 0);
    }

    // dict.txt is looked up beside the program, then in the user's data folder, then in the installed data
    // folder; WordSource takes the first folder of the list that has one. On Windows the user's folder is
    // %APPDATA%\Tavrix and the program's folder is the installed one.
    void dictionaryFoldersAreBesideTheProgramThenTheUsersDataFolderThenTheInstalledOne() {
        QTemporaryDir dataHome;
        QVERIFY(dataHome.isValid());
#if defined(Q_OS_WIN)
        const char* variable = "APPDATA";
#else
        const char* variable = "XDG_DATA_HOME";
#endif
        const QByteArray oldDataHome = qgetenv(variable);
        qputenv(variable, QDir::toNativeSeparators(dataHome.path()).toUtf8());
        const QStringList folders = DictionaryFolders();
        if (oldDataHome.isNull())
            qunsetenv(variable);
        else
            qputenv(variable, oldDataHome);

        const QString besideProgram = QCoreApplication::applicationDirPath();
#if defined(Q_OS_WIN)
        QCOMPARE(folders, (QStringList{besideProgram, dataHome.filePath(QStringLiteral("Tavrix"))}));
#else
        QCOMPARE(folders, (QStringList{besideProgram, dataHome.filePath(QStringLiteral("Tavrix")),
                                       QDir::cleanPath(besideProgram + QStringLiteral("/../share/tavrix"))}));
#endif
    }
};

QTEST_MAIN(tst_StartupLifecycle)
#include "tst_StartupLifecycle.moc"
