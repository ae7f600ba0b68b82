// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VoiceSelection.h"

#include "model/Identifiers.h"
#include "store/DataStore.h"

namespace chorale {

VoiceSelection::VoiceSelection(QObject *parent)
    : QObject(parent) {
    connect(&m_characters, &PickerModel::currentValueChanged, this, [this] {
        syncEmotionSelection();
        emit selectionChanged();
    });
    connect(&m_emotions, &PickerModel::currentValueChanged, this,
            &VoiceSelection::selectionChanged);
    charactersChanged();
}

void VoiceSelection::setStore(DataStore *store) {
    if (m_store == store)
        return;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_store = store;
    if (m_store)
        connect(m_store, &DataStore::charactersChanged, this, &VoiceSelection::charactersChanged);
    charactersChanged();
}

void VoiceSelection::selectFirstCharacterIfNone() {
    if (!characterID() && m_store && !m_store->characters().isEmpty())
        m_characters.setCurrentValue(idText(m_store->characters().first().id));
    syncEmotionSelection();
}

void VoiceSelection::selectCharacter(const std::optional<QUuid> &id) {
    m_characters.setCurrentValue(id ? idText(*id) : QString());
}

void VoiceSelection::selectEmotion(const std::optional<QUuid> &id) {
    m_emotions.setCurrentValue(id ? idText(*id) : QString());
}

std::optional<QUuid> VoiceSelection::characterID() const {
    return parseId(m_characters.currentValue());
}

std::optional<QUuid> VoiceSelection::emotionID() const {
    return parseId(m_emotions.currentValue());
}

std::optional<VoiceCharacter> VoiceSelection::character() const {
    return m_store ? m_store->character(characterID()) : std::nullopt;
}

std::optional<CharacterEmotion> VoiceSelection::emotion() const {
    const auto character = this->character();
    const auto id = emotionID();
    if (!character || !id)
        return std::nullopt;
    for (const CharacterEmotion &emotion : character->emotions) {
        if (emotion.id == *id)
            return emotion;
    }
    return std::nullopt;
}

void VoiceSelection::charactersChanged() {
    QList<PickerModel::Option> options{{QString(), noCharacterText}};
    if (m_store) {
        for (const VoiceCharacter &c : m_store->characters())
            options.append({idText(c.id), c.name});
    }
    m_characters.setOptions(options);
    // A character that went away (or a store that has just loaded) leaves the first one chosen.
    if (!character())
        m_characters.setCurrentValue(QString());
    selectFirstCharacterIfNone();
}

QList<PickerModel::Option>
VoiceSelection::emotionOptions(const std::optional<VoiceCharacter> &character) {
    QList<PickerModel::Option> options;
    if (character) {
        for (const CharacterEmotion &e : character->emotions)
            options.append({idText(e.id), e.name});
    }
    if (options.isEmpty())
        options.append({QString(), noEmotionsText});
    return options;
}

std::optional<QUuid> VoiceSelection::keptEmotion(const std::optional<VoiceCharacter> &character,
                                                 const std::optional<QUuid> &current) {
    if (!character || character->emotions.isEmpty())
        return std::nullopt;
    for (const CharacterEmotion &e : character->emotions) {
        if (current && e.id == *current)
            return e.id;
    }
    return character->emotions.first().id;
}

void VoiceSelection::syncEmotionSelection() {
    const auto character = this->character();
    m_emotions.setOptions(emotionOptions(character));
    const auto emotion = keptEmotion(character, emotionID());
    m_emotions.setCurrentValue(emotion ? idText(*emotion) : QString());
    const bool enabled = character && !character->emotions.isEmpty();
    if (enabled != m_emotionsEnabled) {
        m_emotionsEnabled = enabled;
        emit emotionsEnabledChanged();
    }
}

} // namespace chorale
