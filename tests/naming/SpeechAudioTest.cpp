// SPDX-License-Identifier: GPL-3.0-or-later
// Audio preparation for speech recognition: 16 kHz, first channel only, first 8 seconds only,
// and nothing for files that cannot be read.
#include "naming/SpeechAudio.h"

#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace chorale;
using namespace chorale::test;

namespace {

int zeroCrossings(const std::vector<float> &samples) {
    int count = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++count;
    }
    return count;
}

double rms(const std::vector<float> &samples) {
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
}

class SpeechAudioTest : public ::testing::Test {
protected:
    TempDataRoot root;
};

TEST_F(SpeechAudioTest, StereoAt48kHzBecomesFirstChannelAt16kHzLimitedTo8Seconds) {
    // 10 s: a 440 Hz tone on the left, silence on the right.
    const int rate = 48000;
    std::vector<float> interleaved(size_t(rate) * 10 * 2, 0.0f);
    for (size_t i = 0; i < interleaved.size() / 2; ++i)
        interleaved[2 * i] = float(0.5 * std::sin(2 * std::numbers::pi * 440.0 * double(i) / rate));
    const QString path = writeSamples(root.scratch("stereo.wav"), interleaved, rate, 2);

    const auto samples = SpeechAudio::pcm16k(path);
    ASSERT_TRUE(samples.has_value());
    EXPECT_LE(samples->size(), size_t(16000 * 8 + 32));
    EXPECT_GE(samples->size(), size_t(16000 * 8 - 32));
    // The tone survives at its pitch (two zero crossings per period, 8 s of it) and level: the
    // left channel was taken, not the silent right one, and the rate is really 16 kHz.
    EXPECT_NEAR(zeroCrossings(*samples), 440 * 2 * 8, 20);
    EXPECT_NEAR(rms(*samples), 0.5 / std::sqrt(2.0), 0.02);
}

TEST_F(SpeechAudioTest, SixteenKilohertzMonoFloatIsReturnedUnchanged) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.8f, 0.8f);
    for (const double seconds : {3.0, 10.0}) {
        std::vector<float> input(size_t(16000 * seconds));
        for (float &s : input)
            s = noise(random);
        const QString path = writeSamples(root.scratch("mono16k.wav"), input, 16000, 1);

        const auto samples = SpeechAudio::pcm16k(path);
        ASSERT_TRUE(samples.has_value());
        const size_t expected = std::min(input.size(), size_t(16000 * 8));
        ASSERT_EQ(samples->size(), expected) << seconds << " s";
        EXPECT_TRUE(std::equal(samples->begin(), samples->end(), input.begin())) << seconds << " s";
    }
}

TEST_F(SpeechAudioTest, OtherRatesAndSampleFormatsAreConverted) {
    const QString path =
            writeTone(root.scratch("pcm.wav"), {.seconds = 2.0,
                                                .sampleRate = 44100,
                                                .channels = 1,
                                                .frequency = 300,
                                                .format = SF_FORMAT_WAV | SF_FORMAT_PCM_16});
    const auto samples = SpeechAudio::pcm16k(path);
    ASSERT_TRUE(samples.has_value());
    EXPECT_NEAR(double(samples->size()), 32000, 32);
    EXPECT_NEAR(zeroCrossings(*samples), 300 * 2 * 2, 10);
}

TEST_F(SpeechAudioTest, UnreadableOrEmptyFilesGiveNothing) {
    writeAll(root.scratch("garbage.wav"), QByteArray(4096, 'x'));
    writeSamples(root.scratch("empty.wav"), {}, 48000, 1);
    for (const char *name : {"missing.wav", "garbage.wav", "empty.wav"})
        EXPECT_FALSE(SpeechAudio::pcm16k(root.scratch(name)).has_value()) << name;
}

} // namespace
