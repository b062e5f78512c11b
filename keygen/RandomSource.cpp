// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/RandomSource.h"

#include <QRandomGenerator>

#include <chrono>
#include <ctime>

#if defined(Q_OS_LINUX)
#include <cerrno>
#include <sys/random.h>
#endif

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
#if defined(Q_OS_LINUX)
    // The kernel's generator, asked directly: on processors where QRandomGenerator::system() prefers the
    // RDRAND instruction, a draw through it costs more than a whole key. getrandom() never returns short
    // for requests of up to 256 bytes once the pool is initialised; larger ones are completed in a loop.
    auto* bytes = reinterpret_cast<unsigned char*>(m_batch.data());
    std::size_t filled = 0;
    const std::size_t wanted = m_batch.size() * sizeof(m_batch[0]);
    while (filled < wanted) {
        const ssize_t got = getrandom(bytes + filled, wanted - filled, 0);
        if (got < 0 && errno != EINTR)
            break; // no getrandom() (a very old kernel): Qt's system generator below
        if (got > 0)
            filled += static_cast<std::size_t>(got);
    }
    if (filled == wanted)
        return;
#endif
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
