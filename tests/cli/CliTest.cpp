// SPDX-License-Identifier: GPL-3.0-or-later
// chorale-cli as a user runs it (the real executable, on a private data directory, with the
// scriptable test engine): a batch shares one engine between its jobs, is checked before it
// runs and stops at its first failure; exit codes and messages follow one rule; every listing
// prints JSON.
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <memory>

using namespace chorale;
using namespace chorale::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        DataStore store;
        store.load();
        Tone clip;
        clip.seconds = 4.0;
        ada = store.addCharacter("Ada", "Calm", writeTone(root.scratch("calm.wav"), clip));
        clip.seconds = 1.5;
        take = store.saveOriginalRecording(0, ada, ada.emotions.first(), "File",
                                           writeTone(root.scratch("take.wav"), clip));
        QFile::remove(engineLog());
    }

    QString engineLog() const { return root.scratch("fake-engine.log"); }

    CliRun run(const QStringList &args, const QMap<QString, QString> &extra = {}) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The scriptable engine, found before any real one.
        environment.insert("CHORALE_ENGINE_SCRIPT", sourceDir() + "/tests/engine/fake_engine.py");
        environment.insert("FAKE_ENGINE_LOG", engineLog());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            environment.insert(it.key(), it.value());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(CHORALE_CLI_PATH),
                      QStringList{"--data-dir", DataPaths::root()} + args);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString batchFile(const QString &text) const {
        const QString path = root.scratch("batch.txt");
        writeAll(path, text.toUtf8());
        return path;
    }

    // The engine's log: one JSON object per line.
    QList<QJsonObject> engineEvents(const QString &event, const QString &path = {}) const {
        QList<QJsonObject> found;
        QFile file(engineLog());
        if (!file.open(QIODevice::ReadOnly))
            return found;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value("event") == event && (path.isEmpty() || o.value("path") == path))
                found << o;
        }
        return found;
    }

    // The data directory as the app would load it now.
    static std::unique_ptr<DataStore> reloaded() {
        auto store = std::make_unique<DataStore>();
        store->load();
        return store;
    }

    TempDataRoot root;
    VoiceCharacter ada;
    LibraryItem take;
};

} // namespace

TEST_F(CliTest, ABatchRunsItsJobsWithOneEngine) {
    const CliRun result = run(
            {"batch", batchFile(QStringLiteral("# clone the take, then two prompts\n"
                                               "\n"
                                               "clone %1 --effect echo\n"
                                               "speak \"Er sagte \\\"Hallo\\\"\" --character 'Ada' "
                                               "--language de   # German\n"
                                               "chorale-cli speak 'It'\\''s late.' --character Ada "
                                               "--effect robot\n")
                                        .arg(idText(take.id)))});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(engineEvents("start").size(), 1);
    EXPECT_EQ(engineEvents("request", "/convert").size(), 1);
    const QList<QJsonObject> speech = engineEvents("request", "/tts");
    ASSERT_EQ(speech.size(), 2);
    EXPECT_EQ(speech[0]["body"]["text"].toString(), "Er sagte \"Hallo\"");
    EXPECT_EQ(speech[0]["body"]["language_id"].toString(), "de");
    EXPECT_EQ(speech[1]["body"]["text"].toString(), "It's late.");
    EXPECT_EQ(result.out.count('\n'), 3) << result.out.toStdString();
    EXPECT_TRUE(result.err.contains("[3/3] done in")) << result.err.toStdString();

    const auto store = reloaded();
    EXPECT_TRUE(store->item(take.id)->hasConverted());
    QStringList titles;
    for (const LibraryItem &item : store->items()) {
        EXPECT_TRUE(item.hasConverted()) << item.displayTitle().toStdString();
        if (item.isPrompt())
            titles << item.title.value_or("");
    }
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"Er sagte \"Hallo\"", "It's late."}));
    EXPECT_TRUE(QDir(DataPaths::tmpFolder()).isEmpty());
}

TEST_F(CliTest, ABatchIsCheckedBeforeAnyOfItRunsAndStopsAtItsFirstFailure) {
    struct Case {
        const char *what;
        QString text;
        QStringList options;
        int exitCode;
        QString message;
        QStringList dialogues; // what exists afterwards, by name
    };
    const QList<Case> cases = {
            {"unclosed quote",
             "dialogue create A\ndialogue create \"B\n",
             {},
             2,
             "batch.txt:2: a quote is not closed",
             {}},
            {"nested batch",
             "dialogue create A\nbatch other.txt\n",
             {},
             2,
             "batch.txt:2: a batch cannot run another batch",
             {}},
            {"options of the run", "--quiet list\n", {}, 2, "go before 'batch'", {}},
            {"stops",
             "dialogue create A\nspeak hi --character Nobody\ndialogue create B\n",
             {},
             1,
             "stopped at line 2",
             {"A"}},
            {"keeps going",
             "dialogue create A\nspeak hi --character Nobody\ndialogue create B\n",
             {"--keep-going"},
             1,
             "No character named “Nobody”.",
             {"A", "B"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto store = reloaded();
        for (const DialogueProject &d : QList(store->dialogues()))
            store->deleteDialogue(d);
        const CliRun result = run(QStringList{"batch", batchFile(c.text)} + c.options);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        QStringList names;
        // Named: a range-for over a member of a temporary store would outlive the store.
        const auto after = reloaded();
        for (const DialogueProject &d : after->dialogues())
            names << d.name;
        names.sort();
        EXPECT_EQ(names, c.dialogues);
    }
}

TEST_F(CliTest, ExitCodesSayWhoseFaultItIs) {
    struct Case {
        QStringList args;
        int exitCode;
        QString message;
    };
    const QList<Case> cases = {
            {{"speak"}, 2, "missing TEXT"},
            {{"speak", "hi"}, 2, "missing --character NAME"},
            {{"speak", "two", "words", "--character", "Ada"}, 2, "one argument, in quotes"},
            {{"speak", "hi", "--character", "Ada", "--language", "EN"}, 2, "unknown language"},
            {{"speak", "hi", "--character", "Ada", "--effect", "loud"}, 2, "unknown effect"},
            {{"list", "--bogus"}, 2, "Unknown option 'bogus'"},
            {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
            {{"speak", "hi", "--character", "Nobody"}, 1, "No character named “Nobody”."},
            {{"import-take", "/nonexistent.wav"}, 1, "No such file: /nonexistent.wav"},
            {{"clone", "not-an-id"}, 1, "No take with id not-an-id."},
            // The app's own messages, word for word.
            {{"dialogue", "add", "Scene", "x"}, 1, "No dialogue named “Scene”."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    }

    // A failing engine: the engine's own text, and nothing saved.
    const CliRun failed =
            run({"speak", "hi", "--character", "Ada"}, {{"FAKE_ENGINE_TTS", R"({"ok": false})"}});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains("Speech failed.")) << failed.err.toStdString();
    EXPECT_EQ(reloaded()->items().size(), 1);
}

TEST_F(CliTest, EveryListingPrintsJson) {
    ASSERT_EQ(run({"dialogue", "create", "Scene"}).exitCode, 0);
    const QList<QStringList> listings = {
            {"list"},
            {"dialogue", "list"},
            {"dialogue", "show", "Scene"},
            {"engine", "paths"},
            {"cleanup-settings"},
            {"title", "--all"},
            {"devices"},
    };
    for (const QStringList &args : listings) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun result = run(args + QStringList{"--json"});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(result.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
        EXPECT_TRUE(doc.isObject() || doc.isArray());
    }

    const QJsonObject all = QJsonDocument::fromJson(run({"list", "--json"}).out.toUtf8()).object();
    const QJsonObject listed = all["takes"].toArray().first().toObject();
    EXPECT_EQ(listed["id"].toString(), idText(take.id));
    EXPECT_EQ(listed["original"].toString(), DataPaths::originalFile(take.id));
    EXPECT_TRUE(listed["converted"].isNull());
}
