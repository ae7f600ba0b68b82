// SPDX-License-Identifier: GPL-3.0-or-later
// Which parts of which clip files live playback and export schedule, and where in the mix.
#include "dialogue/MixSchedule.h"

#include "DialogueFixtures.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class MixScheduleTest : public ::testing::Test {
protected:
    TempDataRoot root;
};

const MixSegment *segmentOf(const std::vector<MixSegment> &segments, const QUuid &clipId) {
    for (const MixSegment &segment : segments) {
        if (segment.clipId == clipId)
            return &segment;
    }
    return nullptr;
}

} // namespace

TEST_F(MixScheduleTest, PlaybackStartsInsideClipsAndDelaysLaterOnes) {
    DialogueBuilder builder;
    const QUuid track = builder.track("Anna");
    // At 3 s, trims 1..5: from 4 s its source plays from 2 s for 3 s, at once.
    const DialogueClip running = builder.clip(track, 3, constant(6, 48000, 0.1f), 48000, 1, 1, 5);
    // At 6 s: starts 2 s after the start point.
    const DialogueClip later = builder.clip(track, 6, constant(1, 24000, 0.1f), 24000);
    // Over before 4 s.
    const DialogueClip over = builder.clip(track, 0, constant(2, 44100, 0.1f), 44100);

    const PlaybackSchedule schedule = MixSchedule::playback(builder.project(), 4);
    EXPECT_EQ(schedule.start, 4);
    EXPECT_EQ(schedule.duration, 7);
    ASSERT_EQ(schedule.segments.size(), 2);
    EXPECT_FALSE(segmentOf(schedule.segments, over.id));

    const MixSegment *a = segmentOf(schedule.segments, running.id);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->sourceStart, 2 * 48000);
    EXPECT_EQ(a->sourceFrames, 3 * 48000);
    EXPECT_EQ(a->outputStart, 0);
    EXPECT_EQ(a->sourceRate, 48000);

    const MixSegment *b = segmentOf(schedule.segments, later.id);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->sourceStart, 0);
    EXPECT_EQ(b->sourceFrames, 24000);
    EXPECT_EQ(b->outputStart, 2 * 44100);
}

TEST_F(MixScheduleTest, PlaybackLeavesOutWhatCannotOrNeedNotPlay) {
    DialogueBuilder builder;
    const QUuid track = builder.track("Anna");
    const DialogueClip missing = builder.missingClip(track, 0, 5);
    // 2 s trimmed to 0..1: from 0.992 only 8 ms would be left.
    const DialogueClip nearlyOver =
            builder.clip(track, 0, constant(2, 44100, 0.1f), 44100, 1, 0, 1);
    // Starts within 2 ms of the start point: plays at once.
    const DialogueClip soon = builder.clip(track, 0.993, constant(1, 44100, 0.1f), 44100);
    // Its trims claim more than the file holds: the count stops at the file's end.
    const DialogueClip shortFile =
            builder.clip(track, 1, constant(0.5, 44100, 0.1f), 44100, 1, 0.25, 3);
    builder.clip(track, 8, constant(2, 44100, 0.1f), 44100);
    const DialogueProject project = builder.project();

    const PlaybackSchedule schedule = MixSchedule::playback(project, 0.992);
    EXPECT_FALSE(segmentOf(schedule.segments, missing.id));
    EXPECT_FALSE(segmentOf(schedule.segments, nearlyOver.id));
    ASSERT_TRUE(segmentOf(schedule.segments, soon.id));
    EXPECT_EQ(segmentOf(schedule.segments, soon.id)->outputStart, 0);
    ASSERT_TRUE(segmentOf(schedule.segments, shortFile.id));
    EXPECT_EQ(segmentOf(schedule.segments, shortFile.id)->sourceFrames, 22050 - 11025);

    struct {
        double from, start;
        bool plays;
    } const cases[] = {{-3, 0, true}, {9.98, 9.98, true}, {9.995, 9.995, false}, {50, 10, false}};
    for (const auto &c : cases) {
        const PlaybackSchedule s = MixSchedule::playback(project, c.from);
        EXPECT_EQ(s.start, c.start) << c.from;
        EXPECT_EQ(!s.segments.empty(), c.plays) << c.from;
    }

    DialogueBuilder tiny;
    tiny.clip(tiny.track("Anna"), 0, constant(0.02, 44100, 0.1f), 44100);
    EXPECT_TRUE(MixSchedule::playback(tiny.project(), 0).segments.empty())
            << "a dialogue of 20 ms does not play";
}

TEST_F(MixScheduleTest, ExportSelectsAudibleClipsOfTheTrackAndRoundsToFrames) {
    DialogueBuilder builder(12);
    const QUuid anna = builder.track("Anna"), bob = builder.track("Bob");
    // Trims and start at fractions of a frame: rounded, not truncated.
    const DialogueClip a =
            builder.clip(anna, 1 + 0.7 / 44100, constant(3, 24000, 0.1f), 24000, 1, 0.6 / 24000, 2);
    const DialogueClip tooShort =
            builder.clip(anna, 4, constant(1, 44100, 0.1f), 44100, 1, 0.5, 0.505);
    const DialogueClip b = builder.clip(bob, 2, constant(1, 44100, 0.1f), 44100);
    const DialogueProject project = builder.project();

    int selected = 0;
    const std::vector<MixSegment> all = MixSchedule::bounce(project, std::nullopt, &selected);
    EXPECT_EQ(selected, 2);
    ASSERT_EQ(all.size(), 2);
    EXPECT_FALSE(segmentOf(all, tooShort.id));
    const MixSegment *sa = segmentOf(all, a.id);
    ASSERT_TRUE(sa);
    EXPECT_EQ(sa->sourceStart, 1);
    EXPECT_EQ(sa->sourceFrames, 48000 - 1);
    EXPECT_EQ(sa->outputStart, 44101);

    const std::vector<MixSegment> bobOnly = MixSchedule::bounce(project, bob, &selected);
    EXPECT_EQ(selected, 1);
    ASSERT_EQ(bobOnly.size(), 1);
    EXPECT_EQ(bobOnly[0].clipId, b.id);

    // Every export spans the whole dialogue, even a track that ends early.
    EXPECT_EQ(MixSchedule::bounceFrames(project, bob), 12 * 44100);
    EXPECT_EQ(MixSchedule::bounceFrames(project, std::nullopt), 12 * 44100);
    DialogueBuilder empty;
    EXPECT_EQ(MixSchedule::bounceFrames(empty.project(), std::nullopt), 2205);
}
