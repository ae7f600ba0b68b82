// SPDX-License-Identifier: GPL-3.0-or-later
// Live dialogue playback on the real output device (the null sink of scripts/with-audio): the
// playhead runs, stops exactly at the end, and survives stops, resumes and seeks.
#include "../audio/LiveAudio.h"
#include "DialogueFixtures.h"
#include "dialogue/DialogueMixer.h"
#include "support/TestData.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class DialogueMixerLiveTest : public ::testing::Test {
protected:
    DialogueProject dialogue(double seconds) {
        DialogueBuilder builder;
        const QUuid anna = builder.track("Anna"), bob = builder.track("Bob");
        builder.clip(anna, 0, sine(seconds / 2, 24000, 330, 0.3f), 24000);
        builder.clip(bob, seconds / 2, sine(seconds / 2, 48000, 440, 0.3f), 48000);
        return builder.project();
    }

    TempDataRoot root;
    DialogueMixer mixer;
};

} // namespace

TEST_F(DialogueMixerLiveTest, PlaysToTheEndAndParksThePlayheadThere) {
    CHORALE_REQUIRE_AUDIO(false);
    const DialogueProject project = dialogue(0.8);
    QSignalSpy playing(&mixer, &DialogueMixer::isPlayingChanged);
    mixer.play(project, 0);
    ASSERT_TRUE(mixer.isPlaying());
    EXPECT_TRUE(waitUntil([&] { return mixer.currentTime() > 0.2; }, 3000));
    EXPECT_TRUE(mixer.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return !mixer.isPlaying(); }, 5000));
    EXPECT_EQ(mixer.currentTime(), project.duration);
    EXPECT_EQ(playing.count(), 2);

    mixer.toggle(project); // at the end: starts over
    EXPECT_TRUE(mixer.isPlaying());
    EXPECT_LT(mixer.currentTime(), 0.2);
    mixer.stopEngine();
}

TEST_F(DialogueMixerLiveTest, StopsResumesAndSeeksWithoutLosingThePlayhead) {
    CHORALE_REQUIRE_AUDIO(false);
    const DialogueProject project = dialogue(6);
    mixer.play(project, 1);
    ASSERT_TRUE(mixer.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return mixer.currentTime() > 1.2; }, 3000));

    mixer.toggle(project);
    EXPECT_FALSE(mixer.isPlaying());
    const double stoppedAt = mixer.currentTime();
    EXPECT_GT(stoppedAt, 1.2);
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(mixer.currentTime(), stoppedAt) << "the playhead rests while stopped";

    mixer.toggle(project);
    EXPECT_TRUE(mixer.isPlaying());
    EXPECT_EQ(mixer.currentTime(), stoppedAt);

    mixer.seek(4.5, project);
    EXPECT_TRUE(mixer.isPlaying());
    EXPECT_EQ(mixer.currentTime(), 4.5);
    EXPECT_TRUE(waitUntil([&] { return mixer.currentTime() > 4.6; }, 3000));

    mixer.stopEngine();
    EXPECT_FALSE(mixer.isPlaying());
    EXPECT_GT(mixer.currentTime(), 4.6);
}
