// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>

#include <optional>

// The JSON form of the stored records. Writing gives pretty-printed UTF-8 with sorted keys,
// upper-case UUIDs and whole-second UTC dates ("2025-01-31T09:15:02Z"); absent optional fields
// are left out. Reading is strict: a record with a missing or mistyped required key, a date with
// a fraction of a second or without a zone, or an unsafe file name does not decode at all.
namespace chorale::RecordJson {

QJsonObject toJson(const CharacterEmotion &emotion);
QJsonObject toJson(const VoiceCharacter &character);
QJsonObject toJson(const LibraryItem &item);
QJsonObject toJson(const DialogueTrack &track);
QJsonObject toJson(const DialogueClip &clip);
QJsonObject toJson(const DialogueProject &project);

std::optional<CharacterEmotion> emotionFromJson(const QJsonObject &object);
std::optional<VoiceCharacter> characterFromJson(const QJsonObject &object);
std::optional<LibraryItem> itemFromJson(const QJsonObject &object);
std::optional<DialogueTrack> trackFromJson(const QJsonObject &object);
std::optional<DialogueClip> clipFromJson(const QJsonObject &object);
std::optional<DialogueProject> projectFromJson(const QJsonObject &object);

// Whole file bytes, as written to meta.json.
template <typename Record>
QByteArray encode(const Record &record);

// Decodes a whole meta.json; nothing when the bytes are not a JSON object or the record breaks
// a reading rule.
template <typename Record>
std::optional<Record> decode(const QByteArray &bytes);

QString writeDate(const QDateTime &date);
// The current instant as records store it (whole seconds, UTC), so that a record in memory
// equals the same record read back from disk.
QDateTime currentDate();
std::optional<QDateTime> readDate(const QString &text);

} // namespace chorale::RecordJson
