// SPDX-License-Identifier: GPL-3.0-or-later
// The Record screen's rules over a real app: pickers, the recent list, the record button with
// real capture from the audio server's test source, and the clone queue with the test engine.
#include "ui/RecordViewModel.h"

#include "FakeEngine.h"
#include "app/ChoraleApp.h"
#include "audio/AudioDeviceList.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"
#include "ui/PromptViewModel.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace chorale;
using namespace chorale::test;

namespace {

// Fails when the environment demands real audio (scripts/test), else skips.
#define REQUIRE_MICROPHONE()                                                                       \
    do {                                                                                           \
        if (AudioDeviceList::inputs().isEmpty()) {                                                 \
            if (qEnvironmentVariableIsSet("CHORALE_REQUIRE_AUDIO"))                                \
                FAIL() << "no capture device";                                                     \
            GTEST_SKIP() << "no capture device (run through scripts/with-audio)";                  \
        }                                                                                          \
    } while (false)

// Enough for the sine source's first burst and for the test engine to clone.
constexpr int waitMs = 20000;

class RecordViewModelTest : public ::testing::Test {
protected:
    RecordViewModelTest() {
        QCoro::waitFor(app.startUp());
        // Without a speech model the namer does nothing; with one it may only add a title.
        app.cleanup()->setReduceNoise(false);
        app.cleanup()->setEnhanceClarity(false);
        app.cleanup()->setNormalizeVolume(false);
    }

    std::unique_ptr<RecordViewModel> screen() {
        auto model = std::make_unique<RecordViewModel>();
        model->setApp(&app);
        return model;
    }

    VoiceCharacter addCharacter(const QString &name, int emotions) {
        VoiceCharacter c = app.store()->addCharacter(
                name, "E0", writeTone(root.scratch(name + "0.wav"), {.seconds = 4}));
        for (int i = 1; i < emotions; ++i) {
            app.store()->addEmotion(
                    c, QStringLiteral("E%1").arg(i),
                    writeTone(root.scratch(name + QString::number(i) + ".wav"), {.seconds = 4}));
        }
        return *app.store()->character(c.id);
    }

    void removeAllCharacters() {
        while (!app.store()->characters().isEmpty())
            app.store()->deleteCharacter(app.store()->characters().first());
    }

    LibraryItem saveTake(const QString &device, const std::optional<VoiceCharacter> &character) {
        const QString file =
                writeTone(root.scratch(QStringLiteral("t%1.wav").arg(++takes)), {.seconds = 2});
        return app.store()->saveOriginalRecording(2, character,
                                                  character ? character->emotions.value(0)
                                                            : std::optional<CharacterEmotion>(),
                                                  device, file);
    }

    // Clicks record, waits for audio in the take, clicks stop; returns the saved take.
    std::optional<LibraryItem> recordTake(RecordViewModel &model, qint64 &clock) {
        model.clickRecord(clock += 1000);
        EXPECT_TRUE(model.isRecording()) << model.alertMessage().toStdString();
        const QString file = model.recorder().lastFileURL();
        EXPECT_TRUE(QTest::qWaitFor(
                [&] { return model.recorder().captureStats().framesWritten >= 4800; }, waitMs));
        model.clickRecord(clock += 1000);
        EXPECT_FALSE(model.isRecording());
        return latestTake();
    }

    std::optional<LibraryItem> latestTake() const {
        if (app.store()->sessionItemIDs().isEmpty())
            return std::nullopt;
        return app.store()->item(app.store()->sessionItemIDs().first());
    }

    static QStringList texts(const PickerModel &picker) {
        QStringList list;
        for (const auto &option : picker.options())
            list << option.text;
        return list;
    }

    TempDataRoot root;
    FakeEngine engine;
    ChoraleApp app;
    int takes = 0;
};

} // namespace

TEST_F(RecordViewModelTest, PickersFollowTheCharacters) {
    removeAllCharacters();
    auto model = screen();
    QAbstractItemModelTester tester(model->voice()->characters(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    // No characters: only the placeholder entries, and the emotion menu is off.
    EXPECT_EQ(texts(*model->voice()->characters()), QStringList{"Select a character"});
    EXPECT_EQ(texts(*model->voice()->emotions()), QStringList{"No emotions"});
    EXPECT_FALSE(model->voice()->emotionsEnabled());
    EXPECT_FALSE(model->voice()->characterID());

    // The first character to arrive is chosen, with its first emotion.
    const VoiceCharacter ada = addCharacter("Ada", 2);
    EXPECT_EQ(model->voice()->characterID(), ada.id);
    EXPECT_EQ(model->voice()->emotionID(), ada.emotions[0].id);
    EXPECT_EQ(texts(*model->voice()->emotions()), (QStringList{"E0", "E1"}));
    EXPECT_TRUE(model->voice()->emotionsEnabled());

    // The emotion stays while its character stays, and resets to the first of a new one.
    const VoiceCharacter bo = addCharacter("Bo", 1);
    model->voice()->selectEmotion(ada.emotions[1].id);
    app.store()->renameCharacter(bo, "Bob");
    EXPECT_EQ(model->voice()->emotionID(), ada.emotions[1].id);
    EXPECT_EQ(texts(*model->voice()->characters()),
              (QStringList{"Select a character", "Bob", "Ada"}));
    model->voice()->characters()->activate(1);
    EXPECT_EQ(model->voice()->characterID(), bo.id);
    EXPECT_EQ(model->voice()->emotionID(), bo.emotions[0].id);
    model->voice()->selectCharacter(ada.id);
    EXPECT_EQ(model->voice()->emotionID(), ada.emotions[0].id);

    // "Select a character" is a choice of its own.
    model->voice()->characters()->activate(0);
    EXPECT_FALSE(model->voice()->characterID());
    EXPECT_EQ(model->voice()->characters()->currentIndex(), 0);
}

TEST_F(RecordViewModelTest, RecentListShowsEightNewestRecordedTakes) {
    const VoiceCharacter ada = addCharacter("Ada", 1);
    auto model = screen();
    QAbstractItemModelTester tester(model->recentTakes(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    PromptViewModel prompt;
    prompt.setApp(&app);

    QList<QUuid> recorded;
    QList<QUuid> spoken;
    for (int i = 0; i < 11; ++i) {
        recorded.prepend(saveTake("Test mic", ada).id);
        if (i % 3 == 0)
            spoken.prepend(saveTake("Prompt", ada).id);
        ASSERT_EQ(model->recentTakes()->rowCount(), std::min(i + 1, 8));
    }
    ASSERT_EQ(model->recentTakes()->items().size(), 8);
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(model->recentTakes()->items()[row].id, recorded[row]) << row;
    ASSERT_EQ(prompt.recentTakes()->items().size(), spoken.size());
    for (int row = 0; row < spoken.size(); ++row)
        EXPECT_EQ(prompt.recentTakes()->items()[row].id, spoken[row]) << row;

    // Deleting a listed take lets the next older one in.
    app.store()->deleteItem(*app.store()->item(recorded[0]));
    EXPECT_EQ(model->recentTakes()->items().first().id, recorded[1]);
    EXPECT_EQ(model->recentTakes()->items().last().id, recorded[8]);

    const QModelIndex first = model->recentTakes()->index(0);
    EXPECT_EQ(first.data(RecentTakesModel::DetailRole).toString(), "Ada  ·  E0  ·  0:02");
    EXPECT_EQ(first.data(RecentTakesModel::ItemIdRole).toString(), idText(recorded[1]));
    EXPECT_EQ(first.data(RecentTakesModel::CanCloneRole).toBool(), true);
    EXPECT_EQ(first.data(RecentTakesModel::HasCloneRole).toBool(), false);
}

TEST_F(RecordViewModelTest, ModeAndLanguageAreRememberedButTheEffectIsNot) {
    {
        auto model = screen();
        EXPECT_EQ(model->cloneMode(), CloneMode::talking);
        EXPECT_EQ(model->selectedEffect(), CloneEffect::none);
        model->modes()->activate(1);
        model->languages()->setCurrentValue("de");
        model->effects()->activate(2);
        EXPECT_EQ(model->cloneMode(), CloneMode::singing);
        EXPECT_EQ(model->selectedEffect(), CloneEffect::robot);
    }
    auto model = screen();
    EXPECT_EQ(model->cloneMode(), CloneMode::singing);
    EXPECT_EQ(model->voiceLanguage(), VoiceLanguage::german);
    EXPECT_EQ(model->selectedEffect(), CloneEffect::none);
    // The Prompt screen shares the language.
    PromptViewModel prompt;
    prompt.setApp(&app);
    EXPECT_EQ(prompt.voiceLanguage(), VoiceLanguage::german);
}

TEST_F(RecordViewModelTest, NoMicrophoneAlertsAndBothMessagesClearTogether) {
    auto model = screen();
    model->devices()->setCurrentValue(QString());
    app.cloneQueue()->setErrorMessageText("Timed out waiting for the voice engine.");
    EXPECT_EQ(model->alertMessage(), "Timed out waiting for the voice engine.");
    model->clickRecord(1000);
    EXPECT_FALSE(model->isRecording());
    EXPECT_EQ(model->alertMessage(), "No microphone found.");
    model->clearAlert();
    EXPECT_EQ(model->alertMessage(), QString());
    EXPECT_FALSE(app.cloneQueue()->errorMessage());
}

TEST_F(RecordViewModelTest, ClickRecordsSavesAndClonesInTheScreensVoice) {
    REQUIRE_MICROPHONE();
    const VoiceCharacter ada = addCharacter("Ada", 2);
    auto model = screen();
    model->voice()->selectCharacter(ada.id);
    model->voice()->selectEmotion(ada.emotions[1].id);
    model->modes()->setCurrentValue("singing");
    ASSERT_TRUE(model->selectedDeviceID());

    // A second click 0.2 s after the first is a double-click, not a stop.
    qint64 clock = 10'000;
    model->clickRecord(clock);
    ASSERT_TRUE(model->isRecording()) << model->alertMessage().toStdString();
    model->clickRecord(clock + 200);
    EXPECT_TRUE(model->isRecording());
    ASSERT_TRUE(QTest::qWaitFor(
            [&] { return model->recorder().captureStats().framesWritten >= 4800; }, waitMs));
    // The meter and the clock follow the input.
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->level() > 0.05f; }, 1000)) << model->level();
    model->clickRecord(clock + 800);
    EXPECT_FALSE(model->isRecording());

    const std::optional<LibraryItem> take = latestTake();
    ASSERT_TRUE(take);
    EXPECT_EQ(take->characterId, ada.id);
    EXPECT_EQ(take->emotionId, ada.emotions[1].id);
    EXPECT_EQ(
            take->sourceDevice,
            model->devices()->options()[model->devices()->currentIndex()].text.section(" (", 0, 0));
    EXPECT_GT(take->duration, 0.05);
    EXPECT_EQ(model->scrollToID(), idText(take->id));
    ASSERT_EQ(model->recentTakes()->rowCount(), 1);
    EXPECT_TRUE(app.cloneQueue()->queue().contains(take->id));
    EXPECT_TRUE(model->recentTakes()->index(0).data(RecentTakesModel::QueuedRole).toBool());

    // The queued job converts in singing mode with the chosen emotion's clip.
    ASSERT_TRUE(QTest::qWaitFor(
            [&] { return app.store()->item(take->id)->convertedAt.has_value(); }, waitMs))
            << app.cloneQueue()->errorMessageText().toStdString();
    const QJsonObject body = engine.requests("/convert").last().value("body").toObject();
    EXPECT_TRUE(body.value("singing").toBool());
    EXPECT_EQ(body.value("target_wav").toString(),
              DataPaths::characterFolder(ada.id) + u'/' + ada.emotions[1].fileName);
    EXPECT_TRUE(model->recentTakes()->index(0).data(RecentTakesModel::HasCloneRole).toBool());
    EXPECT_EQ(model->alertMessage(), QString());
}

TEST_F(RecordViewModelTest, TakeWithoutAVoiceStaysUnclonedUntilAsked) {
    REQUIRE_MICROPHONE();
    removeAllCharacters();
    auto model = screen();
    qint64 clock = 0;
    const std::optional<LibraryItem> take = recordTake(*model, clock);
    ASSERT_TRUE(take);
    EXPECT_FALSE(take->characterId);
    EXPECT_EQ(take->characterName, "Unassigned");
    EXPECT_TRUE(app.cloneQueue()->queue().isEmpty());
    EXPECT_FALSE(app.cloneQueue()->cloningID());
    const auto row = [&](RecentTakesModel::Role role) {
        return model->recentTakes()->index(0).data(role).toBool();
    };
    EXPECT_FALSE(row(RecentTakesModel::CanCloneRole)) << "no character to clone with";
    EXPECT_FALSE(row(RecentTakesModel::HasCloneRole));

    // Once a character is chosen the row offers "Clone" with it. A voice whose clip is gone
    // makes the queue fail, in the screen's alert; with the clip back the clone is made.
    const VoiceCharacter ada = addCharacter("Ada", 1);
    EXPECT_TRUE(row(RecentTakesModel::CanCloneRole));
    const QString clip = DataPaths::characterFolder(ada.id) + u'/' + ada.emotions[0].fileName;
    const QString kept = root.scratch("kept.wav");
    ASSERT_TRUE(QFile::rename(clip, kept));
    model->enqueueClone(idText(take->id));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->alertMessage().isEmpty(); }, waitMs));
    EXPECT_EQ(model->alertMessage(), "Choose a character and emotion before cloning.");
    EXPECT_FALSE(row(RecentTakesModel::HasCloneRole));
    model->clearAlert();

    ASSERT_TRUE(QFile::rename(kept, clip));
    model->enqueueClone(idText(take->id));
    ASSERT_TRUE(QTest::qWaitFor(
            [&] { return app.store()->item(take->id)->convertedAt.has_value(); }, waitMs))
            << app.cloneQueue()->errorMessageText().toStdString();
    EXPECT_TRUE(row(RecentTakesModel::HasCloneRole));
    EXPECT_EQ(engine.requests("/convert").last().value("body").toObject().value("target_wav"),
              clip);
}

TEST(VoiceSelectionRules, EmotionMenuAndKeptEmotion) {
    const auto emotion = [](const char *name) {
        return CharacterEmotion{QUuid::createUuid(), name, 4, {}, QString(name) + ".wav"};
    };
    const VoiceCharacter ada{QUuid::createUuid(), "Ada", {}, 4, {emotion("Calm"), emotion("Loud")}};
    const VoiceCharacter mute{QUuid::createUuid(), "Mute", {}, 0, {}};
    struct Case {
        const char *name;
        std::optional<VoiceCharacter> character;
        std::optional<QUuid> current;
        QStringList menu;
        std::optional<QUuid> kept;
    };
    const Case cases[] = {
            {"no character", std::nullopt, ada.emotions[1].id, {"No emotions"}, std::nullopt},
            {"no emotions", mute, ada.emotions[1].id, {"No emotions"}, std::nullopt},
            {"own emotion stays", ada, ada.emotions[1].id, {"Calm", "Loud"}, ada.emotions[1].id},
            {"foreign emotion resets",
             ada,
             QUuid::createUuid(),
             {"Calm", "Loud"},
             ada.emotions[0].id},
            {"none becomes the first", ada, std::nullopt, {"Calm", "Loud"}, ada.emotions[0].id},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList menu;
        for (const auto &option : VoiceSelection::emotionOptions(c.character))
            menu << option.text;
        EXPECT_EQ(menu, c.menu);
        EXPECT_EQ(VoiceSelection::keptEmotion(c.character, c.current), c.kept);
    }
}

TEST_F(RecordViewModelTest, LeavingTheScreenMidTakeSavesTheTake) {
    REQUIRE_MICROPHONE();
    const VoiceCharacter ada = addCharacter("Ada", 1);
    QString file;
    {
        auto model = screen();
        model->voice()->selectCharacter(ada.id);
        model->clickRecord(1000);
        ASSERT_TRUE(model->isRecording()) << model->alertMessage().toStdString();
        file = model->recorder().lastFileURL();
        ASSERT_TRUE(QTest::qWaitFor(
                [&] { return model->recorder().captureStats().framesWritten >= 4800; }, waitMs));
        // The screen goes away (another section is chosen) while recording.
    }
    const std::optional<LibraryItem> take = latestTake();
    ASSERT_TRUE(take) << "the take was dropped";
    EXPECT_EQ(take->characterId, ada.id);
    EXPECT_EQ(take->emotionId, ada.emotions[0].id);
    EXPECT_TRUE(QFileInfo(DataPaths::originalFile(take->id)).size() > 0);
    EXPECT_GE(readAudio(DataPaths::originalFile(take->id)).frames, 4800);
    EXPECT_TRUE(app.cloneQueue()->queue().contains(take->id) ||
                app.cloneQueue()->cloningID() == take->id);

    // A new screen lists it, and the clone arrives as usual.
    auto model = screen();
    ASSERT_EQ(model->recentTakes()->rowCount(), 1);
    EXPECT_EQ(model->recentTakes()->items().first().id, take->id);
    ASSERT_TRUE(QTest::qWaitFor(
            [&] { return app.store()->item(take->id)->convertedAt.has_value(); }, waitMs));
}
