#include "keygen/ClipboardCopy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

using namespace tavrix;

class ClipboardCopyTest : public QObject {
    Q_OBJECT

private slots:
    void copyingClearsThenPutsEmptyTextThenTheKey_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("a key ends up as the only, plain-text content") << QStringLiteral("abc-defgh-ij");
        QTest::newRow("an empty key leaves the empty text") << QString();
    }
    void copyingClearsThenPutsEmptyTextThenTheKey() {
        QFETCH(QString, key);
        QClipboard& clipboard = *QGuiApplication::clipboard();
        auto* previous = new QMimeData;
        previous->setHtml(QStringLiteral("<b>old</b>"));
        previous->setText(QStringLiteral("old"));
        clipboard.setMimeData(previous);

        // What the clipboard holds after each step, as "formats|text".
        QStringList steps;
        const auto connection = connect(&clipboard, &QClipboard::dataChanged, this, [&] {
            const QMimeData* data = clipboard.mimeData();
            steps.append((data ? data->formats().join(',') : QString()) + '|' + clipboard.text());
        });
        CopyKeyToClipboard(clipboard, key);
        disconnect(connection);

        QCOMPARE(steps, (QStringList{"|", "text/plain|", "text/plain|" + key}));
        QCOMPARE(clipboard.mimeData()->formats(), QStringList{"text/plain"});
        QCOMPARE(clipboard.text(), key);
    }
};

QTEST_MAIN(ClipboardCopyTest)
#include "tst_clipboard_copy.moc"
