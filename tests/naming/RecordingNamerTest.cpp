// SPDX-License-Identifier: GPL-3.0-or-later
// The recording namer's flow with a fake transcriber: which takes get a title, where models are
// looked for, when the multilingual model is downloaded (from a local test server, never the
// internet) and what happens when that fails or the file is not the expected one.
#include "naming/RecordingNamer.h"

#include "model/CloneOptions.h"
#include "model/DataPaths.h"
#include "model/Preferences.h"
#include "model/ResourcePaths.h"
#include "naming/Transcriber.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <atomic>

using namespace chorale;
using namespace chorale::test;

namespace {

// Returns a fixed text and records what it was asked; optionally waits at a gate so a test can
// act while a transcription is running.
class FakeTranscriber : public Transcriber {
public:
    bool isAvailable() const override { return available; }
    std::optional<QString> transcribe(const QString &modelPath, const std::vector<float> &samples,
                                      const QString &language) override {
        {
            QMutexLocker lock(&mutex);
            models << modelPath;
            languages << language;
            sampleCounts << samples.size();
        }
        ++calls;
        if (gated)
            gate.acquire();
        return text;
    }

    bool available = true;
    bool gated = false;
    QSemaphore gate;
    std::optional<QString> text = QStringLiteral("hello there. how are you?");
    std::atomic<int> calls{0};
    QMutex mutex;
    QStringList models;
    QStringList languages;
    QList<size_t> sampleCounts;
};

// A one-file HTTP server on the loopback interface that answers every GET with `status` and
// `body` and counts the requests.
class ModelServer {
public:
    ModelServer() {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { answer(socket); });
            }
        });
    }

    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/models/ggml-tiny-q5_1.bin")
                            .arg(m_server.serverPort()));
    }

    int status = 404;
    QByteArray body = "Not found";
    int requests = 0;

private:
    void answer(QTcpSocket *socket) {
        QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        ++requests;
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(status) +
                                (status == 200 ? " OK" : " Error") +
                                "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
        socket->write(head + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};

class RecordingNamerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Only models placed by the test count, never one a developer keeps in the source tree.
        ResourcePaths::setResourceDirectoryOverride(QString());
        qputenv("CHORALE_WHISPER_MODEL_URL", server.url().toEncoded());
        qputenv("CHORALE_WHISPER_MODEL_SHA256", sha256(goodModel));
        store.load();
    }
    void TearDown() override {
        ResourcePaths::setResourceDirectoryOverride(std::nullopt);
        qunsetenv("CHORALE_WHISPER_MODEL_URL");
        qunsetenv("CHORALE_WHISPER_MODEL_SHA256");
    }

    static QByteArray sha256(const QByteArray &bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    }

    LibraryItem addTake(const std::optional<QString> &title = std::nullopt) {
        const QString source = writeTone(root.scratch("take.wav"), {.seconds = 2.0});
        LibraryItem item = store.saveOriginalRecording(0, std::nullopt, std::nullopt,
                                                       QStringLiteral("Mic"), source);
        if (title) {
            store.setRecordingTitle(*title, item.id);
            item = *store.item(item.id);
        }
        return item;
    }

    std::optional<QString> titleOf(const LibraryItem &item) { return store.item(item.id)->title; }

    static QString dataModel(const QString &file) {
        return DataPaths::root() + QStringLiteral("/whisper/") + file;
    }
    static void placeModel(const QString &path) { writeAll(path, "model"); }
    static void setLanguage(const QString &code) {
        openPreferences()->setValue(ClonePreferences::voiceLanguageKey, code);
    }

    TempDataRoot root;
    ModelServer server;
    const QByteArray goodModel = QByteArray("ggml model bytes ").repeated(4096);
    DataStore store;
    std::shared_ptr<FakeTranscriber> fake = std::make_shared<FakeTranscriber>();
    RecordingNamer namer{fake};
};

TEST_F(RecordingNamerTest, EnglishTakeIsTitledWithTheModelFromTheDataDirectory) {
    placeModel(dataModel(RecordingNamer::englishModelFile));
    fake->text = QStringLiteral(" Um, so this is the new intro for the podcast episode.");
    const LibraryItem take = addTake();

    const auto title = QCoro::waitFor(namer.nameIfNeeded(take, store));

    EXPECT_EQ(title, QStringLiteral("So this is the new intro for the"));
    EXPECT_EQ(titleOf(take), title);
    ASSERT_EQ(fake->calls, 1);
    EXPECT_EQ(fake->models.first(), dataModel(RecordingNamer::englishModelFile));
    EXPECT_EQ(fake->languages.first(), QStringLiteral("en"));
    EXPECT_NEAR(double(fake->sampleCounts.first()), 32000, 32); // 2 s at 16 kHz
    EXPECT_EQ(server.requests, 0);

    DataStore reloaded;
    reloaded.load();
    EXPECT_EQ(reloaded.item(take.id)->title, title) << "the title is saved in meta.json";
}

TEST_F(RecordingNamerTest, EnglishWithoutItsModelNeverDownloadsAndLeavesTakesUntitled) {
    const LibraryItem first = addTake();
    const LibraryItem second = addTake();

    QCoro::waitFor(namer.nameIfNeeded(first, store));
    QCoro::waitFor(namer.nameUntitled(store));

    EXPECT_EQ(server.requests, 0);
    EXPECT_EQ(fake->calls, 0);
    EXPECT_FALSE(titleOf(first));
    EXPECT_FALSE(titleOf(second));
    EXPECT_FALSE(QFileInfo::exists(RecordingNamer::downloadedModelPath()));
}

TEST_F(RecordingNamerTest, TakesWithATitleAreNeverTouched) {
    placeModel(dataModel(RecordingNamer::englishModelFile));
    const LibraryItem titled = addTake(QStringLiteral("My own name"));
    LibraryItem blank = addTake();
    blank.title = QStringLiteral("  \n"); // a blank title counts as none

    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(titled, store)));
    EXPECT_EQ(fake->calls, 0);
    EXPECT_TRUE(QCoro::waitFor(namer.nameIfNeeded(blank, store)));
    EXPECT_EQ(fake->calls, 1);

    QCoro::waitFor(namer.nameUntitled(store));
    QCoro::waitFor(namer.nameUntitled(store)); // as when the Library is shown again
    EXPECT_EQ(fake->calls, 1);
    EXPECT_EQ(titleOf(titled), QStringLiteral("My own name"));
    EXPECT_EQ(titleOf(blank), QStringLiteral("Hello there."));
}

TEST_F(RecordingNamerTest, TitleTypedDuringTranscriptionIsKept) {
    placeModel(dataModel(RecordingNamer::englishModelFile));
    const LibraryItem take = addTake();
    fake->gated = true;

    auto naming = namer.nameIfNeeded(take, store);
    store.setRecordingTitle(QStringLiteral("Typed by hand"), take.id);
    fake->gate.release();

    EXPECT_FALSE(QCoro::waitFor(naming));
    EXPECT_EQ(fake->calls, 1);
    EXPECT_EQ(titleOf(take), QStringLiteral("Typed by hand"));
}

TEST_F(RecordingNamerTest, OnlyOnePassRunsAtATime) {
    placeModel(dataModel(RecordingNamer::englishModelFile));
    const LibraryItem first = addTake();
    const LibraryItem second = addTake();
    fake->gated = true;
    QSignalSpy namingChanged(&namer, &RecordingNamer::namingChanged);

    auto pass = namer.nameUntitled(store);
    EXPECT_TRUE(namer.naming());
    auto overlapping = namer.nameUntitled(store);
    EXPECT_TRUE(overlapping.isReady()) << "a second pass returns at once";
    fake->gate.release(2);
    QCoro::waitFor(pass);

    EXPECT_FALSE(namer.naming());
    EXPECT_EQ(namingChanged.count(), 2);
    EXPECT_EQ(fake->calls, 2) << "each take transcribed once";
    EXPECT_EQ(titleOf(first), QStringLiteral("Hello there."));
    EXPECT_EQ(titleOf(second), QStringLiteral("Hello there."));
}

TEST_F(RecordingNamerTest, FailedTranscriptionsLeaveTheTakeUntitled) {
    placeModel(dataModel(RecordingNamer::englishModelFile));
    const LibraryItem take = addTake();
    for (const std::optional<QString> &text : {std::optional<QString>{}, std::optional<QString>(""),
                                               std::optional<QString>("Uh. Mm.")}) {
        fake->text = text;
        EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)));
    }
    // Unreadable audio never reaches the transcriber.
    writeAll(DataPaths::originalFile(take.id), "not audio");
    fake->text = QStringLiteral("hello");
    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)));
    EXPECT_EQ(fake->calls, 3);
    EXPECT_FALSE(titleOf(take));
}

// German needs the multilingual model: one download attempt, and the model is only used when
// it arrived intact.
struct DownloadCase {
    const char *name;
    int status;
    bool goodBody; // serve the file whose SHA-256 is expected
    bool titled;
};

class MultilingualDownload : public RecordingNamerTest,
                             public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(MultilingualDownload, GermanTakesDownloadTheModelOnce) {
    const DownloadCase &c = GetParam();
    server.status = c.status;
    server.body = c.goodBody ? goodModel : QByteArray("this is not the model");
    setLanguage(QStringLiteral("de"));
    const LibraryItem first = addTake();
    const LibraryItem second = addTake();
    const LibraryItem third = addTake();

    // Two takes at once (a take just recorded while the Library pass starts) share one download.
    auto single = namer.nameIfNeeded(first, store);
    auto pass = namer.nameUntitled(store);
    QCoro::waitFor(single);
    QCoro::waitFor(pass);

    EXPECT_EQ(server.requests, 1);
    const QString model = RecordingNamer::downloadedModelPath();
    EXPECT_EQ(model, dataModel(RecordingNamer::multilingualModelFile));
    EXPECT_EQ(QFileInfo::exists(model), c.titled);
    if (c.titled) {
        EXPECT_EQ(readAll(model), goodModel);
    }
    EXPECT_TRUE(QDir(DataPaths::tmpFolder()).isEmpty()) << "no partial download left behind";
    for (const LibraryItem &take : {first, second, third})
        EXPECT_EQ(titleOf(take).has_value(), c.titled);
    if (c.titled) {
        EXPECT_EQ(fake->models.first(), model);
        EXPECT_EQ(fake->languages.first(), QStringLiteral("de"));
    } else {
        EXPECT_EQ(fake->calls, 0);
    }

    // The next attempt asks again only while the model is still missing.
    QCoro::waitFor(namer.nameIfNeeded(addTake(), store));
    EXPECT_EQ(server.requests, c.titled ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Answers, MultilingualDownload,
                         ::testing::Values(DownloadCase{"verified_file", 200, true, true},
                                           DownloadCase{"not_found", 404, true, false},
                                           DownloadCase{"server_error_with_the_right_bytes", 500,
                                                        true, false},
                                           DownloadCase{"checksum_mismatch", 200, false, false}),
                         [](const ::testing::TestParamInfo<DownloadCase> &param) {
                             return std::string(param.param.name);
                         });

TEST_F(RecordingNamerTest, UnreachableServerOrNoChecksumLeavesTakesUntitled) {
    setLanguage(QStringLiteral("fr"));
    const LibraryItem take = addTake();

    int closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    qputenv("CHORALE_WHISPER_MODEL_URL",
            QStringLiteral("http://127.0.0.1:%1/ggml-tiny-q5_1.bin").arg(closedPort).toUtf8());
    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)));

    // A build configured without a checksum never fetches at all.
    qputenv("CHORALE_WHISPER_MODEL_URL", server.url().toEncoded());
    qputenv("CHORALE_WHISPER_MODEL_SHA256", "not-a-checksum");
    server.status = 200;
    server.body = goodModel;
    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)));
    EXPECT_EQ(server.requests, 0);
    EXPECT_FALSE(QFileInfo::exists(RecordingNamer::downloadedModelPath()));
    EXPECT_FALSE(titleOf(take));
}

TEST_F(RecordingNamerTest, WithoutSpeechRecognitionNothingIsDownloadedOrRead) {
    fake->available = false;
    setLanguage(QStringLiteral("de"));
    const LibraryItem take = addTake();

    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)));
    QCoro::waitFor(namer.nameUntitled(store));

    EXPECT_EQ(server.requests, 0);
    EXPECT_EQ(fake->calls, 0);
    EXPECT_FALSE(namer.naming());
    EXPECT_FALSE(QFileInfo::exists(DataPaths::root() + QStringLiteral("/whisper")));

    RecordingNamer unavailable(std::make_shared<UnavailableTranscriber>());
    EXPECT_FALSE(unavailable.transcriber().isAvailable());
    EXPECT_FALSE(QCoro::waitFor(unavailable.nameIfNeeded(take, store)));
    EXPECT_EQ(server.requests, 0);
}

TEST_F(RecordingNamerTest, SelectedLanguageFallsBackToEnglish) {
    const struct {
        std::optional<QString> stored;
        QString language;
    } cases[] = {{std::nullopt, "en"}, {"de", "de"}, {"no", "no"}, {"zh", "zh"},
                 {"DE", "en"},         {"xx", "en"}, {"", "en"}};
    for (const auto &c : cases) {
        if (c.stored)
            setLanguage(*c.stored);
        else
            openPreferences()->remove(ClonePreferences::voiceLanguageKey);
        EXPECT_EQ(RecordingNamer::selectedLanguage(), c.language)
                << c.stored.value_or("<unset>").toStdString();
    }
    EXPECT_EQ(RecordingNamer::modelFileName("en"), QStringLiteral("ggml-tiny.en-q5_1.bin"));
    EXPECT_EQ(RecordingNamer::modelFileName("ja"), QStringLiteral("ggml-tiny-q5_1.bin"));
}

TEST_F(RecordingNamerTest, ModelsAreLookedForInTheResourceFolderFirst) {
    const QString resources = root.scratch("share/chorale");
    QDir().mkpath(resources);
    ResourcePaths::setResourceDirectoryOverride(resources + "/./");

    const QStringList candidates = RecordingNamer::modelCandidates("en");
    ASSERT_EQ(candidates.size(), 4);
    EXPECT_EQ(candidates.first(), resources + "/whisper/ggml-tiny.en-q5_1.bin");
    const QString exe = ResourcePaths::executableDirectory();
    EXPECT_EQ(candidates[1], QDir::cleanPath(exe + "/../Resources/whisper/ggml-tiny.en-q5_1.bin"));
    EXPECT_EQ(candidates[2],
              QDir::cleanPath(exe + "/../../../dist/cache/whisper/ggml-tiny.en-q5_1.bin"));
    EXPECT_EQ(candidates.last(), dataModel("ggml-tiny.en-q5_1.bin"));

    EXPECT_FALSE(RecordingNamer::modelURL("en"));
    QDir().mkpath(candidates.first()); // a folder of that name is not a model
    placeModel(candidates.last());
    EXPECT_EQ(RecordingNamer::modelURL("en"), candidates.last());
    QDir(candidates.first()).removeRecursively();
    placeModel(candidates.first());
    EXPECT_EQ(RecordingNamer::modelURL("en"), candidates.first());
    EXPECT_FALSE(RecordingNamer::modelURL("de"));
}

} // namespace
