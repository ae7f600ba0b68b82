// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/VoiceCharacter.h"

#include "model/Formatters.h"

#include <QStringList>

namespace chorale {

std::optional<CharacterEmotion> VoiceCharacter::emotion(const std::optional<QUuid> &id) const {
    if (id) {
        for (const auto &e : emotions) {
            if (e.id == *id)
                return e;
        }
    }
    if (emotions.isEmpty())
        return std::nullopt;
    return emotions.first();
}

QString VoiceCharacter::emotionSummary() const {
    QStringList names;
    for (const auto &e : emotions) {
        if (!e.name.isEmpty())
            names << e.name;
    }
    if (names.isEmpty())
        return Formatters::duration(duration);
    return names.join(QStringLiteral(" · "));
}

} // namespace chorale
