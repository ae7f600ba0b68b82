// SPDX-License-Identifier: GPL-3.0-or-later
// The effect processors: echo repeats and their decay, the ring modulation formula, and the
// radio distortion's shape and ring-out.
#include "dsp/DelayLine.h"
#include "dsp/RingModulator.h"
#include "dsp/Waveshaper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

using namespace chorale::dsp;

namespace {

double sum(const std::vector<float> &x, size_t from, size_t to) {
    return std::accumulate(x.begin() + long(from), x.begin() + long(to), 0.0);
}

} // namespace

TEST(Echo, ImpulseGivesDryThenFadingRepeats) {
    const double rate = 48000;
    Echo echo;
    echo.prepare(rate, 1, {});
    const int d = echo.delayFrames();
    ASSERT_EQ(d, 10560); // 0.22 s
    std::vector<float> x(size_t(4 * d), 0.0f);
    x[0] = 1.0f;
    float *channels[] = {x.data()};
    echo.process(channels, 1000); // blocks smaller and larger than the delay
    float *rest[] = {x.data() + 1000};
    echo.process(rest, int(x.size()) - 1000);

    EXPECT_FLOAT_EQ(x[0], 0.62f);
    EXPECT_EQ(sum(x, 1, size_t(d)), 0.0);
    // The loop filter has unity gain at DC, so each repeat's samples add up to its level:
    // 0.38 wet, then 42 % of the one before.
    const double first = sum(x, size_t(d), size_t(2 * d));
    const double second = sum(x, size_t(2 * d), size_t(3 * d));
    EXPECT_NEAR(first, 0.38, 1e-4);
    EXPECT_NEAR(second, 0.38 * 0.42, 1e-4);
    // ... and the loop darkens it: the repeat is smeared over several samples.
    EXPECT_LT(x[size_t(d)], 0.38f * 0.9f);
}

TEST(RingModulator, FollowsTheFormulaPerChannel) {
    const double rate = 44100;
    const int frames = 3000;
    std::vector<float> a(frames), b(frames);
    for (int i = 0; i < frames; ++i) {
        a[i] = float(0.5 * std::sin(0.05 * i));
        b[i] = 0.25f;
    }
    const std::vector<float> inA = a, inB = b;
    RingModulator ring;
    ring.prepare(rate, 2, 40.0f, 0.38f);
    float *channels[] = {a.data(), b.data()};
    ring.process(channels, 700);
    float *rest[] = {a.data() + 700, b.data() + 700};
    ring.process(rest, frames - 700);

    const float w = 40.0f * 2.0f * std::numbers::pi_v<float> / 44100.0f;
    EXPECT_EQ(ring.angularStep(), w);
    for (int n = 0; n < frames; ++n) {
        const float m = std::sin(w * float(n));
        ASSERT_FLOAT_EQ(a[n], inA[n] * 0.38f + m * inA[n] * 0.62f) << n;
        ASSERT_FLOAT_EQ(b[n], inB[n] * 0.38f + m * inB[n] * 0.62f) << n;
    }
    EXPECT_EQ(a[0], inA[0] * 0.38f);
}

TEST(Waveshaper, SoftClipIsOddMonotoneAndBounded) {
    float previous = -2.0f;
    for (float u = -3.0f; u <= 3.0f; u += 0.01f) {
        const float y = Waveshaper::shape(u);
        EXPECT_FLOAT_EQ(y, -Waveshaper::shape(-u));
        EXPECT_GE(y, previous);
        EXPECT_LE(std::fabs(y), 1.0f);
        previous = y;
    }
    EXPECT_EQ(Waveshaper::shape(0.0f), 0.0f);
    EXPECT_EQ(Waveshaper::shape(1.0f), 1.0f);
}

TEST(RadioDistortion, RingsOutWithinTheWalkieTail) {
    const double rate = 44100;
    RadioDistortion radio;
    radio.prepare(rate, 1, {});
    std::vector<float> x(size_t(rate * 0.1), 0.0f);
    for (int i = 0; i < 200; ++i)
        x[size_t(i)] = 0.5f * float(std::sin(i * 0.3));
    float *channels[] = {x.data()};
    radio.process(channels, int(x.size()));
    // Something rings after the input stops, and it is gone within 0.05 s.
    double ring = 0;
    for (size_t i = 200; i < 400; ++i)
        ring = std::max(ring, double(std::fabs(x[i])));
    EXPECT_GT(ring, 0.01);
    const size_t tailEnd = 200 + size_t(0.05 * rate);
    for (size_t i = tailEnd; i < x.size(); ++i)
        ASSERT_LT(std::fabs(x[i]), 1e-6f) << i;
}
