// SPDX-License-Identifier: GPL-3.0-or-later
// The expander's gain law and envelope against a literal transcription of the rule, and the
// peak normalisation thresholds.
#include "dsp/Expander.h"
#include "dsp/Peak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace chorale::dsp;

namespace {

// The rule as written, with a general power: the reference the optimised loop must match.
std::vector<float> referenceExpand(std::vector<float> x, float rate) {
    const float a = std::exp(-1.0f / (rate * 0.004f));
    const float r = std::exp(-1.0f / (rate * 0.12f));
    float e = 0;
    for (float &s : x) {
        const float c = e < std::fabs(s) ? a : r;
        e = e * c + std::fabs(s) * (1 - c);
        float g;
        if (e <= 0.00001f)
            g = 0;
        else if (e >= 0.02f)
            g = 1;
        else
            g = std::min(1.0f, std::max(0.0f, std::pow(e / 0.02f, 2.5f)));
        s *= g;
    }
    return x;
}

} // namespace

TEST(Expander, GainLaw) {
    struct Case {
        float envelope, gain;
    };
    const Case cases[] = {{0.0f, 0.0f},       {0.00001f, 0.0f},    {0.000011f, 1.3e-8f},
                          {0.005f, 0.03125f}, {0.01f, 0.1767767f}, {0.02f, 1.0f},
                          {0.5f, 1.0f}};
    for (const Case &c : cases)
        EXPECT_NEAR(Expander::gain(c.envelope), c.gain, 1e-6f) << c.envelope;
}

TEST(Expander, CoefficientsAreSinglePrecisionTimeConstants) {
    Expander expander;
    expander.prepare(48000, 1);
    EXPECT_EQ(expander.attackCoefficient(), std::exp(-1.0f / (48000.0f * 0.004f)));
    EXPECT_EQ(expander.releaseCoefficient(), std::exp(-1.0f / (48000.0f * 0.12f)));
}

TEST(Expander, MatchesTheRuleOnSpeechLikeInput) {
    // A tone whose level sweeps through every region of the law, then decays into silence.
    const float rate = 44100;
    std::vector<float> x(44100);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / rate;
        const double level = 0.05 * std::exp(-6.0 * t);
        x[i] = float(level * std::sin(2 * std::numbers::pi * 180 * t));
    }
    const std::vector<float> expected = referenceExpand(x, rate);
    Expander expander;
    expander.prepare(rate, 1);
    expander.process(x.data(), 1000, 0); // in two blocks: the envelope carries over
    expander.process(x.data() + 1000, int(x.size()) - 1000, 0);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], expected[i], 1e-6f * std::max(1.0f, std::fabs(expected[i]))) << i;
}

TEST(Expander, SteadyLevelsAndIndependentChannels) {
    const int frames = 48000;
    // Constant magnitudes settle the envelope exactly at that level.
    std::vector<float> quiet(frames), middle(frames), loud(frames);
    for (int i = 0; i < frames; ++i) {
        const float sign = (i % 2) ? -1.0f : 1.0f;
        quiet[i] = 0.000005f * sign;
        middle[i] = 0.01f * sign;
        loud[i] = 0.3f * sign;
    }
    Expander expander;
    expander.prepare(48000, 3);
    float *channels[] = {quiet.data(), middle.data(), loud.data()};
    expander.process(channels, frames);
    for (int i = 0; i < frames; ++i)
        ASSERT_EQ(quiet[i], 0.0f);
    EXPECT_NEAR(std::fabs(middle[frames - 1]), 0.01f * 0.1767767f, 1e-6f);
    EXPECT_EQ(std::fabs(loud[frames - 1]), 0.3f);
}

TEST(PeakNormalization, Thresholds) {
    struct Case {
        float peak;
        bool rewritten;
    };
    const Case cases[] = {{0.0f, false},   {0.0001f, false}, {0.00011f, true},
                          {0.5f, true},    {0.875f, true},   {0.885f, false},
                          {0.895f, false}, {0.905f, true},   {1.7f, true}};
    for (const Case &c : cases) {
        const auto gain = PeakNormalization::gainFor(c.peak);
        EXPECT_EQ(gain.has_value(), c.rewritten) << c.peak;
        if (gain) {
            EXPECT_FLOAT_EQ(*gain * c.peak, 0.89f) << c.peak;
        }
    }
    EXPECT_NEAR(*PeakNormalization::gainFor(0.5f), 1.78f, 1e-6f);
}

TEST(Peak, LargestMagnitudeOverChannels) {
    std::vector<float> a = {0.1f, -0.2f, 0.05f};
    std::vector<float> b = {0.3f, -0.45f, 0.0f};
    const float *channels[] = {a.data(), b.data()};
    EXPECT_FLOAT_EQ(peak(channels, 2, 3), 0.45f);
    EXPECT_EQ(peak(a.data(), 0), 0.0f);
    scale(b.data(), b.size(), 2.0f);
    EXPECT_FLOAT_EQ(b[1], -0.9f);
}
