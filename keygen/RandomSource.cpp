#include "keygen/RandomSource.h"

#include <QRandomGenerator>
#include <QTime>

namespace tavrix {

void SystemRandomSource::reseed(float /*secondsSinceMidnight*/) {
    // Intentionally empty. The operating system's generator needs no seed, and mixing in the time of day
    // would only give an attacker who knows roughly when a key was made something to search over.
}

double SystemRandomSource::next() {
    // The top 53 bits fill a double's mantissa exactly, so every value is a multiple of 2^-53 below 1.
    constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
    return static_cast<double>(QRandomGenerator::system()->generate64() >> 11) * kTwoToMinus53;
}

float SecondsSinceMidnight() {
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

} // namespace tavrix
