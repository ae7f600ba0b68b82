// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"

#include <QUuid>

#include <optional>

// The rules by which the timeline moves and trims clips. Pure functions on dialogue values: each
// edit takes the clip as it was when the drag began plus the drag's offset in seconds, works on
// a copy of the dialogue and returns it with a refreshed duration, ready for
// DataStore::updateDialogue. An edit of a clip that is no longer in the dialogue gives nothing.
namespace chorale::ClipEditing {

// The shortest audible part a trim leaves (for sources at least that long).
inline constexpr double minimumClipLength = 0.08;

// Moves the clip by `delta` seconds (never before 0) onto the track `targetTrackId`, then slides
// it right until it no longer overlaps a clip of that track. Trims are unchanged.
std::optional<DialogueProject> move(const DialogueProject &project, const DialogueClip &dragStart,
                                    double delta, const QUuid &targetTrackId);

// Moves the start of the audible part by `delta` seconds while the rest of the clip stays where
// it was on the timeline.
std::optional<DialogueProject> trimStart(const DialogueProject &project,
                                         const DialogueClip &dragStart, double delta);

// Moves the end of the audible part by `delta` seconds, within the source.
std::optional<DialogueProject> trimEnd(const DialogueProject &project,
                                       const DialogueClip &dragStart, double delta);

// The clip-level halves of the trims (no dialogue needed).
DialogueClip trimmedStart(const DialogueClip &dragStart, double delta);
DialogueClip trimmedEnd(const DialogueClip &dragStart, double delta);

// The clip placed at the earliest start at or after its own where it overlaps no other clip of
// its track in `project` (clips with the same id are ignored).
DialogueClip avoidingOverlap(DialogueClip clip, const DialogueProject &project);

} // namespace chorale::ClipEditing
