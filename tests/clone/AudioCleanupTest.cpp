// SPDX-License-Identifier: GPL-3.0-or-later
// Voice cleanup on real files: which steps each option combination runs, the exact frame count
// and format of the output, the normalisation rules, and that inputs are never lost. Fixtures
// are generated in the test.
#include "clone/AudioCleanup.h"

#include "CloneAudioFixtures.h"
#include "dsp/Equalizer.h"
#include "dsp/Expander.h"
#include "model/ChoraleError.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace chorale;
using namespace chorale::test;

namespace {

constexpr int floatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

class AudioCleanupTest : public ::testing::Test {
protected:
    TempDataRoot root;
    QString in = root.scratch("original.wav");
    QString out = root.scratch("processed.wav");
};

// The equaliser the cleanup should have applied, run directly on the samples.
std::vector<float> equalized(const std::vector<float> &mono, int rate, const CleanupOptions &o) {
    dsp::Equalizer eq;
    eq.prepare(rate, 1, 4);
    AudioCleanup::configureEQ(eq, o);
    std::vector<float> x = mono;
    float *channels[] = {x.data()};
    eq.process(channels, int(x.size()));
    return x;
}

struct OptionCase {
    const char *name;
    CleanupOptions options;
};

class CleanupOptionsTest : public AudioCleanupTest,
                           public ::testing::WithParamInterface<OptionCase> {};

} // namespace

// Every combination keeps the frame count, rate and channel count and writes float WAV; the
// steps that ran are visible in the samples.
TEST_P(CleanupOptionsTest, RunsExactlyTheChosenSteps) {
    const CleanupOptions o = GetParam().options;
    const int rate = 44100;
    const std::vector<float> source = speechLike(1.3, rate, 1, 0.5f);
    writeSamples(in, source, rate, 1);

    AudioCleanup::process(in, out, o);
    const AudioInfo result = readAudio(out);
    ASSERT_EQ(result.frames, (long long)source.size());
    EXPECT_EQ(result.sampleRate, rate);
    EXPECT_EQ(result.channels, 1);
    EXPECT_EQ(result.format, floatWav);

    std::vector<float> expected =
            (o.reduceNoise || o.enhanceClarity) ? equalized(source, rate, o) : source;
    if (o.reduceNoise) {
        dsp::Expander expander;
        expander.prepare(rate, 1);
        expander.process(expected.data(), int(expected.size()), 0);
    }
    if (o.normalizeVolume) {
        const float gain = 0.89f / peakOf(expected);
        for (float &v : expected)
            v *= gain;
        EXPECT_FLOAT_EQ(peakOf(result.samples), 0.89f);
    }
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(result.samples[i], expected[i], 1e-6f) << i;
}

INSTANTIATE_TEST_SUITE_P(Combinations, CleanupOptionsTest,
                         ::testing::Values(OptionCase{"all", {true, true, true}},
                                           OptionCase{"noiseOnly", {true, false, false}},
                                           OptionCase{"clarityOnly", {false, true, false}},
                                           OptionCase{"normalizeOnly", {false, false, true}},
                                           OptionCase{"noiseAndNormalize", {true, false, true}}),
                         [](const auto &param) { return std::string(param.param.name); });

// The four bands: which are active for which option, and their response where it matters.
TEST(CleanupEqualizer, BandsFollowTheOptions) {
    using dsp::FilterType;
    dsp::Equalizer eq;
    eq.prepare(48000, 1, 4);
    AudioCleanup::configureEQ(eq, {true, false, false});
    EXPECT_EQ(eq.band(0).settings(), (dsp::FilterSettings{FilterType::highPass, 90}));
    EXPECT_EQ(eq.band(1).settings(), (dsp::FilterSettings{FilterType::lowPass, 9000}));
    EXPECT_TRUE(eq.band(2).isBypassed());
    EXPECT_TRUE(eq.band(3).isBypassed());
    EXPECT_NEAR(eq.magnitudeDb(90), -3.01, 0.05);
    EXPECT_NEAR(eq.magnitudeDb(9000), -3.01, 0.05);

    AudioCleanup::configureEQ(eq, {false, true, false});
    EXPECT_TRUE(eq.band(0).isBypassed());
    EXPECT_TRUE(eq.band(1).isBypassed());
    EXPECT_EQ(eq.band(2).settings(), (dsp::FilterSettings{FilterType::peak, 2800, 3.0, 0.8}));
    EXPECT_EQ(eq.band(3).settings(), (dsp::FilterSettings{FilterType::highShelf, 5500, 1.5}));
    EXPECT_NEAR(eq.magnitudeDb(40), 0.0, 0.01);
    EXPECT_NEAR(eq.magnitudeDb(20000), 1.5, 0.05);
}

TEST_F(AudioCleanupTest, ReduceNoiseSilencesWhatLiesBelowSpeech) {
    // Half a second of faint hiss, then a loud tone.
    std::vector<float> x(48000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = i < 24000 ? ((i % 3) ? 4e-6f : -4e-6f)
                         : 0.5f * float(std::sin(2 * M_PI * 440 * double(i) / 48000));
    writeSamples(in, x, 48000, 1);
    AudioCleanup::process(in, out, {true, false, false});
    const AudioInfo result = readAudio(out);
    for (size_t i = 0; i < 24000; ++i)
        ASSERT_EQ(result.samples[i], 0.0f) << i;
    EXPECT_GT(peakOf({result.samples.begin() + 30000, result.samples.end()}), 0.45f);
}

TEST_F(AudioCleanupTest, StereoKeepsChannelsAndRate) {
    writeSamples(in, speechLike(0.5, 22050, 2, 0.3f), 22050, 2);
    AudioCleanup::process(in, out, {true, true, true});
    const AudioInfo result = readAudio(out);
    EXPECT_EQ(result.channels, 2);
    EXPECT_EQ(result.sampleRate, 22050);
    EXPECT_EQ(result.frames, 11025);
    EXPECT_FLOAT_EQ(peakOf(result.samples), 0.89f);
}

TEST_F(AudioCleanupTest, NormalizationRules) {
    struct Case {
        float peak;
        bool rewritten;
    };
    for (const Case c : {Case{0.5f, true}, Case{0.895f, false}, Case{0.0f, false},
                         Case{0.00005f, false}, Case{0.97f, true}}) {
        Tone tone;
        tone.seconds = 0.25;
        tone.frequency = 250; // whole periods: the sine reaches its amplitude
        tone.amplitude = c.peak;
        writeTone(out, tone);
        const AudioInfo before = readAudio(out);
        const QByteArray bytesBefore = readAll(out);
        AudioCleanup::normalizeFile(out);
        const AudioInfo after = readAudio(out);
        if (!c.rewritten) {
            EXPECT_EQ(readAll(out), bytesBefore) << c.peak;
            continue;
        }
        const float gain = 0.89f / peakOf(before.samples);
        if (c.peak == 0.5f) {
            EXPECT_NEAR(gain, 1.78f, 1e-5f);
        }
        EXPECT_FLOAT_EQ(peakOf(after.samples), 0.89f) << c.peak;
        for (size_t i = 0; i < before.samples.size(); ++i)
            ASSERT_FLOAT_EQ(after.samples[i], before.samples[i] * gain) << i;
    }
}

TEST_F(AudioCleanupTest, AllZeroInputStaysZero) {
    writeSamples(in, std::vector<float>(9000, 0.0f), 16000, 1);
    AudioCleanup::process(in, out, {true, true, true});
    const AudioInfo result = readAudio(out);
    EXPECT_EQ(result.frames, 9000);
    EXPECT_EQ(peakOf(result.samples), 0.0f);
}

TEST_F(AudioCleanupTest, ReplacesOutputAndCopiesWhenNothingIsOn) {
    writeAll(out, "stale");
    writeSamples(in, speechLike(0.2, 48000, 1, 0.4f), 48000, 1);
    AudioCleanup::process(in, out, {true, true, false});
    EXPECT_EQ(readAudio(out).frames, 9600);

    AudioCleanup::process(in, out, {false, false, false});
    EXPECT_EQ(readAll(out), readAll(in));
}

TEST_F(AudioCleanupTest, CleaningAFileOntoItselfKeepsItsAudio) {
    const std::vector<float> source = speechLike(0.4, 48000, 1, 0.5f);
    writeSamples(in, source, 48000, 1);
    AudioCleanup::process(in, in, {true, true, true});
    const AudioInfo result = readAudio(in);
    EXPECT_EQ(result.frames, (long long)source.size());
    EXPECT_FLOAT_EQ(peakOf(result.samples), 0.89f);
}

TEST_F(AudioCleanupTest, UnreadableInputThrowsAndWritesNothing) {
    writeAll(in, "not audio at all");
    try {
        AudioCleanup::process(in, out, {true, true, true});
        FAIL() << "expected a failure";
    } catch (const ChoraleError &error) {
        EXPECT_TRUE(error.message().startsWith("original.wav: ")) << error.message().toStdString();
    }
    EXPECT_THROW(AudioCleanup::process(root.scratch("missing.wav"), out, {false, true, false}),
                 ChoraleError);
    EXPECT_FALSE(QFileInfo::exists(out));
    // No temporary files are left behind.
    EXPECT_EQ(QDir(root.scratch("")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// NaN or infinite samples in a damaged take become silence instead of spreading through the
// filters and normalisation into every sample of the result.
TEST_F(AudioCleanupTest, NonFiniteSamplesBecomeSilence) {
    std::vector<float> source = speechLike(0.4, 48000, 1, 0.5f);
    source[1000] = std::numeric_limits<float>::infinity();
    source[2000] = std::numeric_limits<float>::quiet_NaN();
    writeSamples(in, source, 48000, 1);
    AudioCleanup::process(in, out, {true, true, true});
    const AudioInfo result = readAudio(out);
    ASSERT_EQ(result.frames, (long long)source.size());
    EXPECT_TRUE(std::all_of(result.samples.begin(), result.samples.end(),
                            [](float s) { return std::isfinite(s); }));
    EXPECT_FLOAT_EQ(peakOf(result.samples), 0.89f);
}
