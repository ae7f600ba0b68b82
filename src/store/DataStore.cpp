// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/DataStore.h"

#include "model/AtomicFile.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/Preferences.h"
#include "model/RecordJson.h"
#include "model/ResourcePaths.h"
#include "store/AudioFileTools.h"
#include "store/StoreLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>

namespace chorale {

namespace {

constexpr double shortestClip = 3.0;
constexpr double longestClip = 30.0;
const QString neutral = QStringLiteral("Neutral");
const QString legacyReference = QStringLiteral("reference.wav");

struct DefaultCharacter {
    const char *name;
    const char *file;
};
constexpr DefaultCharacter defaultCharacters[] = {
        {"Default Male", "male.wav"},
        {"Default Female", "female.wav"},
};

QDateTime now() {
    return RecordJson::currentDate();
}

// Folder entries to scan for records: everything but hidden entries, in listing order.
QStringList recordFolders(const QString &folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::System,
                                  QDir::Unsorted);
}

template <typename Record>
std::optional<Record> readRecord(const QString &folder) {
    QFile file(folder + QStringLiteral("/meta.json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RecordJson::decode<Record>(file.readAll());
}

void writeRecord(const QString &folder, const QByteArray &bytes) {
    AtomicFile::write(folder + QStringLiteral("/meta.json"), bytes);
}

void makeFolder(const QString &path) {
    if (!QDir().mkpath(path))
        throw ChoraleError::platform(QStringLiteral("Could not create the folder “%1”.").arg(path));
}

double measuredOr(const QString &path, double fallback) {
    try {
        return AudioFileTools::duration(path);
    } catch (const ChoraleError &) {
        return fallback;
    }
}

double longestEmotion(const VoiceCharacter &character) {
    double longest = 0;
    for (const auto &e : character.emotions)
        longest = std::max(longest, e.duration);
    return longest;
}

} // namespace

DataStore::DataStore(QObject *parent)
    : QObject(parent) {}

QString DataStore::rootDirectory() {
    return DataPaths::root();
}

void DataStore::load() {
    ensureDirectories();
    m_characters = loadCharacters();
    emit charactersChanged();
    ensureDefaultCharacters();
    m_items = loadLibraryItems();
    emit itemsChanged();
    m_dialogues = loadDialogues();
    emit dialoguesChanged();
    m_sessionItemIDs.clear();
    emit sessionItemIDsChanged();
}

void DataStore::ensureDirectories() {
    const QString root = rootDirectory();
    const bool existed = QFileInfo(root).isDir();
    QDir().mkpath(root);
    // Voice recordings are private: a new data root is readable by its owner only.
    if (!existed)
        ::chmod(QFile::encodeName(root).constData(), 0700);
    for (const QString &folder : {DataPaths::charactersFolder(), DataPaths::libraryFolder(),
                                  DataPaths::dialoguesFolder(), DataPaths::modelsFolder()}) {
        QDir().mkpath(folder);
    }
}

QList<VoiceCharacter> DataStore::loadCharacters() {
    QList<VoiceCharacter> result;
    const QString base = DataPaths::charactersFolder();
    for (const QString &entry : recordFolders(base)) {
        const QString entryFolder = base + u'/' + entry;
        auto character = readRecord<VoiceCharacter>(entryFolder);
        if (!character)
            continue;
        if (character->emotions.isEmpty()) {
            // Characters from before emotions existed kept a single "reference.wav".
            const QString reference = entryFolder + u'/' + legacyReference;
            if (!QFileInfo::exists(reference))
                continue;
            const double length = measuredOr(reference, character->duration);
            character->emotions = {CharacterEmotion{QUuid::createUuid(), neutral, length,
                                                    character->createdAt, legacyReference}};
            character->duration = length;
            try {
                writeRecord(entryFolder, RecordJson::encode(*character));
            } catch (const ChoraleError &error) {
                qCWarning(lcStore) << "could not migrate" << entry << error.message();
            }
        }
        const QString folder = DataPaths::characterFolder(character->id);
        character->emotions.removeIf([&](const CharacterEmotion &e) {
            return !QFileInfo::exists(folder + u'/' + e.fileName);
        });
        if (character->emotions.isEmpty())
            continue;
        if (character->duration <= 0)
            character->duration = longestEmotion(*character);
        result << *character;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const auto &a, const auto &b) { return a.createdAt > b.createdAt; });
    return result;
}

void DataStore::ensureDefaultCharacters() {
    auto preferences = openPreferences();
    const bool alreadyWav = preferences->value(defaultVoiceFilesKey).toString() == "wav";
    for (const auto &row : defaultCharacters) {
        const QString name = QString::fromLatin1(row.name);
        const auto shipped = bundledVoiceURL(QString::fromLatin1(row.file));
        if (!shipped)
            continue;
        const auto found = std::find_if(m_characters.begin(), m_characters.end(),
                                        [&](const auto &c) { return c.name == name; });
        if (found == m_characters.end()) {
            try {
                addCharacter(name, neutral, *shipped);
            } catch (const ChoraleError &error) {
                qCWarning(lcStore) << "could not seed" << name << error.message();
            }
            continue;
        }
        if (alreadyWav || found->emotions.isEmpty())
            continue;
        // Older versions stored the shipped clips in their original format: bring them to WAV.
        VoiceCharacter character = *found;
        CharacterEmotion &first = character.emotions.first();
        const QString target = DataPaths::characterFolder(character.id) + u'/' + first.fileName;
        try {
            AudioFileTools::convertToWAV(*shipped, target);
        } catch (const ChoraleError &error) {
            qCWarning(lcStore) << "could not convert" << name << error.message();
            continue;
        }
        first.duration = measuredOr(target, first.duration);
        character.duration = first.duration;
        saveQuietly(character);
        *found = character;
        emit charactersChanged();
    }
    preferences->setValue(defaultVoiceFilesKey, QStringLiteral("wav"));
}

QList<LibraryItem> DataStore::loadLibraryItems() {
    QList<LibraryItem> result;
    const QString base = DataPaths::libraryFolder();
    for (const QString &entry : recordFolders(base)) {
        auto item = readRecord<LibraryItem>(base + u'/' + entry);
        if (!item)
            continue;
        const QString original = DataPaths::originalFile(item->id);
        if (!QFileInfo::exists(original))
            continue;
        if (item->duration <= 0)
            item->duration = measuredOr(original, 0);
        result << *item;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const auto &a, const auto &b) { return a.createdAt > b.createdAt; });
    return result;
}

QList<DialogueProject> DataStore::loadDialogues() {
    QList<DialogueProject> result;
    const QString base = DataPaths::dialoguesFolder();
    for (const QString &entry : recordFolders(base)) {
        auto project = readRecord<DialogueProject>(base + u'/' + entry);
        if (!project)
            continue;
        project->clips.removeIf([&](const DialogueClip &clip) {
            return !QFileInfo::exists(project->audioURL(clip));
        });
        project->refreshDuration();
        result << *project;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const auto &a, const auto &b) { return a.updatedAt > b.updatedAt; });
    return result;
}

void DataStore::save(const VoiceCharacter &character) {
    writeRecord(DataPaths::characterFolder(character.id), RecordJson::encode(character));
}

void DataStore::save(const LibraryItem &item) {
    writeRecord(DataPaths::itemFolder(item.id), RecordJson::encode(item));
}

void DataStore::persist(const DialogueProject &project) {
    writeRecord(DataPaths::dialogueFolder(project.id), RecordJson::encode(project));
}

std::optional<QString> DataStore::bundledVoiceURL(const QString &name) {
    QStringList candidates;
    if (const auto resources = ResourcePaths::resourceDirectory())
        candidates << ResourcePaths::normalized(*resources, QStringLiteral("voices/") + name);
    const QString exe = ResourcePaths::executableDirectory();
    candidates << ResourcePaths::normalized(exe, QStringLiteral("../Resources/voices/") + name)
               << ResourcePaths::normalized(exe, QStringLiteral("../../../../") + name);
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

CharacterEmotion DataStore::makeEmotion(const QString &name, const QString &from) {
    const double length = AudioFileTools::duration(from);
    if (length < shortestClip || length > longestClip)
        throw ChoraleError::durationOutOfRange(length);
    const QString trimmed = name.trimmed();
    const QUuid id = QUuid::createUuid();
    return {id, trimmed.isEmpty() ? neutral : trimmed, length, now(),
            idText(id) + QStringLiteral(".wav")};
}

VoiceCharacter DataStore::addCharacter(const QString &name, const QString &emotionName,
                                       const QString &from) {
    CharacterEmotion emotion = makeEmotion(emotionName, from);
    VoiceCharacter character{QUuid::createUuid(), name.trimmed(), now(), emotion.duration, {}};
    const QString folder = DataPaths::characterFolder(character.id);
    makeFolder(folder);
    const QString clip = folder + u'/' + emotion.fileName;
    try {
        AudioFileTools::convertToWAV(from, clip);
    } catch (const ChoraleError &) {
        QDir(folder).removeRecursively();
        throw ChoraleError::unreadableAudio();
    }
    emotion.duration = measuredOr(clip, emotion.duration);
    character.duration = emotion.duration;
    character.emotions = {emotion};
    save(character);
    m_characters.prepend(character);
    emit charactersChanged();
    return character;
}

void DataStore::addEmotion(const VoiceCharacter &to, const QString &name, const QString &from) {
    const int index = characterIndex(to.id);
    if (index < 0)
        return;
    CharacterEmotion emotion = makeEmotion(name, from);
    const QString clip = DataPaths::characterFolder(to.id) + u'/' + emotion.fileName;
    try {
        AudioFileTools::convertToWAV(from, clip);
    } catch (const ChoraleError &) {
        throw ChoraleError::unreadableAudio();
    }
    emotion.duration = measuredOr(clip, emotion.duration);
    VoiceCharacter &character = m_characters[index];
    character.emotions << emotion;
    character.duration = std::max(character.duration, emotion.duration);
    emit charactersChanged();
    save(character);
}

void DataStore::renameCharacter(const VoiceCharacter &character, const QString &name) {
    const auto found = std::find(m_characters.begin(), m_characters.end(), character);
    if (found == m_characters.end())
        return;
    found->name = name.trimmed();
    saveQuietly(*found);
    emit charactersChanged();
    const VoiceCharacter &renamed = *found;
    updateItems([&](const LibraryItem &item) { return item.characterId == renamed.id; },
                [&](LibraryItem &item) { item.characterName = renamed.name; });
}

void DataStore::renameEmotion(const CharacterEmotion &emotion, const VoiceCharacter &on,
                              const QString &name) {
    const int index = characterIndex(on.id);
    if (index < 0)
        return;
    VoiceCharacter &character = m_characters[index];
    const auto found = std::find_if(character.emotions.begin(), character.emotions.end(),
                                    [&](const auto &e) { return e.id == emotion.id; });
    const QString trimmed = name.trimmed();
    if (found == character.emotions.end() || trimmed.isEmpty())
        return;
    found->name = trimmed;
    saveQuietly(character);
    emit charactersChanged();
    updateItems([&](const LibraryItem &item) { return item.emotionId == emotion.id; },
                [&](LibraryItem &item) { item.emotionName = trimmed; });
}

void DataStore::updateItems(const std::function<bool(const LibraryItem &)> &matches,
                            const std::function<void(LibraryItem &)> &change) {
    bool touched = false;
    for (LibraryItem &item : m_items) {
        if (!matches(item))
            continue;
        change(item);
        touched = true;
        saveQuietly(item);
    }
    if (touched)
        emit itemsChanged();
}

void DataStore::deleteEmotion(const CharacterEmotion &emotion, const VoiceCharacter &on) {
    const int index = characterIndex(on.id);
    if (index < 0 || m_characters[index].emotions.size() <= 1)
        return;
    VoiceCharacter &character = m_characters[index];
    // The stored emotion's own file name is used, never one passed in from outside.
    for (const auto &e : character.emotions) {
        if (e.id == emotion.id && isPlainFileName(e.fileName))
            QFile::remove(DataPaths::characterFolder(character.id) + u'/' + e.fileName);
    }
    character.emotions.removeIf([&](const auto &e) { return e.id == emotion.id; });
    if (!character.emotions.isEmpty())
        character.duration = longestEmotion(character);
    saveQuietly(character);
    emit charactersChanged();
}

void DataStore::deleteCharacter(const VoiceCharacter &character) {
    QDir(DataPaths::characterFolder(character.id)).removeRecursively();
    if (m_characters.removeIf([&](const auto &c) { return c.id == character.id; }) > 0)
        emit charactersChanged();
}

std::optional<VoiceCharacter> DataStore::character(const std::optional<QUuid> &id) const {
    if (!id)
        return std::nullopt;
    const int index = characterIndex(*id);
    if (index < 0)
        return std::nullopt;
    return m_characters[index];
}

LibraryItem DataStore::saveOriginalRecording(double duration,
                                             const std::optional<VoiceCharacter> &character,
                                             const std::optional<CharacterEmotion> &emotion,
                                             const QString &deviceName, const QString &from) {
    LibraryItem item;
    item.id = QUuid::createUuid();
    item.createdAt = now();
    item.duration = duration;
    if (character) {
        item.characterId = character->id;
        item.characterName = character->name;
    } else {
        item.characterName = LibraryItem::unassignedCharacter;
    }
    if (emotion) {
        item.emotionId = emotion->id;
        item.emotionName = emotion->name;
    }
    item.sourceDevice = deviceName;

    makeFolder(DataPaths::itemFolder(item.id));
    const QString original = DataPaths::originalFile(item.id);
    if (QFileInfo(from).absoluteFilePath() != QFileInfo(original).absoluteFilePath())
        AudioFileTools::convertToWAV(from, original);
    item.duration = measuredOr(original, item.duration);
    save(item);

    m_items.prepend(item);
    m_sessionItemIDs.prepend(item.id);
    emit itemsChanged();
    emit sessionItemIDsChanged();
    return item;
}

void DataStore::attachConvertedAudio(const LibraryItem &to, const QString &from) {
    const int index = itemIndex(to.id);
    if (index < 0)
        return;
    const QString target = DataPaths::convertedFile(to.id);
    if (QFileInfo(from).absoluteFilePath() != QFileInfo(target).absoluteFilePath())
        AudioFileTools::copyFile(from, target);
    LibraryItem &item = m_items[index];
    item.convertedAt = now();
    item.duration = measuredOr(target, item.duration);
    emit itemsChanged();
    save(item);
}

void DataStore::setRecordingTitle(const QString &title, const QUuid &itemId) {
    const int index = itemIndex(itemId);
    const QString trimmed = title.trimmed();
    if (index < 0 || trimmed.isEmpty())
        return;
    m_items[index].title = trimmed;
    emit itemsChanged();
    saveQuietly(m_items[index]);
}

void DataStore::deleteItem(const LibraryItem &item) {
    QDir(DataPaths::itemFolder(item.id)).removeRecursively();
    if (m_items.removeIf([&](const auto &i) { return i.id == item.id; }) > 0)
        emit itemsChanged();
}

std::optional<LibraryItem> DataStore::item(const QUuid &id) const {
    const int index = itemIndex(id);
    if (index < 0)
        return std::nullopt;
    return m_items[index];
}

std::optional<DialogueProject> DataStore::dialogue(const std::optional<QUuid> &id) const {
    if (!id)
        return std::nullopt;
    const int index = dialogueIndex(*id);
    if (index < 0)
        return std::nullopt;
    return m_dialogues[index];
}

int DataStore::characterIndex(const QUuid &id) const {
    for (int i = 0; i < m_characters.size(); ++i) {
        if (m_characters[i].id == id)
            return i;
    }
    return -1;
}

int DataStore::itemIndex(const QUuid &id) const {
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id)
            return i;
    }
    return -1;
}

int DataStore::dialogueIndex(const QUuid &id) const {
    for (int i = 0; i < m_dialogues.size(); ++i) {
        if (m_dialogues[i].id == id)
            return i;
    }
    return -1;
}

} // namespace chorale
