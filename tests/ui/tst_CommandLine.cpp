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
    QTest::addColumn<QStringList>("arguments"); // a last ">file" sends standard output to that file
    QTest::addColumn<QByteArray>("settings");   // the [Settings] lines of Tavrix.conf; none: no file
    QTest::addColumn<bool>("withoutDictionary");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");    // a pattern the whole of standard output matches
    QTest::addColumn<QStringList>("error"); // texts standard error holds; none: it stays empty
    const auto row = [](const char* name, const QString& arguments, int exitCode, const QString& output,
                        const QStringList& error = {}, const QByteArray& settings = {},
                        bool withoutDictionary = false) {
        QTest::newRow(name) << arguments.split(' ', Qt::SkipEmptyParts) << settings << withoutDictionary << exitCode
                            << output << error;
    };
    const QString usage = QStringLiteral("Usage: .*--generate.*--strength.*--type.*--method.*--count.*");
    const QString version = QStringLiteral("Tavrix %1\n").arg(QRegularExpression::escape(tavrix::version::kText));
    row("--help prints the usage", "--help", 0, usage);
    row("-h prints the usage", "-h", 0, usage);
    row("--version prints the package version", "--version", 0, version);
    row("-v prints the package version", "-v", 0, version);
    row("128-bit hex is 26 digits", "--generate --strength 128 --type hex", 0, "[0-9a-f]{26}\n");
    row("-g with 64-bit hex is 10 digits", "-g --strength=64 --type=hex", 0, "[0-9a-f]{10}\n");
    row("256-bit random ascii is 29 letters", "-g --strength 256 --type ascii --method random", 0, "[a-z]{29}\n");
    row("a dictionary key is 13 characters of words and hyphens", "-g --strength 128 --type ascii --method dictionary",
        0, "(?=.{13}\n)[a-z]+(-[a-z]+)*\n");
    row("--count 3 prints three keys", "-g --strength 64 --type hex --count 3", 0, "([0-9a-f]{10}\n){3}");
#if !defined(Q_OS_WIN) // the saved choices of these rows are the Linux settings file's
    row("options not given take the saved choices", "-g", 0, "[0-9a-f]{10}\n", {}, "Key%20Strength=0\nKey%20Type=0\n");
    row("an option given outranks the saved choice", "-g --strength 256", 0, "[a-z]{29}\n", {},
        "Key%20Strength=0\nKey%20Type=1\nASCII%20Mode=0\n");
    row("an unusable saved choice is reported, the default used and the file left alone", "-g", 0, "[a-z]{13}\n",
        {"Key Strength", "7"}, "Key%20Strength=7\n");
#endif
    row("without saved choices the defaults are used and no file is made", "-g", 0, "[a-z]{13}\n");
    row("a strength not offered is refused", "-g --strength 100", 2, "", {"--strength", "64, 128 or 256"});
    row("a type not offered is refused", "-g --type octal", 2, "", {"--type", "hex or ascii"});
    row("a method not offered is refused", "-g --method words", 2, "", {"--method", "random or dictionary"});
    row("a count of zero is refused", "-g --count 0", 2, "", {"--count", "1 to 1000000"});
    row("a count that is no number is refused", "-g --count x", 2, "", {"--count", "1 to 1000000"});
    row("an unknown option is refused", "-g --colour", 2, "", {"Unknown option 'colour'"});
    row("a choice without --generate is refused", "--strength 64", 2, "", {"--generate"});
#if !defined(Q_OS_WIN) // /dev/full, a program copied without the DLLs it needs on Windows, and no display
    // At 373 keys of 11 bytes the write that fails is one whose buffer glibc then drops: the final flush
    // succeeds, and only the stream's error state still tells.
    row("keys that cannot be written to a full output are a failure",
        "-g --strength 64 --type hex --count 373 >/dev/full", 1, "", {"could not write the key"});
    row("a missing dictionary prints GetWord's message and fails", "-g --type ascii --method dictionary", 1, "",
        {"GetWord() Error..", "Couldn't find dict.txt"}, {}, true);
    row("no options without a display is the window's failure as before", "", 1, "", {"no display found"});
#endif
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
    if (!arguments.isEmpty() && arguments.constLast().startsWith(u'>'))
        process.setStandardOutputFile(arguments.takeLast().mid(1));
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(60000));
    QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
#if defined(Q_OS_WIN)
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // standard output in text mode, as a console shows it
#endif
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
