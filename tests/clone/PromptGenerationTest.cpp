// SPDX-License-Identifier: GPL-3.0-or-later
// Typed prompts to takes, against the scriptable test engine (its speech is a copy of the
// reference clip): the title rule, what the engine is asked, what the library ends up with for
// each effect, and that no temporary file survives a success or a failed engine.
#include "clone/PromptGeneration.h"

#include "CloneAudioFixtures.h"
#include "FakeEngine.h"
#include "WaitForTask.h"
#include "audio/AudioPlayer.h"
#include "engine/EngineController.h"
#include "model/DataPaths.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>

using namespace chorale;
using namespace chorale::test;
using namespace std::chrono_literals;

namespace {

struct TitleCase {
    const char *name;
    QString prompt;
    QString title;
};

class PromptTitle : public ::testing::TestWithParam<TitleCase> {};

const QString hundred = QString(60, u'a') + QStringLiteral("  bcdefghi  ") + QString(28, u'z');

INSTANTIATE_TEST_SUITE_P(
        Rule, PromptTitle,
        ::testing::Values(
                TitleCase{"short", QStringLiteral("  Hello there.\n"), "Hello there."},
                TitleCase{"linesJoin", QStringLiteral("Guten Morgen!\r\nWie geht es?\nGut."),
                          "Guten Morgen! Wie geht es? Gut."},
                TitleCase{"exactly72", QString(72, u'x'), QString(72, u'x')},
                // 100 characters: the first 72 end in spaces, which go before the "…".
                TitleCase{"cutAndTrimmed", hundred,
                          QString(60, u'a') + QStringLiteral("  bcdefghi…")},
                // An "e" with a combining accent counts as one character and is never split.
                TitleCase{"graphemes", QString(71, u'x') + QStringLiteral("e\u0301") + "yz",
                          QString(71, u'x') + QStringLiteral("e\u0301…")},
                TitleCase{"japanese", QString(80, QChar(0x3042)),
                          QString(72, QChar(0x3042)) + QStringLiteral("…")}),
        [](const auto &test) { return std::string(test.param.name); });

TEST_P(PromptTitle, FollowsTheRule) {
    EXPECT_EQ(PromptGeneration::titleFor(GetParam().prompt), GetParam().title);
}

class PromptGenerationTest : public ::testing::Test {
protected:
    PromptGenerationTest() {
        store.load();
        Tone clip;
        clip.seconds = 4.0;
        clip.sampleRate = 24000;
        ada = store.addCharacter("Ada", "Calm", writeTone(root.scratch("calm.wav"), clip));
    }

    static EngineController::Timing fast() {
        return {.healthTries = 400,
                .healthInterval = 10ms,
                .statusTries = 400,
                .statusInterval = 10ms,
                .progressInterval = 10ms};
    }

    PromptGeneration::Outcome generate(const QString &text, CloneEffect effect,
                                       VoiceLanguage language = VoiceLanguage::german) {
        PromptGeneration::Request request{text, ada, ada.emotions.first(), language, effect};
        return waitForTask(PromptGeneration::generate(
                request, store, engine, player,
                [this](const LibraryItem &item) { savedIds << item.id; }));
    }

    static QStringList tmpFiles() {
        return QDir(DataPaths::tmpFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    TempDataRoot root;
    FakeEngine fake;
    DataStore store;
    EngineController engine{fast()};
    AudioPlayer player;
    VoiceCharacter ada;
    QList<QUuid> savedIds;
};

} // namespace

TEST_F(PromptGenerationTest, SavesATitledPromptTakeWhoseCloneCarriesTheEffect) {
    for (const CloneEffect effect : {CloneEffect::none, CloneEffect::robot}) {
        SCOPED_TRACE(rawValue(effect).toStdString());
        const auto outcome = generate("  Guten Morgen,\nwie geht es dir?  ", effect);
        ASSERT_TRUE(outcome.succeeded()) << outcome.error.value_or("").toStdString();
        const LibraryItem &take = *outcome.take;
        EXPECT_EQ(take.sourceDevice, "Prompt");
        EXPECT_EQ(take.title, "Guten Morgen, wie geht es dir?");
        EXPECT_EQ(take.characterId, ada.id);
        EXPECT_EQ(take.emotionId, ada.emotions.first().id);
        EXPECT_TRUE(take.convertedAt.has_value());
        EXPECT_NEAR(take.duration, 4.0, 0.01);
        EXPECT_EQ(savedIds.last(), take.id);
        EXPECT_EQ(store.sessionItemIDs().first(), take.id);

        const AudioInfo original = readAudio(DataPaths::originalFile(take.id));
        const AudioInfo clone = readAudio(DataPaths::convertedFile(take.id));
        ASSERT_GT(clone.frames, 0);
        if (effect == CloneEffect::none)
            EXPECT_EQ(clone.samples, original.samples);
        else
            EXPECT_NE(clone.samples, original.samples);
        EXPECT_FALSE(QFileInfo::exists(DataPaths::itemFolder(take.id) + "/effected.wav"));
        EXPECT_TRUE(tmpFiles().isEmpty()) << tmpFiles().join(' ').toStdString();
    }

    // The engine was asked for the trimmed text, in the voice of the emotion's clip.
    const QJsonObject body = fake.requests("/tts").last().value("body").toObject();
    EXPECT_EQ(body.value("text").toString(), "Guten Morgen,\nwie geht es dir?");
    EXPECT_EQ(body.value("language_id").toString(), "de");
    EXPECT_EQ(body.value("audio_prompt_wav").toString(),
              DataPaths::characterFolder(ada.id) + u'/' + ada.emotions.first().fileName);
    EXPECT_TRUE(
            body.value("output_wav").toString().startsWith(DataPaths::tmpFolder() + "/prompt-"));
    EXPECT_EQ(fake.starts(), 1);
}

TEST_F(PromptGenerationTest, AFailedEngineSavesNothingAndLeavesNoFileBehind) {
    // The engine writes part of a file and then reports failure.
    fake.set("TTS", R"({"ok": false, "detail": "The text is too long.", "_write": true})");
    const auto outcome = generate("Hallo", CloneEffect::none);
    EXPECT_FALSE(outcome.take);
    EXPECT_EQ(outcome.error.value_or("").toStdString(), "The text is too long.");
    EXPECT_FALSE(outcome.keptSpeech);
    EXPECT_TRUE(store.items().isEmpty());
    EXPECT_TRUE(savedIds.isEmpty());
    EXPECT_TRUE(tmpFiles().isEmpty()) << tmpFiles().join(' ').toStdString();
}

TEST_F(PromptGenerationTest, ABlankPromptDoesNothing) {
    const auto outcome = generate(" \n\t ", CloneEffect::echo);
    EXPECT_FALSE(outcome.take);
    EXPECT_FALSE(outcome.error);
    EXPECT_TRUE(fake.requests("/tts").isEmpty());
    EXPECT_EQ(fake.starts(), 0);
}
