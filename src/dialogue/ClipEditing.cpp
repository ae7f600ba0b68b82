// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/ClipEditing.h"

#include <algorithm>

namespace chorale::ClipEditing {

namespace {

// Replaces the stored clip with `dragStart.id` by `edit(dragStart)` in a copy of the dialogue.
template <typename Edit>
std::optional<DialogueProject> editClip(const DialogueProject &project,
                                        const DialogueClip &dragStart, Edit edit) {
    DialogueProject edited = project;
    const auto found = std::find_if(edited.clips.begin(), edited.clips.end(),
                                    [&](const DialogueClip &c) { return c.id == dragStart.id; });
    if (found == edited.clips.end())
        return std::nullopt;
    *found = edit(dragStart, edited);
    edited.refreshDuration();
    return edited;
}

} // namespace

std::optional<DialogueProject> move(const DialogueProject &project, const DialogueClip &dragStart,
                                    double delta, const QUuid &targetTrackId) {
    return editClip(project, dragStart, [&](DialogueClip clip, const DialogueProject &edited) {
        clip.startTime = std::max(0.0, dragStart.startTime + delta);
        clip.trackId = targetTrackId;
        return avoidingOverlap(clip, edited);
    });
}

std::optional<DialogueProject> trimStart(const DialogueProject &project,
                                         const DialogueClip &dragStart, double delta) {
    return editClip(project, dragStart, [&](const DialogueClip &clip, const DialogueProject &) {
        return trimmedStart(clip, delta);
    });
}

std::optional<DialogueProject> trimEnd(const DialogueProject &project,
                                       const DialogueClip &dragStart, double delta) {
    return editClip(project, dragStart, [&](const DialogueClip &clip, const DialogueProject &) {
        return trimmedEnd(clip, delta);
    });
}

DialogueClip trimmedStart(const DialogueClip &dragStart, double delta) {
    const double a = dragStart.trimStart;
    const double b = dragStart.trimEnd;
    // The outer max keeps the trim inside the source even when the source is shorter than the
    // minimum length (b − 0.08 would be negative).
    double newTrim = std::max(0.0, std::min(b - minimumClipLength, std::max(0.0, a + delta)));
    double newStart = dragStart.startTime + (newTrim - a);
    if (newStart < 0) {
        newTrim = std::max(0.0, std::min(b - minimumClipLength, std::max(0.0, newTrim - newStart)));
        newStart = 0;
    }
    DialogueClip clip = dragStart;
    clip.trimStart = newTrim;
    clip.startTime = newStart;
    return clip;
}

DialogueClip trimmedEnd(const DialogueClip &dragStart, double delta) {
    DialogueClip clip = dragStart;
    clip.trimEnd =
            std::min(dragStart.sourceDuration,
                     std::max(dragStart.trimStart + minimumClipLength, dragStart.trimEnd + delta));
    return clip;
}

DialogueClip avoidingOverlap(DialogueClip clip, const DialogueProject &project) {
    QList<DialogueClip> others;
    for (const DialogueClip &other : project.clips) {
        if (other.trackId == clip.trackId && other.id != clip.id)
            others << other;
    }
    std::stable_sort(others.begin(), others.end(),
                     [](const auto &x, const auto &y) { return x.startTime < y.startTime; });
    // The start only grows and a clip once passed cannot be hit again, so each other clip
    // causes at most one adjustment.
    for (qsizetype scan = 0; scan <= others.size(); ++scan) {
        bool moved = false;
        for (const DialogueClip &other : others) {
            if (clip.startTime < other.endTime() && other.startTime < clip.endTime()) {
                clip.startTime = other.endTime();
                moved = true;
                break;
            }
        }
        if (!moved)
            break;
    }
    clip.startTime = std::max(0.0, clip.startTime);
    return clip;
}

} // namespace chorale::ClipEditing
