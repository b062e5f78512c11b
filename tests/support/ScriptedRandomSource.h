// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "keygen/RandomSource.h"

#include <QStringList>

#include <deque>

namespace tavrix::test {

// Hands out a queued sequence of draws and logs every call ("reseed", "draw"), so a test can assert the
// exact order in which the key assembly reseeds and draws. A draw beyond the queue is logged as
// "exhausted" and yields 0, which makes any unexpected extra draw show up in the log.
class ScriptedRandomSource final : public RandomSource {
public:
    explicit ScriptedRandomSource(std::deque<double> draws = {}) : m_draws(std::move(draws)) {}

    void reseed(float /*secondsSinceMidnight*/) override { events.append(QStringLiteral("reseed")); }

    double next() override {
        if (m_draws.empty()) {
            events.append(QStringLiteral("exhausted"));
            return 0.0;
        }
        events.append(QStringLiteral("draw"));
        const double value = m_draws.front();
        m_draws.pop_front();
        return value;
    }

    QStringList events;

private:
    std::deque<double> m_draws;
};

// The draw that makes GetRnd(27000) pick starting line `line`.
inline double DrawForLine(int line) {
    return (line + 0.5) / 27000.0;
}

// The draw that makes GetRnd(bound) return `value`.
inline double DrawFor(int value, int bound) {
    return (value + 0.5) / bound;
}

// The log of one generation: the reseed, then `draws` draws.
inline QStringList ReseedThenDraws(int draws) {
    QStringList events{QStringLiteral("reseed")};
    for (int i = 0; i < draws; ++i)
        events.append(QStringLiteral("draw"));
    return events;
}

} // namespace tavrix::test
