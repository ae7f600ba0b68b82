// SPDX-License-Identifier: GPL-3.0-or-later
// A data directory with hand-made records whose file names point outside it (parent paths,
// absolute paths, empty and dot names), beside ordinary records. Loading it, playing every take,
// clip and dialogue, drawing waveforms, exporting every dialogue and track, and deleting
// everything must touch nothing outside the data directory: a sentinel tree next to it is
// watched with inotify for any open, read or change.
#include "SentinelTree.h"
#include "audio/AudioPlayer.h"
#include "dialogue/DialogueMixer.h"
#include "dialogue/WaveformPeaks.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/RecordJson.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

void spinEvents(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class HostileRecordsTest : public ::testing::Test {
protected:
    HostileRecordsTest()
        : sentinel(QFileInfo(root.path()).absolutePath() + QStringLiteral("/sentinel")) {}

    // File names a hand-edited or planted meta.json could carry. `up` climbs from the folder
    // the name is joined to (characters/<id>/ or dialogues/<id>/clips/) to the data root.
    QStringList hostileNames(const QString &up) const {
        return {up + QStringLiteral("../sentinel/victim.wav"),
                sentinel.victim(),
                QString(),
                QStringLiteral("."),
                QStringLiteral(".."),
                QStringLiteral("../victim.wav"),
                QStringLiteral("inner/../../victim.wav"),
                up + QStringLiteral("../sentinel"),
                QStringLiteral("clip.wav") + QChar(0) + QStringLiteral("../../x")};
    }

    QString tone(const QString &name, double seconds) const {
        Tone tone;
        tone.seconds = seconds;
        tone.sampleRate = 16000;
        return writeTone(root.scratch(name), tone);
    }

    // Ordinary records made through the store: a character, a cloned take, a dialogue.
    void makeOrdinaryRecords() {
        DataStore store;
        store.load();
        const VoiceCharacter ada =
                store.addCharacter(QStringLiteral("Ada"), QStringLiteral("Calm"), tone("a.wav", 4));
        store.addEmotion(*store.character(ada.id), QStringLiteral("Happy"), tone("b.wav", 3.5));
        const LibraryItem take = store.saveOriginalRecording(
                1, ada, ada.emotions.first(), QStringLiteral("Mic"), tone("take.wav", 1));
        store.attachConvertedAudio(take, tone("clone.wav", 1.2));
        const DialogueProject scene = store.createDialogue(QStringLiteral("Scene"));
        store.addClips({*store.item(take.id)}, scene, false);
    }

    // A character folder with a real clip and a meta.json naming `fileName` as its clip.
    QUuid plantCharacter(const QString &fileName, bool withGoodEmotionFirst) {
        const QUuid id = QUuid::createUuid();
        const QString folder = DataPaths::characterFolder(id);
        QDir().mkpath(folder);
        QJsonArray emotions;
        if (withGoodEmotionFirst) {
            const QUuid good = QUuid::createUuid();
            QFile::copy(tone("good.wav", 3.5), folder + u'/' + idText(good) + ".wav");
            emotions << QJsonObject{{"id", idText(good)},
                                    {"name", "Neutral"},
                                    {"duration", 3.5},
                                    {"createdAt", "2025-01-31T09:15:02Z"},
                                    {"fileName", idText(good) + ".wav"}};
        }
        emotions << QJsonObject{{"id", idText(QUuid::createUuid())},
                                {"name", "Hostile"},
                                {"duration", 3.5},
                                {"createdAt", "2025-01-31T09:15:02Z"},
                                {"fileName", fileName}};
        const QJsonObject character{{"id", idText(id)},
                                    {"name", "Planted " + fileName.left(20)},
                                    {"createdAt", "2025-01-31T09:15:02Z"},
                                    {"duration", 3.5},
                                    {"emotions", emotions}};
        writeAll(folder + QStringLiteral("/meta.json"), QJsonDocument(character).toJson());
        planted << folder + QStringLiteral("/meta.json");
        return id;
    }

    // A dialogue folder with one real clip and one clip named `fileName`.
    QUuid plantDialogue(const QString &fileName) {
        const QUuid id = QUuid::createUuid();
        const QUuid track = QUuid::createUuid();
        const QUuid good = QUuid::createUuid();
        QDir().mkpath(DataPaths::dialogueClipsFolder(id));
        QFile::copy(tone("clip.wav", 1), DataPaths::dialogueClipFile(id, idText(good) + ".wav"));
        auto clip = [&](const QUuid &clipId, const QString &name, double start) {
            return QJsonObject{{"id", idText(clipId)},   {"trackId", idText(track)},
                               {"startTime", start},     {"trimStart", 0},
                               {"trimEnd", 1},           {"sourceDuration", 1},
                               {"characterName", "Ada"}, {"fileName", name}};
        };
        const QJsonObject dialogue{
                {"id", idText(id)},
                {"name", "Planted"},
                {"createdAt", "2025-01-31T09:15:02Z"},
                {"updatedAt", "2025-01-31T09:15:02Z"},
                {"duration", 3},
                {"tracks", QJsonArray{QJsonObject{{"id", idText(track)}, {"name", "Ada"}}}},
                {"clips", QJsonArray{clip(good, idText(good) + ".wav", 0),
                                     clip(QUuid::createUuid(), fileName, 1)}}};
        writeAll(DataPaths::dialogueFolder(id) + QStringLiteral("/meta.json"),
                 QJsonDocument(dialogue).toJson());
        planted << DataPaths::dialogueFolder(id) + QStringLiteral("/meta.json");
        return id;
    }

    QMap<QString, QByteArray> plantedFiles() const {
        QMap<QString, QByteArray> files;
        for (const QString &path : planted)
            files[path] = readAll(path);
        return files;
    }

    TempDataRoot root;
    SentinelTree sentinel;
    QStringList planted;
};

} // namespace

TEST_F(HostileRecordsTest, NothingOutsideTheDataDirectoryIsTouched) {
    makeOrdinaryRecords();
    QList<QUuid> hostile;
    for (const QString &name : hostileNames(QStringLiteral("../../"))) {
        hostile << plantCharacter(name, false) << plantCharacter(name, true);
    }
    for (const QString &name : hostileNames(QStringLiteral("../../../")))
        hostile << plantDialogue(name);
    const QMap<QString, QByteArray> plantedBefore = plantedFiles();
    const QMap<QString, QString> before = sentinel.fingerprint();
    sentinel.startWatching();

    // The next start: every planted record is skipped as a whole, the ordinary ones load.
    DataStore store;
    store.load();
    for (const QUuid &id : hostile) {
        EXPECT_FALSE(store.character(id)) << qPrintable(idText(id));
        EXPECT_FALSE(store.dialogue(id)) << qPrintable(idText(id));
    }
    ASSERT_TRUE(std::any_of(store.characters().cbegin(), store.characters().cend(),
                            [](const auto &c) { return c.name == QLatin1String("Ada"); }));
    EXPECT_EQ(store.items().size(), 1);
    EXPECT_EQ(store.dialogues().size(), 1);

    // Playing every clip, take and dialogue, drawing every waveform.
    AudioPlayer player;
    for (const VoiceCharacter &c : store.characters()) {
        for (const CharacterEmotion &e : c.emotions) {
            player.toggle(DataPaths::characterFolder(c.id) + u'/' + e.fileName);
            player.stop();
        }
    }
    for (const LibraryItem &item : store.items()) {
        player.toggle(DataPaths::originalFile(item.id));
        player.toggle(DataPaths::convertedFile(item.id));
        player.stop();
    }
    DialogueMixer mixer;
    const QString exports = root.scratch(QStringLiteral("exports"));
    QDir().mkpath(exports);
    for (const DialogueProject &d : store.dialogues()) {
        mixer.play(d, 0);
        spinEvents(100);
        mixer.stopEngine();
        for (const DialogueClip &clip : d.clips)
            EXPECT_EQ(WaveformPeaks::load(d.audioURL(clip), 256).size(), 256);
        // Exporting the whole dialogue and each track.
        DialogueMixer::bounce(d, exports + QStringLiteral("/mix.wav"));
        for (const DialogueTrack &t : d.tracks)
            DialogueMixer::bounce(d, exports + u'/' + idText(t.id) + QStringLiteral(".wav"), t.id);
    }

    // Deleting everything that loaded, clip by clip and record by record.
    for (const VoiceCharacter &c : QList(store.characters())) {
        for (const CharacterEmotion &e : c.emotions)
            store.deleteEmotion(e, *store.character(c.id));
        store.deleteCharacter(c);
    }
    for (const LibraryItem &item : QList(store.items()))
        store.deleteItem(item);
    for (const DialogueProject &d : QList(store.dialogues())) {
        for (const DialogueClip &clip : d.clips)
            store.removeClip(clip, *store.dialogue(d.id));
        store.deleteDialogue(d);
    }
    DataStore().load();
    spinEvents(50);

    EXPECT_EQ(sentinel.events().join(u'\n').toStdString(), "");
    EXPECT_TRUE(sentinel.fingerprint() == before);
    // Records that did not load stay on disk exactly as they were.
    EXPECT_TRUE(plantedFiles() == plantedBefore);
}

// Deleting a record removes links found in its folder, never what they point to.
TEST_F(HostileRecordsTest, DeletingRecordsDoesNotFollowLinksOutOfTheirFolders) {
    makeOrdinaryRecords();
    DataStore store;
    store.load();
    const VoiceCharacter ada = *std::find_if(store.characters().cbegin(), store.characters().cend(),
                                             [](const auto &c) { return c.name == "Ada"; });
    const LibraryItem take = store.items().first();
    const DialogueProject scene = store.dialogues().first();
    const QStringList folders = {DataPaths::characterFolder(ada.id), DataPaths::itemFolder(take.id),
                                 DataPaths::dialogueClipsFolder(scene.id)};
    for (const QString &folder : folders) {
        QFile::link(sentinel.victim(), folder + QStringLiteral("/linked.wav"));
        QFile::link(sentinel.root() + QStringLiteral("/inner"), folder + QStringLiteral("/inner"));
    }
    const QMap<QString, QString> before = sentinel.fingerprint();
    sentinel.startWatching();

    store.deleteEmotion(ada.emotions.first(), ada);
    store.deleteCharacter(*store.character(ada.id));
    store.deleteItem(take);
    for (const DialogueClip &clip : scene.clips)
        store.removeClip(clip, *store.dialogue(scene.id));
    store.deleteDialogue(*store.dialogue(scene.id));

    for (const QString &folder : folders)
        EXPECT_FALSE(QFileInfo::exists(folder)) << qPrintable(folder);
    EXPECT_EQ(sentinel.events().join(u'\n').toStdString(), "");
    EXPECT_TRUE(sentinel.fingerprint() == before);
}
