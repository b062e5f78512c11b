// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "common/RegularFile.h"
#include "keygen/WordSource.h"
#include "tests/support/PipeReaderWatch.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/ScriptedRandomSource.h"
#include "tests/support/UnprivilegedRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tavrix;
using namespace tavrix::test;

namespace {

const QString kNotFound = QStringLiteral("Couldn't find dict.txt - it is required for ASCII Dictionary generation!");
constexpr qint64 kChunk = WordSource::kReadChunkBytes;

QByteArray Lines(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "w" + QByteArray::number(i) + "\r\n";
    return bytes;
}

} // namespace

class tst_WordSource : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeDictionary(const QByteArray& bytes) {
        QFile file(m_dir.filePath(QStringLiteral("dict.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private slots:
    void init() {
        QDir dir(m_dir.path());
        QFile::remove(dir.filePath(QStringLiteral("dict.txt")));
        dir.rmdir(QStringLiteral("dict.txt"));
    }

    void getRndStaysBelowItsBound_data() {
        QTest::addColumn<qint32>("lMax");
        QTest::addColumn<double>("draw");
        QTest::addColumn<qint32>("expected");
        const double justBelowOne = std::nextafter(1.0, 0.0);
        QTest::newRow("the largest draw below one times 16 gives 15") << 16 << justBelowOne << 15;
        QTest::newRow("the largest draw below one times 27000 gives 26999") << 27000 << justBelowOne << 26999;
        QTest::newRow("the largest draw below one times 26 gives 25") << 26 << justBelowOne << 25;
        QTest::newRow("a zero draw gives 0") << 16 << 0.0 << 0;
        QTest::newRow("a draw on a step boundary gives that step") << 16 << 0.0625 << 1;
        QTest::newRow("a draw just below a step boundary rounds down") << 16 << std::nextafter(0.0625, 0.0) << 0;
    }
    void getRndStaysBelowItsBound() {
        QFETCH(qint32, lMax);
        QFETCH(double, draw);
        QFETCH(qint32, expected);
        ScriptedRandomSource random({draw});
        RecordingMessageSink sink;
        WordSource words(random, sink, {});
        QCOMPARE(words.GetRnd(lMax), expected);
        QCOMPARE(random.events, QStringList{"draw"});
    }

    void dictionaryPathJoinsWithOneSeparator_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a folder without a trailing separator gains one") << "/opt/tavrix"
                                                                         << "/opt/tavrix/dict.txt";
        QTest::newRow("a trailing separator is not doubled") << "/opt/tavrix/"
                                                             << "/opt/tavrix/dict.txt";
        QTest::newRow("the root folder gives a single separator") << "/"
                                                                  << "/dict.txt";
        QTest::newRow("a drive's root gives a single separator") << "C:/"
                                                                 << "C:/dict.txt";
        QTest::newRow("a trailing backslash is not doubled") << "C:\\Tavrix\\"
                                                             << "C:\\Tavrix\\dict.txt";
        QTest::newRow("a network share keeps its leading pair") << "//server/share/Tavrix"
                                                                << "//server/share/Tavrix/dict.txt";
        QTest::newRow("a doubled separator inside the folder is the folder's own") << "/opt//tavrix"
                                                                                   << "/opt//tavrix/dict.txt";
    }
    void dictionaryPathJoinsWithOneSeparator() {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(WordSource::dictionaryPath(folder), expected);
    }

    void getWordReadsTheRightLine_data() {
        QTest::addColumn<QByteArray>("dictionary");
        QTest::addColumn<int>("lPos");
        QTest::addColumn<qint32>("required");
        QTest::addColumn<QString>("expected");
        const QByteArray animals = "cat\r\nhorse\r\nfrog\r\nlynx\r\nowl\r\n";
        QTest::newRow("any length gives the starting line") << animals << 1 << 0 << "horse";
        QTest::newRow("a negative length behaves like any length") << animals << 1 << -3 << "horse";
        QTest::newRow("the first line can start") << animals << 0 << 0 << "cat";
        QTest::newRow("an empty starting line gives an empty word") << QByteArray("cat\r\n\r\nowl") << 1 << 0 << "";
        QTest::newRow("the search returns the first later line of that length") << animals << 0 << 4 << "frog";
        QTest::newRow("a starting line of the required length is skipped") << animals << 2 << 4 << "lynx";
        QTest::newRow("the search reaches a last line without a line end")
            << QByteArray("cat\r\nhorse\r\nowl") << 0 << 3 << "owl";
        QTest::newRow("spaces count towards the length and are kept")
            << QByteArray("cat\r\nab  \r\nfrog") << 0 << 4 << "ab  ";
        QTest::newRow("upper case comes back unchanged") << QByteArray("cat\r\nHoRsE\r\n") << 1 << 0 << "HoRsE";
        QTest::newRow("lone line feeds end lines") << QByteArray("cat\nhorse\nowl\n") << 1 << 0 << "horse";
        QTest::newRow("lone carriage returns end lines") << QByteArray("cat\rhorse\rowl\r") << 2 << 0 << "owl";
        QTest::newRow("a lone carriage return ends a line before a later line feed")
            << QByteArray("cat\rdog\nowl\r\nemu") << 1 << 0 << "dog";
        QTest::newRow("a file of line feeds only, long enough for several reads")
            << Lines(27000).replace("\r\n", "\n") << 20000 << 0 << "w20000";
        QTest::newRow("a line feed before a carriage return makes two line ends")
            << QByteArray("cat\n\rowl") << 1 << 0 << "";
        QTest::newRow("lengths count characters, not bytes")
            << QByteArray("cat\r\ncaf\xc3\xa9\r\nfrog\r\n") << 0 << 4 << QString::fromUtf8("caf\xc3\xa9");
        QTest::newRow("three-byte characters count once each")
            << QByteArray("cat\r\nabcdefghi\r\n\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac\r\n") << 0 << 3
            << QString::fromUtf8("\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac");
        QTest::newRow("the last of 27000 lines can start") << Lines(27000) << 26999 << 0 << "w26999";
        QTest::newRow("a search from the second-last of 27000 lines finds the last")
            << Lines(27000) << 26998 << 6 << "w26999";
        QTest::newRow("a CR LF split between two reads is one line end") << QByteArray(kChunk - 1, 'x') + "\r\nowl\r\n"
                                                                         << 1 << 0 << "owl";
        QTest::newRow("a line longer than several reads comes back whole")
            << "cat\r\n" + QByteArray(3 * kChunk + 7, 'y') + "\r\nowl" << 1 << 0 << QString(3 * kChunk + 7, 'y');
        QTest::newRow("a ten-megabyte line comes back whole")
            << "cat\r\n" + QByteArray(10 << 20, 'z') << 1 << 0 << QString(10 << 20, 'z');
        QTest::newRow("a long non-ASCII line split between reads is measured in characters")
            << "cat\r\n" + QByteArray(3 * kChunk, 'q') + "\r\n" + QString(20000, QChar(0xe9)).toUtf8() + "\r\nowl" << 0
            << 20000 << QString(20000, QChar(0xe9));
    }
    void getWordReadsTheRightLine() {
        QFETCH(QByteArray, dictionary);
        QFETCH(int, lPos);
        QFETCH(qint32, required);
        QFETCH(QString, expected);
        writeDictionary(dictionary);
        ScriptedRandomSource random({DrawForLine(lPos)});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.path()});

        const auto word = words.GetWord(required);

        QVERIFY(sink.messages.isEmpty());
        QVERIFY(word.has_value());
        QCOMPARE(word->size(), expected.size());
        QCOMPARE(*word, expected);
        QCOMPARE(random.events, QStringList{"draw"});
    }

    // A call reads the file in pieces only as far as the piece that holds the end of the line it returns: a
    // word near the start costs one piece, whatever the size of the file.
    void getWordReadsOnlyAsFarAsItsLineEnd_data() {
        QTest::addColumn<QByteArray>("dictionary");
        QTest::addColumn<int>("lPos");
        QTest::addColumn<qint32>("required");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<qint64>("bytesRead");
        const QByteArray lines = Lines(30000);
        // The pieces up to the one that holds the line end after `word`, never past the end of the file.
        const auto piecesUpTo = [](const QByteArray& file, const QByteArray& word) {
            const qint64 lineEnd = file.indexOf(word + "\r\n") + word.size() + 1;
            return std::min<qint64>(file.size(), (lineEnd + kChunk - 1) / kChunk * kChunk);
        };
        QTest::newRow("a word on the first line reads one piece") << lines << 0 << 0 << QByteArray("w0") << kChunk;
        QTest::newRow("a word whose line ends in the third piece reads three pieces")
            << lines << 12000 << 0 << QByteArray("w12000") << piecesUpTo(lines, "w12000");
        QTest::newRow("a word in the last, short piece reads to the end of the file")
            << Lines(27000) << 26999 << 0 << QByteArray("w26999") << qint64(Lines(27000).size());
        QTest::newRow("a search reads as far as the piece that holds the line it finds")
            << lines << 5 << 6 << QByteArray("w10000") << piecesUpTo(lines, "w10000");
        QTest::newRow("a CR that ends a piece ends its line without the next piece being read")
            << QByteArray(kChunk - 1, 'x') + "\r\nowl\r\n"
            << 0 << 0 << QByteArray(kChunk - 1, 'x') << kChunk;
    }
    void getWordReadsOnlyAsFarAsItsLineEnd() {
        QFETCH(QByteArray, dictionary);
        QFETCH(int, lPos);
        QFETCH(qint32, required);
        QFETCH(QByteArray, expected);
        QFETCH(qint64, bytesRead);
        writeDictionary(dictionary);
        ScriptedRandomSource random({DrawForLine(lPos)});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.path()});

        QCOMPARE(words.GetWord(required), std::optional<QString>(QString::fromLatin1(expected)));
        QCOMPARE(words.bytesRead(), bytesRead);
    }

    void getWordReportsFailures_data() {
        QTest::addColumn<QString>("kind"); // "file", "missing", "directory" or "unreadable"
        QTest::addColumn<QByteArray>("dictionary");
        QTest::addColumn<int>("lPos");
        QTest::addColumn<qint32>("required");
        QTest::addColumn<QString>("text");
        const QByteArray three = "alpha\r\nbeta\r\ngamma\r\n";
        QTest::newRow("a first pass past the end shows the line count and the last line")
            << "file" << three << 5 << 0 << "lPos = 5\r\nlCount = 3\r\nsBuffer = gamma\r\nlRequiredLength = 0";
        QTest::newRow("a starting line equal to the line count is already past the end")
            << "file" << three << 3 << 4 << "lPos = 3\r\nlCount = 3\r\nsBuffer = gamma\r\nlRequiredLength = 4";
        QTest::newRow("a last line without a line end still counts")
            << "file" << QByteArray("alpha\r\nbeta") << 26999 << 0
            << "lPos = 26999\r\nlCount = 2\r\nsBuffer = beta\r\nlRequiredLength = 0";
        QTest::newRow("an empty file shows no lines and an empty buffer")
            << "file" << QByteArray() << 0 << 3 << "lPos = 0\r\nlCount = 0\r\nsBuffer = \r\nlRequiredLength = 3";
        QTest::newRow("a search past the end shows the line after the start and the last line")
            << "file" << three << 0 << 3 << "lPos = 0\r\nlCount = 1\r\nsBuffer = gamma\r\nlRequiredLength = 3";
        QTest::newRow("a search from the last line fails at once")
            << "file" << three << 2 << 5 << "lPos = 2\r\nlCount = 3\r\nsBuffer = gamma\r\nlRequiredLength = 5";
        QTest::newRow("a search does not wrap to the start of the file")
            << "file" << QByteArray("owl\r\nhorse\r\nfrog") << 1 << 3
            << "lPos = 1\r\nlCount = 2\r\nsBuffer = frog\r\nlRequiredLength = 3";
        QTest::newRow("a last line of 16 KiB is shown whole")
            << "file"
            << "cat\r\n" + QByteArray(16384, 'q') << 0 << 3
            << "lPos = 0\r\nlCount = 1\r\nsBuffer = " + QString(16384, 'q') + "\r\nlRequiredLength = 3";
        QTest::newRow("a longer last line shows its first 16 KiB in whole characters and ends in an ellipsis")
            << "file"
            << "cat\r\n" + QByteArray(16382, 'q') + "\xe2\x82\xac" + QByteArray(2 * kChunk, 'q') << 0 << 3
            << "lPos = 0\r\nlCount = 1\r\nsBuffer = " + QString(16382, 'q') + QChar(0x2026) + "\r\nlRequiredLength = 3";
        QTest::newRow("a search near the end of 27000 lines can still fail")
            << "file" << Lines(27000) << 26999 << 6
            << "lPos = 26999\r\nlCount = 27000\r\nsBuffer = w26999\r\nlRequiredLength = 6";
        QTest::newRow("a negative required length is shown with its sign")
            << "file" << QByteArray("a\r\n") << 4 << -2
            << "lPos = 4\r\nlCount = 1\r\nsBuffer = a\r\nlRequiredLength = -2";
        QTest::newRow("a missing file is named as missing") << "missing" << QByteArray() << 9 << 4 << kNotFound;
        QTest::newRow("a directory named dict.txt cannot be opened")
            << "directory" << QByteArray() << 7 << 5 << "lPos = 7\r\nlCount = \r\nsBuffer = \r\nlRequiredLength = 5";
#if !defined(Q_OS_WIN) // Windows has no read permission bit a test could take away
        QTest::newRow("a file without read permission cannot be opened")
            << "unreadable" << QByteArray("cat\r\n") << 0 << 0
            << "lPos = 0\r\nlCount = \r\nsBuffer = \r\nlRequiredLength = 0";
#endif
    }
    void getWordReportsFailures() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, dictionary);
        QFETCH(int, lPos);
        QFETCH(qint32, required);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(QStringLiteral("dict.txt"));
        if (kind == QLatin1String("directory"))
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("dict.txt")));
        else if (kind != QLatin1String("missing"))
            writeDictionary(dictionary);
#if !defined(Q_OS_WIN)
        if (kind == QLatin1String("unreadable")) {
            TAVRIX_RUN_UNPRIVILEGED();
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
#endif
        ScriptedRandomSource random({DrawForLine(lPos)});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.path()});

        const auto word = words.GetWord(required);

        QVERIFY(!word.has_value());
        QCOMPARE(sink.messages.size(), 1);
        QCOMPARE(sink.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(sink.messages[0].title, QStringLiteral("GetWord() Error.."));
        QCOMPARE(sink.messages[0].text, text);
        QCOMPARE(random.events, QStringList{"draw"});
    }

#if defined(Q_OS_WIN)
    // A name that is a device on Windows is never opened: the console would wait for input.
    void aDeviceIsNeverOpened_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("the console") << "CON";
        QTest::newRow("the null device") << "NUL";
        QTest::newRow("the null device by its device path") << "\\\\.\\NUL";
        QTest::newRow("a serial port") << "COM1";
    }
    void aDeviceIsNeverOpened() {
        QFETCH(QString, name);
        QFile file(name);
        QVERIFY(!OpenRegularFile(file));
        QVERIFY(!file.isOpen());
    }
#else
    void aDictionaryThatIsNoRegularFileIsNeverOpened_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a named pipe") << "fifo";
        QTest::newRow("a symbolic link to /dev/zero") << "zero";
        QTest::newRow("a symbolic link to /dev/null") << "null";
    }
    void aDictionaryThatIsNoRegularFileIsNeverOpened() {
        QFETCH(QString, kind);
        const QString path = m_dir.filePath(QStringLiteral("dict.txt"));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        else
            QVERIFY(QFile::link(
                kind == QLatin1String("zero") ? QStringLiteral("/dev/zero") : QStringLiteral("/dev/null"), path));
        // A reader stuck opening the pipe is let go after 3 s, and one reading /dev/zero is stopped by the
        // test's own time-out, so a fault fails the test.
        std::optional<PipeReaderWatch> watch;
        if (kind == QLatin1String("fifo"))
            watch.emplace(path, std::chrono::seconds(3));
        ScriptedRandomSource random({DrawForLine(3)});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.path()});
        QElapsedTimer timer;
        timer.start();
        const auto word = words.GetWord(5);
        const qint64 elapsed = timer.elapsed();
        watch.reset();
        QVERIFY2(elapsed < 2000, qPrintable(QStringLiteral("GetWord took %1 ms").arg(elapsed)));
        QVERIFY(!word.has_value());
        QCOMPARE(sink.messages.size(), 1);
        QCOMPARE(sink.messages[0].title, QStringLiteral("GetWord() Error.."));
        QCOMPARE(sink.messages[0].text, QStringLiteral("lPos = 3\r\nlCount = \r\nsBuffer = \r\nlRequiredLength = 5"));
    }
#endif

    void getWordUsesTheFirstFolderHoldingADictionary_data() {
        QTest::addColumn<QStringList>("folders"); // "-" for a folder without dict.txt
        QTest::addColumn<QString>("expected");
        QTest::newRow("a folder without dict.txt is passed over") << QStringList{"-", "bee", "sea"} << "bee";
        QTest::newRow("the first folder wins when both hold one") << QStringList{"sea", "bee"} << "sea";
        QTest::newRow("no folder with dict.txt means a missing file") << QStringList{"-", "-"} << "";
        QTest::newRow("no folders at all means a missing file") << QStringList{} << "";
    }
    void getWordUsesTheFirstFolderHoldingADictionary() {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        QStringList paths;
        for (const QString& word : folders) {
            paths.append(m_dir.filePath(QString::number(paths.size())));
            QVERIFY(QDir().mkpath(paths.last()));
            QFile::remove(paths.last() + "/dict.txt");
            QFile file(paths.last() + "/dict.txt");
            if (word != QLatin1String("-"))
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(word.toUtf8()) > 0);
        }
        ScriptedRandomSource random({0.0});
        RecordingMessageSink sink;
        WordSource words(random, sink, paths);

        const auto word = words.GetWord(0);

        QCOMPARE(word.value_or(QString()), expected);
        QCOMPARE(sink.messages.size(), expected.isEmpty() ? 1 : 0);
        if (expected.isEmpty())
            QCOMPARE(sink.messages[0].text, kNotFound);
    }

    void getWordReadsTheFileAfreshOnEveryCall() {
        writeDictionary("cat\r\n");
        ScriptedRandomSource random({0.0, 0.0});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.path()});
        QCOMPARE(words.GetWord(0).value_or(QString()), QStringLiteral("cat"));
        writeDictionary("owl\r\n");
        QCOMPARE(words.GetWord(0).value_or(QString()), QStringLiteral("owl"));
        QVERIFY(sink.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_WordSource)
#include "tst_WordSource.moc"
