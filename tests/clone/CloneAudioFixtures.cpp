// SPDX-License-Identifier: GPL-3.0-or-later
#include "CloneAudioFixtures.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace chorale::test {

std::vector<float> speechLike(double seconds, int sampleRate, int channels, float peak) {
    const auto frames = std::size_t(std::llround(seconds * sampleRate));
    std::vector<double> mono(frames);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.0005);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double syllable = std::max(0.0, std::sin(2 * std::numbers::pi * 3.0 * t));
        double buzz = 0;
        for (int h = 1; h * 150 < 6000; ++h)
            buzz += std::sin(2 * std::numbers::pi * 150 * h * t) / h;
        const double hum = 0.02 * std::sin(2 * std::numbers::pi * 50 * t);
        mono[i] = syllable * syllable * buzz + hum + noise(random);
    }
    double largest = 0;
    for (double v : mono)
        largest = std::max(largest, std::fabs(v));
    std::vector<float> out(frames * std::size_t(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[i * std::size_t(channels) + std::size_t(c)] =
                    float(mono[i] / largest * peak * (1.0 - 0.1 * c));
    return out;
}

float peakOf(const std::vector<float> &samples) {
    float m = 0;
    for (float v : samples)
        m = std::max(m, std::fabs(v));
    return m;
}

} // namespace chorale::test
