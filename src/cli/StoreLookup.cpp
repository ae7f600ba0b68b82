// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StoreLookup.h"

#include "model/ChoraleError.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

namespace chorale::cli {

namespace {
template <typename Record>
const Record *findByNameOrId(const QList<Record> &records, const QString &nameOrId) {
    const auto id = parseId(nameOrId);
    for (const Record &r : records) {
        if ((id && r.id == *id) || r.name == nameOrId)
            return &r;
    }
    for (const Record &r : records) {
        if (r.name.compare(nameOrId, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}
} // namespace

VoiceCharacter findCharacter(const DataStore &store, const QString &nameOrId) {
    if (const auto *c = findByNameOrId(store.characters(), nameOrId))
        return *c;
    throw ChoraleError::platform(QStringLiteral("No character named “%1”.").arg(nameOrId));
}

CharacterEmotion findEmotion(const VoiceCharacter &character, const QString &nameOrId) {
    if (const auto *e = findByNameOrId(character.emotions, nameOrId))
        return *e;
    throw ChoraleError::platform(
            QStringLiteral("%1 has no emotion named “%2”.").arg(character.name, nameOrId));
}

LibraryItem findItem(const DataStore &store, const QString &id) {
    const auto parsed = parseId(id);
    if (parsed) {
        if (auto item = store.item(*parsed))
            return *item;
    }
    throw ChoraleError::platform(QStringLiteral("No take with id %1.").arg(id));
}

DialogueProject findDialogue(const DataStore &store, const QString &nameOrId) {
    if (const auto *d = findByNameOrId(store.dialogues(), nameOrId))
        return *d;
    throw ChoraleError::platform(QStringLiteral("No dialogue named “%1”.").arg(nameOrId));
}

} // namespace chorale::cli
