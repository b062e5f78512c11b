// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ClipboardCopy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWindow>
#include <QtTest>

#if defined(Q_OS_WIN)
#include <windows.h>

#include <thread>
#endif

using namespace tavrix;

namespace {

// The formats Qt reads back from the clipboard for a non-empty key.
QStringList KeyFormats() {
#if defined(Q_OS_WIN)
    QStringList formats{"text/plain"};
    for (const char* format : kWindowsSecretFormats)
        formats << QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(format));
    return formats;
#else
    return {"text/plain", "x-kde-passwordManagerHint"};
#endif
}

} // namespace

class tst_ClipboardCopy : public QObject {
    Q_OBJECT

private slots:
    void copyingClearsThenPutsEmptyTextThenTheKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("formats");
        const QStringList withHint = KeyFormats();
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
        QVERIFY(CopyKeyToClipboard(clipboard, key));
        disconnect(connection);

#if !defined(Q_OS_WIN) // Windows tells of each change later, from its event loop
        QCOMPARE(steps, (QStringList{"|", "text/plain|", formats.join(',') + '|' + key}));
#endif
        QCOMPARE(clipboard.mimeData()->formats(), formats);
        QCOMPARE(clipboard.text(), key);
        if (formats.contains(QStringLiteral("x-kde-passwordManagerHint")))
            QCOMPARE(clipboard.mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    }

#if defined(Q_OS_WIN)
    // What another program reads off the Windows clipboard: the key as text and each format that keeps a
    // secret out of the clipboard history and the cloud clipboard, a DWORD 0.
    void theWindowsClipboardCarriesTheSecretFormats_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : kWindowsSecretFormats)
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void theWindowsClipboardCarriesTheSecretFormats() {
        QFETCH(QString, format);
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("windows"));
        QVERIFY(CopyKeyToClipboard(*QGuiApplication::clipboard(), QStringLiteral("0123456789")));

        const UINT id = ::RegisterClipboardFormatW(reinterpret_cast<const wchar_t*>(format.utf16()));
        QVERIFY(id != 0);
        QVERIFY(::OpenClipboard(nullptr));
        const HANDLE text = ::GetClipboardData(CF_UNICODETEXT);
        const QString read =
            text ? QString::fromWCharArray(static_cast<const wchar_t*>(::GlobalLock(text))) : QString();
        if (text)
            ::GlobalUnlock(text);
        const HANDLE data = ::GetClipboardData(id);
        QByteArray bytes;
        if (data) {
            bytes = QByteArray(static_cast<const char*>(::GlobalLock(data)), 4);
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        QCOMPARE(read, QStringLiteral("0123456789"));
        QVERIFY(data != nullptr);
        QCOMPARE(bytes, QByteArray(4, '\0'));
    }

    // While another program holds the clipboard open the copy is refused, and says so.
    void aClipboardHeldOpenElsewhereRefusesTheCopy() {
        QVERIFY(CopyKeyToClipboard(*QGuiApplication::clipboard(), QStringLiteral("before")));
        HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([&] {
            const bool held = ::OpenClipboard(nullptr);
            ::SetEvent(opened);
            ::WaitForSingleObject(release, INFINITE);
            if (held)
                ::CloseClipboard();
        });
        ::WaitForSingleObject(opened, INFINITE);
        const bool copied = CopyKeyToClipboard(*QGuiApplication::clipboard(), QStringLiteral("after"));
        ::SetEvent(release);
        holder.join();
        ::CloseHandle(opened);
        ::CloseHandle(release);
        QVERIFY(!copied);
        QVERIFY(CopyKeyToClipboard(*QGuiApplication::clipboard(), QStringLiteral("again")));
    }
#endif
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
#if !defined(Q_OS_WIN) // the Windows hints are checked on the system's clipboard below
        QCOMPARE(clipboard.mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
#endif
        writer.copy(QStringLiteral("next-key"));
        QCOMPARE(clipboard.text(), QStringLiteral("next-key"));
    }
};

QTEST_MAIN(tst_ClipboardCopy)
#include "tst_ClipboardCopy.moc"
