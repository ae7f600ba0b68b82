// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/CancellationToken.h"
#include "engine/EngineLauncher.h"
#include "engine/EngineStatus.h"
#include "model/CloneOptions.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace chorale {

// The app's one handle on the voice engine. Starts it on first use (launch, wait for it to
// answer, have it load its models) with a single attempt shared by every caller, publishes that
// start-up as `status`, and runs voice conversion and text to speech, publishing their progress.
// One instance for the app's lifetime; main thread only. Requests run on background threads
// (UnixHttpClient) and every coroutine resumes here.
class EngineController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ready READ ready NOTIFY statusChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY statusChanged)
    Q_PROPERTY(bool started READ started NOTIFY statusChanged)
    Q_PROPERTY(double progress READ progress NOTIFY statusChanged)
    Q_PROPERTY(QString message READ message NOTIFY statusChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY statusChanged)
    Q_PROPERTY(QString error READ error NOTIFY statusChanged)
    Q_PROPERTY(bool isConverting READ isConverting NOTIFY isConvertingChanged)
    Q_PROPERTY(double convertProgress READ convertProgress WRITE setConvertProgress NOTIFY
                       convertProgressChanged)
    Q_PROPERTY(QString convertMessage READ convertMessage WRITE setConvertMessage NOTIFY
                       convertMessageChanged)

public:
    // How often and how long the engine is polled. The defaults give the engine 20 s to answer
    // after launch and 30 minutes to download and load its models.
    struct Timing {
        int healthTries = 80;
        std::chrono::milliseconds healthInterval{250};
        int statusTries = 3600;
        std::chrono::milliseconds statusInterval{500};
        std::chrono::milliseconds progressInterval{400};
        // How long a poll ("/health", "/status", "/progress") may go unanswered, and how long
        // any answer may stall once it has started, before the engine counts as hung.
        std::chrono::milliseconds pollPatience{10'000};
        std::chrono::milliseconds stallPatience{30'000};
    };

    // The floor of a job's published progress, so a started job never shows as empty.
    static constexpr double minimumJobProgress = 0.05;

    explicit EngineController(QObject *parent = nullptr);
    explicit EngineController(Timing timing, QObject *parent = nullptr);
    // Stops the engine (without waiting for it).
    ~EngineController() override;

    const EngineStatus &status() const { return m_status; }
    bool ready() const { return m_status.ready; }
    bool loading() const { return m_status.loading; }
    bool started() const { return m_status.started; }
    double progress() const { return m_status.progress; }
    QString message() const { return m_status.message; }
    bool hasError() const { return m_status.error.has_value(); }
    QString error() const { return m_status.error.value_or(QString()); }
    // The main window clears the error once the user has dismissed it.
    Q_INVOKABLE void clearError();

    bool isConverting() const { return m_isConverting; }
    double convertProgress() const { return m_convertProgress; }
    QString convertMessage() const { return m_convertMessage; }
    // The clone queue and the Prompt screen describe their own steps around the engine's.
    void setConvertProgress(double progress);
    void setConvertMessage(const QString &message);

    // Returns once the engine is ready, starting it if needed: launch, wait until it answers,
    // have it prepare its models. Concurrent callers share one attempt; a failed attempt is
    // forgotten, so the next call tries afresh.
    QCoro::Task<> ensureStarted();

    // Converts the take at `source` into the voice of the reference clip `target`, written to
    // `output`. Throws ChoraleError (engineUnavailable or conversionFailed).
    QCoro::Task<> convert(QString source, QString target, QString output, bool singing);
    // Speaks `text` in `language` into `to`, in the voice of `reference` when given.
    QCoro::Task<> speak(QString text, QString to, std::optional<QString> reference,
                        VoiceLanguage language);

    // Cancels a start in progress, asks the engine to terminate and deletes its socket. Leaves
    // the status alone.
    void stop();

signals:
    void statusChanged();
    void isConvertingChanged();
    void convertProgressChanged();
    void convertMessageChanged();

private:
    struct StartAttempt;

    QCoro::Task<> runAttempt(std::shared_ptr<StartAttempt> attempt);
    // One full start attempt, ended early by cancelling `token`.
    QCoro::Task<> start(CancellationToken token);
    QCoro::Task<> waitForHealth(CancellationToken token);
    QCoro::Task<> prepareModels(CancellationToken token);
    // Runs until `token` is cancelled.
    QCoro::Task<> pollProgress(CancellationToken token);
    // What convert and speak share: start the engine, then the request with its progress
    // poller. `marksConverting`: whether the job owns `isConverting`.
    QCoro::Task<> runJob(QString path, QJsonObject request, QString workingMessage,
                         QString fallbackFailure, bool marksConverting);

    void setStatus(const EngineStatus &status);
    void setConverting(bool converting);

    Timing m_timing;
    EngineStatus m_status;
    bool m_isConverting = false;
    double m_convertProgress = 0;
    QString m_convertMessage;
    EngineLauncher m_launcher;
    // The start in flight, or the last one that succeeded.
    std::shared_ptr<StartAttempt> m_startAttempt;
};

} // namespace chorale
