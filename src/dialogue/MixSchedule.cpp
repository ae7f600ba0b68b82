// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/MixSchedule.h"

#include "dialogue/SoundFile.h"

#include <algorithm>
#include <cmath>

namespace chorale::MixSchedule {

namespace {

// Clips with this much audible audio or less are not worth scheduling or exporting.
constexpr double shortestAudible = 0.01;
// Clips starting this close to the start point play at once.
constexpr double immediateDelay = 0.002;

bool selectedForBounce(const DialogueClip &clip, const std::optional<QUuid> &trackId) {
    return clip.trimEnd - clip.trimStart > shortestAudible &&
           (!trackId || clip.trackId == *trackId);
}

} // namespace

PlaybackSchedule playback(const DialogueProject &project, double from) {
    PlaybackSchedule schedule;
    schedule.duration = project.duration;
    schedule.start = std::min(std::max(project.duration, 0.0), std::max(from, 0.0));
    const double s = schedule.start;
    if (project.duration <= 0.02 || s >= project.duration - 0.01) {
        schedule.atEnd = true;
        return schedule;
    }

    for (const DialogueClip &clip : project.clips) {
        if (clip.endTime() <= s + 0.005)
            continue;
        const SoundFile file = SoundFile::open(project.audioURL(clip));
        if (!file)
            continue;
        const double offset = clip.trimStart + std::max(0.0, s - clip.startTime);
        const double remaining = clip.trimEnd - offset;
        if (remaining <= shortestAudible)
            continue;
        const double rate = file.sampleRate();
        const qint64 startFrame = qint64(offset * rate);
        if (startFrame >= file.frames())
            continue;
        const qint64 frameCount = std::min(qint64(remaining * rate), file.frames() - startFrame);
        if (frameCount <= 0)
            continue;
        const double delay = std::max(0.0, clip.startTime - s);
        schedule.segments.push_back({
                clip.id,
                project.audioURL(clip),
                startFrame,
                frameCount,
                file.sampleRate(),
                file.channels(),
                delay <= immediateDelay ? 0 : qint64(std::llround(delay * mixSampleRate)),
        });
    }
    return schedule;
}

std::vector<MixSegment> bounce(const DialogueProject &project, const std::optional<QUuid> &trackId,
                               int *selected) {
    std::vector<MixSegment> segments;
    int count = 0;
    for (const DialogueClip &clip : project.clips) {
        if (!selectedForBounce(clip, trackId))
            continue;
        ++count;
        const SoundFile file = SoundFile::open(project.audioURL(clip));
        if (!file || file.frames() <= 0)
            continue;
        const double rate = file.sampleRate();
        const qint64 total = file.frames();
        const qint64 first =
                std::min(total, std::max<qint64>(0, std::llround(rate * clip.trimStart)));
        const qint64 wanted = std::max<qint64>(
                std::llround(rate * std::max(0.0, clip.trimEnd - clip.trimStart)), 1);
        const qint64 frames = std::min(total - first, wanted);
        if (frames <= 0)
            continue;
        segments.push_back({
                clip.id,
                project.audioURL(clip),
                first,
                frames,
                file.sampleRate(),
                file.channels(),
                std::max<qint64>(0, std::llround(double(mixSampleRate) * clip.startTime)),
        });
    }
    if (selected)
        *selected = count;
    return segments;
}

qint64 bounceFrames(const DialogueProject &project, const std::optional<QUuid> &trackId) {
    double length = std::max(project.duration, 0.05);
    for (const DialogueClip &clip : project.clips) {
        if (selectedForBounce(clip, trackId))
            length = std::max(length, clip.endTime());
    }
    return std::max<qint64>(qint64(std::ceil(length * mixSampleRate)), 1);
}

} // namespace chorale::MixSchedule
