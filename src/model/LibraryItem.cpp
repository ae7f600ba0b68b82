// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/LibraryItem.h"

#include "model/DataPaths.h"

#include <QFileInfo>

namespace chorale {

bool LibraryItem::hasConverted() const {
    return QFileInfo::exists(DataPaths::convertedFile(id));
}

QString LibraryItem::voiceLabel() const {
    if (emotionName && !emotionName->trimmed().isEmpty())
        return characterName + QStringLiteral("  ·  ") + *emotionName;
    return characterName;
}

QString LibraryItem::displayTitle() const {
    if (title) {
        const QString trimmed = title->trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return voiceLabel();
}

bool LibraryItem::needsTitle() const {
    return !title || title->trimmed().isEmpty();
}

} // namespace chorale
