// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PromptViewModel.h"

#include "app/ChoraleApp.h"
#include "clone/PromptGeneration.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "ui/PickerOptions.h"

namespace chorale {

PromptViewModel::PromptViewModel(QObject *parent)
    : QObject(parent) {
    m_languages.setOptions(PickerOptions::voiceLanguages());
    m_effects.setOptions(PickerOptions::cloneEffects());
    m_languages.setCurrentValue(rawValue(ClonePreferences::voiceLanguage()));
    m_effects.setCurrentValue(rawValue(CloneEffect::none));
    connect(&m_languages, &PickerModel::currentValueChanged, this,
            [this] { ClonePreferences::setVoiceLanguage(voiceLanguage()); });
    connect(&m_voice, &VoiceSelection::selectionChanged, this, [this] {
        m_recentTakes.setFallbackCharacterID(m_voice.characterID());
        refreshCanGenerate();
    });
}

void PromptViewModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app) {
        disconnect(m_app->cloneQueue(), nullptr, this, nullptr);
        disconnect(m_app->engine(), nullptr, this, nullptr);
        disconnect(m_app->navigation(), nullptr, this, nullptr);
    }
    m_app = app;
    m_voice.setStore(app ? app->store() : nullptr);
    m_recentTakes.setApp(app);
    if (m_app) {
        connect(m_app->cloneQueue(), &CloneQueueController::errorMessageChanged, this,
                &PromptViewModel::alertMessageChanged);
        connect(m_app->engine(), &EngineController::convertMessageChanged, this,
                &PromptViewModel::workingMessageChanged);
        connect(m_app->navigation(), &AppNavigation::sectionChanged, this, [this] {
            if (m_app->navigation()->section() == AppSection::prompt)
                appeared();
        });
        appeared();
    }
    emit appChanged();
    emit alertMessageChanged();
}

void PromptViewModel::appeared() {
    m_voice.selectFirstCharacterIfNone();
    // The Record screen may have changed the shared language meanwhile.
    m_languages.setCurrentValue(rawValue(ClonePreferences::voiceLanguage()));
}

void PromptViewModel::setPrompt(const QString &prompt) {
    if (prompt == m_prompt)
        return;
    m_prompt = prompt;
    emit promptChanged();
    refreshCanGenerate();
}

bool PromptViewModel::canGenerate() const {
    return m_canGenerate;
}

QString PromptViewModel::workingMessage() const {
    const QString message = m_app ? m_app->engine()->convertMessage() : QString();
    return message.isEmpty() ? speakingMessage : message;
}

QString PromptViewModel::alertMessage() const {
    if (!m_errorMessage.isEmpty())
        return m_errorMessage;
    return m_app ? m_app->cloneQueue()->errorMessageText() : QString();
}

VoiceLanguage PromptViewModel::voiceLanguage() const {
    return voiceLanguageFromRaw(m_languages.currentValue()).value_or(VoiceLanguage::english);
}

CloneEffect PromptViewModel::selectedEffect() const {
    return cloneEffectFromRaw(m_effects.currentValue()).value_or(CloneEffect::none);
}

void PromptViewModel::requestGenerate() {
    if (!m_app || m_app->navigation()->section() != AppSection::prompt || !canGenerate())
        return;
    generate();
}

QCoro::Task<> PromptViewModel::generate() {
    const QString text = m_prompt.trimmed();
    if (text.isEmpty() || !m_app || m_generating)
        co_return;
    const std::optional<VoiceCharacter> character = m_voice.character();
    const std::optional<CharacterEmotion> emotion = m_voice.emotion();
    if (!character || !emotion)
        co_return;

    setGenerating(true);
    const QPointer<PromptViewModel> self(this);
    PromptGeneration::Request request{text, *character, *emotion, voiceLanguage(),
                                      selectedEffect()};
    // Made before it is awaited: g++ 12 destroys some temporaries of a co_await twice.
    QCoro::Task<PromptGeneration::Outcome> running =
            PromptGeneration::generate(std::move(request), *m_app->store(), *m_app->engine(),
                                       *m_app->player(), [self](const LibraryItem &take) {
                                           if (self)
                                               self->setScrollToID(idText(take.id));
                                       });
    const PromptGeneration::Outcome outcome = co_await std::move(running);
    if (!self)
        co_return;
    if (outcome.error)
        setErrorMessage(*outcome.error);
    // The prompt stays in the editor for further edits.
    setGenerating(false);
    emit generated();
}

void PromptViewModel::enqueueClone(const QString &itemId) {
    if (!m_app)
        return;
    const std::optional<LibraryItem> item = m_app->store()->item(parseId(itemId).value_or(QUuid()));
    if (!item)
        return;
    m_app->cloneQueue()->enqueue(*item, false, selectedEffect(), m_voice.characterID(),
                                 m_voice.emotionID(), *m_app->store(), *m_app->engine(),
                                 *m_app->cleanup(), *m_app->player());
}

void PromptViewModel::playClone(const QString &itemId) {
    if (const auto id = parseId(itemId); id && m_app)
        m_app->player()->toggle(DataPaths::convertedFile(*id));
}

void PromptViewModel::clearAlert() {
    setErrorMessage({});
    if (m_app)
        m_app->cloneQueue()->clearErrorMessage();
}

void PromptViewModel::refreshCanGenerate() {
    const bool can = !m_generating && !m_prompt.trimmed().isEmpty() && m_voice.characterID() &&
                     m_voice.emotionID();
    if (can == m_canGenerate)
        return;
    m_canGenerate = can;
    emit canGenerateChanged();
}

void PromptViewModel::setGenerating(bool on) {
    if (on == m_generating)
        return;
    m_generating = on;
    emit generatingChanged();
    refreshCanGenerate();
}

void PromptViewModel::setErrorMessage(const QString &message) {
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    emit alertMessageChanged();
}

void PromptViewModel::setScrollToID(const QString &id) {
    if (id == m_scrollToID)
        return;
    m_scrollToID = id;
    emit scrollToIDChanged();
}

} // namespace chorale
