// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyStrength.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numeric>

// Properties of the word list that ships beside the program (made by tools/make_dict.py).
class tst_ShippedDictionary : public QObject {
    Q_OBJECT

    static constexpr int kStartingLines = 27000;
    QByteArray m_bytes;
    QList<QByteArray> m_lines;
    QList<QString> m_words; // the lines without their line ends

    static QByteArray readFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return file.readAll();
    }

    static QString blocklistFile(const char* name) {
        return QStringLiteral(TAVRIX_SOURCE_DIR "/tools/blocklists/") + QLatin1String(name);
    }

    // The words of a one-word-a-line file, without blank lines and "#" comments.
    static QSet<QString> wordsOfFile(const QString& path) {
        QSet<QString> words;
        for (const QString& line : QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'))) {
            const QString word = line.section(QLatin1Char('#'), 0, 0).trimmed();
            if (!word.isEmpty())
                words.insert(word);
        }
        return words;
    }

    // An entry as the a-z words it can stand for: itself, and a phrase also joined up ("blow job").
    static QSet<QString> asWords(const QString& entry) {
        static const QRegularExpression word(QStringLiteral("^[a-z]+$"));
        static const QRegularExpression gaps(QStringLiteral("[\\s-]+"));
        QSet<QString> words;
        for (QString form : {entry.toLower(), entry.toLower().remove(gaps)}) {
            if (word.match(form).hasMatch())
                words.insert(form);
        }
        return words;
    }

    // A word and its simple inflections: plural and -s, -es, -ed, -er(s), -ing(s), with a final e dropped,
    // a final consonant doubled or a final y turned into i where English spelling does so.
    static QSet<QString> inflections(const QString& w) {
        QSet<QString> forms{w};
        for (const char* e : {"es", "ed", "er", "ers", "ing", "ings"})
            forms.insert(w + QLatin1String(e));
        const auto endsWith = [&w](const char* s) { return w.endsWith(QLatin1String(s)); };
        if (!endsWith("s") && !endsWith("x") && !endsWith("z") && !endsWith("sh") && !endsWith("ch"))
            forms.insert(w + QLatin1Char('s'));
        const auto vowel = [](QChar c) { return QStringLiteral("aeiou").contains(c); };
        const qsizetype n = w.size();
        if (endsWith("e")) {
            for (const char* e : {"d", "r", "rs"})
                forms.insert(w + QLatin1String(e));
            forms.insert(w.chopped(1) + QLatin1String("ing"));
            forms.insert(w.chopped(1) + QLatin1String("ings"));
        }
        if (n >= 3 && QStringLiteral("bdglmnprt").contains(w[n - 1]) && vowel(w[n - 2]) && !vowel(w[n - 3])) {
            for (const char* e : {"ed", "er", "ers", "ing", "ings"})
                forms.insert(w + w[n - 1] + QLatin1String(e));
        }
        if (n >= 2 && endsWith("y") && !vowel(w[n - 2])) {
            for (const char* e : {"ies", "ied", "ier", "iers", "iest"})
                forms.insert(w.chopped(1) + QLatin1String(e));
        }
        return forms;
    }

    // Listed entries and their inflections found in the shipped list. Entries named in not-inflected.txt
    // (no English words themselves, "abid", whose inflections are innocent words, "abided") count alone.
    QStringList keptListedWords(const QSet<QString>& entries) const {
        const QSet<QString> alone = wordsOfFile(blocklistFile("not-inflected.txt"));
        QSet<QString> blocked;
        for (const QString& entry : entries) {
            for (const QString& word : asWords(entry))
                blocked.unite(alone.contains(word) ? QSet<QString>{word} : inflections(word));
        }
        QStringList kept;
        for (const QString& word : m_words) {
            if (blocked.contains(word))
                kept.append(word);
        }
        return kept;
    }

    // Where each word of the given length lies.
    QList<int> positionsOfLength(int length) const {
        QList<int> at;
        for (int i = 0; i < m_words.size(); ++i) {
            if (m_words[i].size() == length)
                at.append(i);
        }
        return at;
    }

private slots:
    void initTestCase() {
        m_bytes = readFile(QStringLiteral(TAVRIX_SOURCE_DATA_DIR "/dict.txt"));
        QVERIFY(m_bytes.endsWith("\r\n"));
        m_lines = m_bytes.chopped(2).split('\n');
        for (const QByteArray& line : m_lines)
            m_words.append(QString::fromLatin1(line).remove(QLatin1Char('\r')));
    }

    void everyLineIsOneLowerCaseWordEndingInCrLf() {
        QVERIFY(m_lines.size() >= kStartingLines);
        const QRegularExpression word(QStringLiteral("^[a-z]{3,9}\r$"));
        for (const QByteArray& line : m_lines.first(m_lines.size() - 1))
            QVERIFY2(word.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        QVERIFY(QRegularExpression(QStringLiteral("^[a-z]{3,9}$")).match(m_lines.last()).hasMatch());
        QCOMPARE(m_bytes.count('\r'), m_lines.size());
    }

    void noWordRepeats() {
        const QSet<QByteArray> distinct(m_lines.begin(), m_lines.end());
        QCOMPARE(distinct.size(), m_lines.size());
    }

    void startingLinesCoverTheAlphabetAndTheShortLengths() {
        QSet<QChar> initials;
        QSet<qsizetype> lengths;
        for (const QString& word : m_words.first(kStartingLines)) {
            initials.insert(word.front());
            lengths.insert(word.size());
        }
        QCOMPARE(initials.size(), 26);
        for (qsizetype length : {3, 4, 5, 6, 7})
            QVERIFY2(lengths.contains(length), qPrintable(QString::number(length)));
    }

    void noListedWordNorItsInflectionIsKept_data() {
        QTest::addColumn<QString>("list");
        QTest::newRow("no word of naughty-words' English list, nor an inflection of one, is kept")
            << QStringLiteral("naughty-words");
        QTest::newRow("no word cuss rates as maybe or likely profane, nor an inflection of one, is kept")
            << QStringLiteral("cuss");
    }
    void noListedWordNorItsInflectionIsKept() {
        QFETCH(QString, list);
        QSet<QString> entries;
        if (list == QLatin1String("naughty-words")) {
            const QJsonArray array =
                QJsonDocument::fromJson(readFile(blocklistFile("naughty-words-1.2.0/en.json"))).array();
            for (const QJsonValue& value : array)
                entries.insert(value.toString());
        } else {
            // Lines of the form   word: 2,   or   'two words': 1,
            const QRegularExpression entry(QStringLiteral("^\\s+(?:'([^']+)'|(\\w+)):\\s*(\\d),?\\s*$"),
                                           QRegularExpression::MultilineOption);
            auto it = entry.globalMatch(QString::fromUtf8(readFile(blocklistFile("cuss-2.2.0/index.js"))));
            int all = 0;
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                ++all;
                if (m.captured(3).toInt() >= 1)
                    entries.insert(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
            }
            QVERIFY2(all > 1500, "the vendored cuss list was not read");
        }
        QVERIFY(entries.size() > 300);
        const QStringList kept = keptListedWords(entries);
        QVERIFY2(kept.isEmpty(), qPrintable(kept.join(QLatin1Char(' '))));
    }

    void noWordContainsASlur() {
        const QSet<QString> slurs = wordsOfFile(blocklistFile("slurs.txt"));
        QVERIFY(slurs.size() > 20);
        QStringList kept;
        for (const QString& word : m_words) {
            for (const QString& slur : slurs) {
                if (word.contains(slur))
                    kept.append(word);
            }
        }
        QVERIFY2(kept.isEmpty(), qPrintable(kept.join(QLatin1Char(' '))));
    }

    void shortWordsAreSpreadEvenly_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("words of three letters are spread evenly") << 3;
        QTest::newRow("words of four letters are spread evenly") << 4;
        QTest::newRow("words of five letters are spread evenly") << 5;
        QTest::newRow("words of six letters are spread evenly") << 6;
    }
    void shortWordsAreSpreadEvenly() {
        QFETCH(int, length);
        const QList<int> at = positionsOfLength(length);
        QVERIFY(at.size() > 100);
        int longestGap = 0;
        for (int i = 1; i < at.size(); ++i)
            longestGap = std::max(longestGap, at[i] - at[i - 1]);
        const double meanGap = double(at.last() - at.first()) / (at.size() - 1);
        QVERIFY2(longestGap <= 2 * meanGap, qPrintable(QStringLiteral("gap %1, mean %2").arg(longestGap).arg(meanGap)));
        // A search for this length from any starting line finds a word before the end of the file.
        QVERIFY(at.last() >= kStartingLines);
    }

    // GetWord(length) draws a starting line below 27,000 and returns the first word of that length after
    // it: a word is drawn with a chance proportional to the starting lines between it and the previous one.
    void everyShortWordCanBeDrawnAndAboutEquallyOften_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("every word of three letters can be drawn, each about as often") << 3;
        QTest::newRow("every word of four letters can be drawn, each about as often") << 4;
        QTest::newRow("every word of five letters can be drawn, each about as often") << 5;
        QTest::newRow("every word of six letters can be drawn, each about as often") << 6;
    }
    void everyShortWordCanBeDrawnAndAboutEquallyOften() {
        QFETCH(int, length);
        const QList<int> at = positionsOfLength(length);
        QList<int> startsPerWord;
        int previous = 0;
        for (int position : at) {
            const int starts = std::max(0, std::min(position, kStartingLines) - previous);
            startsPerWord.append(starts);
            previous = std::max(previous, std::min(position, kStartingLines));
        }
        const auto drawable = std::count_if(startsPerWord.begin(), startsPerWord.end(), [](int s) { return s > 0; });
        QVERIFY2(drawable == at.size(),
                 qPrintable(QStringLiteral("%1 of %2 words can be drawn").arg(drawable).arg(at.size())));
        QCOMPARE(std::accumulate(startsPerWord.begin(), startsPerWord.end(), 0), kStartingLines);

        double entropy = 0;
        for (int starts : startsPerWord) {
            if (starts > 0) {
                const double p = double(starts) / kStartingLines;
                entropy -= p * std::log2(p);
            }
        }
        const double most = std::log2(double(at.size()));
        QVERIFY2(entropy >= 0.99 * most,
                 qPrintable(QStringLiteral("one draw gives %1 bits of %2").arg(entropy).arg(most)));
    }

    // Words after the starting lines are found only by a search running past line 26,999; one word of each
    // length there is enough, and every other short word belongs among the starting lines.
    void onlyOneWordOfEachShortLengthFollowsTheStartingLines_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("one word of three letters follows the starting lines") << 3;
        QTest::newRow("one word of four letters follows the starting lines") << 4;
        QTest::newRow("one word of five letters follows the starting lines") << 5;
        QTest::newRow("one word of six letters follows the starting lines") << 6;
    }
    void onlyOneWordOfEachShortLengthFollowsTheStartingLines() {
        QFETCH(int, length);
        const QList<int> at = positionsOfLength(length);
        const auto after = std::count_if(at.begin(), at.end(), [](int i) { return i >= kStartingLines; });
        QCOMPARE(after, 1);
    }

    // The README's table of bits per key holds what the shipped list gives, one decimal rounded.
    void theReadmeTableOfBitsPerKeyIsWhatTheShippedListGives() {
        const QRegularExpression row(
            QStringLiteral("^\\| (64|128|256) bit \\| ([0-9.]+) \\| ([0-9.]+) \\| ([0-9.]+) \\|$"),
            QRegularExpression::MultilineOption);
        const QString readme = QString::fromUtf8(readFile(QStringLiteral(TAVRIX_SOURCE_DIR "/README.md")));
        auto it = row.globalMatch(readme);
        QStringList strengths;
        tavrix::KeyStrengthMeter meter;
        const QStringList folders{QStringLiteral(TAVRIX_SOURCE_DATA_DIR)};
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            strengths.append(m.captured(1));
            const int hexDigits = m.captured(1).toInt() == 64 ? 10 : m.captured(1).toInt() == 128 ? 26 : 58;
            const QList<std::pair<QString, QString>> columns{{QStringLiteral("HEX"), QStringLiteral("0")},
                                                             {QStringLiteral("ASCII"), QStringLiteral("0")},
                                                             {QStringLiteral("ASCII"), QStringLiteral("1")}};
            for (int c = 0; c < columns.size(); ++c) {
                const auto bits = meter.bits(hexDigits, columns[c].first, columns[c].second, folders);
                QVERIFY(bits.has_value());
                const double stated = m.captured(2 + c).toDouble();
                QVERIFY2(std::abs(stated - *bits) <= 0.05,
                         qPrintable(QStringLiteral("%1 bit, column %2: the README says %3, the list gives %4")
                                        .arg(m.captured(1))
                                        .arg(c + 1)
                                        .arg(m.captured(2 + c))
                                        .arg(*bits, 0, 'f', 2)));
            }
        }
        QCOMPARE(strengths, (QStringList{"64", "128", "256"}));
    }
};

QTEST_GUILESS_MAIN(tst_ShippedDictionary)
#include "tst_ShippedDictionary.moc"
