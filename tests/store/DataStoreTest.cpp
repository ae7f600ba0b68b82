// SPDX-License-Identifier: GPL-3.0-or-later
// The data store against a real temporary data root: loading rules, seeding of the default
// characters, character and take operations, and refusal of records that point outside.
#include "store/DataStore.h"

#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/Preferences.h"
#include "model/RecordJson.h"
#include "model/ResourcePaths.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class DataStoreTest : public ::testing::Test {
protected:
    QString tone(const QString &name, double seconds, int channels = 1) {
        return writeTone(root.scratch(name), {.seconds = seconds, .channels = channels});
    }

    // A fresh store loaded from disk, as at the next start of the app.
    std::unique_ptr<DataStore> restart() {
        auto store = std::make_unique<DataStore>();
        store->load();
        return store;
    }

    const VoiceCharacter *named(const DataStore &store, const QString &name) {
        for (const auto &c : store.characters()) {
            if (c.name == name)
                return &c;
        }
        return nullptr;
    }

    QJsonObject metaOf(const QString &folder) {
        return QJsonDocument::fromJson(readAll(folder + "/meta.json")).object();
    }

    TempDataRoot root;
};

} // namespace

TEST_F(DataStoreTest, FirstLoadCreatesPrivateRootAndSeedsDefaults) {
    auto store = restart();
    for (const char *folder : {"characters", "library", "dialogues", "models"})
        EXPECT_TRUE(QFileInfo(root.path() + "/" + folder).isDir()) << folder;
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(root.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ASSERT_EQ(store->characters().size(), 2);
    for (const char *name : {"Default Male", "Default Female"}) {
        const VoiceCharacter *c = named(*store, name);
        ASSERT_TRUE(c) << name;
        ASSERT_EQ(c->emotions.size(), 1);
        EXPECT_EQ(c->emotions[0].name, "Neutral");
        EXPECT_GE(c->duration, 3.0);
        EXPECT_LE(c->duration, 30.0);
        EXPECT_TRUE(QFileInfo::exists(DataPaths::characterFolder(c->id) + "/" +
                                      c->emotions[0].fileName));
    }
    EXPECT_EQ(openPreferences()->value("chl.defaultVoiceFiles").toString(), "wav");
    EXPECT_TRUE(store->sessionItemIDs().isEmpty());
}

TEST_F(DataStoreTest, DeletedDefaultCharacterComesBackWithNewId) {
    auto store = restart();
    const VoiceCharacter male = *named(*store, "Default Male");
    store->deleteCharacter(male);
    EXPECT_FALSE(QFileInfo::exists(DataPaths::characterFolder(male.id)));
    store = restart();
    const VoiceCharacter *again = named(*store, "Default Male");
    ASSERT_TRUE(again);
    EXPECT_NE(again->id, male.id);
}

TEST_F(DataStoreTest, DefaultClipsAreReconvertedOnceWhenNotYetMarked) {
    auto store = restart();
    const VoiceCharacter male = *named(*store, "Default Male");
    const QString clip = DataPaths::characterFolder(male.id) + "/" + male.emotions[0].fileName;
    writeTone(clip, {.seconds = 5.0}); // an old clip, different from the shipped voice

    openPreferences()->remove("chl.defaultVoiceFiles");
    store = restart();
    const double shipped = named(*store, "Default Male")->duration;
    EXPECT_GT(std::abs(shipped - 5.0), 0.5) << "clip replaced by the shipped voice";
    EXPECT_EQ(named(*store, "Default Male")->id, male.id);
    EXPECT_EQ(openPreferences()->value("chl.defaultVoiceFiles").toString(), "wav");

    writeTone(clip, {.seconds = 5.0});
    store = restart();
    EXPECT_NEAR(named(*store, "Default Male")->emotions[0].duration, shipped, 1e-9)
            << "stored length is not re-measured";
    EXPECT_NEAR(readAudio(clip).frames / 48000.0, 5.0, 1e-6) << "marked: clip left alone";
}

TEST_F(DataStoreTest, NoShippedVoicesMeansNoDefaults) {
    ResourcePaths::setResourceDirectoryOverride(QString());
    auto store = restart();
    ResourcePaths::setResourceDirectoryOverride(std::nullopt);
    EXPECT_TRUE(store->characters().isEmpty());
}

TEST_F(DataStoreTest, ClipLengthRule) {
    auto store = restart();
    const int before = int(QDir(DataPaths::charactersFolder())
                                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                   .size());
    struct Case {
        double seconds;
        const char *message; // nullptr: accepted
    };
    const Case cases[] = {
            {2.9, "Voice clips must be 3–30 seconds. This file is 2.9s."},
            {3.0, nullptr},
            {30.0, nullptr},
            {45.0, "Voice clips must be 3–30 seconds. This file is 45.0s."},
    };
    int added = 0;
    for (const auto &c : cases) {
        const QString file = tone(QString::number(c.seconds) + ".wav", c.seconds);
        if (c.message) {
            try {
                store->addCharacter("Anna", "", file);
                ADD_FAILURE() << c.seconds;
            } catch (const ChoraleError &e) {
                EXPECT_EQ(e.kind(), ChoraleError::Kind::durationOutOfRange);
                EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
            }
        } else {
            const VoiceCharacter anna = store->addCharacter("  Anna \n", "  ", file);
            ++added;
            EXPECT_EQ(anna.name, "Anna");
            EXPECT_EQ(anna.emotions[0].name, "Neutral");
            EXPECT_EQ(anna.emotions[0].fileName, idText(anna.emotions[0].id) + ".wav");
            EXPECT_NEAR(anna.duration, c.seconds, 1e-6);
            EXPECT_EQ(store->characters().first().id, anna.id) << "new characters go first";
        }
    }
    EXPECT_EQ(
            QDir(DataPaths::charactersFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
            before + added)
            << "refused clips leave no folder";
}

TEST_F(DataStoreTest, UndecodableClipLeavesNothingBehind) {
    auto store = restart();
    const QString text = root.scratch("voice.mp3");
    writeAll(text, "not audio at all");
    EXPECT_THROW(store->addCharacter("Anna", "", text), ChoraleError);
    EXPECT_EQ(store->characters().size(), 2);
    EXPECT_EQ(
            QDir(DataPaths::charactersFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
            2);
}

TEST_F(DataStoreTest, EmotionOperations) {
    auto store = restart();
    VoiceCharacter anna = store->addCharacter("Anna", "Calm", tone("calm.wav", 4));
    store->addEmotion(anna, "Happy", tone("happy.flac", 6, 2));
    anna = *store->character(anna.id);
    ASSERT_EQ(anna.emotions.size(), 2);
    EXPECT_EQ(anna.emotions[1].name, "Happy");
    EXPECT_NEAR(anna.duration, 6, 1e-6);

    store->renameEmotion(anna.emotions[1], anna, "   ");
    EXPECT_EQ(store->character(anna.id)->emotions[1].name, "Happy");

    store->deleteEmotion(anna.emotions[1], anna);
    anna = *store->character(anna.id);
    ASSERT_EQ(anna.emotions.size(), 1);
    EXPECT_NEAR(anna.duration, 4, 1e-6) << "duration follows the longest remaining clip";
    store->deleteEmotion(anna.emotions[0], anna);
    EXPECT_EQ(store->character(anna.id)->emotions.size(), 1) << "the last emotion stays";

    store = restart();
    EXPECT_EQ(store->character(anna.id), anna) << "disk agrees with memory";
}

TEST_F(DataStoreTest, RenamesPropagateIntoTakes) {
    auto store = restart();
    const VoiceCharacter anna = store->addCharacter("Anna", "Calm", tone("calm.wav", 4));
    const LibraryItem take =
            store->saveOriginalRecording(1, anna, anna.emotions[0], "Mic", tone("take.wav", 1));
    const LibraryItem other = store->saveOriginalRecording(1, std::nullopt, std::nullopt, "Mic",
                                                           tone("take2.wav", 1));
    QSignalSpy itemsChanged(store.get(), &DataStore::itemsChanged);
    store->renameCharacter(anna, " Hanna ");
    store->renameEmotion(anna.emotions[0], *store->character(anna.id), "Gentle");
    EXPECT_GE(itemsChanged.count(), 2);
    EXPECT_EQ(store->item(take.id)->characterName, "Hanna");
    EXPECT_EQ(store->item(take.id)->emotionName, "Gentle");
    EXPECT_EQ(store->item(other.id)->characterName, "Unassigned");
    const QJsonObject meta = metaOf(DataPaths::itemFolder(take.id));
    EXPECT_EQ(meta["characterName"].toString(), "Hanna");
    EXPECT_EQ(meta["emotionName"].toString(), "Gentle");

    // A stale copy of the character (old name) no longer matches: nothing happens.
    store->renameCharacter(anna, "Stale");
    EXPECT_EQ(store->character(anna.id)->name, "Hanna");
}

TEST_F(DataStoreTest, TakeLifecycle) {
    auto store = restart();
    const LibraryItem take = store->saveOriginalRecording(99, std::nullopt, std::nullopt, "USB Mic",
                                                          tone("take.wav", 2.5, 2));
    EXPECT_EQ(store->items().first().id, take.id);
    EXPECT_EQ(store->sessionItemIDs(), QList<QUuid>{take.id});
    EXPECT_NEAR(take.duration, 2.5, 1e-6) << "measured length wins over the given one";
    EXPECT_EQ(take.characterName, "Unassigned");
    EXPECT_FALSE(take.characterId);
    EXPECT_FALSE(take.hasConverted());
    EXPECT_EQ(metaOf(DataPaths::itemFolder(take.id)).keys().size(), 5);

    store->attachConvertedAudio(take, tone("clone.wav", 3.0));
    const LibraryItem cloned = *store->item(take.id);
    EXPECT_TRUE(cloned.hasConverted());
    EXPECT_TRUE(cloned.convertedAt);
    EXPECT_NEAR(cloned.duration, 3.0, 1e-6);

    store->setRecordingTitle("  \n ", take.id);
    EXPECT_FALSE(store->item(take.id)->title);
    store->setRecordingTitle("  Hello world \n", take.id);
    EXPECT_EQ(store->item(take.id)->title, "Hello world");

    store = restart();
    EXPECT_EQ(store->item(take.id)->title, "Hello world");
    EXPECT_TRUE(store->sessionItemIDs().isEmpty());

    store->deleteItem(*store->item(take.id));
    EXPECT_FALSE(store->item(take.id));
    EXPECT_FALSE(QFileInfo::exists(DataPaths::itemFolder(take.id)));
}

TEST_F(DataStoreTest, AttachingTheCloneInPlaceCopiesNothing) {
    auto store = restart();
    const LibraryItem take = store->saveOriginalRecording(1, std::nullopt, std::nullopt, "Mic",
                                                          tone("take.wav", 1.0));
    // The queue may leave the finished clone at its final place already.
    writeTone(DataPaths::convertedFile(take.id), {.seconds = 2.0});
    store->attachConvertedAudio(take, DataPaths::convertedFile(take.id));
    EXPECT_NEAR(store->item(take.id)->duration, 2.0, 1e-6);
    EXPECT_NEAR(readAudio(DataPaths::convertedFile(take.id)).frames, 96000, 0);
}

TEST_F(DataStoreTest, LoadSkipsJunkAndMissingAudio) {
    auto store = restart();
    const VoiceCharacter anna = store->addCharacter("Anna", "A", tone("a.wav", 4));
    store->addEmotion(anna, "B", tone("b.wav", 5));
    const VoiceCharacter bob = store->addCharacter("Bob", "", tone("c.wav", 4));
    const LibraryItem kept =
            store->saveOriginalRecording(1, std::nullopt, std::nullopt, "Mic", tone("t1.wav", 1));
    const LibraryItem gone =
            store->saveOriginalRecording(1, std::nullopt, std::nullopt, "Mic", tone("t2.wav", 1));

    QDir().mkpath(DataPaths::charactersFolder() + "/no-meta");
    writeAll(DataPaths::charactersFolder() + "/stray.txt", "x");
    writeAll(DataPaths::charactersFolder() + "/.hidden/meta.json",
             RecordJson::encode(*store->character(anna.id))
                     .replace(idText(anna.id).toLatin1(), "00000000-0000-0000-0000-000000000001"));
    writeAll(DataPaths::libraryFolder() + "/broken/meta.json", "{ not json");
    const auto annaNow = *store->character(anna.id);
    QFile::remove(DataPaths::characterFolder(anna.id) + "/" + annaNow.emotions[0].fileName);
    for (const auto &e : bob.emotions)
        QFile::remove(DataPaths::characterFolder(bob.id) + "/" + e.fileName);
    QFile::remove(DataPaths::originalFile(gone.id));

    store = restart();
    const VoiceCharacter *loadedAnna = named(*store, "Anna");
    ASSERT_TRUE(loadedAnna);
    ASSERT_EQ(loadedAnna->emotions.size(), 1);
    EXPECT_EQ(loadedAnna->emotions[0].name, "B");
    EXPECT_FALSE(named(*store, "Bob")) << "no clip left";
    EXPECT_EQ(store->characters().size(), 3) << "hidden, stray and meta-less entries skipped";
    EXPECT_TRUE(store->item(kept.id));
    EXPECT_FALSE(store->item(gone.id));
    EXPECT_TRUE(QFileInfo::exists(DataPaths::itemFolder(gone.id) + "/meta.json"))
            << "skipped records stay on disk";
}

TEST_F(DataStoreTest, LegacyReferenceClipIsMigrated) {
    restart();
    const QUuid id = QUuid::createUuid();
    const QString folder = DataPaths::characterFolder(id);
    writeAll(folder + "/meta.json", QJsonDocument(QJsonObject{{"id", idText(id)},
                                                              {"name", "Old Timer"},
                                                              {"createdAt", "2023-03-01T08:00:00Z"},
                                                              {"duration", 0}})
                                            .toJson());
    writeTone(folder + "/reference.wav", {.seconds = 7.0});
    auto store = restart();
    const VoiceCharacter *old = named(*store, "Old Timer");
    ASSERT_TRUE(old);
    ASSERT_EQ(old->emotions.size(), 1);
    EXPECT_EQ(old->emotions[0].name, "Neutral");
    EXPECT_EQ(old->emotions[0].fileName, "reference.wav");
    EXPECT_NEAR(old->duration, 7.0, 1e-6);
    EXPECT_EQ(old->emotions[0].createdAt, old->createdAt);
    const QJsonArray emotions = metaOf(folder)["emotions"].toArray();
    ASSERT_EQ(emotions.size(), 1);
    EXPECT_EQ(emotions[0].toObject()["fileName"].toString(), "reference.wav");
}

TEST_F(DataStoreTest, HostileFileNamesTouchNothingOutside) {
    restart();
    // A sentinel outside the data root that a careless path join would reach.
    const QString sentinel = root.scratch("sentinel.wav");
    writeTone(sentinel, {.seconds = 4.0});
    const QUuid id = QUuid::createUuid();
    const QString folder = DataPaths::characterFolder(id);
    const QString relative = QDir(folder).relativeFilePath(sentinel);
    auto emotion = [](const QString &fileName) {
        return QJsonObject{{"id", idText(QUuid::createUuid())},
                           {"name", "Evil"},
                           {"duration", 4.0},
                           {"createdAt", "2024-01-01T00:00:00Z"},
                           {"fileName", fileName}};
    };
    writeTone(folder + "/ok.wav", {.seconds = 4.0});
    writeAll(folder + "/meta.json",
             QJsonDocument(
                     QJsonObject{{"id", idText(id)},
                                 {"name", "Mallory"},
                                 {"createdAt", "2024-01-01T00:00:00Z"},
                                 {"duration", 4.0},
                                 {"emotions", QJsonArray{emotion("ok.wav"), emotion(relative)}}})
                     .toJson());
    auto store = restart();
    EXPECT_FALSE(named(*store, "Mallory")) << "the whole record is refused";
    // Deleting through a forged copy of a character cannot reach outside either.
    VoiceCharacter forged{id, "Mallory", QDateTime::currentDateTimeUtc(), 4, {}};
    CharacterEmotion evil{QUuid::createUuid(), "Evil", 4, {}, relative};
    forged.emotions = {evil, evil};
    store->deleteEmotion(evil, forged);
    store->deleteCharacter(*named(*store, "Default Male"));
    EXPECT_TRUE(QFileInfo::exists(sentinel));
}
