// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a dialogue or a track: levels, length, placement of resampled clips, and failures
// that must not cost the user an earlier export.
#include "dialogue/DialogueBounce.h"

#include "DialogueFixtures.h"
#include "model/ChoraleError.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <functional>
#include <limits>

using namespace chorale;
using namespace chorale::test;

namespace {

constexpr float lsb = 1.0f / 32768.0f;

class DialogueBounceTest : public ::testing::Test {
protected:
    QString out(const QString &name = "mix.wav") { return root.scratch(name); }

    // Frames of one channel of an export.
    static std::vector<float> channel(const AudioInfo &audio, int c) {
        std::vector<float> result(size_t(audio.frames));
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = audio.samples[i * size_t(audio.channels) + size_t(c)];
        return result;
    }

    static float peak(const std::vector<float> &samples) {
        float p = 0;
        for (float s : samples)
            p = std::max(p, std::fabs(s));
        return p;
    }

    TempDataRoot root;
};

void expectUnreadable(const std::function<void()> &work) {
    try {
        work();
        ADD_FAILURE() << "no error";
    } catch (const ChoraleError &e) {
        EXPECT_EQ(e.kind(), ChoraleError::Kind::unreadableAudio);
    }
}

} // namespace

TEST_F(DialogueBounceTest, WritesSixteenBitStereoAtTheMixRate) {
    DialogueBuilder builder;
    builder.clip(builder.track("Anna"), 0.5, constant(1, 44100, 0.25f), 44100);
    DialogueBounce::bounce(builder.project(), out());

    const AudioInfo audio = readAudio(out());
    EXPECT_EQ(audio.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.frames, 66150);
    EXPECT_EQ(audio.samples[2 * 22049], 0);
    EXPECT_NEAR(audio.samples[2 * 22050], 0.25f, lsb);
    EXPECT_NEAR(audio.samples[2 * 22050 + 1], 0.25f, lsb);
}

TEST_F(DialogueBounceTest, OnlyAMixAboveFullScaleIsBroughtDown) {
    struct {
        float a, b, expected;
    } const cases[] = {
            {0.8f, 0.8f, 0.89f},  // peaks at 1.6: scaled by 0.89 / 1.6
            {0.5f, 0.45f, 0.95f}, // peaks at 0.95: as summed
            {1.0f, 0.0f, 1.0f},   // exactly full scale is not above it
    };
    for (const auto &c : cases) {
        DialogueBuilder builder;
        const QUuid anna = builder.track("Anna"), bob = builder.track("Bob");
        builder.clip(anna, 0, constant(2, 44100, c.a), 44100);
        builder.clip(bob, 1, constant(2, 44100, c.b), 44100);
        DialogueBounce::bounce(builder.project(), out());
        const std::vector<float> left = channel(readAudio(out()), 0);
        ASSERT_EQ(left.size(), 3 * 44100);
        const float scale = c.a + c.b > 1 ? 0.89f / (c.a + c.b) : 1.0f;
        EXPECT_NEAR(left[44100 / 2], c.a * scale, 1.5f * lsb) << c.a << '+' << c.b;
        EXPECT_NEAR(left[44100 * 3 / 2], c.expected, 1.5f * lsb) << c.a << '+' << c.b;
        EXPECT_NEAR(left[44100 * 5 / 2], c.b * scale, 1.5f * lsb) << c.a << '+' << c.b;
    }
}

TEST_F(DialogueBounceTest, ATrackExportSpansTheWholeDialogue) {
    DialogueBuilder builder;
    const QUuid anna = builder.track("Anna"), bob = builder.track("Bob");
    builder.clip(anna, 0, constant(2, 44100, 0.3f), 44100);
    builder.clip(bob, 1, constant(4, 44100, 0.6f), 44100);
    DialogueBounce::bounce(builder.project(), out(), anna);

    const std::vector<float> left = channel(readAudio(out()), 0);
    ASSERT_EQ(left.size(), 5 * 44100);
    EXPECT_NEAR(left[44100 * 3 / 2], 0.3f, lsb) << "Bob's clip is not in Anna's track";
    EXPECT_EQ(peak({left.begin() + 2 * 44100, left.end()}), 0);
}

TEST_F(DialogueBounceTest, AMonoClipAtAnotherRateLandsOnItsRoundedFrameInBothChannels) {
    // A click 0.2 s into a 24 kHz mono clip, placed 0.7 frame after 1 s: the nearest frame is
    // 44 101, so the click is at 44 101 + 8 820 in the export.
    std::vector<float> click(24000, 0.0f);
    click[4800] = 0.9f;
    DialogueBuilder builder;
    builder.clip(builder.track("Anna"), 1 + 0.7 / 44100, click, 24000);
    DialogueBounce::bounce(builder.project(), out());

    const AudioInfo audio = readAudio(out());
    const std::vector<float> left = channel(audio, 0), right = channel(audio, 1);
    EXPECT_EQ(left, right);
    const auto loudest = std::max_element(
            left.begin(), left.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_EQ(loudest - left.begin(), 44101 + 8820);
    EXPECT_EQ(audio.frames, 44101 + 44100);
}

TEST_F(DialogueBounceTest, NothingToMixIsUnreadableAudio) {
    DialogueBuilder tooShort;
    const QUuid anna = tooShort.track("Anna");
    tooShort.clip(anna, 0, constant(1, 44100, 0.5f), 44100, 1, 0.2, 0.21);
    tooShort.clip(anna, 1, constant(1, 44100, 0.5f), 44100, 1, 0.5, 0.5);
    expectUnreadable([&] { DialogueBounce::bounce(tooShort.project(), out()); });

    DialogueBuilder missing;
    missing.missingClip(missing.track("Anna"), 0, 2);
    expectUnreadable([&] { DialogueBounce::bounce(missing.project(), out()); });

    DialogueBuilder otherTrack;
    otherTrack.clip(otherTrack.track("Anna"), 0, constant(1, 44100, 0.5f), 44100);
    const QUuid bob = otherTrack.track("Bob");
    expectUnreadable([&] { DialogueBounce::bounce(otherTrack.project(), out(), bob); });
    EXPECT_FALSE(QFileInfo::exists(out()));
}

TEST_F(DialogueBounceTest, AnUnreadableClipIsSkippedWhenAnotherMixes) {
    DialogueBuilder builder;
    const QUuid anna = builder.track("Anna");
    const DialogueClip broken = builder.clip(anna, 0, constant(1, 44100, 0.5f), 44100);
    builder.clip(anna, 1, constant(1, 44100, 0.5f), 44100);
    const DialogueProject project = builder.project();
    writeAll(project.audioURL(broken), "not audio");
    DialogueBounce::bounce(project, out());
    const std::vector<float> left = channel(readAudio(out()), 0);
    EXPECT_EQ(left[22050], 0);
    EXPECT_NEAR(left[44100 + 22050], 0.5f, lsb);
}

TEST_F(DialogueBounceTest, AFailedExportKeepsThePreviousFile) {
    writeAll(out(), "the user's earlier export");
    DialogueBuilder empty;
    EXPECT_THROW(DialogueBounce::bounce(empty.project(), out()), ChoraleError);
    EXPECT_EQ(readAll(out()), "the user's earlier export");

    // A disk that fills up halfway through the write: the file size limit stands in for it.
    DialogueBuilder builder;
    builder.clip(builder.track("Anna"), 0, constant(2, 44100, 0.5f), 44100);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(DialogueBounce::bounce(builder.project(), out()), ChoraleError);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(readAll(out()), "the user's earlier export");
    EXPECT_EQ(QDir(root.scratch("")).entryList(QDir::Files | QDir::Hidden), QStringList{"mix.wav"})
            << "no temporary file is left behind";

    DialogueBounce::bounce(builder.project(), out());
    EXPECT_EQ(readAudio(out()).frames, 2 * 44100);
}

// Infinite or NaN samples in one clip are silence in the export; they neither scale the whole
// mix down to nothing nor turn into full-scale clicks.
TEST_F(DialogueBounceTest, NonFiniteSamplesInAClipAreSilence) {
    std::vector<float> damaged = constant(1, 44100, 0.25f);
    damaged[100] = std::numeric_limits<float>::infinity();
    damaged[200] = std::numeric_limits<float>::quiet_NaN();
    DialogueBuilder builder;
    builder.clip(builder.track("Anna"), 0, damaged, 44100);
    DialogueBounce::bounce(builder.project(), out());
    const std::vector<float> left = channel(readAudio(out()), 0);
    ASSERT_EQ(left.size(), 44100u);
    EXPECT_EQ(left[100], 0.0f);
    EXPECT_EQ(left[200], 0.0f);
    EXPECT_NEAR(left[300], 0.25f, lsb);
}
