// SPDX-License-Identifier: GPL-3.0-or-later
// The timeline: its geometry, and what its gestures report to the screen.
#include "ui/TimelineEditor.h"

#include "model/Identifiers.h"
#include "ui/TimelineGeometry.h"

#include <gtest/gtest.h>

using namespace chorale;
namespace Geo = chorale::TimelineGeometry;

namespace {

DialogueClip clip(const QUuid &track, double start, double length, double trimStart = 0,
                  std::optional<double> source = std::nullopt) {
    DialogueClip c;
    c.id = QUuid::createUuid();
    c.trackId = track;
    c.startTime = start;
    c.trimStart = trimStart;
    c.trimEnd = trimStart + length;
    c.sourceDuration = source.value_or(trimStart + length);
    c.characterName = "Anna";
    c.fileName = idText(c.id) + ".wav";
    return c;
}

// Three tracks; track 0 holds clips at 0–2 s and 3–4 s, track 1 one clip at 1–2.5 s (0.5–2 s
// of a 10 s source).
DialogueProject threeTracks() {
    DialogueProject p;
    p.id = QUuid::createUuid();
    p.name = "Scene";
    for (const char *name : {"Anna", "Bob", "Cleo"})
        p.tracks << DialogueTrack{QUuid::createUuid(), name};
    p.clips << clip(p.tracks[0].id, 0, 2) << clip(p.tracks[0].id, 3, 1)
            << clip(p.tracks[1].id, 1, 1.5, 0.5, 10);
    p.refreshDuration();
    return p;
}

} // namespace

TEST(TimelineGeometry, ContentWidthAndRulerFollowTheDuration) {
    struct Case {
        double duration;
        double pixelsPerSecond;
        double width;
        int lastTick;
    };
    for (const Case &c : {Case{3, 80, 960, 12}, Case{20, 80, 2080, 26}, Case{0, 40, 480, 12},
                          Case{6.5, 200, 2500, 13}}) {
        SCOPED_TRACE(c.duration);
        EXPECT_DOUBLE_EQ(Geo::contentWidth(c.duration, c.pixelsPerSecond), c.width);
        const auto ticks = Geo::rulerTicks(c.duration, c.pixelsPerSecond);
        ASSERT_EQ(ticks.size(), c.lastTick + 1);
        EXPECT_EQ(ticks.last().seconds, c.lastTick);
        EXPECT_DOUBLE_EQ(ticks.last().x, c.lastTick * c.pixelsPerSecond);
        EXPECT_TRUE(ticks[5].labelled);
        EXPECT_DOUBLE_EQ(ticks[5].top, 8);
        EXPECT_FALSE(ticks[4].labelled);
        EXPECT_DOUBLE_EQ(ticks[4].top, 16);
    }
    EXPECT_DOUBLE_EQ(Geo::totalHeight(3), 3 * 76 + 28);
}

TEST(TimelineGeometry, ClipBlocksHaveAMinimumWidth) {
    const DialogueClip shortClip = clip(QUuid::createUuid(), 1.5, 0.2);
    EXPECT_DOUBLE_EQ(Geo::clipWidth(shortClip, 40), 28);
    EXPECT_DOUBLE_EQ(Geo::clipWidth(shortClip, 200), 40);
    EXPECT_DOUBLE_EQ(Geo::clipX(shortClip, 40), 60);
    EXPECT_DOUBLE_EQ(Geo::clipY(2), 28 + 2 * 76 + 5);
}

TEST(TimelineGeometry, VerticalDragPicksTheLaneUnderTheCentre) {
    struct Case {
        int from;
        double dy;
        int to;
    };
    const Case cases[] = {
            {0, 37, 0},  {0, 38, 1},   {1, -38, 1}, {1, -38.5, 0},
            {0, 500, 2}, {2, -900, 0}, {0, -37, 0}, {1, 113.9, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " by " << c.dy);
        EXPECT_EQ(Geo::trackIndex(c.from, c.dy, 3), c.to);
    }
    EXPECT_EQ(Geo::trackIndex(0, 200, 0), 0);
}

TEST(TimelineGeometry, PeaksAreSlicedToTheAudiblePart) {
    QList<float> peaks;
    for (int i = 0; i < 10; ++i)
        peaks << float(i) / 10;
    struct Case {
        double trimStart, trimEnd, source;
        qsizetype first, count;
    };
    const Case cases[] = {
            {0, 4, 4, 0, 10},   // untrimmed: the whole list
            {1, 3, 4, 2, 5},    // 2.5 → 2 up to 7.5 → 7
            {0, 0.01, 4, 0, 1}, // at least one peak
            {3.99, 4, 4, 9, 1}, // the last one
            {4, 4, 4, 0, 0},    // from = n: nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.trimStart << ".." << c.trimEnd);
        DialogueClip cl =
                clip(QUuid::createUuid(), 0, c.trimEnd - c.trimStart, c.trimStart, c.source);
        EXPECT_EQ(Geo::slicedPeaks(peaks, cl), peaks.mid(c.first, c.count));
    }
    DialogueClip noSource = clip(QUuid::createUuid(), 0, 1);
    noSource.sourceDuration = 0;
    EXPECT_TRUE(Geo::slicedPeaks(peaks, noSource).isEmpty());
    EXPECT_TRUE(Geo::slicedPeaks({}, clip(QUuid::createUuid(), 0, 1)).isEmpty());
}

TEST(TimelineGeometry, WaveformBarsAndTrackColours) {
    EXPECT_TRUE(Geo::waveformBars({0.5f}, 100, 40).isEmpty());
    const auto bars = Geo::waveformBars({1.0f, 0.0f, 0.5f, 0.25f}, 100, 40);
    ASSERT_EQ(bars.size(), 4);
    EXPECT_EQ(bars[0], QRectF(0, 20 - 18, 18.75, 36));
    EXPECT_EQ(bars[1], QRectF(25, 19.5, 18.75, 1)); // never thinner than 1
    EXPECT_DOUBLE_EQ(bars[2].height(), 18);
    EXPECT_DOUBLE_EQ(Geo::waveformBars({1, 1}, 1, 10)[0].width(), 1);

    EXPECT_EQ(Geo::trackColor(0), QColor::fromHsvF(0.58f, 0.55f, 0.72f));
    EXPECT_EQ(Geo::trackColor(7), Geo::trackColor(1));
    EXPECT_EQ(Geo::trackColor(1), QColor::fromHsvF(0.08f, 0.55f, 0.72f));
}

namespace {

// The timeline with every callback recorded.
class TimelineEditorTest : public ::testing::Test {
protected:
    TimelineEditorTest() {
        TimelineEditor::Callbacks callbacks;
        callbacks.onSeek = [this](double t) { seeks << t; };
        callbacks.onBeginEdit = [this] { ++beginEdits; };
        callbacks.onChange = [this](const DialogueProject &p) {
            changes << p;
            project = p;
            timeline.setProject(p);
        };
        callbacks.onDeleteClip = [this](const DialogueClip &c) { deletedClips << c.id; };
        callbacks.onDeleteSelected = [this] { ++deleteSelected; };
        callbacks.onExportTrack = [this](const DialogueTrack &t) { exported << t.id; };
        timeline.setCallbacks(callbacks);
        timeline.setPixelsPerSecond(100);
        timeline.setProject(project);
    }

    QString id(int clipIndex) const { return idText(project.clips[clipIndex].id); }

    DialogueProject project = threeTracks();
    TimelineEditor timeline;
    QList<double> seeks;
    int beginEdits = 0;
    QList<DialogueProject> changes;
    QList<QUuid> deletedClips;
    int deleteSelected = 0;
    QList<QUuid> exported;
};

} // namespace

TEST_F(TimelineEditorTest, ShowsTracksClipsAndRuler) {
    EXPECT_DOUBLE_EQ(timeline.contentWidth(), 12 * 100);
    EXPECT_DOUBLE_EQ(timeline.totalHeight(), 3 * 76 + 28);
    EXPECT_EQ(timeline.rulerTicks().size(), 13);
    EXPECT_EQ(timeline.rulerTicks()[5].toMap()["label"].toString(), "0:05.0");
    ASSERT_EQ(timeline.tracks()->rowCount(), 3);
    ASSERT_EQ(timeline.clips()->rowCount(), 3);
    const QVariantMap third = timeline.clips()->get(2);
    EXPECT_EQ(third["trackIndex"].toInt(), 1);
    EXPECT_DOUBLE_EQ(third["clipX"].toDouble(), 100);
    EXPECT_DOUBLE_EQ(third["clipWidth"].toDouble(), 150);
    EXPECT_DOUBLE_EQ(third["clipY"].toDouble(), 28 + 76 + 5);

    // Peaks arrive: the block shows the part between its trims (0.5..2 of 10 s).
    QList<float> peaks;
    for (int i = 0; i < 20; ++i)
        peaks << float(i);
    timeline.setPeaks({{project.clips[2].id, peaks}});
    EXPECT_EQ(timeline.clips()->get(2)["peaks"].toList(), (QVariantList{1.0, 2.0, 3.0}));
}

TEST_F(TimelineEditorTest, SeekingIsSuppressedDuringGestures) {
    timeline.seek(250);
    timeline.seek(-20);
    EXPECT_EQ(seeks, (QList<double>{2.5, 0.0}));
    timeline.moveClip(id(0), 10, 0);
    timeline.seek(300);
    timeline.finishMove(id(0), 10, 0);
    timeline.trimClip(id(1), false, 5);
    timeline.seek(300);
    timeline.finishTrim();
    EXPECT_EQ(seeks.size(), 2);
    timeline.seek(300);
    EXPECT_EQ(seeks.size(), 3);
}

TEST_F(TimelineEditorTest, MoveShowsAPreviewAndCommitsOnRelease) {
    // Clip 2 (Bob, 1–2.5 s) dragged up by 38 points and 250 points right, onto Anna's track:
    // 3.5 s would overlap the clip at 3–4 s, so it slides to 4 s.
    timeline.moveClip(id(2), 100, -20);
    EXPECT_EQ(beginEdits, 1);
    EXPECT_TRUE(timeline.moving());
    EXPECT_EQ(timeline.selectedClipId(), id(2));
    EXPECT_EQ(timeline.hoverTrackIndex(), 1);
    timeline.moveClip(id(2), 250, -38.5);
    EXPECT_EQ(beginEdits, 1);
    EXPECT_EQ(timeline.hoverTrackIndex(), 0);
    EXPECT_TRUE(timeline.tracks()->get(0)["laneHighlighted"].toBool());
    EXPECT_DOUBLE_EQ(timeline.tracks()->get(0)["headerOpacity"].toDouble(), 0.22);
    const QVariantMap preview = timeline.movePreview();
    EXPECT_DOUBLE_EQ(preview["x"].toDouble(), 100 + 250);
    EXPECT_DOUBLE_EQ(preview["y"].toDouble(), 76 + 28 + 5 - 38.5);
    EXPECT_TRUE(timeline.clips()->get(2)["moving"].toBool());
    EXPECT_TRUE(changes.isEmpty());

    timeline.finishMove(id(2), 250, -38.5);
    ASSERT_EQ(changes.size(), 1);
    const DialogueClip moved = changes[0].clips[2];
    EXPECT_EQ(moved.trackId, project.tracks[0].id);
    EXPECT_DOUBLE_EQ(moved.startTime, 4);
    EXPECT_DOUBLE_EQ(changes[0].duration, 5.5);
    EXPECT_FALSE(timeline.moving());
    EXPECT_TRUE(timeline.movePreview().isEmpty());
    EXPECT_EQ(timeline.hoverTrackIndex(), -1);
}

TEST_F(TimelineEditorTest, DroppingBeforeZeroOrInPlace) {
    // Far left: starts at 0, then clear of the clip at 0–2 s on the same track.
    timeline.moveClip(id(1), -1000, 0);
    timeline.finishMove(id(1), -1000, 0);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_DOUBLE_EQ(changes[0].clips[1].startTime, 2);

    // Released where it started: same place, refreshed duration.
    timeline.moveClip(id(2), 3, 0);
    timeline.finishMove(id(2), 0, 0);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[1].clips[2], project.clips[2]);
}

TEST_F(TimelineEditorTest, TrimShowsADraftAndCommitsOnlyOnRelease) {
    const DialogueClip before = project.clips[2]; // start 1, trims 0.5..2, source 10
    timeline.trimClip(id(2), true, -100);         // 1 s earlier
    timeline.trimClip(id(2), true, -80);
    EXPECT_EQ(beginEdits, 1);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(timeline.selectedClipId(), id(2));
    // The draft is on screen: the block starts 0.5 s earlier (the trim stops at 0).
    const auto shown = timeline.shown();
    ASSERT_TRUE(shown);
    EXPECT_DOUBLE_EQ(shown->clips[2].trimStart, 0);
    EXPECT_DOUBLE_EQ(shown->clips[2].startTime, 0.5);
    EXPECT_DOUBLE_EQ(timeline.clips()->get(2)["clipX"].toDouble(), 50);

    timeline.finishTrim();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_DOUBLE_EQ(changes[0].clips[2].trimStart, 0);
    EXPECT_DOUBLE_EQ(changes[0].clips[2].trimEnd, before.trimEnd);

    // The end: past the source it stops at the source's length; the content follows.
    timeline.trimClip(id(2), false, 10000);
    EXPECT_DOUBLE_EQ(timeline.shown()->clips[2].trimEnd, 10);
    EXPECT_DOUBLE_EQ(timeline.contentWidth(), (0.5 + 10 + 6) * 100);
    timeline.finishTrim();
    EXPECT_EQ(changes.size(), 2);
    EXPECT_EQ(beginEdits, 2);
}

TEST_F(TimelineEditorTest, AnotherDialogueDropsTheGesture) {
    timeline.trimClip(id(0), false, -50);
    timeline.moveClip(id(1), 40, 0);
    DialogueProject other = threeTracks();
    timeline.setProject(other);
    EXPECT_FALSE(timeline.moving());
    EXPECT_FALSE(timeline.trimming());
    EXPECT_EQ(timeline.shown(), std::optional(other));
    timeline.finishTrim();
    EXPECT_TRUE(changes.isEmpty());
    // A release for a clip that is not in the shown dialogue changes nothing.
    timeline.finishMove(id(1), 40, 0);
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(TimelineEditorTest, DeleteKeyAndExportEnabling) {
    EXPECT_FALSE(timeline.deletePressed());
    EXPECT_EQ(deleteSelected, 0);
    timeline.selectClip(id(1));
    EXPECT_TRUE(timeline.deletePressed());
    EXPECT_EQ(deleteSelected, 1);
    timeline.deleteClip(id(0));
    EXPECT_EQ(deletedClips, QList<QUuid>{project.clips[0].id});

    // Cleo has no clips; Bob's only clip is trimmed to 10 ms.
    project.clips[2].trimStart = 0;
    project.clips[2].trimEnd = 0.01;
    timeline.setProject(project);
    const auto track = [&](int i) { return timeline.tracks()->get(i); };
    EXPECT_TRUE(track(0)["exportEnabled"].toBool());
    EXPECT_EQ(track(0)["exportTip"].toString(), "Export Anna as WAV");
    EXPECT_EQ(track(0)["exportMenuText"].toString(), "Export Anna…");
    for (int i : {1, 2}) {
        EXPECT_FALSE(track(i)["exportEnabled"].toBool());
        EXPECT_EQ(track(i)["exportTip"].toString(), "No clips on this track");
    }
    timeline.exportTrack(idText(project.tracks[1].id));
    timeline.exportTrack(idText(project.tracks[0].id));
    EXPECT_EQ(exported, QList<QUuid>{project.tracks[0].id});

    // While an export runs nothing can be exported; the tooltip stays.
    timeline.setExportEnabled(false);
    EXPECT_FALSE(track(0)["exportEnabled"].toBool());
    EXPECT_EQ(track(0)["exportTip"].toString(), "Export Anna as WAV");
    timeline.exportTrack(idText(project.tracks[0].id));
    EXPECT_EQ(exported.size(), 1);
}
