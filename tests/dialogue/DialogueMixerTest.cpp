// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer's playhead rules (no device needed: dialogues whose clips cannot play never open
// one) and the live stream's mix, pulled without a device and compared with the export.
#include "dialogue/DialogueMixer.h"

#include "DialogueFixtures.h"
#include "dialogue/DialogueBounce.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

using namespace chorale;
using namespace chorale::test;

namespace {

class DialogueMixerTest : public ::testing::Test {
protected:
    // A 10 s dialogue whose only clip file is missing: nothing can play, so the mixer's
    // decisions show in the playhead alone.
    DialogueProject silentDialogue() {
        DialogueBuilder builder;
        builder.missingClip(builder.track("Anna"), 0, 10);
        return builder.project();
    }

    // Pulls a stream render callback the way the output stream does, until it ends.
    static std::vector<float> pull(const AudioOutputStream::Render &render, qint64 block) {
        std::vector<float> all;
        std::vector<float> buffer(size_t(block * 2));
        for (;;) {
            const qint64 got = render(buffer.data(), block);
            all.insert(all.end(), buffer.begin(), buffer.begin() + got * 2);
            if (got < block)
                return all;
        }
    }

    TempDataRoot root;
    DialogueMixer mixer;
};

} // namespace

TEST_F(DialogueMixerTest, ToggleResumesFromThePlayheadUnlessItIsAtTheEnd) {
    const DialogueProject project = silentDialogue();
    struct {
        double playhead, from;
    } const cases[] = {{9.97, 0}, {9.9, 9.9}, {12, 0}, {0, 0}, {3.25, 3.25}};
    for (const auto &c : cases) {
        mixer.seek(c.playhead, project);
        mixer.toggle(project);
        EXPECT_EQ(mixer.currentTime(), c.from) << c.playhead;
        EXPECT_FALSE(mixer.isPlaying()) << "a dialogue whose files are missing does not start";
    }
}

TEST_F(DialogueMixerTest, StoppedSeekClampsOnlyBelowZero) {
    const DialogueProject project = silentDialogue();
    QSignalSpy moved(&mixer, &DialogueMixer::currentTimeChanged);
    mixer.seek(-3, project);
    EXPECT_EQ(mixer.currentTime(), 0);
    EXPECT_EQ(moved.count(), 0) << "the playhead did not really move";
    mixer.seek(500, project);
    EXPECT_EQ(mixer.currentTime(), 500);
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(DialogueMixerTest, PlayingAtTheEndParksThePlayheadThere) {
    const DialogueProject project = silentDialogue();
    for (const double from : {9.995, 10.0, 40.0}) {
        mixer.play(project, from);
        EXPECT_EQ(mixer.currentTime(), 10) << from;
        EXPECT_FALSE(mixer.isPlaying());
    }
    mixer.play(project, -2);
    EXPECT_EQ(mixer.currentTime(), 0);
}

TEST_F(DialogueMixerTest, LiveStreamMixEqualsTheExport) {
    // Clips at three rates, mono and stereo, overlapping across tracks, trimmed.
    DialogueBuilder builder;
    const QUuid anna = builder.track("Anna"), bob = builder.track("Bob");
    builder.clip(anna, 0.25, sine(2, 24000, 330, 0.3f), 24000, 1, 0.5, 1.75);
    builder.clip(anna, 1.75, sine(1.5, 44100, 440, 0.2f), 44100);
    std::vector<float> stereo(size_t(48000 * 2 * 2));
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        stereo[2 * i] = 0.25f * float(std::sin(0.05 * double(i)));
        stereo[2 * i + 1] = 0.15f * float(std::sin(0.031 * double(i)));
    }
    builder.clip(bob, 1, stereo, 48000, 2, 0.25, 1.5);
    const DialogueProject project = builder.project();
    DialogueBounce::bounce(project, root.scratch("mix.wav"));
    const std::vector<float> exported = readAudio(root.scratch("mix.wav")).samples;
    constexpr float lsb = 1.0f / 32768;

    // From the start, in the odd block sizes an audio thread may ask for: the whole export.
    for (const qint64 block : {333, 4096, 10000}) {
        const std::vector<float> live =
                pull(DialogueMixer::streamRender(MixSchedule::playback(project, 0)), block);
        ASSERT_EQ(live.size(), exported.size()) << "the stream ends with the dialogue";
        float worst = 0;
        for (size_t i = 0; i < live.size(); ++i)
            worst = std::max(worst, std::fabs(live[i] - exported[i]));
        EXPECT_LE(worst, 1.5f * lsb)
                << "only the export's 16-bit rounding differs; block " << block;
    }

    // From 1.75 s: Bob's clip joins mid-way (its resampler starts cold, so its first frames
    // are left out of the comparison) and Anna's second clip starts at once.
    const qint64 skip = qint64(1.75 * 44100);
    const std::vector<float> live =
            pull(DialogueMixer::streamRender(MixSchedule::playback(project, 1.75)), 1024);
    ASSERT_EQ(live.size(), exported.size() - size_t(skip) * 2);
    float worst = 0;
    for (size_t i = 2 * 1024; i < live.size(); ++i)
        worst = std::max(worst, std::fabs(live[i] - exported[size_t(skip) * 2 + i]));
    EXPECT_LE(worst, 1.5f * lsb);
}
