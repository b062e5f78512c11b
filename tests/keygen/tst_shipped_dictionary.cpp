#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// Properties of the word list that ships beside the program (made by tools/make_dict.py).
class ShippedDictionaryTest : public QObject {
    Q_OBJECT

    static constexpr int kStartingLines = 27000;
    QByteArray m_bytes;
    QList<QByteArray> m_lines;

private slots:
    void initTestCase() {
        QFile file(QStringLiteral(TAVRIX_DATA_DIR "/dict.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_bytes = file.readAll();
        QVERIFY(m_bytes.endsWith("\r\n"));
        m_lines = m_bytes.chopped(2).split('\n');
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

    void startingLinesCoverTheAlphabetAndEveryLength() {
        QSet<char> initials;
        QSet<qsizetype> lengths;
        for (const QByteArray& line : m_lines.first(kStartingLines)) {
            initials.insert(line.front());
            lengths.insert(line.trimmed().size());
        }
        QCOMPARE(initials.size(), 26);
        QCOMPARE(lengths, (QSet<qsizetype>{3, 4, 5, 6, 7, 8, 9}));
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
        QList<int> at;
        for (int i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].trimmed().size() == length)
                at.append(i);
        }
        QVERIFY(at.size() > 100);
        int longestGap = 0;
        for (int i = 1; i < at.size(); ++i)
            longestGap = std::max(longestGap, at[i] - at[i - 1]);
        const double meanGap = double(at.last() - at.first()) / (at.size() - 1);
        QVERIFY2(longestGap <= 2 * meanGap, qPrintable(QStringLiteral("gap %1, mean %2").arg(longestGap).arg(meanGap)));
        // A search for this length from any starting line finds a word before the end of the file.
        QVERIFY(at.last() >= kStartingLines);
    }
};

QTEST_GUILESS_MAIN(ShippedDictionaryTest)
#include "tst_shipped_dictionary.moc"
