// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogue operations of the data store: each dialogue owns a folder with its record and a
// private copy of every clip's audio, so it survives the deletion of the takes it came from.
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/RecordJson.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"

#include <QDir>
#include <QFile>

namespace chorale {

namespace {

const QString untitledDialogue = QStringLiteral("Untitled dialogue");

QString normalizedName(const QString &name) {
    const QString trimmed = name.trimmed();
    return trimmed.isEmpty() ? untitledDialogue : trimmed;
}

// A whole-dialogue mix left by older versions is stale as soon as the clips change.
void removeStaleMix(const QUuid &dialogueId) {
    QFile::remove(DataPaths::dialogueFolder(dialogueId) + QStringLiteral("/mix.wav"));
}

} // namespace

DialogueProject DataStore::createDialogue(const QString &name) {
    DialogueProject project;
    project.id = QUuid::createUuid();
    project.name = normalizedName(name);
    project.createdAt = RecordJson::currentDate();
    project.updatedAt = project.createdAt;
    if (!QDir().mkpath(DataPaths::dialogueClipsFolder(project.id))) {
        throw ChoraleError::platform(QStringLiteral("Could not create the folder “%1”.")
                                             .arg(DataPaths::dialogueClipsFolder(project.id)));
    }
    persist(project);
    m_dialogues.prepend(project);
    emit dialoguesChanged();
    return project;
}

void DataStore::renameDialogue(const DialogueProject &project, const QString &name) {
    const int index = dialogueIndex(project.id);
    if (index < 0)
        return;
    DialogueProject &stored = m_dialogues[index];
    stored.name = normalizedName(name);
    stored.updatedAt = RecordJson::currentDate();
    emit dialoguesChanged();
    saveQuietly(stored);
}

void DataStore::updateDialogue(const DialogueProject &project) {
    const int index = dialogueIndex(project.id);
    if (index < 0)
        return;
    DialogueProject updated = project;
    updated.refreshDuration();
    updated.updatedAt = RecordJson::currentDate();
    if (updated.clips != m_dialogues[index].clips)
        removeStaleMix(updated.id);
    m_dialogues[index] = updated;
    emit dialoguesChanged();
    saveQuietly(updated);
}

void DataStore::deleteDialogue(const DialogueProject &project) {
    QDir(DataPaths::dialogueFolder(project.id)).removeRecursively();
    if (m_dialogues.removeIf([&](const auto &d) { return d.id == project.id; }) > 0)
        emit dialoguesChanged();
}

DialogueProject DataStore::addClips(const QList<LibraryItem> &items, const DialogueProject &to,
                                    bool appendToCharacterTrack) {
    const int index = dialogueIndex(to.id);
    if (index < 0)
        throw ChoraleError::unreadableAudio();
    QList<LibraryItem> cloned;
    for (const LibraryItem &item : items) {
        if (item.hasConverted())
            cloned << item;
    }
    if (cloned.isEmpty())
        throw ChoraleError::noClonedTakes();

    DialogueProject project = m_dialogues[index];
    const QString clipsFolder = DataPaths::dialogueClipsFolder(project.id);
    if (!QDir().mkpath(clipsFolder)) {
        throw ChoraleError::platform(
                QStringLiteral("Could not create the folder “%1”.").arg(clipsFolder));
    }

    double cursor = project.duration;
    for (const LibraryItem &item : cloned) {
        auto track = std::find_if(project.tracks.begin(), project.tracks.end(), [&](const auto &t) {
            return t.name.compare(item.characterName, Qt::CaseInsensitive) == 0;
        });
        QUuid trackId;
        if (track == project.tracks.end()) {
            trackId = QUuid::createUuid();
            project.tracks << DialogueTrack{trackId, item.characterName};
        } else {
            trackId = track->id;
        }

        const QUuid clipId = QUuid::createUuid();
        const QString fileName = idText(clipId) + QStringLiteral(".wav");
        const QString copy = clipsFolder + u'/' + fileName;
        AudioFileTools::copyFile(DataPaths::convertedFile(item.id), copy);
        double length = item.duration;
        try {
            length = AudioFileTools::duration(copy);
        } catch (const ChoraleError &) {
        }

        double start = 0;
        if (appendToCharacterTrack) {
            for (const DialogueClip &clip : project.clips) {
                if (clip.trackId == trackId)
                    start = std::max(start, clip.endTime());
            }
        } else {
            start = cursor;
            cursor += length;
        }
        project.clips << DialogueClip{
                clipId, trackId, start, 0, length, length, item.characterName, item.id, fileName};
    }

    project.refreshDuration();
    project.updatedAt = RecordJson::currentDate();
    removeStaleMix(project.id);
    m_dialogues[index] = project;
    emit dialoguesChanged();
    persist(project);
    return project;
}

void DataStore::removeClip(const DialogueClip &clip, const DialogueProject &from) {
    const int index = dialogueIndex(from.id);
    if (index < 0)
        return;
    DialogueProject &project = m_dialogues[index];
    // The file name must be a plain name: clips from outside never reach beyond the folder.
    if (isPlainFileName(clip.fileName))
        QFile::remove(project.audioURL(clip));
    project.clips.removeIf([&](const auto &c) { return c.id == clip.id; });
    project.refreshDuration();
    project.updatedAt = RecordJson::currentDate();
    removeStaleMix(project.id);
    emit dialoguesChanged();
    saveQuietly(project);
}

} // namespace chorale
