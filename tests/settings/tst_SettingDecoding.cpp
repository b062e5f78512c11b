// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/SettingDecoding.h"

#include <QLocale>
#include <QtTest>

#include <optional>

using tavrix::DecodedSetting;

namespace {

// An expected decoding: a value, or nothing for an overflow.
using Expected = std::optional<int>;
constexpr Expected kOverflow = std::nullopt;

} // namespace

class tst_SettingDecoding : public QObject {
    Q_OBJECT

private slots:
    void decodesStoredText_data();
    void decodesStoredText();

private:
    static void addDecoding(const char* sentence, const QString& text, Expected expected,
                            const QString& locale = QString());
};

void tst_SettingDecoding::addDecoding(const char* sentence, const QString& text, Expected expected,
                                      const QString& locale) {
    QTest::newRow(sentence) << text << !expected.has_value() << expected.value_or(0) << locale;
}

void tst_SettingDecoding::decodesStoredText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("overflow");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("locale"); // QLocale default while decoding; empty keeps the current one

    // The cases a hand-edited store is expected to produce.
    addDecoding("a leading blank is ignored", " 2", 2);
    addDecoding("letters only read as zero", "abc", 0);
    addDecoding("the empty text reads as zero", "", 0);
    addDecoding("one and a half rounds up to the even two", "1.5", 2);
    addDecoding("two and a half rounds down to the even two", "2.5", 2);
    addDecoding("three and a half rounds up to the even four", "3.5", 4);
    addDecoding("minus one half rounds to zero", "-0.5", 0);
    addDecoding("one half rounds to zero", "0.5", 0);
    addDecoding("a blank between digits is ignored", "1 0", 10);
    addDecoding("a tab before and a line feed after are ignored", "\t1\n", 1);
    addDecoding("a plus sign is accepted", "+2", 2);
    addDecoding("an exponent multiplies by ten", "1e1", 10);
    addDecoding("a fraction with a signed exponent is scaled first", "1.5e+1", 15);
    addDecoding("a comma ends the number", "1,5", 1);
    addDecoding("trailing letters end the number", "2abc", 2);
    addDecoding("a leading period starts a fraction", ".5", 0);
    addDecoding("a trailing period is allowed", "1.", 1);
    addDecoding("an ampersand H introduces hexadecimal", "&H1F", 31);
    addDecoding("an ampersand O introduces octal", "&O17", 15);
    addDecoding("a hexadecimal prefix without digits reads as zero", "&H", 0);
    addDecoding("a half above the largest value overflows", "32767.5", kOverflow);
    addDecoding("a fraction below the smallest value rounds back into range", "-32768.4", -32768);
    addDecoding("twenty nines overflow", "99999999999999999999", kOverflow);
    addDecoding("a comma is no decimal separator under a German locale", "1,5", 1, QStringLiteral("de_DE"));
    addDecoding("a period is the decimal separator under a German locale", "2.5", 2, QStringLiteral("de_DE"));

    // Hexadecimal and octal literals.
    addDecoding("lower-case prefixes and digits are accepted", "&h1f", 31);
    addDecoding("a lower-case octal prefix is accepted", "&o17", 15);
    addDecoding("blanks between the ampersand and the letter are ignored", "& H 1F", 31);
    addDecoding("the largest positive sixteen-bit literal is kept", "&H7FFF", 32767);
    addDecoding("sixteen set bits wrap to minus one", "&HFFFF", -1);
    addDecoding("the top bit alone wraps to the smallest value", "&H8000", -32768);
    addDecoding("a seventeen-bit literal overflows", "&H10000", kOverflow);
    addDecoding("thirty-two set bits wrap to minus one", "&HFFFFFFFF", -1);
    addDecoding("a thirty-two-bit literal can wrap to the smallest value", "&HFFFF8000", -32768);
    addDecoding("a thirty-two-bit literal just below the range overflows", "&HFFFF7FFF", kOverflow);
    addDecoding("a literal wider than thirty-two bits overflows", "&H100000000", kOverflow);
    addDecoding("leading zeros do not widen a literal", "&H0000000000FFFF", -1);
    addDecoding("sixteen set bits in octal wrap to minus one", "&O177777", -1);
    addDecoding("a seventeen-bit octal literal overflows", "&O200000", kOverflow);
    addDecoding("an eight ends an octal literal", "&O18", 1);
    addDecoding("a letter after the hexadecimal digits ends the literal", "&H1FG", 31);
    addDecoding("a non-digit right after the prefix reads as zero", "&HG", 0);
    addDecoding("an ampersand with another letter reads as zero", "&X1", 0);
    addDecoding("a sign before a literal reads as zero", "-&H1", 0);
    addDecoding("a lone ampersand reads as zero", "&", 0);

    // Decimal fine points.
    addDecoding("an exponent marker without digits is left out", "1e", 1);
    addDecoding("an exponent marker and sign without digits are left out", "1e+", 1);
    addDecoding("a capital exponent marker is accepted", "1E2", 100);
    addDecoding("a negative exponent makes one and a half", "15e-1", 2);
    addDecoding("a negative exponent makes two and a half", "25e-1", 2);
    addDecoding("a huge negative exponent reads as zero", "1e-99999", 0);
    addDecoding("zero with a huge exponent is still zero", "0e99999", 0);
    addDecoding("a huge exponent overflows", "1e99999", kOverflow);
    addDecoding("an exponent too large for any integer overflows", "1e999999999999999999999999", kOverflow);
    addDecoding("a D is no exponent marker", "1d2", 1);
    addDecoding("a lone minus sign reads as zero", "-", 0);
    addDecoding("a lone period reads as zero", ".", 0);
    addDecoding("a sign and a period without digits read as zero", "-.", 0);
    addDecoding("a second sign ends the number before it starts", "+-1", 0);
    addDecoding("a second period ends the number", "1.2.3", 1);
    addDecoding("an exponent alone is no number", "e5", 0);
    addDecoding("minus one and a half rounds to the even minus two", "-1.5", -2);
    addDecoding("minus two and a half rounds to the even minus two", "-2.5", -2);
    addDecoding("four and a half rounds down to the even four", "4.5", 4);
    addDecoding("blanks inside the fraction are ignored", "1 2 . 5", 12);
    addDecoding("rounding uses every digit, not a binary approximation", "2.50000000000000000001", 3);
    addDecoding("a value just below the overflowing half is kept", "32767.49999999999999999", 32767);
    addDecoding("minus a half below the smallest value rounds to the even smallest", "-32768.5", -32768);
    addDecoding("the largest value is kept", "32767", 32767);
    addDecoding("one above the largest value overflows", "32768", kOverflow);
    addDecoding("one below the smallest value overflows", "-32769", kOverflow);
    addDecoding("a decimal text is never wrapped", "65535", kOverflow);
    addDecoding("five nines with a fraction overflow", "99999.4", kOverflow);
    addDecoding("minus zero reads as zero", "-0", 0);
    addDecoding("many leading zeros are ignored", "00000000000000000000042", 42);
    addDecoding("a tiny fraction rounds to zero", "0.000000000000000000000000000000006", 0);
    addDecoding("a carriage return after the number ends it", "1\r\n", 1);
    addDecoding("a carriage return before the number is not ignored", "\r1", 0);
    addDecoding("a no-break space is not ignored", QStringLiteral("\u00a01"), 0);
    addDecoding("digits of other scripts are not digits", QStringLiteral("\u0661"), 0);
    addDecoding("a percent sign ends the number", "7%", 7);
}

void tst_SettingDecoding::decodesStoredText() {
    QFETCH(QString, text);
    QFETCH(bool, overflow);
    QFETCH(int, value);
    QFETCH(QString, locale);

    const QLocale previous;
    if (!locale.isEmpty())
        QLocale::setDefault(QLocale(locale));
    const DecodedSetting decoded = tavrix::DecodeSetting(text);
    QLocale::setDefault(previous);

    if (overflow) {
        QCOMPARE(decoded.kind, DecodedSetting::Kind::Overflow);
        QVERIFY(!decoded.isValue());
    } else {
        QCOMPARE(decoded.kind, DecodedSetting::Kind::Value);
        QVERIFY(decoded.isValue());
        QCOMPARE(int(decoded.value), value);
    }
}

QTEST_GUILESS_MAIN(tst_SettingDecoding)
#include "tst_SettingDecoding.moc"
