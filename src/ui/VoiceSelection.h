// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/VoiceCharacter.h"
#include "ui/PickerModel.h"

#include <QObject>
#include <QPointer>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace chorale {

class DataStore;

// The character and emotion chosen on the Record and Prompt screens, as their two pickers.
// The Character menu offers "Select a character" and then every character in store order; the
// Emotion menu offers the chosen character's emotions, or only "No emotions" (and is disabled)
// when there is no character or it has none. Whenever the character changes, the emotion stays
// if the new character has it, else becomes its first emotion, or none. Main thread.
class VoiceSelection : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(chorale::PickerModel *characters READ characters CONSTANT)
    Q_PROPERTY(chorale::PickerModel *emotions READ emotions CONSTANT)
    Q_PROPERTY(bool emotionsEnabled READ emotionsEnabled NOTIFY emotionsEnabledChanged)

public:
    static inline const QString noCharacterText = QStringLiteral("Select a character");
    static inline const QString noEmotionsText = QStringLiteral("No emotions");

    explicit VoiceSelection(QObject *parent = nullptr);

    // Follows the store's characters from now on.
    void setStore(DataStore *store);

    PickerModel *characters() { return &m_characters; }
    PickerModel *emotions() { return &m_emotions; }
    bool emotionsEnabled() const { return m_emotionsEnabled; }

    // Selects the store's first character when none is selected, then keeps the emotion in step.
    void selectFirstCharacterIfNone();
    void selectCharacter(const std::optional<QUuid> &id);
    void selectEmotion(const std::optional<QUuid> &id);

    std::optional<QUuid> characterID() const;
    std::optional<QUuid> emotionID() const;
    // The selected character as the store has it now.
    std::optional<VoiceCharacter> character() const;
    // The selected emotion of the selected character, if both exist.
    std::optional<CharacterEmotion> emotion() const;

    // The Emotion menu for a character: its emotions, or only "No emotions" (value empty).
    static QList<PickerModel::Option>
    emotionOptions(const std::optional<VoiceCharacter> &character);
    // The emotion chosen once `character` is chosen: `current` when the character has it, else
    // its first emotion, else none.
    static std::optional<QUuid> keptEmotion(const std::optional<VoiceCharacter> &character,
                                            const std::optional<QUuid> &current);

signals:
    void emotionsEnabledChanged();
    // The character or the emotion changed.
    void selectionChanged();

private:
    void charactersChanged();
    void syncEmotionSelection();

    QPointer<DataStore> m_store;
    PickerModel m_characters;
    PickerModel m_emotions;
    bool m_emotionsEnabled = false;
};

} // namespace chorale
