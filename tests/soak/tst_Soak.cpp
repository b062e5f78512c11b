// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// 10,000 key generations in one process, through the main window driven offscreen, across every strength,
// key type and ASCII method, with automatic copying on. Every key is checked for its shape, no message may
// appear, and memory must stay flat: the peak resident size at the end within 5 % of that after the first
// 100 generations.
#include "tests/support/MainWindowHarness.h"
#include "tests/support/ProcStatus.h"
#include "ui/Fonts.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QtTest>

using namespace tavrix;
using namespace tavrix::test;

#if defined(__SANITIZE_ADDRESS__)
#define TAVRIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIX_ASAN 1
#endif
#endif

namespace {

constexpr int kGenerations = 10000;
constexpr int kWarmUp = 100;

// A field of /proc/self/status in kB, e.g. "VmHWM" (peak resident size) or "VmRSS"; -1 when missing.
qint64 StatusKilobytes(const char* field) {
    return ProcStatusKilobytes("self", field).value_or(-1);
}

} // namespace

class tst_Soak : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterBundledFonts(); }

    void tenThousandKeysKeepTheirShapeAndMemoryStaysFlat() {
        MainWindowHarness h;
        h.store.set(QStringLiteral("Copy Key To Clipboard"), QStringLiteral("1"));
        h.main->Load();
        QVERIFY(h.check("chkAutoClipboard")->isChecked());

        const QRegularExpression hex(QStringLiteral("^[0-9a-f]+$"));
        const QRegularExpression letters(QStringLiteral("^[a-z]+$"));
        const QRegularExpression words(QStringLiteral("^[a-z]+(-[a-z]+)*$"));
        const int hexDigits[] = {10, 26, 58};
        qint64 peakAfterWarmUp = 0;
        qint64 residentAfterWarmUp = 0;

        for (int i = 0; i < kGenerations; ++i) {
            // Twelve combinations in turn, each reached through the controls and their events.
            const int strength = i % 3;
            const int type = (i / 3) % 2;
            const int method = (i / 6) % 2;
            h.strength()->setCurrentIndex(strength);
            h.type()->setCurrentIndex(type);
            if (type == 1)
                h.option(method)->setChecked(true);
            h.button("tbrMisc_1")->click();

            const QString key = h.text();
            const int length = type == 0 ? hexDigits[strength] : hexDigits[strength] / 2;
            const QRegularExpression& alphabet = type == 0 ? hex : method == 0 ? letters : words;
            if (key.size() != length || !alphabet.match(key).hasMatch() ||
                QGuiApplication::clipboard()->text() != key) {
                QFAIL(qPrintable(QStringLiteral("generation %1 (strength %2, type %3, method %4) gave \"%5\"")
                                     .arg(i)
                                     .arg(strength)
                                     .arg(type)
                                     .arg(method)
                                     .arg(key)));
            }
            // The recording store keeps every write; forget them so only the program's memory is measured.
            h.store.clearWrites();
            // In the program every click is one turn of the event loop, which also runs the deferred clean-ups
            // of the key field's text layout; without it those pile up and memory grows by itself.
            QCoreApplication::processEvents();
            if (i + 1 == kWarmUp) {
                peakAfterWarmUp = StatusKilobytes("VmHWM");
                residentAfterWarmUp = StatusKilobytes("VmRSS");
            }
        }
        QVERIFY(h.sink.messages.isEmpty());

        const qint64 peakAtEnd = StatusKilobytes("VmHWM");
        const qint64 residentAtEnd = StatusKilobytes("VmRSS");
        qInfo("peak resident size after %d generations: %lld kB, after %d: %lld kB (resident now %lld kB, "
              "after %d: %lld kB)",
              kWarmUp, peakAfterWarmUp, kGenerations, peakAtEnd, residentAtEnd, kWarmUp, residentAfterWarmUp);
        QVERIFY(peakAfterWarmUp > 0);
#ifdef TAVRIX_ASAN
        // AddressSanitizer holds freed memory in quarantine and grows its own tables, so resident size says
        // nothing about the program here; this build checks for sanitizer reports only.
        QSKIP("memory is not measured under AddressSanitizer");
#endif
        QVERIFY2(
            peakAtEnd * 100 <= peakAfterWarmUp * 105,
            qPrintable(
                QStringLiteral("peak resident size grew from %1 kB to %2 kB").arg(peakAfterWarmUp).arg(peakAtEnd)));
    }
};

QTEST_MAIN(tst_Soak)
#include "tst_Soak.moc"
