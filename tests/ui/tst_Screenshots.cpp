// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The pictures in docs/ are the program as it looks: each page of the main window and the splash, drawn
// offscreen with the bundled font, must equal its picture pixel for pixel. A change to the look fails here
// until the pictures are renewed with tools/screenshots.sh, which runs this test with
// TAVRIX_RENEW_SCREENSHOTS=1 to write them.
#include "tests/support/MainWindowHarness.h"
#include "ui/Fonts.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

class tst_Screenshots : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }

    void theWindowsLookAsTheirPictures_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("page"); // the page button pressed; none: the splash
        QTest::newRow("the splash") << "splash.png"
                                    << "";
        QTest::newRow("the generate page") << "page-generate.png"
                                           << "tbrMain_1";
        QTest::newRow("the settings page") << "page-settings.png"
                                           << "tbrMain_2";
        QTest::newRow("the about page") << "page-about.png"
                                        << "tbrMain_3";
    }
    void theWindowsLookAsTheirPictures() {
        QFETCH(QString, picture);
        QFETCH(QString, page);
        MainWindowHarness h;
        // The choices the generate page shows, and a fixed key in place of a random one.
        h.store.set(QStringLiteral("ASCII Mode"), QStringLiteral("1"));
        h.main->Load();
        h.control<QPlainTextEdit>("txtKey")->setPlainText(QStringLiteral("unsightly-zit"));
        QWidget* window = h.main->window();
        if (page.isEmpty()) {
            h.splash->Show();
            window = h.splash->window();
        } else {
            h.main->Show();
            h.button(page.toLatin1().constData())->click();
        }
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QImage drawn = window->grab().toImage().convertToFormat(QImage::Format_RGB32);

        const QString path = QDir(QStringLiteral(TAVRIX_SOURCE_DATA_DIR "/../docs")).filePath(picture);
        if (qEnvironmentVariableIsSet("TAVRIX_RENEW_SCREENSHOTS")) {
            QVERIFY2(drawn.save(path), qPrintable(path));
            return;
        }
        const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (drawn != expected) {
            const QString actual = QDir::current().filePath(picture);
            drawn.save(actual);
            QFAIL(qPrintable(QStringLiteral("%1 no longer shows the window (drawn: %2). If the change is meant, "
                                            "renew the pictures with tools/screenshots.sh.")
                                 .arg(path, actual)));
        }
    }
};

QTEST_MAIN(tst_Screenshots)
#include "tst_Screenshots.moc"
