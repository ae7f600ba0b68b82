// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"

#include <QList>
#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>
#include <type_traits>

namespace chorale {

// The single owner of the user's data: characters with their emotion clips, the library of
// takes, the dialogues, and the takes made since this start. Keeps them in memory as the truth
// for the running app and mirrors every change into folders of meta.json and WAV files under
// the data root. Lives on the main thread; every operation is synchronous. Operations that can
// fail throw ChoraleError; housekeeping operations swallow file errors.
class DataStore : public QObject {
    Q_OBJECT

public:
    static inline const QString defaultVoiceFilesKey = QStringLiteral("chl.defaultVoiceFiles");

    explicit DataStore(QObject *parent = nullptr);

    // "Chorale" in the user's data folder.
    static QString rootDirectory();

    // The start-up sequence: folders, characters, default characters, takes, dialogues.
    void load();

    const QList<VoiceCharacter> &characters() const { return m_characters; }
    const QList<LibraryItem> &items() const { return m_items; }
    const QList<DialogueProject> &dialogues() const { return m_dialogues; }
    const QList<QUuid> &sessionItemIDs() const { return m_sessionItemIDs; }

    // Characters
    VoiceCharacter addCharacter(const QString &name, const QString &emotionName,
                                const QString &from);
    void addEmotion(const VoiceCharacter &to, const QString &name, const QString &from);
    void renameCharacter(const VoiceCharacter &character, const QString &name);
    void renameEmotion(const CharacterEmotion &emotion, const VoiceCharacter &on,
                       const QString &name);
    void deleteEmotion(const CharacterEmotion &emotion, const VoiceCharacter &on);
    void deleteCharacter(const VoiceCharacter &character);
    std::optional<VoiceCharacter> character(const std::optional<QUuid> &id) const;

    // Library
    LibraryItem saveOriginalRecording(double duration,
                                      const std::optional<VoiceCharacter> &character,
                                      const std::optional<CharacterEmotion> &emotion,
                                      const QString &deviceName, const QString &from);
    void attachConvertedAudio(const LibraryItem &to, const QString &from);
    void setRecordingTitle(const QString &title, const QUuid &itemId);
    void deleteItem(const LibraryItem &item);
    std::optional<LibraryItem> item(const QUuid &id) const;

    // Dialogues
    DialogueProject createDialogue(const QString &name);
    void renameDialogue(const DialogueProject &project, const QString &name);
    void updateDialogue(const DialogueProject &project);
    void deleteDialogue(const DialogueProject &project);
    DialogueProject addClips(const QList<LibraryItem> &items, const DialogueProject &to,
                             bool appendToCharacterTrack);
    void removeClip(const DialogueClip &clip, const DialogueProject &from);
    std::optional<DialogueProject> dialogue(const std::optional<QUuid> &id) const;

signals:
    void charactersChanged();
    void itemsChanged();
    void dialoguesChanged();
    void sessionItemIDsChanged();

private:
    void ensureDirectories();
    QList<VoiceCharacter> loadCharacters();
    void ensureDefaultCharacters();
    QList<LibraryItem> loadLibraryItems();
    QList<DialogueProject> loadDialogues();

    // Each writes meta.json crash-safely; none creates folders. Throw on failure.
    void save(const VoiceCharacter &character);
    void save(const LibraryItem &item);
    void persist(const DialogueProject &project);
    // For housekeeping operations, which leave disk as far as it got.
    template <typename Record>
    void saveQuietly(const Record &record) {
        try {
            if constexpr (std::is_same_v<Record, DialogueProject>)
                persist(record);
            else
                save(record);
        } catch (const std::exception &) {
        }
    }
    // Changes every matching take in memory and rewrites its meta.json (errors ignored).
    void updateItems(const std::function<bool(const LibraryItem &)> &matches,
                     const std::function<void(LibraryItem &)> &change);

    static std::optional<QString> bundledVoiceURL(const QString &name);

    // Measures, checks the 3–30 s rule and builds an emotion (not yet on disk).
    static CharacterEmotion makeEmotion(const QString &name, const QString &from);
    int characterIndex(const QUuid &id) const;
    int itemIndex(const QUuid &id) const;
    int dialogueIndex(const QUuid &id) const;

    QList<VoiceCharacter> m_characters;
    QList<LibraryItem> m_items;
    QList<DialogueProject> m_dialogues;
    QList<QUuid> m_sessionItemIDs;
};

} // namespace chorale
