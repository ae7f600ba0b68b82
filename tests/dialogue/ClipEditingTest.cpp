// SPDX-License-Identifier: GPL-3.0-or-later
// The timeline's move and trim rules: where a dropped clip lands among its neighbours, and how
// far trims may go.
#include "dialogue/ClipEditing.h"

#include <gtest/gtest.h>

using namespace chorale;

namespace {

DialogueClip makeClip(const QUuid &track, double start, double trimStart, double trimEnd,
                      double source) {
    return {QUuid::createUuid(), track, start, trimStart, trimEnd, source, "Anna", {}, "c.wav"};
}

DialogueProject makeProject(const QList<DialogueClip> &clips, const QList<DialogueTrack> &tracks) {
    DialogueProject project;
    project.id = QUuid::createUuid();
    project.tracks = tracks;
    project.clips = clips;
    project.refreshDuration();
    return project;
}

const DialogueClip &clipById(const DialogueProject &project, const QUuid &id) {
    for (const DialogueClip &clip : project.clips) {
        if (clip.id == id)
            return clip;
    }
    throw std::logic_error("clip not found");
}

struct MoveCase {
    const char *name;
    double from;   // start of the moved clip on its own track
    double length; // audible length of the moved clip
    double delta;
    bool otherTrack; // dropped onto the occupied track
    double expected;
};

class MoveTest : public ::testing::TestWithParam<MoveCase> {};

} // namespace

// The target track holds clips at 0–2 s and 3–4 s (listed out of order, to show the scan
// sorts them).
TEST_P(MoveTest, LandsOnTheEarliestFreeTimeAtOrAfterTheDrop) {
    const MoveCase &c = GetParam();
    const DialogueTrack a{QUuid::createUuid(), "A"}, b{QUuid::createUuid(), "B"};
    const DialogueClip late = makeClip(b.id, 3, 0, 1, 1);
    const DialogueClip early = makeClip(b.id, 0, 0.5, 2.5, 3);
    const DialogueClip moved = makeClip(c.otherTrack ? a.id : b.id, c.from, 1, 1 + c.length, 10);
    const DialogueProject project = makeProject({late, moved, early}, {a, b});

    const auto result = ClipEditing::move(project, moved, c.delta, b.id);
    ASSERT_TRUE(result);
    const DialogueClip &placed = clipById(*result, moved.id);
    EXPECT_NEAR(placed.startTime, c.expected, 1e-9);
    EXPECT_EQ(placed.trackId, b.id);
    EXPECT_EQ(placed.trimStart, moved.trimStart);
    EXPECT_EQ(placed.trimEnd, moved.trimEnd);
    EXPECT_NEAR(result->duration, std::max(4.0, placed.endTime()), 1e-9);
    EXPECT_EQ(result->clips.size(), 3);
}

INSTANTIATE_TEST_SUITE_P(
        Rules, MoveTest,
        ::testing::Values(MoveCase{"slidesPastBothNeighbours", 0.5, 1.5, 0.5, true, 4},
                          MoveCase{"fitsInTheGap", 0.5, 0.8, 0.5, true, 2},
                          MoveCase{"freeTimeKeepsTheDrop", 0.5, 1, 4.5, true, 5},
                          MoveCase{"neverBeforeZero", 1, 0.5, -5, true, 2},
                          MoveCase{"exactFitTouchesBoth", 6, 1, -4, true, 2},
                          MoveCase{"ownOldPlaceIsNoObstacle", 5, 1, 0.5, false, 5.5}),
        [](const auto &param) { return std::string(param.param.name); });

TEST(ClipEditingTest, EditsOfAVanishedClipGiveNothing) {
    const DialogueProject project = makeProject({}, {});
    const DialogueClip gone = makeClip(QUuid::createUuid(), 1, 0, 1, 1);
    EXPECT_FALSE(ClipEditing::move(project, gone, 1, gone.trackId));
    EXPECT_FALSE(ClipEditing::trimStart(project, gone, 1));
    EXPECT_FALSE(ClipEditing::trimEnd(project, gone, 1));
}

namespace {

struct TrimCase {
    const char *name;
    bool start; // trim start (else trim end)
    double delta;
    double expectedStart, expectedTrimStart, expectedTrimEnd;
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

} // namespace

// The clip starts at 1 s and plays 2..5 s of a 6 s source.
TEST_P(TrimTest, StaysWithinTheSourceAndKeepsTheAudioInPlace) {
    const TrimCase &c = GetParam();
    const DialogueClip clip = makeClip(QUuid::createUuid(), 1, 2, 5, 6);
    const DialogueProject project = makeProject({clip}, {});
    const auto result = c.start ? ClipEditing::trimStart(project, clip, c.delta)
                                : ClipEditing::trimEnd(project, clip, c.delta);
    ASSERT_TRUE(result);
    const DialogueClip &trimmed = result->clips[0];
    EXPECT_NEAR(trimmed.startTime, c.expectedStart, 1e-9);
    EXPECT_NEAR(trimmed.trimStart, c.expectedTrimStart, 1e-9);
    EXPECT_NEAR(trimmed.trimEnd, c.expectedTrimEnd, 1e-9);
    EXPECT_NEAR(result->duration, trimmed.endTime(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
        Rules, TrimTest,
        ::testing::Values(TrimCase{"startLater", true, 1, 2, 3, 5},
                          TrimCase{"startEarlier", true, -1, 0, 1, 5},
                          TrimCase{"startStopsAtTimelineZero", true, -3, 0, 1, 5},
                          TrimCase{"startHalfEarlier", true, -0.5, 0.5, 1.5, 5},
                          TrimCase{"startStopsShortOfTheEnd", true, 10, 3.92, 4.92, 5},
                          TrimCase{"endStopsAtSourceEnd", false, 3, 1, 2, 6},
                          TrimCase{"endStopsShortOfTheStart", false, -10, 1, 2, 2.08},
                          TrimCase{"endEarlier", false, -1, 1, 2, 4}),
        [](const auto &param) { return std::string(param.param.name); });

TEST(ClipEditingTest, TrimsOfATinySourceStayInsideIt) {
    // A 50 ms source is shorter than the minimum length: the trims still never leave it.
    const DialogueClip tiny = makeClip(QUuid::createUuid(), 1, 0, 0.05, 0.05);
    const DialogueClip start = ClipEditing::trimmedStart(tiny, 0.04);
    EXPECT_EQ(start.trimStart, 0);
    EXPECT_EQ(start.startTime, 1);
    const DialogueClip end = ClipEditing::trimmedEnd(tiny, -0.04);
    EXPECT_NEAR(end.trimEnd, 0.05, 1e-12);
}

TEST(ClipEditingTest, AvoidingOverlapIgnoresOtherTracksAndTheClipItself) {
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
    DialogueClip clip = makeClip(a, 1, 0, 2, 2);
    const DialogueProject project = makeProject(
            {clip, makeClip(b, 0, 0, 5, 5), makeClip(a, 2.5, 0, 1, 1), makeClip(a, 3.5, 0, 3, 3)},
            {});
    EXPECT_NEAR(ClipEditing::avoidingOverlap(clip, project).startTime, 6.5, 1e-9);
    clip.startTime = 0.5; // ends exactly where the next one starts: no overlap
    EXPECT_NEAR(ClipEditing::avoidingOverlap(clip, project).startTime, 0.5, 1e-9);
}
