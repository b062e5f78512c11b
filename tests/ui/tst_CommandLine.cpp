// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TavrixVersion.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The built program run from the command line, as a script would: without a display, with a settings
// folder and a data folder of its own.
class tst_CommandLine : public QObject {
    Q_OBJECT
private slots:
    void run_data();
    void run();
};

void tst_CommandLine::run_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("settings"); // the [Settings] lines of Tavrix.conf; none: no file
    QTest::addColumn<bool>("withoutDictionary");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");    // a pattern the whole of standard output matches
    QTest::addColumn<QStringList>("error"); // texts standard error holds; none: it stays empty

    const QString version = QStringLiteral("Tavrix %1\n").arg(QRegularExpression::escape(tavrix::version::kText));
    const QString usage = QStringLiteral("Usage: .*--generate.*--strength.*--type.*--method.*--count.*");
    const QStringList none;
    QTest::newRow("--help prints the usage") << QStringList{"--help"} << QByteArray() << false << 0 << usage << none;
    QTest::newRow("-h prints the usage") << QStringList{"-h"} << QByteArray() << false << 0 << usage << none;
    QTest::newRow("--version prints the package version")
        << QStringList{"--version"} << QByteArray() << false << 0 << version << none;
    QTest::newRow("-v prints the package version")
        << QStringList{"-v"} << QByteArray() << false << 0 << version << none;
    QTest::newRow("128-bit hex is 26 digits") << QStringList{"--generate", "--strength", "128", "--type", "hex"}
                                              << QByteArray() << false << 0 << "[0-9a-f]{26}\n"
                                              << none;
    QTest::newRow("-g with 64-bit hex is 10 digits")
        << QStringList{"-g", "--strength=64", "--type=hex"} << QByteArray() << false << 0 << "[0-9a-f]{10}\n"
        << none;
    QTest::newRow("256-bit random ascii is 29 letters")
        << QStringList{"-g", "--strength", "256", "--type", "ascii", "--method", "random"} << QByteArray() << false << 0
        << "[a-z]{29}\n"
        << none;
    QTest::newRow("a dictionary key is 13 characters of words and hyphens")
        << QStringList{"-g", "--strength", "128", "--type", "ascii", "--method", "dictionary"} << QByteArray() << false
        << 0 << "(?=.{13}\n)[a-z]+(-[a-z]+)*\n"
        << none;
    QTest::newRow("--count 3 prints three keys")
        << QStringList{"-g", "--strength", "64", "--type", "hex", "--count", "3"} << QByteArray() << false << 0
        << "([0-9a-f]{10}\n){3}" << none;
    QTest::newRow("options not given take the saved choices")
        << QStringList{"-g"} << QByteArray("Key%20Strength=0\nKey%20Type=0\n") << false << 0 << "[0-9a-f]{10}\n"
        << none;
    QTest::newRow("an option given outranks the saved choice")
        << QStringList{"-g", "--strength", "256"} << QByteArray("Key%20Strength=0\nKey%20Type=1\nASCII%20Mode=0\n")
        << false << 0 << "[a-z]{29}\n"
        << none;
    QTest::newRow("an unusable saved choice is reported, the default used and the file left alone")
        << QStringList{"-g"} << QByteArray("Key%20Strength=7\n") << false << 0 << "[a-z]{13}\n"
        << QStringList{"Key Strength", "7"};
    QTest::newRow("without saved choices the defaults are used and no file is made")
        << QStringList{"-g"} << QByteArray() << false << 0 << "[a-z]{13}\n"
        << none;
    QTest::newRow("a strength not offered is refused")
        << QStringList{"-g", "--strength", "100"} << QByteArray() << false << 2 << ""
        << QStringList{"--strength", "64, 128 or 256"};
    QTest::newRow("a type not offered is refused") << QStringList{"-g", "--type", "octal"} << QByteArray() << false << 2
                                                   << "" << QStringList{"--type", "hex or ascii"};
    QTest::newRow("a method not offered is refused") << QStringList{"-g", "--method", "words"} << QByteArray() << false
                                                     << 2 << "" << QStringList{"--method", "random or dictionary"};
    QTest::newRow("a count of zero is refused") << QStringList{"-g", "--count", "0"} << QByteArray() << false << 2 << ""
                                                << QStringList{"--count", "1 to 1000000"};
    QTest::newRow("a count that is no number is refused") << QStringList{"-g", "--count", "x"} << QByteArray() << false
                                                          << 2 << "" << QStringList{"--count", "1 to 1000000"};
    QTest::newRow("an unknown option is refused")
        << QStringList{"-g", "--colour"} << QByteArray() << false << 2 << "" << QStringList{"Unknown option 'colour'"};
    QTest::newRow("a choice without --generate is refused")
        << QStringList{"--strength", "64"} << QByteArray() << false << 2 << "" << QStringList{"--generate"};
    QTest::newRow("a missing dictionary prints GetWord's message and fails")
        << QStringList{"-g", "--type", "ascii", "--method", "dictionary"} << QByteArray() << true << 1 << ""
        << QStringList{"GetWord() Error..", "Couldn't find dict.txt"};
    QTest::newRow("no options without a display is the window's failure as before")
        << QStringList() << QByteArray() << false << 1 << "" << QStringList{"no display found"};
}

void tst_CommandLine::run() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, settings);
    QFETCH(bool, withoutDictionary);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QStringList, error);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString conf = scratch.filePath(QStringLiteral("config/Tavrix/Tavrix.conf"));
    const QByteArray confText = "[Settings]\n" + settings;
    if (!settings.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(conf).path()));
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(confText) == confText.size());
    }
    // A copy of the program in a folder with no word list beside it, above it or in the data folder.
    QString program = QStringLiteral(TAVRIX_PROGRAM);
    if (withoutDictionary) {
        QVERIFY(QDir().mkpath(scratch.filePath(QStringLiteral("bin"))));
        QVERIFY(QFile::copy(program, scratch.filePath(QStringLiteral("bin/tavrix"))));
        program = scratch.filePath(QStringLiteral("bin/tavrix"));
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), scratch.filePath(QStringLiteral("data")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode,
             qPrintable(QStringLiteral("exit %1: %2").arg(process.exitCode()).arg(err)));
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(output),
                                     QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(pattern.match(out).hasMatch(), qPrintable(out));
    for (const QString& part : error)
        QVERIFY2(err.contains(part), qPrintable(err));
    if (error.isEmpty())
        QVERIFY2(err.isEmpty(), qPrintable(err));

    // The command line only reads the settings: the file stays byte for byte, and none is created.
    QFile file(conf);
    if (settings.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), confText);
    }
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
