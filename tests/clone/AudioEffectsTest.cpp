// SPDX-License-Identifier: GPL-3.0-or-later
// Clone effects on real files: exact output lengths with their tails, the robot's formula on
// the band-passed signal, the final normalisation, formats, and `none` as a plain copy.
#include "clone/AudioEffects.h"

#include "CloneAudioFixtures.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <numbers>

using namespace chorale;
using namespace chorale::test;

namespace {

class AudioEffectsTest : public ::testing::Test {
protected:
    TempDataRoot root;
    QString in = root.scratch("converted.wav");
    QString out = root.scratch("effected.wav");
};

struct LengthCase {
    CloneEffect effect;
    double seconds;
    int rate;
    int channels;
    long long frames;
};

class EffectLengthTest : public AudioEffectsTest,
                         public ::testing::WithParamInterface<LengthCase> {};

} // namespace

TEST_P(EffectLengthTest, ExactFramesFormatAndPeak) {
    const LengthCase c = GetParam();
    writeSamples(in, speechLike(c.seconds, c.rate, c.channels, 0.3f), c.rate, c.channels);
    AudioEffects::process(in, out, c.effect);
    const AudioInfo result = readAudio(out);
    EXPECT_EQ(result.frames, c.frames);
    EXPECT_EQ(result.sampleRate, c.rate);
    EXPECT_EQ(result.channels, c.channels);
    EXPECT_EQ(result.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_FLOAT_EQ(peakOf(result.samples), 0.89f);
}

INSTANTIATE_TEST_SUITE_P(
        Effects, EffectLengthTest,
        ::testing::Values(LengthCase{CloneEffect::echo, 2.0, 48000, 1, 172800},
                          LengthCase{CloneEffect::walkieTalkie, 1.0, 44100, 1, 46305},
                          LengthCase{CloneEffect::robot, 1.0, 44100, 1, 44100},
                          LengthCase{CloneEffect::echo, 0.5, 44100, 2, 22050 + 70560},
                          LengthCase{CloneEffect::walkieTalkie, 0.5, 22050, 2, 11025 + 1102},
                          LengthCase{CloneEffect::robot, 0.5, 16000, 2, 8000}));

TEST_F(AudioEffectsTest, EchoRepeatsTheInputAfterItEnds) {
    // A short click: the dry click, then repeats 0.22 s apart that keep fading.
    std::vector<float> x(4800, 0.0f);
    x[0] = 0.5f;
    writeSamples(in, x, 48000, 1);
    AudioEffects::renderEcho(in, out);
    const AudioInfo r = readAudio(out);
    ASSERT_EQ(r.frames, 4800 + 76800);
    auto energyAround = [&](int start) {
        double e = 0;
        for (int i = start; i < start + 400; ++i)
            e += std::fabs(r.samples[size_t(i)]);
        return e;
    };
    const double first = energyAround(10560), second = energyAround(21120),
                 third = energyAround(31680);
    EXPECT_GT(first, 0.1);
    EXPECT_NEAR(second / first, 0.42, 0.05);
    EXPECT_NEAR(third / second, 0.42, 0.05);
}

TEST_F(AudioEffectsTest, RobotIsRingModulationOfTheBandPassedSignal) {
    writeSamples(in, speechLike(0.5, 44100, 1, 0.8f), 44100, 1);
    const QString bandPassed = root.scratch("band.wav");
    AudioEffects::renderBandPass(in, bandPassed, 400.0f, 2500.0f);
    const AudioInfo band = readAudio(bandPassed);
    ASSERT_NE(band.samples[0], 0.0f);

    AudioEffects::process(in, out, CloneEffect::robot);
    const AudioInfo robot = readAudio(out);
    ASSERT_EQ(robot.frames, band.frames);
    // y = x · 0.38 + sin(w n) · x · 0.62, then one gain that brings the peak to 0.89.
    const float w = 40.0f * 2.0f * std::numbers::pi_v<float> / 44100.0f;
    std::vector<float> modulated(band.samples.size());
    for (size_t n = 0; n < modulated.size(); ++n) {
        const float x = band.samples[n];
        modulated[n] = x * 0.38f + std::sin(w * float(n)) * x * 0.62f;
    }
    const float gain = 0.89f / peakOf(modulated);
    EXPECT_FLOAT_EQ(robot.samples[0], 0.38f * band.samples[0] * gain);
    for (size_t n = 0; n < modulated.size(); ++n)
        ASSERT_NEAR(robot.samples[n], modulated[n] * gain, 1e-6f) << n;
}

TEST_F(AudioEffectsTest, SilenceStaysSilentWithItsTail) {
    writeSamples(in, std::vector<float>(44100, 0.0f), 44100, 1);
    for (const CloneEffect effect :
         {CloneEffect::echo, CloneEffect::robot, CloneEffect::walkieTalkie}) {
        AudioEffects::process(in, out, effect);
        const AudioInfo r = readAudio(out);
        EXPECT_GE(r.frames, 44100);
        EXPECT_EQ(peakOf(r.samples), 0.0f) << rawValue(effect).toStdString();
    }
}

TEST_F(AudioEffectsTest, NoneCopiesOrLeavesAlone) {
    writeSamples(in, speechLike(0.3, 48000, 1, 0.25f), 48000, 1);
    const QByteArray original = readAll(in);
    const QDateTime modified = QFileInfo(in).lastModified();

    AudioEffects::process(in, in, CloneEffect::none);
    EXPECT_EQ(readAll(in), original);
    EXPECT_EQ(QFileInfo(in).lastModified(), modified);

    writeAll(out, "an older effect");
    AudioEffects::process(in, out, CloneEffect::none);
    EXPECT_EQ(readAll(out), original); // a copy: no normalisation
}

TEST_F(AudioEffectsTest, EffectOntoItsOwnInputWorks) {
    writeSamples(in, speechLike(1.0, 48000, 1, 0.3f), 48000, 1);
    AudioEffects::process(in, in, CloneEffect::echo);
    const AudioInfo r = readAudio(in);
    EXPECT_EQ(r.frames, 48000 + 76800);
    EXPECT_FLOAT_EQ(peakOf(r.samples), 0.89f);
}
