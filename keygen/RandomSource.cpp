// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/RandomSource.h"

#include <QRandomGenerator>

#include <chrono>
#include <ctime>

namespace tavrix {

double SystemRandomSource::next() {
    // The top 53 bits fill a double's mantissa exactly, so every value is a multiple of 2^-53 below 1.
    constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
    if (m_used == m_batch.size())
        refill();
    return static_cast<double>(m_batch[m_used++] >> 11) * kTwoToMinus53;
}

void SystemRandomSource::refill() {
    m_used = 0;
    QRandomGenerator::system()->fillRange(m_batch.data(), m_batch.size());
}

float SecondsSinceMidnight() {
    // Through the C library rather than QTime::currentTime(), which re-reads the time zone on every call
    // and would cost more than a whole hexadecimal key.
    const auto now = std::chrono::system_clock::now();
    const std::time_t whole = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
#if defined(Q_OS_WIN)
    localtime_s(&local, &whole);
#else
    localtime_r(&whole, &local);
#endif
    const std::chrono::duration<float> fraction = now - std::chrono::system_clock::from_time_t(whole);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) + fraction.count();
}

} // namespace tavrix
