// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyAssembly.h"
#include "keygen/WordSource.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/ScriptedRandomSource.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

using Draws = QList<double>;
Q_DECLARE_METATYPE(Draws)

namespace {

// Lines picked by DrawForLine() in the shape table below.
const QByteArray kAnimals = "cat\r\n"        // 0
                            "frog\r\n"       // 1
                            "horse\r\n"      // 2
                            "badger\r\n"     // 3
                            "giraffe\r\n"    // 4
                            "elephant\r\n"   // 5
                            "crocodile\r\n"  // 6
                            "owl\r\n"        // 7
                            "lynx\r\n"       // 8
                            "moose\r\n"      // 9
                            "jaguar\r\n"     // 10
                            "emu\r\n"        // 11
                            "rhinoceros\r\n" // 12
                            "HyEnA\r\n"      // 13
                            "ox\r\n";        // 14

Draws Lines(std::initializer_list<int> lines) {
    Draws draws;
    for (const int line : lines)
        draws.append(DrawForLine(line));
    return draws;
}

Draws Values(std::initializer_list<int> values, int bound) {
    Draws draws;
    for (const int value : values)
        draws.append(DrawFor(value, bound));
    return draws;
}

Draws Repeat(double draw, int count) {
    return Draws(count, draw);
}

// A seeded generator, so that the many-keys runs are repeatable.
class SeededRandomSource final : public RandomSource {
public:
    void reseed(float) override {}
    double next() override { return m_generator.generateDouble(); }

private:
    QRandomGenerator m_generator{20240601u};
};

} // namespace

class tst_KeyAssembly : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeDictionary(const QString& name, const QByteArray& bytes) {
        const QString folder = m_dir.filePath(name);
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/dict.txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return folder;
    }

    struct Run {
        std::optional<QString> key;
        QStringList events;
        QVector<Message> messages;
    };
    Run run(const QString& folder, qint32 hexDigits, const QString& type, const QString& method, const Draws& draws) {
        ScriptedRandomSource random(std::deque<double>(draws.begin(), draws.end()));
        RecordingMessageSink sink;
        WordSource words(random, sink, {folder});
        Run result;
        result.key = TryAssembleKey(words, hexDigits, type, method);
        result.events = random.events;
        result.messages = sink.messages;
        return result;
    }

private slots:
    void lettersAndDigitsFollowTheDrawsInOrder_data() {
        QTest::addColumn<qint32>("hexDigits");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("method");
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex digits 0 to 9 map draw by draw")
            << 10 << "HEX"
            << "" << Values({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 16) << "0123456789";
        QTest::newRow("hex draws 10 to 15 give lower-case letters")
            << 10 << "HEX"
            << "1" << Values({10, 11, 12, 13, 14, 15, 15, 0, 10, 1}, 16) << "abcdeff0a1";
        QTest::newRow("a 128-bit hex key takes 26 draws") << 26 << "HEX"
                                                          << "0" << Repeat(0.0, 26) << QString(26, '0');
        QTest::newRow("a 256-bit hex key takes 58 draws") << 58 << "HEX"
                                                          << "0" << Repeat(0.99, 58) << QString(58, 'f');
        QTest::newRow("letters map draw by draw") << 10 << "ASCII"
                                                  << "0" << Values({0, 25, 1, 24, 12}, 26) << "azbym";
        QTest::newRow("a 128-bit letter key takes 13 draws")
            << 26 << "ASCII"
            << "0" << Values({7, 4, 11, 11, 14, 22, 14, 17, 11, 3, 10, 4, 24}, 26) << "helloworldkey";
        QTest::newRow("a 256-bit letter key takes 29 draws") << 58 << "ASCII"
                                                             << "0" << Repeat(0.0, 29) << QString(29, 'a');
        QTest::newRow("the type comparison is case-sensitive") << 10 << "hex"
                                                               << "0" << Repeat(0.99, 5) << "zzzzz";
        QTest::newRow("mixed case is not HEX either") << 10 << "Hex"
                                                      << "0" << Repeat(0.99, 5) << "zzzzz";
        QTest::newRow("a leading space is not HEX") << 10 << " HEX"
                                                    << "0" << Repeat(0.99, 5) << "zzzzz";
        QTest::newRow("an empty type text builds an ASCII key") << 10 << ""
                                                                << "0" << Repeat(0.99, 5) << "zzzzz";
        QTest::newRow("an odd length rounds half to even") << 11 << "ASCII"
                                                           << "0" << Repeat(0.0, 6) << "aaaaaa";
        QTest::newRow("another odd length rounds half down to even") << 9 << "ASCII"
                                                                     << "0" << Repeat(0.0, 4) << "aaaa";
        QTest::newRow("a method tag with a leading space builds nothing") << 26 << "ASCII"
                                                                          << " 1" << Draws{} << "";
        QTest::newRow("a method tag with a leading zero builds nothing") << 26 << "ASCII"
                                                                         << "01" << Draws{} << "";
        QTest::newRow("an empty method tag builds nothing") << 26 << "ASCII"
                                                            << "" << Draws{} << "";
        QTest::newRow("an unknown method number builds nothing") << 26 << "ASCII"
                                                                 << "2" << Draws{} << "";
        QTest::newRow("a zero length draws nothing for hex") << 0 << "HEX"
                                                             << "0" << Draws{} << "";
        QTest::newRow("a zero length draws nothing for letters") << 0 << "ASCII"
                                                                 << "0" << Draws{} << "";
        QTest::newRow("a negative length draws nothing for words") << -26 << "ASCII"
                                                                   << "1" << Draws{} << "";
    }
    void lettersAndDigitsFollowTheDrawsInOrder() {
        QFETCH(qint32, hexDigits);
        QFETCH(QString, type);
        QFETCH(QString, method);
        QFETCH(Draws, draws);
        QFETCH(QString, expected);
        const Run result = run(m_dir.path(), hexDigits, type, method, draws);
        QCOMPARE(result.key, std::optional<QString>(expected));
        QCOMPARE(result.events, ReseedThenDraws(draws.size()));
        QVERIFY(result.messages.isEmpty());
    }

    void dictionaryKeysTakeTheirShapeFromTheShortfall_data() {
        QTest::addColumn<qint32>("hexDigits");
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a 64-bit key is one five-letter word") << 10 << Lines({8}) << "moose";
        QTest::newRow("a first word of 3 letters leaves 9, filled by two 4-letter words")
            << 26 << Lines({0, 0, 6}) << "frog-cat-lynx";
        QTest::newRow("a first word of 4 letters leaves 8, filled by 4 in front and 3 behind")
            << 26 << Lines({1, 6, 6}) << "lynx-frog-owl";
        QTest::newRow("a first word of 5 letters leaves 7, filled by two 3-letter words")
            << 26 << Lines({2, 6, 7}) << "owl-horse-emu";
        QTest::newRow("a first word of 6 letters is followed by one of 6") << 26 << Lines({3, 6}) << "badger-jaguar";
        QTest::newRow("a first word of 7 letters is followed by one of 5") << 26 << Lines({4, 6}) << "giraffe-moose";
        QTest::newRow("a first word of 8 letters is followed by one of 4") << 26 << Lines({5, 6}) << "elephant-lynx";
        QTest::newRow("a first word of 9 letters is followed by one of 3") << 26 << Lines({6, 6}) << "crocodile-owl";
        QTest::newRow("a first word of 2 letters makes the loop draw again")
            << 26 << Lines({14, 0, 6}) << "ox-cat-jaguar";
        QTest::newRow("a 256-bit key loops until 20 characters, then fills 9")
            << 58 << Lines({6, 6, 6, 0}) << "lynx-crocodile-crocodile-frog";
        QTest::newRow("upper-case words come out in lower case") << 10 << Lines({12}) << "hyena";
        QTest::newRow("a first word of 10 letters starts the key again with fresh draws")
            << 26 << Lines({12, 0, 0, 6}) << "frog-cat-lynx";
        QTest::newRow("a 256-bit loop that overshoots to 28 starts again")
            << 58 << Lines({5, 5, 6, 6, 6, 6, 0}) << "lynx-crocodile-crocodile-frog";
    }
    void dictionaryKeysTakeTheirShapeFromTheShortfall() {
        QFETCH(qint32, hexDigits);
        QFETCH(Draws, draws);
        QFETCH(QString, expected);
        const Run result = run(writeDictionary(QStringLiteral("animals"), kAnimals), hexDigits, "ASCII", "1", draws);
        QCOMPARE(result.key, std::optional<QString>(expected));
        QCOMPARE(result.events, ReseedThenDraws(draws.size()));
        QVERIFY(result.messages.isEmpty());
    }

    void failuresStopTheGeneration_data() {
        QTest::addColumn<QByteArray>("dictionary"); // empty: no dict.txt at all
        QTest::addColumn<qint32>("hexDigits");
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString getWord = QStringLiteral("GetWord() Error..");
        const QString generateKey = QStringLiteral("GenerateKey() Error..");
        const QString notFound = "Couldn't find dict.txt - it is required for ASCII Dictionary generation!";
        QTest::newRow("a missing dictionary stops a 64-bit key at its one word")
            << QByteArray() << 10 << Lines({0}) << getWord << notFound;
        QTest::newRow("a missing dictionary stops a 128-bit key at the first word")
            << QByteArray() << 26 << Lines({0}) << getWord << notFound;
        QTest::newRow("a missing dictionary stops a 256-bit key at the first word")
            << QByteArray() << 58 << Lines({0}) << getWord << notFound;
        QTest::newRow("a failing word in the loop stops before the next")
            << QByteArray("crocodile\r\n") << 58 << Lines({0, 5}) << getWord
            << "lPos = 5\r\nlCount = 1\r\nsBuffer = crocodile\r\nlRequiredLength = 0";
        QTest::newRow("a failing front word stops before the back word")
            << QByteArray("cat\r\nhorse\r\n") << 26 << Lines({0, 0}) << getWord
            << "lPos = 0\r\nlCount = 1\r\nsBuffer = horse\r\nlRequiredLength = 4";
        QTest::newRow("a failing back word leaves no key with only the front word")
            << QByteArray("cat\r\nlynx\r\n") << 26 << Lines({0, 0, 1}) << getWord
            << "lPos = 1\r\nlCount = 2\r\nsBuffer = lynx\r\nlRequiredLength = 4";
        QTest::newRow("only 10-letter words give up after 1000 attempts")
            << QByteArray("rhinoceros\r\n") << 26 << Repeat(0.0, 1000) << generateKey
            << "dict.txt holds no words that make a key of exactly 13 characters.";
        QTest::newRow("only very long words give up on a 256-bit key after 1000 attempts")
            << QByteArray(QByteArray(30, 'a') + "\r\n") << 58 << Repeat(0.0, 1000) << generateKey
            << "dict.txt holds no words that make a key of exactly 29 characters.";
        QTest::newRow("a key too short for any word gives up without drawing")
            << QByteArray("cat\r\n") << 4 << Draws{} << generateKey
            << "dict.txt holds no words that make a key of exactly 2 characters.";
    }
    void failuresStopTheGeneration() {
        QFETCH(QByteArray, dictionary);
        QFETCH(qint32, hexDigits);
        QFETCH(Draws, draws);
        QFETCH(QString, title);
        QFETCH(QString, text);
        const QString folder = dictionary.isEmpty() ? m_dir.filePath(QStringLiteral("nothing"))
                                                    : writeDictionary(QTest::currentDataTag(), dictionary);
        const Run result = run(folder, hexDigits, "ASCII", "1", draws);
        QVERIFY(!result.key.has_value());
        QCOMPARE(result.events, ReseedThenDraws(draws.size()));
        QCOMPARE(result.messages.size(), 1);
        QCOMPARE(result.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(result.messages[0].title, title);
        QCOMPARE(result.messages[0].text, text);
    }

    void dictionaryKeysThatAreNotPrintableAsciiAreDrawnAgain_data() {
        QTest::addColumn<QByteArray>("dictionary");
        QTest::addColumn<qint32>("hexDigits");
        QTest::addColumn<Draws>("draws");
        QTest::addColumn<QString>("expected");
        // Line 0 starts every search; the five-character lines after it are tried in turn.
        const QByteArray bad =
            QByteArrayLiteral("x\r\n"
                              "t\tabc\r\n"       // 1: a tab
                              "\xc4\xb0stan\r\n" // 2: capital I with dot, six characters in lower case
                              "ab\x1b"
                              "cd\r\n"           // 3: an escape character
                              "caf\xc3\xa9s\r\n" // 4: a letter beyond ASCII
                              "ab\xe9"
                              "cd\r\n" // 5: a Latin-1 byte, read as U+FFFD
                              "\xf0\x9f\x94\x91"
                              "abcd\r\n" // 6: an emoji and four letters
                              "a\x00"
                              "bcd\r\n"     // 7: a NUL
                              "He Lo\r\n"); // 8: printable, blank included
        QTest::newRow("each bad line makes the key start again, until a printable one")
            << bad << 10 << Lines({0, 1, 2, 3, 4, 5, 6, 7}) << "he lo";
        QTest::newRow("a tab in the second word of a 128-bit key starts it again")
            << QByteArray("dog\r\nbird\r\nfrog\r\nsixsix\r\nfoxfox\r\nta\tble\r\nabcdef\r\n") << 26
            << Lines({3, 4, 3, 5}) << "sixsix-abcdef";
    }
    void dictionaryKeysThatAreNotPrintableAsciiAreDrawnAgain() {
        QFETCH(QByteArray, dictionary);
        QFETCH(qint32, hexDigits);
        QFETCH(Draws, draws);
        QFETCH(QString, expected);
        const Run result = run(writeDictionary(QTest::currentDataTag(), dictionary), hexDigits, "ASCII", "1", draws);
        QCOMPARE(result.key, std::optional<QString>(expected));
        QCOMPARE(result.events, ReseedThenDraws(draws.size()));
        QVERIFY(result.messages.isEmpty());
    }

    void aMixedDictionaryGivesOnlyPrintableAsciiKeysOfTheRightLength_data() {
        QTest::addColumn<qint32>("hexDigits");
        QTest::newRow("64-bit") << 10;
        QTest::newRow("128-bit") << 26;
        QTest::newRow("256-bit") << 58;
    }
    void aMixedDictionaryGivesOnlyPrintableAsciiKeysOfTheRightLength() {
        QFETCH(qint32, hexDigits);
        const qint32 length = hexDigits / 2;
        // Good words among words with control characters, non-ASCII letters, a Latin-1 byte, an emoji and
        // the capital I with a dot that lower-cases to two characters.
        const QList<QByteArray> spoilers = {
            "\t", "\x1b", QByteArray("\x00", 1), "\xc3\xa9", "\xe9", "\xf0\x9f\x94\x91", "\xc4\xb0", "\x7f"};
        QByteArray bytes;
        for (int n = 0; n < 30000; ++n) {
            QByteArray word;
            for (int i = 0; i < 3 + n % 5; ++i)
                word += char('a' + (n * 7 + i * 3) % 26);
            if (n % 4 == 0)
                word.insert(n % word.size(), spoilers[(n / 4) % spoilers.size()]);
            bytes += word + "\r\n";
        }
        SeededRandomSource random;
        RecordingMessageSink sink;
        WordSource words(random, sink, {writeDictionary(QTest::currentDataTag(), bytes)});
        int keys = 0;
        for (int i = 0; i < 100; ++i) {
            sink.messages.clear();
            const auto key = TryAssembleKey(words, hexDigits, "ASCII", "1");
            if (!key) {
                QCOMPARE(sink.messages.size(), 1);
                QCOMPARE(sink.messages[0].title, QStringLiteral("GenerateKey() Error.."));
                continue;
            }
            ++keys;
            QVERIFY(sink.messages.isEmpty());
            QVERIFY2(key->size() == length, qPrintable(*key));
            for (const QChar c : *key)
                QVERIFY2(c.unicode() >= 0x20 && c.unicode() <= 0x7e, qPrintable(key->toUtf8().toHex()));
        }
        QVERIFY2(keys > 50, qPrintable(QString::number(keys)));
    }

    void aDictionaryOfVeryLongLinesGivesUpWithinTheByteBudget() {
        // 27,000 lines of 2,000 letters: every first word overshoots a 128-bit key, so every attempt fails
        // after reading, on average, half the file.
        QByteArray bytes;
        bytes.reserve(27000 * 2002);
        const QByteArray line = QByteArray(2000, 'w') + "\r\n";
        for (int n = 0; n < 27000; ++n)
            bytes += line;
        ScriptedRandomSource random(std::deque<double>(2000, DrawForLine(13500)));
        RecordingMessageSink sink;
        WordSource words(random, sink, {writeDictionary(QStringLiteral("long lines"), bytes)});
        const auto key = TryAssembleKey(words, 26, "ASCII", "1");
        QVERIFY(!key.has_value());
        QCOMPARE(sink.messages.size(), 1);
        QCOMPARE(sink.messages[0].title, QStringLiteral("GenerateKey() Error.."));
        QCOMPARE(sink.messages[0].text,
                 QStringLiteral("dict.txt holds no words that make a key of exactly 13 characters."));
        // Each attempt reads 13,501 lines of 2,002 bytes; the budget of one generation allows as many
        // attempts as fit in it, and one more that crosses it.
        const qint64 perAttempt = 13501LL * 2002;
        const qint64 attempts = random.events.count(QStringLiteral("draw"));
        QCOMPARE(attempts, kGenerationByteBudget / perAttempt + 1);
        QVERIFY(attempts < 1000);
    }

    void aFailureGivesNoKeyAndIsReportedOnce() {
        ScriptedRandomSource random({0.0});
        RecordingMessageSink sink;
        WordSource words(random, sink, {m_dir.filePath(QStringLiteral("nothing"))});
        QVERIFY(!TryAssembleKey(words, 26, "ASCII", "1").has_value());
        QCOMPARE(sink.messages.size(), 1);
    }

    void everyKindOfKeyHasItsLengthAndAlphabet_data() {
        QTest::addColumn<qint32>("hexDigits");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("pattern");
        const QString hex = QStringLiteral("[0-9a-f]+");
        const QString letters = QStringLiteral("[a-z]+");
        const QString words = QStringLiteral("[a-z]+(-[a-z]+)*");
        for (const auto& [hexDigits, name] : {std::pair{10, "64-bit"}, {26, "128-bit"}, {58, "256-bit"}}) {
            const QByteArray strength(name);
            QTest::newRow(strength + " hex keys have as many hex digits as the strength says")
                << hexDigits << "HEX"
                << "1" << hexDigits << hex;
            QTest::newRow(strength + " letter keys have half as many letters a to z")
                << hexDigits << "ASCII"
                << "0" << hexDigits / 2 << letters;
            QTest::newRow(strength + " dictionary keys have half as many characters in hyphenated words")
                << hexDigits << "ASCII"
                << "1" << hexDigits / 2 << words;
        }
    }
    void everyKindOfKeyHasItsLengthAndAlphabet() {
        QFETCH(qint32, hexDigits);
        QFETCH(QString, type);
        QFETCH(QString, method);
        QFETCH(int, length);
        QFETCH(QString, pattern);
        SeededRandomSource random;
        RecordingMessageSink sink;
        WordSource words(random, sink, {QStringLiteral(TAVRIX_SOURCE_DATA_DIR)});
        const QRegularExpression shape(QRegularExpression::anchoredPattern(pattern));
        QSet<int> firstWordLengths;
        for (int i = 0; i < 150; ++i) {
            const QString key = TryAssembleKey(words, hexDigits, type, method).value_or(QStringLiteral("<failed>"));
            QVERIFY2(key.size() == length && shape.match(key).hasMatch(), qPrintable(key));
            firstWordLengths.insert(key.indexOf('-'));
        }
        QVERIFY(sink.messages.isEmpty());
        if (pattern == QLatin1String("[a-z]+(-[a-z]+)*") && hexDigits > 10)
            QVERIFY2(firstWordLengths.size() > 3, "dictionary keys should come in several shapes");
    }
};

QTEST_GUILESS_MAIN(tst_KeyAssembly)
#include "tst_KeyAssembly.moc"
