// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>

namespace tavrix {

// The process-wide random source behind every draw: reals in [0, 1), one per draw.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Called once at the start of every key generation with the seconds since midnight.
    virtual void reseed(float secondsSinceMidnight) = 0;
    // The next real in [0, 1).
    virtual double next() = 0;
};

// The operating system's cryptographic generator (QRandomGenerator::system()), 53 random bits per draw.
// reseed() deliberately ignores the clock: seeding a cryptographic source from the time of day would only
// make keys easier to guess.
// Values are fetched from the system in batches, because each fetch costs far more than a whole hexadecimal
// key would otherwise take.
class SystemRandomSource final : public RandomSource {
public:
    void reseed(float /*secondsSinceMidnight*/) override {}
    double next() override;

private:
    // Fills the batch afresh and starts it from its first value.
    void refill();

    std::array<quint64, 64> m_batch{};
    std::size_t m_used = m_batch.size();
};

// Seconds since local midnight, with their fraction, in single precision.
float SecondsSinceMidnight();

} // namespace tavrix
