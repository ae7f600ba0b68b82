// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"

#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace chorale {

// The mix runs at one rate and channel layout, for playback and export alike.
inline constexpr int mixSampleRate = 44100;
inline constexpr int mixChannels = 2;

// One stretch of one clip file placed on the mix timeline: `sourceFrames` frames of the file
// from `sourceStart` (at the file's own rate) sound from mix frame `outputStart` on.
struct MixSegment {
    QUuid clipId;
    QString path;
    qint64 sourceStart = 0;
    qint64 sourceFrames = 0;
    int sourceRate = 0;
    int sourceChannels = 0;
    qint64 outputStart = 0;

    bool operator==(const MixSegment &) const = default;
};

// What a playback started at some dialogue time will play.
struct PlaybackSchedule {
    double start = 0;    // dialogue time of mix frame 0
    double duration = 0; // the dialogue's duration
    // The start point is at (or within 10 ms of) the end, or the dialogue is too short to
    // play: nothing is scheduled and the playhead belongs at the end.
    bool atEnd = false;
    std::vector<MixSegment> segments;
};

// Turning a dialogue into segments. Each clip file is opened only to read its rate and length;
// clips whose files cannot be opened are left out.
namespace MixSchedule {

// Live playback from dialogue time `from` (clamped to 0…duration): every clip still audible
// after that point, read from where the playhead is inside it (truncated to a frame) and
// delayed by its distance from the start point. Nothing is scheduled at or near the end.
PlaybackSchedule playback(const DialogueProject &project, double from);

// The export of the whole dialogue or of one track: the clips with more than 10 ms audible, each
// from its trim start for its audible length (both rounded to frames) at its start time rounded
// to the nearest mix frame. `selected` tells how many clips passed the selection, so that an
// export with nothing selected can be told apart from one whose files are all unreadable.
std::vector<MixSegment> bounce(const DialogueProject &project, const std::optional<QUuid> &trackId,
                               int *selected = nullptr);

// Mix frames of an export: the dialogue, its selected clips and at least 0.05 s, rounded up.
qint64 bounceFrames(const DialogueProject &project, const std::optional<QUuid> &trackId);

} // namespace MixSchedule
} // namespace chorale
