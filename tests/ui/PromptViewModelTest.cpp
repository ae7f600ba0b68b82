// SPDX-License-Identifier: GPL-3.0-or-later
// The Prompt screen's rules over a real app and the scriptable test engine (whose speech is a
// copy of the reference clip): when Generate is allowed, the shortcut's section check, and what
// a generated take ends up with.
#include "ui/PromptViewModel.h"

#include "FakeEngine.h"
#include "app/ChoraleApp.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class PromptViewModelTest : public ::testing::Test {
protected:
    PromptViewModelTest() {
        QCoro::waitFor(app.startUp());
        ada = app.store()->addCharacter("Ada", "Calm",
                                        writeTone(root.scratch("calm.wav"), {.seconds = 3.5}));
        screen.setApp(&app);
        screen.voice()->selectCharacter(ada.id);
        app.navigation()->setSection(AppSection::prompt);
    }

    // Presses Generate and waits until the generation has ended.
    void generate() {
        QSignalSpy done(&screen, &PromptViewModel::generated);
        screen.requestGenerate();
        ASSERT_TRUE(screen.generating());
        EXPECT_FALSE(screen.canGenerate()) << "one generation at a time";
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() > 0; }, 20000));
        EXPECT_FALSE(screen.generating());
    }

    TempDataRoot root;
    FakeEngine engine;
    ChoraleApp app;
    PromptViewModel screen;
    VoiceCharacter ada;
};

} // namespace

TEST_F(PromptViewModelTest, GenerateNeedsTextCharacterAndEmotion) {
    struct Case {
        const char *prompt;
        bool character;
        bool canGenerate;
    };
    const Case cases[] = {
            {"", true, false},
            {"  \n\t \r\n ", true, false},
            {"Hello there", true, true},
            {"Hello there", false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.prompt);
        screen.setPrompt(c.prompt);
        screen.voice()->selectCharacter(c.character ? std::optional(ada.id) : std::nullopt);
        EXPECT_EQ(screen.canGenerate(), c.canGenerate);
    }
}

TEST_F(PromptViewModelTest, ShortcutOutsideThePromptSectionDoesNothing) {
    screen.setPrompt("Hello there");
    ASSERT_TRUE(screen.canGenerate());
    for (const AppSection section :
         {AppSection::record, AppSection::library, AppSection::settings}) {
        app.navigation()->setSection(section);
        screen.requestGenerate();
        EXPECT_FALSE(screen.generating());
    }
    QTest::qWait(100);
    EXPECT_EQ(engine.starts(), 0);
    EXPECT_TRUE(app.store()->sessionItemIDs().isEmpty());
}

TEST_F(PromptViewModelTest, GeneratedTakeIsTheSpeechWithTheEffect) {
    struct Case {
        CloneEffect effect;
        bool cloneIsCopy;
    };
    for (const Case c : {Case{CloneEffect::none, true}, Case{CloneEffect::robot, false}}) {
        SCOPED_TRACE(rawValue(c.effect).toStdString());
        screen.effects()->setCurrentValue(rawValue(c.effect));
        screen.setPrompt(QStringLiteral("  Say it\nin %1 style  ").arg(rawValue(c.effect)));
        generate();
        EXPECT_EQ(screen.alertMessage(), QString());

        ASSERT_FALSE(app.store()->sessionItemIDs().isEmpty());
        const LibraryItem take = *app.store()->item(app.store()->sessionItemIDs().first());
        EXPECT_EQ(take.sourceDevice, "Prompt");
        EXPECT_EQ(take.characterId, ada.id);
        EXPECT_EQ(take.emotionId, ada.emotions[0].id);
        EXPECT_EQ(take.title, QStringLiteral("Say it in %1 style").arg(rawValue(c.effect)));
        EXPECT_NEAR(take.duration, 3.5, 0.05);
        EXPECT_TRUE(take.convertedAt);
        EXPECT_EQ(screen.scrollToID(), idText(take.id));
        EXPECT_EQ(screen.recentTakes()->items().first().id, take.id);

        const QString original = DataPaths::originalFile(take.id);
        const QString clone = DataPaths::convertedFile(take.id);
        ASSERT_TRUE(QFileInfo::exists(clone));
        EXPECT_EQ(readAll(clone) == readAll(original), c.cloneIsCopy);
        EXPECT_FALSE(QFileInfo::exists(DataPaths::itemFolder(take.id) + "/effected.wav"));
        // The engine's temporary output is gone; the text stays for further edits.
        EXPECT_TRUE(QDir(DataPaths::tmpFolder()).entryList({"prompt-*"}).isEmpty());
        EXPECT_FALSE(screen.prompt().isEmpty());

        const QJsonObject body = engine.requests("/tts").last().value("body").toObject();
        EXPECT_EQ(body.value("text").toString(),
                  QStringLiteral("Say it\nin %1 style").arg(rawValue(c.effect)));
        EXPECT_EQ(body.value("language_id").toString(), "en");
        EXPECT_EQ(body.value("audio_prompt_wav").toString(),
                  DataPaths::characterFolder(ada.id) + u'/' + ada.emotions[0].fileName);
    }
    EXPECT_EQ(screen.recentTakes()->rowCount(), 2);
}

TEST_F(PromptViewModelTest, EngineFailureShowsInTheAlertAndSavesNothing) {
    engine.set("TTS", R"({"ok": false, "detail": "This voice cannot speak Swahili."})");
    screen.languages()->setCurrentValue("sw");
    screen.setPrompt("Habari");
    generate();
    EXPECT_EQ(screen.alertMessage(), "This voice cannot speak Swahili.");
    EXPECT_TRUE(app.store()->sessionItemIDs().isEmpty());
    EXPECT_TRUE(screen.canGenerate());
    EXPECT_EQ(engine.requests("/tts").last().value("body").toObject().value("language_id"), "sw");
    screen.clearAlert();
    EXPECT_EQ(screen.alertMessage(), QString());
}
