// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder's meter formula: min(8 × RMS of channel 0, 1), other channels ignored.
#include "audio/AudioRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace chorale {
namespace {

std::vector<float> interleave(const std::vector<float> &left, const std::vector<float> &right) {
    std::vector<float> out;
    for (size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

std::vector<float> sine(double amplitude, size_t frames = 1024) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i)
        out[i] = float(amplitude * std::sin(2 * std::numbers::pi * 375.0 * double(i) / 48000.0));
    return out;
}

TEST(AudioRecorderLevel, FollowsTheRmsOfChannelZero) {
    struct Case {
        const char *what;
        std::vector<float> samples;
        int channels;
        float expected;
    };
    const std::vector<float> silence(1024, 0.0f);
    const Case cases[] = {
            {"silence", silence, 1, 0.0f},
            {"RMS 0.05 reads 0.4", std::vector<float>(1024, 0.05f), 1, 0.4f},
            {"RMS 0.125 reads full scale", std::vector<float>(1024, -0.125f), 1, 1.0f},
            {"louder than 0.125 is clamped", std::vector<float>(1024, 0.9f), 1, 1.0f},
            {"sine of amplitude 0.05", sine(0.05), 1, float(8 * 0.05 / std::numbers::sqrt2)},
            {"stereo: silent left, loud right", interleave(silence, sine(0.9)), 2, 0.0f},
            {"stereo: loud left, silent right", interleave(sine(0.01), silence), 2,
             float(8 * 0.01 / std::numbers::sqrt2)},
    };
    for (const Case &c : cases) {
        const qint64 frames = qint64(c.samples.size()) / c.channels;
        EXPECT_NEAR(AudioRecorder::rms(c.samples.data(), frames, c.channels), c.expected, 1e-4)
                << c.what;
    }
}

TEST(AudioRecorderLevel, EmptyBufferReadsZero) {
    const float one = 1.0f;
    EXPECT_EQ(AudioRecorder::rms(nullptr, 1024, 1), 0.0f);
    EXPECT_EQ(AudioRecorder::rms(&one, 0, 1), 0.0f);
}

} // namespace
} // namespace chorale
