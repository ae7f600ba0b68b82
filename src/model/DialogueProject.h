// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace chorale {

// One lane of the timeline, normally one per character.
struct DialogueTrack {
    QUuid id;
    QString name;

    bool operator==(const DialogueTrack &) const = default;
};

// A piece of audio placed on a track; its file lives in the dialogue's own clips folder.
struct DialogueClip {
    QUuid id;
    QUuid trackId;
    double startTime = 0; // seconds from the start of the dialogue
    double trimStart = 0; // seconds into the source where the audible part begins
    double trimEnd = 0;   // seconds into the source where the audible part ends
    double sourceDuration = 0;
    QString characterName;
    std::optional<QUuid> sourceItemId;
    QString fileName;

    bool operator==(const DialogueClip &) const = default;

    double audibleLength() const { return std::max(trimEnd - trimStart, 0.0); }
    double endTime() const { return startTime + audibleLength(); }
};

// A dialogue arranged on a multi-track timeline.
struct DialogueProject {
    QUuid id;
    QString name;
    QDateTime createdAt;
    QDateTime updatedAt;
    double duration = 0; // end of the last clip
    QList<DialogueTrack> tracks;
    QList<DialogueClip> clips;

    bool operator==(const DialogueProject &) const = default;

    // Sets duration to the latest clip end (0 without clips).
    void refreshDuration();
    // dialogues/<id>/clips/<fileName> under the data root.
    QString audioURL(const DialogueClip &clip) const;
};

} // namespace chorale
