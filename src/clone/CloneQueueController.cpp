// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/CloneQueueController.h"

#include "audio/AudioPlayer.h"
#include "clone/AudioCleanup.h"
#include "clone/AudioEffects.h"
#include "clone/CleanupSettings.h"
#include "engine/EngineController.h"
#include "model/Background.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace chorale {

namespace {

// The end of a job whose controller, or one of the objects it works with, has gone away (the
// app is shutting down): it is abandoned quietly, like a cancelled task.
struct JobAbandoned {};

std::optional<CharacterEmotion> emotionWithID(const VoiceCharacter &character,
                                              const std::optional<QUuid> &id) {
    if (!id)
        return std::nullopt;
    for (const CharacterEmotion &emotion : character.emotions) {
        if (emotion.id == *id)
            return emotion;
    }
    return std::nullopt;
}

// Replaces `to` with `from` in one step, so the take always has a clone to play.
void moveOver(const QString &from, const QString &to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw ChoraleError::platform(QStringLiteral("%1: %2").arg(
                QFileInfo(to).fileName(), QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

struct CloneQueueController::Services {
    QPointer<DataStore> store;
    QPointer<EngineController> engine;
    QPointer<CleanupSettings> cleanup;
    QPointer<AudioPlayer> player;

    bool alive() const { return store && engine && cleanup && player; }
};

CloneQueueController::CloneQueueController(QObject *parent)
    : QObject(parent) {}

CloneQueueController::~CloneQueueController() = default;

void CloneQueueController::enqueue(const LibraryItem &item, bool singing, CloneEffect effect,
                                   const std::optional<QUuid> &fallbackCharacterID,
                                   const std::optional<QUuid> &fallbackEmotionID, DataStore &store,
                                   EngineController &engine, CleanupSettings &cleanup,
                                   AudioPlayer &player) {
    if (item.hasConverted() || m_cloningID == item.id)
        return;
    for (const PendingClone &waiting : m_pending) {
        if (waiting.id == item.id)
            return;
    }
    m_pending.append({item.id, singing, effect, fallbackCharacterID, fallbackEmotionID});
    publishQueue();
    // The loop starts on the next turn of the event loop, so enqueue returns with the job
    // still waiting; a loop that is already running picks the job up itself.
    const Services services{&store, &engine, &cleanup, &player};
    QTimer::singleShot(0, this, [this, services] { drain(services); });
}

QCoro::Task<> CloneQueueController::drain(Services services) {
    if (m_running)
        co_return;
    m_running = true;
    QPointer<CloneQueueController> self(this);
    while (!m_pending.isEmpty()) {
        const PendingClone job = m_pending.takeFirst();
        publishQueue();
        if (!services.alive())
            continue; // shutting down: nothing can run any more
        const std::optional<LibraryItem> item = services.store->item(job.id);
        if (!item || item->hasConverted())
            continue;
        setCloningID(item->id);
        QCoro::Task<> running = clone(*item, job, services);
        co_await std::move(running);
        if (!self)
            co_return;
        setCloningID(std::nullopt);
    }
    m_running = false;
    emit drained();
}

QCoro::Task<> CloneQueueController::clone(LibraryItem item, PendingClone job, Services services) {
    QPointer<CloneQueueController> self(this);
    // Character, emotion and reference clip; with any of them missing no file is touched.
    std::optional<VoiceCharacter> character = services.store->character(item.characterId);
    if (!character)
        character = services.store->character(job.fallbackCharacterID);
    std::optional<CharacterEmotion> emotion;
    if (character) {
        emotion = emotionWithID(*character, item.emotionId);
        if (!emotion)
            emotion = emotionWithID(*character, job.fallbackEmotionID);
        if (!emotion && !character->emotions.isEmpty())
            emotion = character->emotions.first();
    }
    const QString reference = character && emotion ? DataPaths::characterFolder(character->id) +
                                                             u'/' + emotion->fileName
                                                   : QString();
    if (!emotion || !QFileInfo(reference).isFile()) {
        setErrorMessage(ChoraleError::missingCharacter().message());
        co_return;
    }

    services.player->stop();

    const QString folder = DataPaths::itemFolder(item.id);
    const QString original = DataPaths::originalFile(item.id);
    const QString processed = folder + QStringLiteral("/processed.wav");
    const QString converted = DataPaths::convertedFile(item.id);
    const QString effected = folder + QStringLiteral("/effected.wav");
    try {
        // Read once: a change of the toggles applies from the next job on.
        const CleanupOptions options = services.cleanup->options();
        setPreparingCleanup(options.any());
        QString source = original;
        if (options.any()) {
            // Tasks are made before they are awaited: g++ 12 destroys some temporaries of a
            // co_await expression twice.
            QCoro::Task<> cleaning =
                    runInBackground([=] { AudioCleanup::process(original, processed, options); });
            co_await std::move(cleaning);
            if (!self || !services.alive())
                throw JobAbandoned{};
            source = processed;
            setPreparingCleanup(false);
        }

        QCoro::Task<> conversion =
                services.engine->convert(source, reference, converted, job.singing);
        try {
            co_await std::move(conversion);
        } catch (...) {
            // An engine that failed or died while writing may have left part of its output;
            // the take must not show that as its clone (it had none when the job began).
            QFile::remove(converted);
            throw;
        }
        if (!self || !services.alive())
            throw JobAbandoned{};

        if (job.effect != CloneEffect::none) {
            setApplyingEffect(true);
            const CloneEffect effect = job.effect;
            QCoro::Task<> rendering =
                    runInBackground([=] { AudioEffects::process(converted, effected, effect); });
            co_await std::move(rendering);
            if (!self || !services.alive())
                throw JobAbandoned{};
            moveOver(effected, converted);
            setApplyingEffect(false);
        }

        services.store->attachConvertedAudio(item, converted);
    } catch (const JobAbandoned &) {
        if (self) {
            setPreparingCleanup(false);
            setApplyingEffect(false);
        }
    } catch (const std::exception &error) {
        if (!self)
            co_return;
        setPreparingCleanup(false);
        setApplyingEffect(false);
        // A job cut short because the app is going away is not a failure to report.
        if (services.alive())
            setErrorMessage(describeError(error));
    }
}

QString CloneQueueController::message(const QUuid &id, const EngineController &engine) const {
    if (m_cloningID != id)
        return {};
    if (m_preparingCleanup)
        return cleaningMessage;
    if (m_applyingEffect)
        return effectMessage;
    return engine.convertMessage();
}

double CloneQueueController::progress(const QUuid &id, const EngineController &engine) const {
    if (m_cloningID != id)
        return 0;
    if (m_preparingCleanup)
        return cleaningProgress;
    if (m_applyingEffect)
        return effectProgress;
    return engine.convertProgress();
}

void CloneQueueController::clearErrorMessage() {
    setErrorMessage(std::nullopt);
}

QString CloneQueueController::cloningIDText() const {
    return m_cloningID ? idText(*m_cloningID) : QString();
}

QStringList CloneQueueController::queueText() const {
    QStringList ids;
    for (const QUuid &id : m_queue)
        ids << idText(id);
    return ids;
}

void CloneQueueController::setErrorMessageText(const QString &message) {
    setErrorMessage(message.isEmpty() ? std::nullopt : std::optional<QString>(message));
}

void CloneQueueController::publishQueue() {
    QList<QUuid> ids;
    for (const PendingClone &job : m_pending)
        ids << job.id;
    if (ids == m_queue)
        return;
    m_queue = ids;
    emit queueChanged();
}

void CloneQueueController::setCloningID(const std::optional<QUuid> &id) {
    if (id == m_cloningID)
        return;
    m_cloningID = id;
    emit cloningIDChanged();
}

void CloneQueueController::setPreparingCleanup(bool on) {
    if (on == m_preparingCleanup)
        return;
    m_preparingCleanup = on;
    emit preparingCleanupChanged();
}

void CloneQueueController::setApplyingEffect(bool on) {
    if (on == m_applyingEffect)
        return;
    m_applyingEffect = on;
    emit applyingEffectChanged();
}

void CloneQueueController::setErrorMessage(const std::optional<QString> &message) {
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

} // namespace chorale
