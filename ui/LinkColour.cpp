// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/LinkColour.h"

#include <QPalette>

#include <algorithm>
#include <array>

namespace tavrix {

namespace {

constexpr double kReadableContrast = 4.5; // WCAG 2, level AA, for text of ordinary size
// Below this luminance white text stands out more than black: the window counts as dark, and white on it
// reaches 4.58 : 1 at least, so a blue lightened towards white always becomes readable.
constexpr double kDarkLuminance = 0.1791;

// The sRGB curve for each 8-bit channel, worked out while compiling: at run time it is a look-up, and the
// program does not page in the maths library's pow code for it. x^2.4 is x^2 times the fifth root of x^2,
// found by Newton's method from above (it stops when a step no longer goes down); within 3 ulps of pow.
constexpr double FifthRoot(double y) {
    for (double r = 1.0;;) {
        const double next = (4.0 * r + y / (r * r * r * r)) / 5.0;
        if (next >= r)
            return r;
        r = next;
    }
}

constexpr std::array<double, 256> LinearChannels() {
    std::array<double, 256> linear{};
    for (int channel = 0; channel < 256; ++channel) {
        const double c = channel / 255.0;
        const double x = (c + 0.055) / 1.055;
        linear[channel] = c <= 0.04045 ? c / 12.92 : x * x * FifthRoot(x * x);
    }
    return linear;
}

constexpr std::array<double, 256> kLinear = LinearChannels();

double Luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * kLinear[rgb.red()] + 0.7152 * kLinear[rgb.green()] + 0.0722 * kLinear[rgb.blue()];
}

// The contrast ratio of two colours as WCAG 2 defines it, from 1 (the same brightness) to 21 (black on white).
double ContrastRatio(const QColor& first, const QColor& second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

} // namespace

QColor LinkColour(const QPalette& palette) {
    const QColor blue(0, 0, 255);
    const QColor window = palette.color(QPalette::Window);
    if (Luminance(window) >= kDarkLuminance)
        return blue;
    const QColor link = palette.color(QPalette::Link);
    if (ContrastRatio(link, window) >= kReadableContrast)
        return link;
    constexpr int kSteps = 64;
    for (int step = 1; step < kSteps; ++step) {
        const int grey = 255 * step / kSteps;
        const QColor lighter(grey, grey, 255);
        if (ContrastRatio(lighter, window) >= kReadableContrast)
            return lighter;
    }
    return Qt::white;
}

} // namespace tavrix
