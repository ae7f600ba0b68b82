// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"

#include <QString>

namespace chorale {
class DataStore;
}

// Finding records by what a user types: an id, or a name (exact first, then ignoring case).
namespace chorale::cli {

VoiceCharacter findCharacter(const DataStore &store, const QString &nameOrId);
CharacterEmotion findEmotion(const VoiceCharacter &character, const QString &nameOrId);
LibraryItem findItem(const DataStore &store, const QString &id);
DialogueProject findDialogue(const DataStore &store, const QString &nameOrId);

} // namespace chorale::cli
