// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace chorale {

// One named reference clip of a character, stored as characters/<character id>/<fileName>.
struct CharacterEmotion {
    QUuid id;
    QString name;
    double duration = 0;
    QDateTime createdAt;
    QString fileName;

    bool operator==(const CharacterEmotion &) const = default;
};

// A voice the user can clone into: a name and one or more emotion clips.
struct VoiceCharacter {
    QUuid id;
    QString name;
    QDateTime createdAt;
    double duration = 0; // length of the longest emotion clip
    QList<CharacterEmotion> emotions;

    bool operator==(const VoiceCharacter &) const = default;

    // The emotion with `id` when given and present, else the first one (a stored choice may be
    // stale); nothing when the character has no emotions.
    std::optional<CharacterEmotion> emotion(const std::optional<QUuid> &id) const;

    // Non-empty emotion names joined by " · ", or the formatted duration when there are none.
    QString emotionSummary() const;
};

} // namespace chorale
