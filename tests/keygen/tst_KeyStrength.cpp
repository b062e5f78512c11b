// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyAssembly.h"
#include "keygen/KeyStrength.h"
#include "keygen/WordSource.h"
#include "tests/support/PipeReaderWatch.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/ScriptedRandomSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tavrix;
using namespace tavrix::test;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// 27,000 starting lines that repeat `period` (whose size divides 27,000), and the period once more, so a
// search from any starting line finds what it would find from the first lines.
QByteArray PeriodicDictionary(const QStringList& period) {
    QByteArray bytes;
    for (int line = 0; line < WordSource::kStartingLines + period.size(); ++line)
        bytes += period[line % period.size()].toLatin1() + "\r\n";
    return bytes;
}

} // namespace

class tst_KeyStrength : public QObject {
    Q_OBJECT

private slots:
    void fixedFiguresOfHexAndLetterKeys_data() {
        QTest::addColumn<int>("hexDigits");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("method");
        QTest::addColumn<double>("bits");
        const double letter = std::log2(26.0);
        QTest::newRow("a 64-bit hex key has 4 bits per digit") << 10 << "HEX"
                                                               << "1" << 40.0;
        QTest::newRow("a 128-bit hex key has 4 bits per digit") << 26 << "HEX"
                                                                << "0" << 104.0;
        QTest::newRow("a 256-bit hex key has 4 bits per digit") << 58 << "HEX"
                                                                << "0" << 232.0;
        QTest::newRow("a 64-bit random key has log2(26) bits per letter") << 10 << "ASCII"
                                                                          << "0" << 5 * letter;
        QTest::newRow("a 128-bit random key has log2(26) bits per letter") << 26 << "ASCII"
                                                                           << "0" << 13 * letter;
        QTest::newRow("a 256-bit random key has log2(26) bits per letter") << 58 << "ASCII"
                                                                           << "0" << 29 * letter;
        QTest::newRow("a type text other than HEX gives letters, half as many as digits") << 26 << "hex"
                                                                                          << "0" << 13 * letter;
    }
    void fixedFiguresOfHexAndLetterKeys() {
        QFETCH(int, hexDigits);
        QFETCH(QString, type);
        QFETCH(QString, method);
        QFETCH(double, bits);
        KeyStrengthMeter meter;
        const auto figure = meter.bits(hexDigits, type, method, {});
        QVERIFY(figure.has_value());
        QCOMPARE(*figure, bits);
    }

    void noFigureWhereNoKeyIsBuilt_data() {
        QTest::addColumn<int>("hexDigits");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QByteArray>("dictionary"); // empty: no dict.txt
        QTest::newRow("an unknown method builds no key") << 26 << "01" << QByteArray("cat\r\n");
        QTest::newRow("no strength builds no key") << 0 << "0" << QByteArray("cat\r\n");
        QTest::newRow("without a dict.txt there is no dictionary key") << 26 << "1" << QByteArray();
        QTest::newRow("a list without words of five letters makes no 64-bit key")
            << 10 << "1" << PeriodicDictionary({"abcdefg", "abc"});
        QTest::newRow("a list of long words only makes no 128-bit key")
            << 26 << "1" << PeriodicDictionary({"abcdefghijklm"});
    }
    void noFigureWhereNoKeyIsBuilt() {
        QFETCH(int, hexDigits);
        QFETCH(QString, method);
        QFETCH(QByteArray, dictionary);
        QTemporaryDir folder;
        if (!dictionary.isEmpty())
            WriteFile(folder.filePath(QStringLiteral("dict.txt")), dictionary);
        KeyStrengthMeter meter;
        QCOMPARE(meter.bits(hexDigits, QStringLiteral("ASCII"), method, {folder.path()}), std::nullopt);
        QCOMPARE(meter.toolTip(hexDigits, QStringLiteral("ASCII"), method, {folder.path()}), QString());
    }

    // The figure is checked against the keys AssembleKey really makes: every sequence of starting lines is
    // played to it, and the entropy of the keys that come out is computed. The lists repeat a short period,
    // so a starting line matters only by its place in the period, and no word is longer than six letters,
    // so no key is ever drawn again and every sequence ends.
    void dictionaryFigureIsTheEntropyOfTheKeysTheAssemblyMakes_data() {
        QTest::addColumn<QStringList>("period");
        QTest::addColumn<int>("hexDigits");
        const QStringList five{"abc", "pqr", "defghi", "wxyz", "vwxyz"};
        const QStringList four{"abc", "defghi", "wxyz", "vwxyz"};
        const QStringList twoFours{"wxyz", "abc", "pqrs", "defghi", "vwxyz"};
        QTest::newRow("64-bit keys: one word of five letters")
            << QStringList{"abc", "vwxyz", "defghi", "lmnop", "wxyz"} << 10;
        QTest::newRow("128-bit keys: every shape of first word and shortfall") << five << 26;
        QTest::newRow("20-letter keys: keys made both ways when a 3-letter word leads") << five << 40;
        QTest::newRow("20-letter keys from words that each come once a period") << four << 40;
        QTest::newRow("20-letter keys: keys made both ways when a 4-letter word leads") << twoFours << 40;
    }
    void dictionaryFigureIsTheEntropyOfTheKeysTheAssemblyMakes() {
        QFETCH(QStringList, period);
        QFETCH(int, hexDigits);
        QTemporaryDir folder;
        WriteFile(folder.filePath(QStringLiteral("dict.txt")), PeriodicDictionary(period));

        QHash<QString, double> keyChances;
        int runs = 0;
        const std::function<void(const std::deque<double>&, double)> play = [&](const std::deque<double>& draws,
                                                                                double chance) {
            QVERIFY2(draws.size() <= 8, "a key took more draws than any shape needs");
            ScriptedRandomSource random(draws);
            RecordingMessageSink sink;
            WordSource words(random, sink, {folder.path()});
            const QString key = TryAssembleKey(words, hexDigits, QStringLiteral("ASCII"), QStringLiteral("1"))
                                    .value_or(QStringLiteral("<failed>"));
            ++runs;
            QVERIFY(sink.messages.isEmpty());
            if (random.events.contains(QStringLiteral("exhausted"))) {
                for (int line = 0; line < period.size(); ++line) {
                    std::deque<double> longer = draws;
                    longer.push_back(DrawForLine(line));
                    play(longer, chance / period.size());
                }
                return;
            }
            QCOMPARE(key.size(), hexDigits / 2);
            keyChances[key] += chance;
        };
        play({}, 1.0);

        double total = 0;
        double entropy = 0;
        for (const double p : keyChances) {
            total += p;
            entropy -= p * std::log2(p);
        }
        QVERIFY(std::abs(total - 1.0) < 1e-12);
        QVERIFY2(keyChances.size() > 1, qPrintable(QString::number(runs)));

        const auto lines = ReadDrawableLines(folder.filePath(QStringLiteral("dict.txt")), hexDigits / 2);
        QVERIFY(lines.has_value());
        const auto figure = DictionaryKeyBits(*lines, hexDigits / 2);
        QVERIFY(figure.has_value());
        QVERIFY2(
            std::abs(*figure - entropy) < 1e-9,
            qPrintable(QStringLiteral("measured %1, keys give %2").arg(*figure, 0, 'f', 12).arg(entropy, 0, 'f', 12)));
    }

    void drawChancesFollowTheStartingLinesBeforeEachWord() {
        // Five-letter words at lines 2 and 26,999, then one more after the starting lines.
        QStringList lines(WordSource::kStartingLines, QStringLiteral("abcdefg"));
        lines[2] = QStringLiteral("Alpha");
        lines[26999] = QStringLiteral("gamma");
        lines.append(QStringLiteral("delta"));
        const auto chances = DrawChances(lines, 5);
        QCOMPARE(chances.size(), 3);
        QCOMPARE(chances.value(QStringLiteral("alpha")), 2.0 / 27000);     // from lines 0 and 1
        QCOMPARE(chances.value(QStringLiteral("gamma")), 26997.0 / 27000); // from lines 2 to 26,998
        QCOMPARE(chances.value(QStringLiteral("delta")), 1.0 / 27000);     // from line 26,999
    }

    void drawableLinesAreReadAsGetWordReadsThem_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF, lone LF and lone CR all end a line")
            << QByteArray("one\r\ntwo\nthree\rfour") << QStringList{"one", "two", "three", "four"};
        QTest::newRow("a line end at the very end starts no line")
            << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
        QTest::newRow("an empty line is a line") << QByteArray("one\r\n\r\ntwo") << QStringList{"one", "", "two"};
        QTest::newRow("UTF-8 is decoded") << QByteArray("caf\xc3\xa9\r\n") << QStringList{QStringLiteral("café")};
    }
    void drawableLinesAreReadAsGetWordReadsThem() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dict.txt"));
        WriteFile(path, bytes);
        QCOMPARE(ReadDrawableLines(path, 13), lines);
    }

    void afterTheStartingLinesOnlyTheFirstLineOfEachWantedLengthIsKept_data() {
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("a 64-bit key wants a word of five letters") << 5 << QStringList{"fghij"};
        QTest::newRow("a 128-bit key wants words of three to six letters")
            << 13 << QStringList{"abc", "wxyz", "fghij", "klmnop"};
    }
    void afterTheStartingLinesOnlyTheFirstLineOfEachWantedLengthIsKept() {
        QFETCH(int, keyLength);
        QFETCH(QStringList, after);
        QByteArray bytes;
        for (int i = 0; i < WordSource::kStartingLines; ++i)
            bytes += "abcdefg\r\n";
        // Long lines in between (read in pieces) are passed over.
        bytes += QByteArray(100000, 'x') + "\r\nab\r\nabc\r\nwxyz\r\nxyz\r\nfghij\r\nklmnop\r\nqrst\r\nfinal\r\n";
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dict.txt"));
        WriteFile(path, bytes);
        const auto lines = ReadDrawableLines(path, keyLength);
        QVERIFY(lines.has_value());
        QCOMPARE(lines->size(), WordSource::kStartingLines + after.size());
        QCOMPARE(lines->mid(WordSource::kStartingLines), after);
    }

    void theDictionaryIsFoundAsGetWordFindsItAndMeasuredAgainWhenItChanges() {
        QTemporaryDir empty, first, second;
        WriteFile(second.filePath(QStringLiteral("dict.txt")), PeriodicDictionary({"abc", "vwxyz"}));
        KeyStrengthMeter meter;
        const QStringList folders{empty.path(), first.path(), second.path()};
        // 64 bit: every key is "vwxyz".
        QCOMPARE(meter.toolTip(10, QStringLiteral("ASCII"), QStringLiteral("1"), folders),
                 QStringLiteral("about 0 bits of randomness"));

        // A list in an earlier folder is taken instead: 30 five-letter words, each as likely.
        QStringList period;
        for (int i = 0; i < 30; ++i)
            period.append(QStringLiteral("word") + QChar('a' + i));
        WriteFile(first.filePath(QStringLiteral("dict.txt")), PeriodicDictionary(period));
        const auto figure = meter.bits(10, QStringLiteral("ASCII"), QStringLiteral("1"), folders);
        QVERIFY(figure.has_value());
        QVERIFY(std::abs(*figure - std::log2(30.0)) < 1e-9);
        QCOMPARE(meter.toolTip(10, QStringLiteral("ASCII"), QStringLiteral("1"), folders),
                 QStringLiteral("about 5 bits of randomness"));

        // The same file changed: measured again.
        period.removeLast();
        period.removeLast();
        period.removeLast(); // 27 words: 27,000 divides evenly
        WriteFile(first.filePath(QStringLiteral("dict.txt")), PeriodicDictionary(period));
        const auto changed = meter.bits(10, QStringLiteral("ASCII"), QStringLiteral("1"), folders);
        QVERIFY(changed.has_value());
        QVERIFY(std::abs(*changed - std::log2(27.0)) < 1e-9);

        // Changed again to the very same size (one word written over with another): measured again too.
        period[1] = period[0];
        const QString path = first.filePath(QStringLiteral("dict.txt"));
        WriteFile(path, PeriodicDictionary(period));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
        file.close();
        const auto sameSize = meter.bits(10, QStringLiteral("ASCII"), QStringLiteral("1"), folders);
        QVERIFY(sameSize.has_value());
        QVERIFY2(*sameSize < std::log2(27.0) - 1e-3, qPrintable(QString::number(*sameSize)));
    }

#if !defined(Q_OS_WIN) // named pipes are a Unix kind of file; Windows' devices are the guard's own rows
    void aDictionaryThatIsNoRegularFileIsNeverOpenedForMeasuring() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dict.txt"));
        QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        std::optional<double> figure;
        bool readerSeen = false;
        {
            const PipeReaderWatch watch(path, std::chrono::milliseconds(0));
            KeyStrengthMeter meter;
            figure = meter.bits(26, QStringLiteral("ASCII"), QStringLiteral("1"), {folder.path()});
            readerSeen = watch.readerSeen();
        }
        QVERIFY2(!readerSeen, "the meter opened the named pipe");
        QVERIFY(!figure.has_value());
    }
#endif
};

QTEST_GUILESS_MAIN(tst_KeyStrength)
#include "tst_KeyStrength.moc"
