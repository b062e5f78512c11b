// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/QtMessageSink.h"
#include "ui/SettingsAccess.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using tavrix::CopiedMessageText;
using tavrix::DisplayedMessageText;
using tavrix::kLongestShownLine;

class tst_QtMessageSink : public QObject {
    Q_OBJECT

private slots:
    void theShownTextCutsOnlyOverlongLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString limit(kLongestShownLine, u'a');
        const QString cut = limit + QChar(0x2026);
        QTest::newRow("a short text is shown as it is") << "Couldn't find dict.txt"
                                                        << "Couldn't find dict.txt";
        QTest::newRow("the empty text stays empty") << ""
                                                    << "";
        QTest::newRow("a diagnostic keeps its CR LF line ends")
            << "lPos = 5\r\nlCount = 1\r\nsBuffer = word\r\nlRequiredLength = 5"
            << "lPos = 5\r\nlCount = 1\r\nsBuffer = word\r\nlRequiredLength = 5";
        const QString paths = "It was moved to /" + QString(600, u'p') + ", and /" + QString(600, u'q') + '.';
        QTest::newRow("a message line quoting two long paths is whole") << paths << paths;
        QTest::newRow("a line of exactly the limit is whole") << limit << limit;
        QTest::newRow("one character over the limit is cut") << limit + u'b' << cut;
        QTest::newRow("an overlong middle line is cut and the lines around it stay")
            << "lCount = 1\r\nsBuffer = " + limit + "xyz\r\nlRequiredLength = 5"
            << "lCount = 1\r\nsBuffer = " + QString(kLongestShownLine - 10, u'a') + QChar(0x2026) +
                   "\r\nlRequiredLength = 5";
        QTest::newRow("a lone LF ends a line too") << limit + "bb\nshort" << cut + "\nshort";
        QTest::newRow("a lone CR ends a line too") << limit + "bb\rshort" << cut + "\rshort";
    }

    void theShownTextCutsOnlyOverlongLines() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(DisplayedMessageText(text), shown);
    }

    void aTenMegabyteLineIsShownAsItsFirstCharacters() {
        const QString huge = QStringLiteral("sBuffer = ") + QString(10 * 1024 * 1024, u'q');
        const QString shown = DisplayedMessageText(huge);
        QCOMPARE(shown.size(), kLongestShownLine + 1);
        QVERIFY(shown.startsWith(QStringLiteral("sBuffer = qqq")));
        QVERIFY(shown.endsWith(QChar(0x2026)));
    }

    void theCopiedTextHasTheTitleTextAndButtonBetweenSeparators() {
        QCOMPARE(CopiedMessageText(QStringLiteral("ShellExe()"), QStringLiteral("line one\r\nline two")),
                 QStringLiteral("---------------------------\nShellExe()\n---------------------------\n"
                                "line one\r\nline two\n---------------------------\nOK   \n"
                                "---------------------------\n"));
    }

    // A message may quote what a user or a file wrote: a stored setting, a path, a dictionary line. The box
    // shows such a text as it is, never as markup that would hide its tags or draw it in another way.
    void theBoxShowsMarkupInItsTextAsPlainText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("a stored setting written as bold markup") << tavrix::UnusableSettingText(
            QStringLiteral("Key Strength"), QStringLiteral("<b>7</b>"), QStringLiteral("1"));
        QTest::newRow("a settings file in a folder named like a tag")
            << tavrix::ReadProblemText(QStringLiteral("/home/u/<i>cfg</i>/Tavrix.conf"), QStringLiteral("denied"));
        QTest::newRow("a quoted dictionary line that opens an HTML document")
            << QStringLiteral("sBuffer = <html><body><h1>word</h1>\r\nlRequiredLength = 5");
    }
    void theBoxShowsMarkupInItsTextAsPlainText() {
        QFETCH(QString, text);
        // Each row is text that a label left to guess its format would draw as rich text.
        QVERIFY(Qt::mightBeRichText(text));
        Qt::TextFormat format = Qt::AutoText;
        QString labelText;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                format = label->textFormat();
                labelText = label->text();
            }
            box->accept();
        });
        tavrix::QtMessageSink sink;
        sink.show({tavrix::MessageIcon::Warning, QStringLiteral("Tavrix"), text});
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(labelText, text);
    }

    void ctrlCInTheOpenBoxCopiesItsTitleAndShownText() {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const QString longLine(kLongestShownLine + 50, u'z');
        QString boxText;
        QString clipboardWhileOpen;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            boxText = box->text();
            // The shortcut answers in the active window, as the box is on a desktop.
            box->activateWindow();
            if (QTest::qWaitForWindowActive(box))
                QTest::keySequence(box, QKeySequence::Copy);
            clipboardWhileOpen = QGuiApplication::clipboard()->text();
            box->accept();
        });
        tavrix::QtMessageSink sink;
        sink.show({tavrix::MessageIcon::Critical, QStringLiteral("GetWord() Error.."),
                   QStringLiteral("sBuffer = ") + longLine});

        const QString shown = QStringLiteral("sBuffer = ") + longLine.left(kLongestShownLine - 10) + QChar(0x2026);
        QCOMPARE(boxText, shown);
        QCOMPARE(clipboardWhileOpen, CopiedMessageText(QStringLiteral("GetWord() Error.."), shown));
    }
};

QTEST_MAIN(tst_QtMessageSink)
#include "tst_QtMessageSink.moc"
