// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/RecordingNamer.h"

#include "model/Background.h"
#include "model/CloneOptions.h"
#include "model/DataPaths.h"
#include "model/ResourcePaths.h"
#include "naming/ModelDownload.h"
#include "naming/SpeechAudio.h"
#include "naming/TitleSummarizer.h"
#include "naming/Transcriber.h"
#include "store/DataStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <qcoro/qcorosignal.h>

namespace chorale {

RecordingNamer::RecordingNamer(std::shared_ptr<Transcriber> transcriber, QObject *parent)
    : QObject(parent)
    , m_transcriber(transcriber ? std::move(transcriber)
                                : std::make_shared<UnavailableTranscriber>()) {}

RecordingNamer::~RecordingNamer() = default;

RecordingNamer &RecordingNamer::shared() {
    static QPointer<RecordingNamer> instance;
    if (!instance)
        instance = new RecordingNamer(makeTranscriber(), QCoreApplication::instance());
    return *instance;
}

QString RecordingNamer::selectedLanguage() {
    return rawValue(ClonePreferences::voiceLanguage());
}

QString RecordingNamer::modelFileName(const QString &language) {
    return language == english ? englishModelFile : multilingualModelFile;
}

QStringList RecordingNamer::modelCandidates(const QString &language) {
    using ResourcePaths::normalized;
    const QString file = modelFileName(language);
    QStringList candidates;
    if (const auto resources = ResourcePaths::resourceDirectory())
        candidates << normalized(*resources, QStringLiteral("whisper/") + file);
    const QString executable = ResourcePaths::executableDirectory();
    candidates << normalized(executable, QStringLiteral("../Resources/whisper/") + file)
               << normalized(executable, QStringLiteral("../../../dist/cache/whisper/") + file)
               << normalized(DataPaths::root(), QStringLiteral("whisper/") + file);
    candidates.removeDuplicates();
    return candidates;
}

std::optional<QString> RecordingNamer::modelURL(const QString &language) {
    for (const QString &candidate : modelCandidates(language)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return std::nullopt;
}

QString RecordingNamer::downloadedModelPath() {
    return DataPaths::root() + QStringLiteral("/whisper/") + multilingualModelFile;
}

QCoro::Task<std::optional<QString>> RecordingNamer::nameIfNeeded(LibraryItem item,
                                                                 DataStore &store) {
    if (!item.needsTitle() || !m_transcriber->isAvailable())
        co_return std::nullopt;
    QPointer<RecordingNamer> self(this);
    QPointer<DataStore> storeGuard(&store);
    const QString language = selectedLanguage();
    const bool ready = co_await prepareModel(language);
    if (!self || !storeGuard || !ready)
        co_return std::nullopt;
    co_return co_await titleTake(item.id, language, storeGuard);
}

QCoro::Task<> RecordingNamer::nameUntitled(DataStore &store) {
    if (m_naming)
        co_return;
    setNaming(true);
    QPointer<RecordingNamer> self(this);
    QPointer<DataStore> storeGuard(&store);
    const QList<LibraryItem> snapshot = store.items();
    // After one failed download the rest of the pass goes without, instead of asking the
    // server again for every take; the next pass tries again.
    bool downloadFailed = false;
    for (const LibraryItem &item : snapshot) {
        if (!m_transcriber->isAvailable())
            break;
        if (!item.needsTitle())
            continue;
        const QString language = selectedLanguage();
        const bool ready = co_await prepareModel(language, !downloadFailed);
        if (!self || !storeGuard)
            co_return;
        if (!ready) {
            downloadFailed = downloadFailed || language != english;
            continue;
        }
        co_await titleTake(item.id, language, storeGuard);
        if (!self || !storeGuard)
            co_return;
    }
    setNaming(false);
}

QCoro::Task<bool> RecordingNamer::prepareModel(QString language, bool mayDownload) {
    if (modelURL(language))
        co_return true;
    // The English model ships with the app and is never downloaded.
    if (language == english || !mayDownload)
        co_return false;
    co_await downloadMultilingualModel();
    co_return modelURL(language).has_value();
}

QCoro::Task<> RecordingNamer::downloadMultilingualModel() {
    const QString destination = downloadedModelPath();
    if (QFileInfo::exists(destination))
        co_return;
    if (m_downloading) {
        co_await qCoro(this, &RecordingNamer::modelDownloadFinished);
        co_return;
    }
    if (!QDir().mkpath(QFileInfo(destination).absolutePath()))
        co_return;
    m_downloading = true;
    QPointer<RecordingNamer> self(this);
    co_await ModelDownload::fetchVerified(network(), ModelDownload::multilingualModel(),
                                          destination);
    if (!self)
        co_return;
    m_downloading = false;
    emit modelDownloadFinished();
}

QCoro::Task<std::optional<QString>> RecordingNamer::titleTake(QUuid itemId, QString language,
                                                              QPointer<DataStore> store) {
    // Whatever goes wrong in the background (even an exception) ends in no title.
    auto work = [transcriber = m_transcriber, audio = DataPaths::originalFile(itemId),
                 language]() -> std::optional<QString> {
        try {
            return transcribeFile(*transcriber, audio, language);
        } catch (...) {
            return std::nullopt;
        }
    };
    const std::optional<QString> title =
            co_await runInBackground(std::move(work), QThread::LowPriority);
    if (!title || !store)
        co_return std::nullopt;
    // The take may have been deleted or named by hand while it was being transcribed; a title
    // the user typed is never overwritten.
    const std::optional<LibraryItem> current = store->item(itemId);
    if (!current || !current->needsTitle())
        co_return std::nullopt;
    store->setRecordingTitle(*title, itemId);
    co_return title;
}

std::optional<QString> RecordingNamer::transcribeFile(Transcriber &transcriber,
                                                      const QString &audio,
                                                      const QString &language) {
    const std::optional<QString> model = modelURL(language);
    if (!model)
        return std::nullopt;
    const std::optional<std::vector<float>> samples = SpeechAudio::pcm16k(audio);
    if (!samples || samples->empty())
        return std::nullopt;
    const std::optional<QString> text = transcriber.transcribe(*model, *samples, language);
    if (!text)
        return std::nullopt;
    return TitleSummarizer::summarize(*text);
}

void RecordingNamer::setNaming(bool naming) {
    if (m_naming == naming)
        return;
    m_naming = naming;
    emit namingChanged();
}

QNetworkAccessManager &RecordingNamer::network() {
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return *m_network;
}

} // namespace chorale
