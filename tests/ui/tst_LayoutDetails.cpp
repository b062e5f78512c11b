// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// How the main window draws what it shows: a long key in the key field, the bold headings of the about page,
// the key field's frame, and the pictures at the screen's pixel ratio. Run once at the ordinary scale, once
// with QT_SCALE_FACTOR=1.5 and once on a screen of pixel ratio 2 with a second screen at 1 beside it.
#include "tests/support/MainWindowHarness.h"
#include "ui/Fonts.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QWindow>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

namespace {

// How much ink a text takes when drawn black on white in a font: the sum of the darkness of its pixels.
qint64 Ink(const QFont& font, const QString& text) {
    QImage image(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(4, 40), text);
    }
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    }
    return sum;
}

} // namespace

class tst_LayoutDetails : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }

    // The longest keys: 58 hexadecimal digits fill two lines, a 29-letter one one line; neither may need a
    // scroll bar in the two-line field.
    void theLongestKeysFitTheFieldWithoutAScrollBar_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("lines");
        QTest::newRow("a 256-bit HEX key of 58 digits") << QStringLiteral("0123456789abcdef").repeated(4).left(58) << 2;
        QTest::newRow("a 256-bit dictionary key") << "tonal-bequeath-pottery-abhors" << 1;
        QTest::newRow("a 256-bit random key") << QString(29, QLatin1Char('w')) << 1;
    }
    void theLongestKeysFitTheFieldWithoutAScrollBar() {
        QFETCH(QString, key);
        QFETCH(int, lines);
        MainWindowHarness h;
        h.main->Load();
        auto* field = h.control<QPlainTextEdit>("txtKey");
        field->setPlainText(key);
        h.main->window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.main->window()));
        QCOMPARE(field->document()->documentLayout()->documentSize().height(), qreal(lines));
        QVERIFY2(!field->verticalScrollBar()->isVisible(), "the field shows a scroll bar");
        QCOMPARE(field->verticalScrollBar()->maximum(), 0);
    }

    // The headings "Programming" and "Implementation" are bold: drawn in their font they take clearly more
    // ink than in the window's regular font.
    void theHeadingsAreDrawnBold_data() {
        QTest::addColumn<QString>("heading");
        QTest::newRow("Programming") << "labProgramming";
        QTest::newRow("Implementation") << "Label2";
    }
    void theHeadingsAreDrawnBold() {
        QFETCH(QString, heading);
        MainWindowHarness h;
        h.main->Load();
        auto* label = h.control<QLabel>(heading.toLatin1().constData());
        const qint64 bold = Ink(label->font(), label->text());
        const qint64 regular = Ink(h.main->window()->font(), label->text());
#if defined(Q_OS_WIN)
        // Windows draws the face's own bold, a designed face with less added ink than a regular one made bold.
        const int percent = 110;
#else
        const int percent = 125;
#endif
        QVERIFY2(bold * 100 >= regular * percent,
                 qPrintable(QStringLiteral("bold ink %1, regular ink %2").arg(bold).arg(regular)));
    }

    // The splash picture and the about logo are drawn for the screen's pixel ratio: the picture itself at 1,
    // the one made at twice the size at 2, and that one scaled down in between, never the small one stretched.
    void thePicturesSuitTheScreensPixelRatio_data() {
        QTest::addColumn<bool>("splash");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QSize>("size");
        QTest::newRow("the splash picture") << true << ":/splash" << QSize(122, 350);
        QTest::newRow("the about page's logo") << false << ":/logo" << QSize(51, 147);
    }
    void thePicturesSuitTheScreensPixelRatio() {
        QFETCH(bool, splash);
        QFETCH(QString, picture);
        QFETCH(QSize, size);
        MainWindowHarness h;
        Form& form = splash ? static_cast<Form&>(*h.splash) : static_cast<Form&>(*h.main);
        form.Load();
        auto* label = form.window()->findChild<QLabel*>(QStringLiteral("imgLogo"));
        QVERIFY(label);
        const qreal ratio = form.window()->devicePixelRatioF();
        const QPixmap shown = label->pixmap();
        QCOMPARE(shown.devicePixelRatio(), ratio);
        QCOMPARE(shown.size(), (QSizeF(size) * ratio).toSize());
        if (ratio == 1.0)
            QCOMPARE(shown.toImage(),
                     QImage(picture + QStringLiteral(".jpg")).convertToFormat(shown.toImage().format()));
        if (ratio == 2.0) {
            const QImage doubled(picture + QStringLiteral("@2x.jpg"));
            QCOMPARE(doubled.size(), size * 2);
            QCOMPARE(shown.toImage(), doubled.convertToFormat(shown.toImage().format()));
        }
    }

    // A window moved to a screen of another pixel ratio draws its picture again for that screen.
    void thePictureFollowsItsWindowToAnotherScreen() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() < 2 || screens[0]->devicePixelRatio() == screens[1]->devicePixelRatio())
            QSKIP("needs two screens of different pixel ratios, as tst_LayoutDetails_doubled has");
        MainWindowHarness h;
        h.splash->Show();
        QWidget* window = h.splash->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* label = window->findChild<QLabel*>(QStringLiteral("imgLogo"));
        QCOMPARE(label->pixmap().devicePixelRatio(), screens[0]->devicePixelRatio());
        window->windowHandle()->setScreen(screens[1]);
        QCoreApplication::processEvents(); // the move reaches the widgets as posted events
        QCOMPARE(window->devicePixelRatioF(), screens[1]->devicePixelRatio());
        QCOMPARE(label->pixmap().devicePixelRatio(), screens[1]->devicePixelRatio());
        QCOMPARE(label->pixmap().size(), QSize(122, 350));
    }

    // The key field's frame is whole on every side: along each edge, within the field's last device pixels,
    // there is a line at least half as dark as the frame's left edge, which every scale draws whole.
    void theKeyFieldsFrameIsDrawnOnEverySide() {
        MainWindowHarness h;
        h.main->Load();
        QWidget* window = h.main->window();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* field = h.control<QPlainTextEdit>("txtKey");
        const QImage picture = window->grab().toImage();
        const qreal scale = picture.devicePixelRatio();
        const QRectF device(QPointF(field->mapTo(window, QPoint(0, 0))) * scale, QSizeF(field->size()) * scale);
        const int left = qFloor(device.left()), right = qCeil(device.right()) - 1;
        const int top = qFloor(device.top()), bottom = qCeil(device.bottom()) - 1;
        const int midX = (left + right) / 2, midY = (top + bottom) / 2;
        const int inside = qGray(picture.pixel(midX, midY));
        int frame = 255;
        for (int x = left; x <= left + 2; ++x)
            frame = qMin(frame, qGray(picture.pixel(x, midY)));
        QVERIFY2(frame < inside - 30, qPrintable(QStringLiteral("no left edge (%1 inside %2)").arg(frame).arg(inside)));
        const int halfway = (frame + inside) / 2;
        const auto darkest = [&](bool rows, int from, int to, int at) {
            int value = 255;
            for (int i = from; i <= to; ++i)
                value = qMin(value, qGray(rows ? picture.pixel(at, i) : picture.pixel(i, at)));
            return value;
        };
        QVERIFY2(darkest(true, top, top + 1, midX) <= halfway,
                 qPrintable(QStringLiteral("top edge %1, frame %2").arg(darkest(true, top, top + 1, midX)).arg(frame)));
        QVERIFY2(
            darkest(true, bottom - 1, bottom, midX) <= halfway,
            qPrintable(
                QStringLiteral("bottom edge %1, frame %2").arg(darkest(true, bottom - 1, bottom, midX)).arg(frame)));
    }
};

QTEST_MAIN(tst_LayoutDetails)
#include "tst_LayoutDetails.moc"
