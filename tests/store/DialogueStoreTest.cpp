// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogue operations of the store: names, tracks per speaker, clip placement, private clip
// copies and the stale mix file.
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/ResourcePaths.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class DialogueStoreTest : public ::testing::Test {
protected:
    DialogueStoreTest() {
        ResourcePaths::setResourceDirectoryOverride(QString()); // no default characters needed
        store.load();
    }
    ~DialogueStoreTest() override { ResourcePaths::setResourceDirectoryOverride(std::nullopt); }

    // A take of `character` whose clone lasts `seconds` (no clone when seconds is 0).
    LibraryItem take(const QString &character, double seconds) {
        VoiceCharacter c{QUuid::createUuid(), character, QDateTime::currentDateTimeUtc(), 1, {}};
        const LibraryItem item = store.saveOriginalRecording(
                1, c, std::nullopt, "Mic", writeTone(root.scratch("o.wav"), {.seconds = 1.0}));
        if (seconds > 0) {
            store.attachConvertedAudio(item,
                                       writeTone(root.scratch("c.wav"), {.seconds = seconds}));
        }
        return *store.item(item.id);
    }

    TempDataRoot root;
    DataStore store;
};

} // namespace

TEST_F(DialogueStoreTest, NamesAreTrimmedOrUntitled) {
    const DialogueProject a = store.createDialogue("   ");
    const DialogueProject b = store.createDialogue("\n");
    EXPECT_EQ(a.name, "Untitled dialogue");
    EXPECT_EQ(b.name, "Untitled dialogue");
    EXPECT_EQ(store.dialogues().first().id, b.id);
    EXPECT_TRUE(QFileInfo(DataPaths::dialogueClipsFolder(a.id)).isDir());

    const QDateTime before = store.dialogue(a.id)->updatedAt;
    store.renameDialogue(a, "  Scene 1 ");
    EXPECT_EQ(store.dialogue(a.id)->name, "Scene 1");
    EXPECT_GE(store.dialogue(a.id)->updatedAt, before);
    store.renameDialogue(a, "");
    EXPECT_EQ(store.dialogue(a.id)->name, "Untitled dialogue");
}

TEST_F(DialogueStoreTest, LibraryBatchLandsAfterEverythingOnSpeakerTracks) {
    DialogueProject d = store.createDialogue("Scene");
    d = store.addClips({take("Anna", 10)}, d, false);
    ASSERT_NEAR(d.duration, 10, 1e-6);
    d = store.addClips({take("Anna", 2), take("anna", 3), take("Bob", 4)}, d, false);
    ASSERT_EQ(d.clips.size(), 4);
    EXPECT_NEAR(d.clips[1].startTime, 10, 1e-6);
    EXPECT_NEAR(d.clips[2].startTime, 12, 1e-6);
    EXPECT_NEAR(d.clips[3].startTime, 15, 1e-6);
    EXPECT_NEAR(d.duration, 19, 1e-6);
    ASSERT_EQ(d.tracks.size(), 2) << "letter case does not split a speaker";
    EXPECT_EQ(d.tracks[0].name, "Anna");
    EXPECT_EQ(d.clips[2].trackId, d.tracks[0].id);
    EXPECT_EQ(d.clips[3].trackId, d.tracks[1].id);
    for (const auto &clip : d.clips) {
        EXPECT_TRUE(QFileInfo::exists(d.audioURL(clip)));
        EXPECT_EQ(clip.trimStart, 0);
        EXPECT_EQ(clip.trimEnd, clip.sourceDuration);
    }
    EXPECT_EQ(*store.dialogue(d.id), d);
}

TEST_F(DialogueStoreTest, AppendingToCharacterTrackIgnoresOtherTracks) {
    DialogueProject d = store.createDialogue("Scene");
    d = store.addClips({take("Anna", 10), take("Bob", 30)}, d, false);
    DialogueClip anna = d.clips[0];
    anna.trimEnd = 7.5; // the audible end counts, not the source's
    d.clips[0] = anna;
    store.updateDialogue(d);
    d = store.addClips({take("Anna", 2)}, *store.dialogue(d.id), true);
    EXPECT_NEAR(d.clips.last().startTime, 7.5, 1e-6);
    d = store.addClips({take("Cleo", 2)}, d, true);
    EXPECT_NEAR(d.clips.last().startTime, 0, 1e-6);
    EXPECT_EQ(d.tracks.last().name, "Cleo");
}

TEST_F(DialogueStoreTest, TakesWithoutCloneAreSkippedOrRefused) {
    DialogueProject d = store.createDialogue("Scene");
    d = store.addClips({take("Anna", 0), take("Bob", 2)}, d, false);
    EXPECT_EQ(d.clips.size(), 1);
    try {
        store.addClips({take("Anna", 0)}, d, false);
        ADD_FAILURE();
    } catch (const ChoraleError &e) {
        EXPECT_EQ(e.message(), "None of the selected takes have a clone yet.");
    }
    DialogueProject unknown = d;
    unknown.id = QUuid::createUuid();
    EXPECT_THROW(store.addClips({take("Anna", 2)}, unknown, false), ChoraleError);
}

TEST_F(DialogueStoreTest, ClipsSurviveTheirTakesAndRemovalKeepsTracks) {
    const LibraryItem source = take("Anna", 2);
    DialogueProject d = store.addClips({source}, store.createDialogue("Scene"), false);
    store.deleteItem(source);
    const QString file = d.audioURL(d.clips[0]);
    EXPECT_TRUE(QFileInfo::exists(file));

    store.removeClip(d.clips[0], d);
    d = *store.dialogue(d.id);
    EXPECT_TRUE(d.clips.isEmpty());
    EXPECT_EQ(d.tracks.size(), 1) << "the empty track stays";
    EXPECT_EQ(d.duration, 0);
    EXPECT_FALSE(QFileInfo::exists(file));

    store.deleteDialogue(d);
    EXPECT_FALSE(store.dialogue(d.id));
    EXPECT_FALSE(QFileInfo::exists(DataPaths::dialogueFolder(d.id)));
}

TEST_F(DialogueStoreTest, StaleMixGoesWhenClipsChange) {
    DialogueProject d = store.addClips({take("Anna", 2)}, store.createDialogue("Scene"), false);
    const QString mix = DataPaths::dialogueFolder(d.id) + "/mix.wav";
    writeAll(mix, "old");
    d.name = "Renamed";
    store.updateDialogue(d);
    EXPECT_TRUE(QFileInfo::exists(mix)) << "clips unchanged";
    d.clips[0].startTime = 5;
    store.updateDialogue(d);
    EXPECT_FALSE(QFileInfo::exists(mix));
    EXPECT_NEAR(store.dialogue(d.id)->duration, 7, 1e-6);

    DataStore reloaded;
    reloaded.load();
    EXPECT_EQ(reloaded.dialogue(d.id)->clips, store.dialogue(d.id)->clips);
}
