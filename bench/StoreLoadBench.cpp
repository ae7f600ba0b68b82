// SPDX-License-Identifier: GPL-3.0-or-later
// Times DataStore::load() on a large generated library against the raw-read floor: reading
// every meta.json and stat'ing every audio file the records name, which any loader must do.
#include "BenchSupport.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/Preferences.h"
#include "model/RecordJson.h"
#include "model/ResourcePaths.h"
#include "store/DataStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>

using namespace chorale;

namespace {

constexpr int takeCount = 10000;
constexpr int characterCount = 200;
constexpr int dialogueCount = 100;
constexpr int clipsPerDialogue = 20;

void write(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void generate() {
    const QByteArray wav(44, '\0'); // existence is all the loader checks
    const QDateTime date = RecordJson::currentDate();
    QList<QUuid> characterIds;
    for (int i = 0; i < characterCount; ++i) {
        VoiceCharacter c{QUuid::createUuid(), QStringLiteral("Character %1").arg(i), date, 8, {}};
        for (int e = 0; e < 3; ++e) {
            const QUuid id = QUuid::createUuid();
            c.emotions << CharacterEmotion{id, QStringLiteral("Emotion %1").arg(e), 8, date,
                                           idText(id) + ".wav"};
            write(DataPaths::characterFolder(c.id) + u'/' + c.emotions.last().fileName, wav);
        }
        write(DataPaths::characterFolder(c.id) + "/meta.json", RecordJson::encode(c));
        characterIds << c.id;
    }
    for (int i = 0; i < takeCount; ++i) {
        LibraryItem item;
        item.id = QUuid::createUuid();
        item.createdAt = date.addSecs(-i);
        item.duration = 3.5;
        item.characterId = characterIds[i % characterCount];
        item.characterName = QStringLiteral("Character %1").arg(i % characterCount);
        item.emotionId = QUuid::createUuid();
        item.emotionName = QStringLiteral("Neutral");
        item.sourceDevice = QStringLiteral("USB Microphone");
        item.convertedAt = date;
        item.title = QStringLiteral("A short title for take %1").arg(i);
        write(DataPaths::itemFolder(item.id) + "/meta.json", RecordJson::encode(item));
        write(DataPaths::originalFile(item.id), wav);
        write(DataPaths::convertedFile(item.id), wav);
    }
    for (int i = 0; i < dialogueCount; ++i) {
        DialogueProject d{
                QUuid::createUuid(), QStringLiteral("Dialogue %1").arg(i), date, date, 0, {}, {}};
        d.tracks << DialogueTrack{QUuid::createUuid(), "A"}
                 << DialogueTrack{QUuid::createUuid(), "B"};
        for (int k = 0; k < clipsPerDialogue; ++k) {
            const QUuid id = QUuid::createUuid();
            d.clips << DialogueClip{id,
                                    d.tracks[k % 2].id,
                                    k * 2.0,
                                    0,
                                    2,
                                    2,
                                    "A",
                                    QUuid::createUuid(),
                                    idText(id) + ".wav"};
            write(d.audioURL(d.clips.last()), wav);
        }
        d.refreshDuration();
        write(DataPaths::dialogueFolder(d.id) + "/meta.json", RecordJson::encode(d));
    }
}

// The floor: list the folders, read each meta.json, stat each file a record names.
long long rawRead() {
    long long bytes = 0;
    struct stat st {};
    auto statFile = [&](const QString &path) {
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            bytes += 1;
    };
    for (const QString &base : {DataPaths::charactersFolder(), DataPaths::libraryFolder(),
                                DataPaths::dialoguesFolder()}) {
        for (const QString &entry :
             QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)) {
            QFile f(base + u'/' + entry + "/meta.json");
            if (f.open(QIODevice::ReadOnly))
                bytes += f.readAll().size();
        }
    }
    // The same number of stats as the loader makes: 3 clips per character, one original per
    // take, one file per clip.
    for (const QString &entry :
         QDir(DataPaths::libraryFolder())
                 .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted))
        statFile(DataPaths::libraryFolder() + u'/' + entry + "/original.wav");
    for (const QString &entry :
         QDir(DataPaths::charactersFolder())
                 .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        for (const QString &clip :
             QDir(DataPaths::charactersFolder() + u'/' + entry).entryList({"*.wav"}, QDir::Files))
            statFile(DataPaths::charactersFolder() + u'/' + entry + u'/' + clip);
    }
    for (const QString &entry :
         QDir(DataPaths::dialoguesFolder())
                 .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        for (const QString &clip :
             QDir(DataPaths::dialoguesFolder() + u'/' + entry + "/clips").entryList(QDir::Files))
            statFile(DataPaths::dialoguesFolder() + u'/' + entry + "/clips/" + clip);
    }
    return bytes;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    DataPaths::setRootOverride(dir.path() + "/Chorale");
    ResourcePaths::setResourceDirectoryOverride(QString()); // no default characters to seed
    generate();

    std::size_t loaded = 0;
    const double load = bench::medianSeconds(5, [&] {
        DataStore store;
        store.load();
        loaded = std::size_t(store.items().size() + store.characters().size() +
                             store.dialogues().size());
    });
    long long sink = 0;
    const double floor = bench::medianSeconds(5, [&] { sink += rawRead(); });
    std::printf("store-load: %d takes, %d characters, %d dialogues (%zu loaded)\n", takeCount,
                characterCount, dialogueCount, loaded);
    std::printf("load() median %.1f ms, raw-read floor median %.1f ms\n", load * 1e3, floor * 1e3);
    std::printf("ratio load/floor %.2f (target <= 2)\n", load / floor);
    openPreferences()->clear();
    return sink > 0 ? 0 : 1;
}
