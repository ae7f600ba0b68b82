// SPDX-License-Identifier: GPL-3.0-or-later
// The clone queue end to end against the scriptable test engine (fake_engine.py copies the
// source take to the output): which file the engine receives, what the take ends up with, the
// enqueue rules, the failure rules and the phases a take's row shows.
#include "clone/CloneQueueController.h"

#include "CloneAudioFixtures.h"
#include "FakeEngine.h"
#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "engine/EngineController.h"
#include "model/DataPaths.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

using namespace chorale;
using namespace chorale::test;
using namespace std::chrono_literals;

namespace {

const QString missingCharacterText =
        QStringLiteral("Choose a character and emotion before cloning.");

class CloneQueueTest : public ::testing::Test {
protected:
    CloneQueueTest() {
        store.load();
        Tone clip;
        clip.seconds = 3.5;
        ada = store.addCharacter("Ada", "Calm", writeTone(root.scratch("calm.wav"), clip));
        clip.frequency = 220;
        store.addEmotion(ada, "Bright", writeTone(root.scratch("bright.wav"), clip));
        ada = *store.character(ada.id);
    }

    static EngineController::Timing fast() {
        return {.healthTries = 400,
                .healthInterval = 10ms,
                .statusTries = 400,
                .statusInterval = 10ms,
                .progressInterval = 10ms};
    }

    // A take of `seconds` of speech-like sound by `character` with `emotion`.
    LibraryItem take(const std::optional<VoiceCharacter> &character,
                     const std::optional<CharacterEmotion> &emotion, double seconds = 1.0) {
        const QString path = root.scratch(QStringLiteral("take-%1.wav").arg(++takes));
        writeSamples(path, speechLike(seconds, 48000, 1, 0.4f), 48000, 1);
        return store.saveOriginalRecording(seconds, character, emotion, "Test mic", path);
    }

    void setCleanup(bool on) {
        cleanup.setReduceNoise(on);
        cleanup.setEnhanceClarity(on);
        cleanup.setNormalizeVolume(on);
    }

    void enqueue(const LibraryItem &item, CloneEffect effect = CloneEffect::none,
                 std::optional<QUuid> fallbackCharacter = std::nullopt,
                 std::optional<QUuid> fallbackEmotion = std::nullopt) {
        queue.enqueue(item, false, effect, fallbackCharacter, fallbackEmotion, store, engine,
                      cleanup, player);
    }

    // Runs the event loop until the job loop has nothing left to do.
    void waitUntilDrained() {
        QSignalSpy drained(&queue, &CloneQueueController::drained);
        ASSERT_TRUE(QTest::qWaitFor([&] { return drained.count() > 0; }, 30000));
        EXPECT_FALSE(queue.cloningID());
        EXPECT_TRUE(queue.queue().isEmpty());
        EXPECT_FALSE(queue.preparingCleanup());
        EXPECT_FALSE(queue.applyingEffect());
    }

    static QString file(const LibraryItem &item, const char *name) {
        return DataPaths::itemFolder(item.id) + u'/' + QString::fromLatin1(name);
    }

    QList<QJsonObject> convertBodies() const {
        QList<QJsonObject> bodies;
        for (const QJsonObject &request : fake.requests("/convert"))
            bodies << request.value("body").toObject();
        return bodies;
    }

    TempDataRoot root;
    FakeEngine fake;
    DataStore store;
    EngineController engine{fast()};
    CleanupSettings cleanup;
    AudioPlayer player;
    CloneQueueController queue;
    VoiceCharacter ada;
    int takes = 0;
};

} // namespace

TEST_F(CloneQueueTest, CleanupDecidesWhatTheEngineReceives) {
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "cleanup on" : "cleanup off");
        setCleanup(on);
        const LibraryItem item = take(ada, ada.emotions.first());
        enqueue(item);
        waitUntilDrained();
        EXPECT_FALSE(queue.errorMessage()) << queue.errorMessageText().toStdString();
        ASSERT_FALSE(convertBodies().isEmpty());
        const QJsonObject body = convertBodies().last();
        EXPECT_EQ(body.value("source_wav").toString(),
                  on ? file(item, "processed.wav") : file(item, "original.wav"));
        EXPECT_EQ(body.value("target_wav").toString(),
                  DataPaths::characterFolder(ada.id) + u'/' + ada.emotions.first().fileName);
        EXPECT_EQ(body.value("output_wav").toString(), DataPaths::convertedFile(item.id));
        EXPECT_EQ(body.value("singing").toBool(true), false);
        EXPECT_EQ(QFileInfo::exists(file(item, "processed.wav")), on);
        // With no effect the clone is the engine's output unchanged (here: the source it got).
        EXPECT_EQ(readAll(DataPaths::convertedFile(item.id)),
                  readAll(body.value("source_wav").toString()));
        EXPECT_TRUE(store.item(item.id)->convertedAt.has_value());
        EXPECT_FALSE(queue.errorMessage());
    }
}

TEST_F(CloneQueueTest, EffectReplacesTheCloneAndLeavesNoIntermediate) {
    setCleanup(false);
    const LibraryItem item = take(ada, ada.emotions.first(), 2.0);
    enqueue(item, CloneEffect::echo);
    waitUntilDrained();

    const AudioInfo clone = readAudio(DataPaths::convertedFile(item.id));
    EXPECT_EQ(clone.frames, 2 * 48000 + 76800); // the echo's 1.6 s tail
    EXPECT_FALSE(QFileInfo::exists(file(item, "effected.wav")));
    EXPECT_TRUE(store.item(item.id)->convertedAt.has_value());
    EXPECT_NEAR(store.item(item.id)->duration, 3.6, 1e-6);
}

TEST_F(CloneQueueTest, EnqueueRules) {
    fake.set("CONVERT", R"({"ok": true, "_delay": 0.4})");
    const LibraryItem first = take(ada, ada.emotions.first());
    const LibraryItem second = take(ada, ada.emotions.first());
    enqueue(first);
    enqueue(first); // waiting already
    enqueue(second);
    EXPECT_EQ(queue.queue(), (QList<QUuid>{first.id, second.id}));

    ASSERT_TRUE(QTest::qWaitFor([&] { return queue.cloningID() == first.id; }, 10000));
    enqueue(first); // being cloned
    EXPECT_EQ(queue.queue(), QList<QUuid>{second.id});
    waitUntilDrained();
    EXPECT_EQ(convertBodies().size(), 2);

    enqueue(first); // has a clone now
    EXPECT_TRUE(queue.queue().isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(convertBodies().size(), 2);
}

TEST_F(CloneQueueTest, DeletedTakeIsSkippedSilently) {
    const LibraryItem gone = take(ada, ada.emotions.first());
    const LibraryItem kept = take(ada, ada.emotions.first());
    enqueue(gone);
    enqueue(kept);
    store.deleteItem(gone); // before the loop gets to it
    waitUntilDrained();
    EXPECT_EQ(convertBodies().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(DataPaths::convertedFile(kept.id)));
    EXPECT_FALSE(queue.errorMessage());
}

TEST_F(CloneQueueTest, CharacterAndEmotionFallBack) {
    const VoiceCharacter bo =
            store.addCharacter("Bo", "Low", writeTone(root.scratch("low.wav"), {.seconds = 4}));
    const CharacterEmotion bright = ada.emotions[1];

    // The take's own emotion is gone: the fallback emotion is used, else the first one.
    const LibraryItem staleEmotion = take(ada, bright);
    store.deleteEmotion(bright, ada);
    ada = *store.character(ada.id);
    const LibraryItem withFallback = take(ada, ada.emotions.first());
    enqueue(staleEmotion);
    waitUntilDrained();
    EXPECT_EQ(convertBodies().last().value("target_wav").toString(),
              DataPaths::characterFolder(ada.id) + u'/' + ada.emotions.first().fileName);

    // The take's character is gone: the fallback character (with its first emotion).
    store.deleteCharacter(ada);
    enqueue(withFallback, CloneEffect::none, bo.id, QUuid::createUuid());
    waitUntilDrained();
    EXPECT_EQ(convertBodies().last().value("target_wav").toString(),
              DataPaths::characterFolder(bo.id) + u'/' + bo.emotions.first().fileName);
    EXPECT_FALSE(queue.errorMessage());
}

TEST_F(CloneQueueTest, MissingCharacterFailsWithoutTouchingFiles) {
    const LibraryItem item = take(ada, ada.emotions.first());
    store.deleteCharacter(ada);
    enqueue(item);
    waitUntilDrained();
    EXPECT_EQ(queue.errorMessage(), missingCharacterText);
    EXPECT_TRUE(convertBodies().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file(item, "processed.wav")));
    EXPECT_FALSE(item.hasConverted());

    queue.clearErrorMessage();
    EXPECT_FALSE(queue.errorMessage());
}

TEST_F(CloneQueueTest, AFailedJobDoesNotStopTheNext) {
    fake.set("CONVERT",
             R"([{"ok": false, "detail": "The model ran out of memory."}, {"ok": true}])");
    const LibraryItem failing = take(ada, ada.emotions.first());
    const LibraryItem next = take(ada, ada.emotions.first());
    enqueue(failing, CloneEffect::robot);
    enqueue(next, CloneEffect::robot);
    waitUntilDrained();
    EXPECT_EQ(queue.errorMessage(), QStringLiteral("The model ran out of memory."));
    EXPECT_FALSE(store.item(failing.id)->convertedAt.has_value());
    EXPECT_TRUE(store.item(next.id)->convertedAt.has_value());
    EXPECT_FALSE(QFileInfo::exists(file(next, "effected.wav")));
}

TEST_F(CloneQueueTest, RowShowsEachPhase) {
    const LibraryItem item = take(ada, ada.emotions.first());
    QList<std::pair<QString, double>> phases;
    const auto record = [&] {
        const std::pair phase{queue.message(item.id, engine), queue.progress(item.id, engine)};
        if (phases.isEmpty() || phases.last() != phase)
            phases << phase;
    };
    for (auto signal :
         {&CloneQueueController::cloningIDChanged, &CloneQueueController::preparingCleanupChanged,
          &CloneQueueController::applyingEffectChanged})
        QObject::connect(&queue, signal, &queue, record);
    QObject::connect(&engine, &EngineController::convertMessageChanged, &queue, record);
    QObject::connect(&engine, &EngineController::convertProgressChanged, &queue, record);

    enqueue(item, CloneEffect::walkieTalkie);
    EXPECT_EQ(queue.message(item.id, engine), QString()); // waiting: no phase yet
    waitUntilDrained();

    const auto position = [&](const QString &message, double progress) {
        return phases.indexOf(std::pair{message, progress});
    };
    const qsizetype cleaning = position("Cleaning audio…", 0.12);
    const qsizetype preparing = position("Preparing engine…", 0.05);
    const qsizetype done = position("Done", 1.0);
    const qsizetype effect = position("Applying effect…", 0.92);
    ASSERT_GE(cleaning, 0);
    EXPECT_GT(preparing, cleaning);
    EXPECT_GT(phases.indexOf(std::pair{QStringLiteral("Cloning voice…"), 0.05}), preparing);
    EXPECT_GT(done, preparing);
    EXPECT_GT(effect, done);
    EXPECT_EQ(phases.last(), (std::pair{QString(), 0.0})); // idle again
    EXPECT_EQ(queue.message(QUuid::createUuid(), engine), QString());
}
