// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/LibraryItem.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace chorale {

class DataStore;
class Transcriber;

// Gives untitled takes a short title from the first words spoken in them. Reads the first
// 8 seconds of a take's original recording, has them transcribed on a low-priority background
// task, and stores the summarised transcript as the take's title. Every failure (no speech
// recognition, no model, unreadable audio, nothing said) is silent: the take keeps its fallback
// name and a later pass tries again.
// Main thread: the entry points, the `naming` flag and every store write.
class RecordingNamer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool naming READ naming NOTIFY namingChanged)

public:
    static inline const QString englishModelFile = QStringLiteral("ggml-tiny.en-q5_1.bin");
    static inline const QString multilingualModelFile = QStringLiteral("ggml-tiny-q5_1.bin");
    static inline const QString english = QStringLiteral("en");

    explicit RecordingNamer(std::shared_ptr<Transcriber> transcriber, QObject *parent = nullptr);
    ~RecordingNamer() override;

    // The app's namer, with this build's transcriber; created on first use and owned by the
    // application object.
    static RecordingNamer &shared();

    // True while a nameUntitled pass runs.
    bool naming() const { return m_naming; }
    const Transcriber &transcriber() const { return *m_transcriber; }

    // Titles one take unless it already has a title. Returns the title it stored, if any.
    QCoro::Task<std::optional<QString>> nameIfNeeded(LibraryItem item, DataStore &store);
    // Titles every take of `store` that has none, one after another. A pass started while
    // another runs returns at once.
    QCoro::Task<> nameUntitled(DataStore &store);

    // The language of titles as its code: the "chl.voiceLanguage" preference, English when it
    // is missing or not one of the app's languages.
    static QString selectedLanguage();
    // The model file for a language: English-only for "en", multilingual otherwise.
    static QString modelFileName(const QString &language);
    // Where the model for `language` is looked for, in order: the resource folder's "whisper",
    // "../Resources/whisper" and "../../../dist/cache/whisper" next to the executable, and the
    // data directory's "whisper" (where downloads go).
    static QStringList modelCandidates(const QString &language);
    // The first candidate that is a file.
    static std::optional<QString> modelURL(const QString &language);
    // Where the multilingual model is downloaded to.
    static QString downloadedModelPath();

signals:
    void namingChanged();
    // A multilingual model download ended (in place or not).
    void modelDownloadFinished();

private:
    // Makes sure a model for `language` is present, downloading the multilingual one when it is
    // missing and `mayDownload`. True when a model file exists afterwards.
    QCoro::Task<bool> prepareModel(QString language, bool mayDownload = true);
    // One download at a time; a caller arriving meanwhile waits for it.
    QCoro::Task<> downloadMultilingualModel();
    // Transcribes the take's original in the background and stores the title, unless the take
    // was deleted or titled (say, by the user) meanwhile.
    QCoro::Task<std::optional<QString>> titleTake(QUuid itemId, QString language,
                                                  QPointer<DataStore> store);
    // Blocking: model lookup, audio preparation, recognition, title rule.
    static std::optional<QString> transcribeFile(Transcriber &transcriber, const QString &audio,
                                                 const QString &language);
    void setNaming(bool naming);
    QNetworkAccessManager &network();

    std::shared_ptr<Transcriber> m_transcriber;
    QNetworkAccessManager *m_network = nullptr;
    bool m_naming = false;
    bool m_downloading = false;
};

} // namespace chorale
