// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace chorale {

// One take (recorded or spoken from a prompt) with its optional clone; stored in
// library/<id>/ as meta.json, original.wav and, once cloned, converted.wav.
struct LibraryItem {
    // Takes spoken from a typed prompt carry this device name.
    static inline const QString promptDevice = QStringLiteral("Prompt");
    static inline const QString unassignedCharacter = QStringLiteral("Unassigned");

    QUuid id;
    QDateTime createdAt;
    double duration = 0;
    std::optional<QUuid> characterId;
    QString characterName;
    std::optional<QUuid> emotionId;
    std::optional<QString> emotionName;
    QString sourceDevice;
    std::optional<QDateTime> convertedAt;
    std::optional<QString> title;

    bool operator==(const LibraryItem &) const = default;

    // Whether converted.wav exists in the item's folder (asks the file system every time).
    bool hasConverted() const;
    // Character name, plus "  ·  " and the emotion name when there is one.
    QString voiceLabel() const;
    // The trimmed title, or the voice label when there is none.
    QString displayTitle() const;
    // True while the take has no usable title; the recording namer names exactly these.
    bool needsTitle() const;
    bool isPrompt() const { return sourceDevice == promptDevice; }
};

} // namespace chorale
