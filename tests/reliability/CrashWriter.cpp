// SPDX-License-Identifier: GPL-3.0-or-later
// The writer that scripts/crash-test kills with SIGKILL at random moments.
//
//   chorale-crash-writer WORKDIR SEED           check what the last run left, then write forever
//   chorale-crash-writer WORKDIR SEED --check   only check
//
// WORKDIR holds the data root ("Chorale"), the preferences, the source audio and a journal.
// Every run first loads the data root through the real DataStore and compares it with the
// journal, printing one line
//   check records=N corrupt=C lost=L temp=T
// (problems in detail on stderr), then replaces the journal with what it loaded, prints "ready"
// and starts writing: take saves, clones attached, titles, character and emotion renames,
// emotions added and deleted, dialogues created, filled, moved and renamed, takes and characters
// deleted. Before each operation it appends to the journal the records the operation may
// touch; after it, the records as they now are in memory. So after a kill:
//   - every record of a finished operation must load exactly as journaled ("lost" otherwise);
//   - records the interrupted operation touched may be old or new, but must load whole;
//   - every meta.json must decode, every loaded record's audio must be complete, and nothing
//     may load that no operation made ("corrupt" otherwise);
//   - temporary files may be left behind ("temp"), but never load as records.
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/RecordJson.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace chorale;

namespace {

// Lengths of the source files; each one distinct, so a truncated copy shows.
constexpr double takeSeconds = 0.6;
constexpr double cloneSeconds = 0.85;
constexpr double clipSeconds = 3.2;
constexpr double lengthTolerance = 0.01;

enum class Kind { Character, Item, Dialogue };

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Character:
        return QStringLiteral("character");
    case Kind::Item:
        return QStringLiteral("item");
    case Kind::Dialogue:
        return QStringLiteral("dialogue");
    }
    return {};
}

std::optional<Kind> kindFromName(const QString &name) {
    for (Kind kind : {Kind::Character, Kind::Item, Kind::Dialogue}) {
        if (kindName(kind) == name)
            return kind;
    }
    return std::nullopt;
}

struct Key {
    Kind kind;
    QUuid id;
    bool operator==(const Key &) const = default;
};

size_t qHash(const Key &key, size_t seed = 0) {
    return ::qHash(key.id, seed) ^ size_t(key.kind);
}

QString describe(const Key &key) {
    return kindName(key.kind) + u' ' + idText(key.id);
}

// The journal: one line per event, appended with single write() calls (a SIGKILL cannot split
// one). "T kind id" names a record the next operation may touch, "N kind" one it may create,
// "D kind id base64" a record as it is after the operation, "X kind id" one it removed, "E" the
// end of the operation.
class Journal {
public:
    explicit Journal(const QString &path)
        : m_path(path) {}

    void open() {
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_APPEND | O_CREAT, 0600);
        if (m_fd < 0) {
            std::perror("journal");
            std::exit(2);
        }
    }

    void append(const QByteArray &lines) {
        if (::write(m_fd, lines.constData(), size_t(lines.size())) != lines.size()) {
            std::perror("journal");
            std::exit(2);
        }
    }

    QString path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

struct JournalState {
    QHash<Key, QByteArray> records; // as the last finished operations left them
    QSet<Key> inFlight;             // touched by an operation that did not finish
    QHash<Kind, int> mayCreate;     // records the unfinished operation may have added
};

JournalState readJournal(const QString &path) {
    JournalState state;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return state;
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast(); // empty after the final newline, or a line cut short
    QList<QByteArray> group;
    auto apply = [&](bool finished) {
        for (const QByteArray &line : group) {
            const QList<QByteArray> f = line.split(' ');
            const auto kind = f.size() > 1 ? kindFromName(QString::fromLatin1(f[1])) : std::nullopt;
            if (!kind)
                continue;
            if (f[0] == "N") {
                if (!finished)
                    state.mayCreate[*kind] += 1;
                continue;
            }
            const Key key{*kind, QUuid::fromString(QLatin1String(f.value(2)))};
            if (f[0] == "T" && !finished)
                state.inFlight.insert(key);
            else if (f[0] == "D" && finished)
                state.records[key] = QByteArray::fromBase64(f.value(3));
            else if (f[0] == "X" && finished)
                state.records.remove(key);
        }
        group.clear();
    };
    for (const QByteArray &line : lines) {
        if (line == "E")
            apply(true);
        else
            group << line;
    }
    apply(false);
    return state;
}

QByteArray recordLine(Kind kind, const QUuid &id, const QByteArray &encoded) {
    return "D " + kindName(kind).toLatin1() + ' ' + idText(id).toLatin1() + ' ' +
           encoded.toBase64() + '\n';
}

QByteArray touchLine(Kind kind, const QUuid &id) {
    return "T " + kindName(kind).toLatin1() + ' ' + idText(id).toLatin1() + '\n';
}

QByteArray snapshot(const DataStore &store) {
    QByteArray out;
    for (const auto &c : store.characters())
        out += recordLine(Kind::Character, c.id, RecordJson::encode(c));
    for (const auto &i : store.items())
        out += recordLine(Kind::Item, i.id, RecordJson::encode(i));
    for (const auto &d : store.dialogues())
        out += recordLine(Kind::Dialogue, d.id, RecordJson::encode(d));
    return out + "E\n";
}

std::optional<double> lengthOf(const QString &path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    try {
        return AudioFileTools::duration(path);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

struct CheckResult {
    int records = 0;
    int corrupt = 0;
    int lost = 0;
    int temp = 0;
};

class Checker {
public:
    Checker(const DataStore &store, const JournalState &journal)
        : m_store(store)
        , m_journal(journal) {}

    CheckResult run() {
        checkMetaFiles();
        QHash<Key, QByteArray> loaded;
        for (const auto &c : m_store.characters()) {
            loaded[{Kind::Character, c.id}] = RecordJson::encode(c);
            checkCharacterAudio(c);
        }
        for (const auto &i : m_store.items()) {
            loaded[{Kind::Item, i.id}] = RecordJson::encode(i);
            checkItemAudio(i);
        }
        for (const auto &d : m_store.dialogues()) {
            loaded[{Kind::Dialogue, d.id}] = RecordJson::encode(d);
            checkDialogueAudio(d);
        }
        m_result.records = int(loaded.size());

        for (auto it = m_journal.records.cbegin(); it != m_journal.records.cend(); ++it) {
            if (m_journal.inFlight.contains(it.key()))
                continue;
            if (!loaded.contains(it.key()))
                lost(describe(it.key()) + QStringLiteral(" is missing"));
            else if (loaded.value(it.key()) != it.value())
                lost(describe(it.key()) + QStringLiteral(" lost a finished change"));
        }
        QHash<Kind, int> created;
        for (auto it = loaded.cbegin(); it != loaded.cend(); ++it) {
            if (m_journal.records.contains(it.key()) || m_journal.inFlight.contains(it.key()) ||
                isDefaultCharacter(it.key()))
                continue;
            if (++created[it.key().kind] > m_journal.mayCreate.value(it.key().kind))
                corrupt(describe(it.key()) + QStringLiteral(" loaded, but no operation made it"));
        }
        return m_result;
    }

private:
    void corrupt(const QString &what) {
        ++m_result.corrupt;
        std::fprintf(stderr, "corrupt: %s\n", qPrintable(what));
    }
    void lost(const QString &what) {
        ++m_result.lost;
        std::fprintf(stderr, "lost: %s\n", qPrintable(what));
    }

    bool isDefaultCharacter(const Key &key) const {
        if (key.kind != Kind::Character)
            return false;
        const auto c = m_store.character(key.id);
        return c && (c->name == QLatin1String("Default Male") ||
                     c->name == QLatin1String("Default Female"));
    }

    // Every meta.json in the data root decodes; temporary files are counted.
    void checkMetaFiles() {
        const QList<std::pair<QString, Kind>> folders = {
                {DataPaths::charactersFolder(), Kind::Character},
                {DataPaths::libraryFolder(), Kind::Item},
                {DataPaths::dialoguesFolder(), Kind::Dialogue}};
        for (const auto &[folder, kind] : folders) {
            QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                const QString name = it.fileName();
                if (name.endsWith(QLatin1String(".tmp"))) {
                    ++m_result.temp;
                    continue;
                }
                if (name != QLatin1String("meta.json"))
                    continue;
                QFile file(path);
                const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : "";
                bool ok = false;
                switch (kind) {
                case Kind::Character:
                    ok = RecordJson::decode<VoiceCharacter>(bytes).has_value();
                    break;
                case Kind::Item:
                    ok = RecordJson::decode<LibraryItem>(bytes).has_value();
                    break;
                case Kind::Dialogue:
                    ok = RecordJson::decode<DialogueProject>(bytes).has_value();
                    break;
                }
                if (!ok)
                    corrupt(path + QStringLiteral(" does not decode"));
            }
        }
    }

    void expectLength(const QString &path, double seconds, const QString &what) {
        const auto length = lengthOf(path);
        if (!length)
            corrupt(what + QStringLiteral(": audio missing or unreadable"));
        else if (std::abs(*length - seconds) > lengthTolerance)
            corrupt(what +
                    QStringLiteral(": audio is %1 s, expected %2 s").arg(*length).arg(seconds));
    }

    void checkCharacterAudio(const VoiceCharacter &c) {
        for (const auto &e : c.emotions) {
            expectLength(DataPaths::characterFolder(c.id) + u'/' + e.fileName, e.duration,
                         QStringLiteral("emotion %1 of %2").arg(e.name, c.name));
        }
    }

    void checkItemAudio(const LibraryItem &i) {
        const QString what = describe({Kind::Item, i.id});
        expectLength(DataPaths::originalFile(i.id), takeSeconds,
                     what + QStringLiteral(" original"));
        // A clone on disk is whole, whether or not its record was stamped before the kill.
        if (QFileInfo::exists(DataPaths::convertedFile(i.id)))
            expectLength(DataPaths::convertedFile(i.id), cloneSeconds,
                         what + QStringLiteral(" clone"));
        else if (i.convertedAt)
            corrupt(what + QStringLiteral(" is stamped as cloned but has no clone"));
    }

    void checkDialogueAudio(const DialogueProject &d) {
        for (const auto &clip : d.clips) {
            expectLength(d.audioURL(clip), clip.sourceDuration,
                         describe({Kind::Dialogue, d.id}) + QStringLiteral(" clip"));
        }
    }

    const DataStore &m_store;
    const JournalState &m_journal;
    CheckResult m_result;
};

// The random operations, each announced to the journal before and recorded after.
class Writer {
public:
    Writer(DataStore &store, Journal &journal, const QString &sources, quint32 seed)
        : m_store(store)
        , m_journal(journal)
        , m_sources(sources)
        , m_random(seed) {}

    [[noreturn]] void run() {
        for (;;)
            step();
    }

private:
    QString source(const char *name) const { return m_sources + u'/' + QLatin1String(name); }
    int pick(int n) { return int(m_random.bounded(quint32(n))); }
    QString word() {
        static const char *const words[] = {"Ada", "Bo",    "Cleo", "Dev",   "Eli",   "Fay",
                                            "Gus", "Happy", "Calm", "Angry", "Scene", "Take"};
        return QLatin1String(words[pick(12)]) + QString::number(pick(1000));
    }

    // Announces, runs and records one operation.
    template <typename Operation>
    void perform(const QList<Key> &touched, std::optional<Kind> creates, Operation operation) {
        QByteArray before = "B\n";
        for (const Key &k : touched)
            before += touchLine(k.kind, k.id);
        if (creates)
            before += "N " + kindName(*creates).toLatin1() + '\n';
        m_journal.append(before);
        operation();
        QByteArray after;
        QList<Key> records = touched;
        if (creates) {
            // The new record is the front of its list.
            if (*creates == Kind::Character && !m_store.characters().isEmpty())
                records << Key{Kind::Character, m_store.characters().first().id};
            if (*creates == Kind::Item && !m_store.items().isEmpty())
                records << Key{Kind::Item, m_store.items().first().id};
            if (*creates == Kind::Dialogue && !m_store.dialogues().isEmpty())
                records << Key{Kind::Dialogue, m_store.dialogues().first().id};
        }
        for (const Key &k : records)
            after += current(k);
        m_journal.append(after + "E\n");
    }

    QByteArray current(const Key &k) const {
        const QByteArray kind = kindName(k.kind).toLatin1();
        const QByteArray id = idText(k.id).toLatin1();
        switch (k.kind) {
        case Kind::Character:
            if (const auto c = m_store.character(k.id))
                return recordLine(k.kind, k.id, RecordJson::encode(*c));
            break;
        case Kind::Item:
            if (const auto i = m_store.item(k.id))
                return recordLine(k.kind, k.id, RecordJson::encode(*i));
            break;
        case Kind::Dialogue:
            if (const auto d = m_store.dialogue(k.id))
                return recordLine(k.kind, k.id, RecordJson::encode(*d));
            break;
        }
        return "X " + kind + ' ' + id + '\n';
    }

    QList<Key> itemsOf(const QUuid &characterId, bool byEmotion, const QUuid &emotionId) const {
        QList<Key> keys;
        for (const auto &i : m_store.items()) {
            if (byEmotion ? i.emotionId == emotionId : i.characterId == characterId)
                keys << Key{Kind::Item, i.id};
        }
        return keys;
    }

    void step() {
        const auto &characters = m_store.characters();
        const auto &items = m_store.items();
        const auto &dialogues = m_store.dialogues();
        const int roll = pick(100);

        if (characters.size() < 3 || (roll < 4 && characters.size() < 7)) {
            perform({}, Kind::Character,
                    [&] { m_store.addCharacter(word(), word(), source("clip.wav")); });
            return;
        }
        const VoiceCharacter character = characters[pick(int(characters.size()))];
        const Key characterKey{Kind::Character, character.id};
        if (roll < 6 && characters.size() > 4) {
            perform({characterKey}, {}, [&] { m_store.deleteCharacter(character); });
            return;
        }

        if (items.size() > 24) {
            const LibraryItem oldest = items.last();
            perform({{Kind::Item, oldest.id}}, {}, [&] { m_store.deleteItem(oldest); });
            return;
        }
        if (roll < 30) {
            const auto emotion = character.emotion(std::nullopt);
            perform({}, Kind::Item, [&] {
                m_store.saveOriginalRecording(takeSeconds, character, emotion,
                                              QStringLiteral("Crash Test Mic"), source("take.wav"));
            });
        } else if (roll < 45) {
            QList<LibraryItem> plain;
            for (const auto &i : items) {
                if (!i.hasConverted())
                    plain << i;
            }
            if (plain.isEmpty())
                return;
            const LibraryItem item = plain[pick(int(plain.size()))];
            perform({{Kind::Item, item.id}}, {},
                    [&] { m_store.attachConvertedAudio(item, source("clone.wav")); });
        } else if (roll < 52 && !items.isEmpty()) {
            const LibraryItem item = items[pick(int(items.size()))];
            perform({{Kind::Item, item.id}}, {},
                    [&] { m_store.setRecordingTitle(word() + QStringLiteral(" title"), item.id); });
        } else if (roll < 60) {
            QList<Key> touched = itemsOf(character.id, false, {});
            touched.prepend(characterKey);
            perform(touched, {}, [&] { m_store.renameCharacter(character, word()); });
        } else if (roll < 66) {
            const CharacterEmotion emotion =
                    character.emotions[pick(int(character.emotions.size()))];
            QList<Key> touched = itemsOf({}, true, emotion.id);
            touched.prepend(characterKey);
            perform(touched, {}, [&] { m_store.renameEmotion(emotion, character, word()); });
        } else if (roll < 74) {
            if (character.emotions.size() >= 5) {
                const CharacterEmotion emotion = character.emotions.first();
                perform({characterKey}, {}, [&] { m_store.deleteEmotion(emotion, character); });
            } else {
                perform({characterKey}, {},
                        [&] { m_store.addEmotion(character, word(), source("clip.wav")); });
            }
        } else if (roll < 78 || dialogues.isEmpty()) {
            if (dialogues.size() < 4)
                perform({}, Kind::Dialogue, [&] { m_store.createDialogue(word()); });
        } else {
            const DialogueProject dialogue = dialogues[pick(int(dialogues.size()))];
            const Key key{Kind::Dialogue, dialogue.id};
            if (roll < 86) {
                QList<LibraryItem> cloned;
                for (const auto &i : items) {
                    if (i.hasConverted() && cloned.size() < 2)
                        cloned << i;
                }
                if (cloned.isEmpty() || dialogue.clips.size() > 12)
                    return;
                perform({key}, {}, [&] { m_store.addClips(cloned, dialogue, pick(2) == 0); });
            } else if (roll < 95) {
                if (dialogue.clips.isEmpty())
                    return;
                DialogueProject moved = dialogue;
                DialogueClip &clip = moved.clips[pick(int(moved.clips.size()))];
                clip.startTime = pick(400) / 10.0;
                clip.trimStart = std::min(clip.trimEnd, pick(3) / 10.0);
                perform({key}, {}, [&] { m_store.updateDialogue(moved); });
            } else {
                perform({key}, {}, [&] { m_store.renameDialogue(dialogue, word()); });
            }
        }
    }

    DataStore &m_store;
    Journal &m_journal;
    QString m_sources;
    QRandomGenerator m_random;
};

void makeSources(const QString &folder) {
    QDir().mkpath(folder);
    const struct {
        const char *name;
        double seconds;
        double frequency;
    } files[] = {{"take.wav", takeSeconds, 220},
                 {"clone.wav", cloneSeconds, 330},
                 {"clip.wav", clipSeconds, 440}};
    for (const auto &f : files) {
        const QString path = folder + u'/' + QLatin1String(f.name);
        if (QFileInfo::exists(path))
            continue;
        test::Tone tone;
        tone.seconds = f.seconds;
        tone.sampleRate = 16000;
        tone.frequency = f.frequency;
        tone.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        // Written beside and renamed, so a kill here never leaves a short source behind.
        test::writeTone(path + QStringLiteral(".part"), tone);
        QFile::rename(path + QStringLiteral(".part"), path);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: chorale-crash-writer WORKDIR SEED [--check]\n");
        return 2;
    }
    const QString work = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const quint32 seed = quint32(std::strtoul(argv[2], nullptr, 10));
    const bool checkOnly = argc > 3 && QByteArray(argv[3]) == "--check";
    QDir().mkpath(work);
    setenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(work + QStringLiteral("/data")).constData(), 1);
    QCoreApplication app(argc, argv);
    DataPaths::setRootOverride(work + QStringLiteral("/Chorale"));
    const QString sources = work + QStringLiteral("/sources");
    makeSources(sources);

    Journal journal(work + QStringLiteral("/journal"));
    const JournalState expected = readJournal(journal.path());
    DataStore store;
    store.load();
    const CheckResult result = Checker(store, expected).run();
    std::printf("check records=%d corrupt=%d lost=%d temp=%d\n", result.records, result.corrupt,
                result.lost, result.temp);
    std::fflush(stdout);
    if (checkOnly)
        return 0;

    // What loaded is the truth from here on: a fresh journal starts from it.
    {
        const QString fresh = journal.path() + QStringLiteral(".new");
        QFile file(fresh);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(snapshot(store)) < 0 || !file.flush()) {
            std::fprintf(stderr, "cannot write the journal\n");
            return 2;
        }
        file.close();
        ::rename(QFile::encodeName(fresh).constData(),
                 QFile::encodeName(journal.path()).constData());
    }
    journal.open();
    std::printf("ready\n");
    std::fflush(stdout);
    Writer(store, journal, sources, seed).run();
}
