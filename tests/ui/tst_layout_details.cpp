// How the main window draws what it shows: a long key in the key field, the bold headings of the about page,
// and the key field's frame. Run once at the ordinary scale and once with QT_SCALE_FACTOR=1.5.
#include "Fonts.h"
#include "MainWindowHarness.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

namespace {

// How much ink a text takes when drawn black on white in a font: the sum of the darkness of its pixels.
qint64 ink(const QFont& font, const QString& text) {
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
        const qint64 bold = ink(label->font(), label->text());
        const qint64 regular = ink(h.main->window()->font(), label->text());
        QVERIFY2(bold * 100 >= regular * 125,
                 qPrintable(QStringLiteral("bold ink %1, regular ink %2").arg(bold).arg(regular)));
    }

    // The key field's frame is whole on every side: the rows and columns along its edges, as the window
    // draws them, differ from the white inside of the field.
    void theKeyFieldsFrameIsDrawnOnEverySide() {
        MainWindowHarness h;
        h.main->Load();
        QWidget* window = h.main->window();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* field = h.control<QPlainTextEdit>("txtKey");
        const QImage picture = window->grab().toImage();
        const qreal scale = picture.devicePixelRatio();
        const QRect logical(field->mapTo(window, QPoint(0, 0)), field->size());
        // The field in device pixels, as far as it reaches; its frame lies within one device pixel of each edge.
        const int left = qCeil(logical.left() * scale), right = qFloor((logical.right() + 1) * scale) - 1;
        const int top = qCeil(logical.top() * scale), bottom = qFloor((logical.bottom() + 1) * scale) - 1;
        const QRgb inside = picture.pixel((left + right) / 2, (top + bottom) / 2);
        const auto drawn = [&](int x, int y) { return picture.pixel(x, y) != inside; };
        const int midX = (left + right) / 2, midY = (top + bottom) / 2;
        QVERIFY2(drawn(midX, top) || drawn(midX, top + 1), "no top edge");
        QVERIFY2(drawn(midX, bottom) || drawn(midX, bottom - 1), "no bottom edge");
        QVERIFY2(drawn(left, midY) || drawn(left + 1, midY), "no left edge");
        // The right edge lies beside the scroll bar's place; look at it too.
        QVERIFY2(drawn(right, midY) || drawn(right - 1, midY), "no right edge");
    }
};

QTEST_MAIN(tst_LayoutDetails)
#include "tst_layout_details.moc"
