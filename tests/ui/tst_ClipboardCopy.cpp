// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWindow>
#include <QtTest>

using namespace tavrix;

class tst_ClipboardCopy : public QObject {
    Q_OBJECT

private slots:
    void copyingClearsThenPutsEmptyTextThenTheKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("formats");
        const QStringList withHint{"text/plain", "x-kde-passwordManagerHint"};
        QTest::newRow("a key ends up as plain text marked as a secret for clipboard managers")
            << QStringLiteral("abc-defgh-ij") << withHint;
        QTest::newRow("an empty key leaves the empty text and nothing else") << QString() << QStringList{"text/plain"};
    }
    void copyingClearsThenPutsEmptyTextThenTheKey() {
        QFETCH(QString, key);
        QFETCH(QStringList, formats);
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

        QCOMPARE(steps, (QStringList{"|", "text/plain|", formats.join(',') + '|' + key}));
        QCOMPARE(clipboard.mimeData()->formats(), formats);
        QCOMPARE(clipboard.text(), key);
        if (formats.contains(QStringLiteral("x-kde-passwordManagerHint")))
            QCOMPARE(clipboard.mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    }

    void onWaylandTheFirstInputReleasesTheHeldCopy_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("a key press releases the copy held since start-up") << false;
        QTest::newRow("a mouse click releases the copy held since start-up") << true;
    }
    void onWaylandTheFirstInputReleasesTheHeldCopy() {
        QFETCH(bool, click);
        QClipboard& clipboard = *QGuiApplication::clipboard();
        clipboard.setText(QStringLiteral("old"));
        QWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        ClipboardWriter writer(ClipboardWriter::Desktop::Wayland);
        writer.copy(QStringLiteral("first-key"));
        writer.copy(QStringLiteral("start-up-key")); // the last copy asked for is the one held
        QCOMPARE(clipboard.text(), QStringLiteral("old"));
        if (click)
            QTest::mouseClick(&window, Qt::LeftButton);
        else
            QTest::keyClick(&window, Qt::Key_A);
        QCOMPARE(clipboard.text(), QStringLiteral("start-up-key"));
        QCOMPARE(clipboard.mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
        writer.copy(QStringLiteral("next-key"));
        QCOMPARE(clipboard.text(), QStringLiteral("next-key"));
    }
};

QTEST_MAIN(tst_ClipboardCopy)
#include "tst_ClipboardCopy.moc"
