// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/RandomSource.h"

#include <QtTest>

#include <cmath>

using namespace tavrix;

class tst_RandomSource : public QObject {
    Q_OBJECT

private slots:
    void drawsAreMultiplesOfTwoToTheMinus53BelowOne() {
        SystemRandomSource random;
        double smallest = 1.0;
        double largest = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const double r = random.next();
            QVERIFY(r >= 0.0 && r < 1.0);
            const double scaled = std::ldexp(r, 53);
            QCOMPARE(scaled, std::floor(scaled));
            smallest = std::min(smallest, r);
            largest = std::max(largest, r);
        }
        // 20000 uniform draws all landing in a band narrower than [0.001, 0.999) would mean a broken source.
        QVERIFY(smallest < 0.001);
        QVERIFY(largest > 0.999);
    }

    void reseedingWithTheClockDoesNotRepeatDraws() {
        SystemRandomSource first;
        SystemRandomSource second;
        first.reseed(1234.5f);
        second.reseed(1234.5f);
        QVERIFY(first.next() != second.next());
    }

    void secondsSinceMidnightLieWithinOneDay() {
        const float seconds = SecondsSinceMidnight();
        QVERIFY(seconds >= 0.0f && seconds < 86400.0f);
        QVERIFY(std::fabs(seconds - QTime::currentTime().msecsSinceStartOfDay() / 1000.0f) < 2.0f || seconds < 2.0f);
    }
};

QTEST_GUILESS_MAIN(tst_RandomSource)
#include "tst_RandomSource.moc"
