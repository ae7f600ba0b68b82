// SPDX-License-Identifier: GPL-3.0-or-later
// The Characters screen's rules over the real store and player.
#include "ui/CharactersViewModel.h"

#include "app/ChoraleApp.h"
#include "audio/AudioPlayer.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class CharactersViewModelTest : public ::testing::Test {
protected:
    CharactersViewModelTest() {
        QCoro::waitFor(app.startUp());
        viewModel.setApp(&app);
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

    TempDataRoot root;
    ChoraleApp app;
    CharactersViewModel viewModel;
};

} // namespace

TEST_F(CharactersViewModelTest, ListFollowsTheStore) {
    QAbstractItemModelTester tester(viewModel.characters(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int defaults = viewModel.characters()->rowCount();
    const VoiceCharacter anna = addCharacter("Anna", 2);
    ASSERT_EQ(viewModel.characters()->rowCount(), defaults + 1);
    const QModelIndex first = viewModel.characters()->index(0);
    EXPECT_EQ(first.data(CharacterListModel::NameRole).toString(), "Anna");
    EXPECT_EQ(first.data(CharacterListModel::EmotionSummaryRole).toString(), "E0 · E1");
    const QVariantList emotions = first.data(CharacterListModel::EmotionsRole).toList();
    ASSERT_EQ(emotions.size(), 2);
    EXPECT_EQ(emotions[0].toMap()["durationText"].toString(), "0:04");

    viewModel.renameCharacter(idText(anna.id), "Hanna");
    EXPECT_EQ(viewModel.characters()->index(0).data(CharacterListModel::NameRole).toString(),
              "Hanna");
    viewModel.deleteCharacter(idText(anna.id));
    EXPECT_EQ(viewModel.characters()->rowCount(), defaults);
}

TEST_F(CharactersViewModelTest, LastEmotionCannotBeDeleted) {
    const VoiceCharacter solo = addCharacter("Solo", 1);
    QSignalSpy errors(&viewModel, &CharactersViewModel::errorMessageChanged);
    viewModel.deleteEmotion(idText(solo.id), idText(solo.emotions[0].id));
    EXPECT_EQ(viewModel.errorMessage(), "A character needs at least one emotion clip.");
    EXPECT_EQ(app.store()->character(solo.id)->emotions.size(), 1);
    viewModel.clearError();
    EXPECT_TRUE(viewModel.errorMessage().isEmpty());

    const VoiceCharacter duo = addCharacter("Duo", 2);
    viewModel.deleteEmotion(idText(duo.id), idText(duo.emotions[1].id));
    EXPECT_EQ(app.store()->character(duo.id)->emotions.size(), 1);
    EXPECT_TRUE(viewModel.errorMessage().isEmpty());
}

TEST_F(CharactersViewModelTest, DeletingThePlayingClipStopsPlayback) {
    const VoiceCharacter duo = addCharacter("Duo", 2);
    const QVariantList emotions =
            viewModel.characters()->index(0).data(CharacterListModel::EmotionsRole).toList();
    const QString path = emotions[1].toMap()["path"].toString();
    viewModel.play(path);
    if (viewModel.playingPath().isEmpty()) {
        if (qEnvironmentVariableIsSet("CHORALE_REQUIRE_AUDIO"))
            FAIL() << "no audio output";
        GTEST_SKIP() << "no audio output device";
    }
    EXPECT_EQ(viewModel.playingPath(), path);
    viewModel.deleteEmotion(idText(duo.id), idText(duo.emotions[1].id));
    EXPECT_TRUE(viewModel.playingPath().isEmpty());
}
