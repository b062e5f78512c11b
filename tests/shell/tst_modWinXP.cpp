// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "shell/modWinXP.h"

#include <QTest>

using namespace tavrix;

class tst_modWinXP : public QObject {
    Q_OBJECT

private slots:
    void loadLibrary_data();
    void loadLibrary();
    void freeLibrary_data();
    void freeLibrary();
};

void tst_modWinXP::loadLibrary_data() {
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("the shell library the main window preloads") << QByteArray("shell32.dll");
    QTest::newRow("a library that exists nowhere") << QByteArray("no-such-library-here.dll");
}

void tst_modWinXP::loadLibrary() {
    QFETCH(QByteArray, name);

    const ModuleHandle handle = LoadLibraryA(name.constData());

#ifdef Q_OS_WIN
    if (name == "shell32.dll") {
        QVERIFY(handle != 0);
        QVERIFY(FreeLibrary(handle));
    } else {
        QCOMPARE(handle, ModuleHandle{0});
    }
#else
    // Without the Windows shell nothing is loaded, whatever the name.
    QCOMPARE(handle, ModuleHandle{0});
#endif
}

void tst_modWinXP::freeLibrary_data() {
    QTest::addColumn<bool>("fromLoad");
    QTest::addColumn<ModuleHandle>("handle");

    QTest::newRow("releasing the handle of a failed load does nothing") << false << ModuleHandle{0};
    QTest::newRow("releasing a handle that names no library does nothing") << false << ModuleHandle{0x1234};
    QTest::newRow("releasing what a load returned holds nothing afterwards") << true << ModuleHandle{0};
}

void tst_modWinXP::freeLibrary() {
    QFETCH(bool, fromLoad);
    QFETCH(ModuleHandle, handle);

    if (fromLoad)
        handle = LoadLibraryA("shell32.dll");

#ifdef Q_OS_WIN
    QCOMPARE(FreeLibrary(handle), fromLoad);
#else
    QCOMPARE(FreeLibrary(handle), false);
#endif
}

QTEST_GUILESS_MAIN(tst_modWinXP)
#include "tst_modWinXP.moc"
