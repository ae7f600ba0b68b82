// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"

#include <QJsonObject>

// The --json form of the records: their stored JSON plus the absolute paths of their files, so a
// script can go straight to the audio.
namespace chorale::cli {

// With "path" on each emotion.
QJsonObject characterJson(const VoiceCharacter &character);
// With "displayTitle", "original" and "converted" (null while the take has no clone).
QJsonObject itemJson(const LibraryItem &item);
// With "folder", and "path" on each clip.
QJsonObject dialogueJson(const DialogueProject &project);

} // namespace chorale::cli
