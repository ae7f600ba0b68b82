// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineController.h"

#include "engine/UnixHttpClient.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QPointer>

#include <algorithm>
#include <exception>

namespace chorale {

struct EngineController::StartAttempt {
    CancellationToken token;
    AsyncFlag done;
    std::exception_ptr error;
};

namespace {

// What the tasks of a stopped (or destroyed) controller end with.
ChoraleError stoppedError() {
    return ChoraleError::engineUnavailable(QStringLiteral("The voice engine was stopped."));
}

// Polls are answered at once by a working engine; the work itself may take as long as it needs.
UnixHttpClient::Patience pollPatience(const EngineController::Timing &timing) {
    return {timing.pollPatience, timing.stallPatience};
}
UnixHttpClient::Patience workPatience(const EngineController::Timing &timing) {
    return {std::nullopt, timing.stallPatience};
}

// A poll the engine left unanswered until its patience ran out stands for the polls that time
// would have held, so that a hung engine still meets the loop's overall time limit.
int triesSpent(std::chrono::steady_clock::time_point began, const EngineController::Timing &timing,
               std::chrono::milliseconds interval) {
    if (std::chrono::steady_clock::now() - began < timing.pollPatience)
        return 1;
    return std::max(1, int(timing.pollPatience / std::max(interval, std::chrono::milliseconds(1))));
}

QCoro::Task<QJsonObject> getJSON(QString path, UnixHttpClient::Patience patience) {
    co_return co_await UnixHttpClient::json(DataPaths::engineSocket(), QStringLiteral("GET"),
                                            std::move(path), std::nullopt, patience);
}

// The engine answers "/prepare" only once its models are loaded; the answer itself is of no
// interest ("/status" reports the outcome), and the request cannot be interrupted.
QCoro::Task<> sendPrepare(UnixHttpClient::Patience patience) {
    try {
        co_await UnixHttpClient::request(DataPaths::engineSocket(), QStringLiteral("POST"),
                                         QStringLiteral("/prepare"), std::nullopt, patience);
    } catch (const std::exception &) {
    }
}

QCoro::Task<std::pair<double, QString>> fetchProgress(UnixHttpClient::Patience patience) {
    const QJsonObject answer = co_await getJSON(QStringLiteral("/progress"), patience);
    co_return std::pair{answer.value(QStringLiteral("progress")).toDouble(0),
                        answer.value(QStringLiteral("message")).toString()};
}

bool boolean(const QJsonObject &object, const QString &key) {
    const QJsonValue value = object.value(key);
    return value.isBool() && value.toBool();
}

} // namespace

EngineController::EngineController(QObject *parent)
    : EngineController(Timing{}, parent) {}

EngineController::EngineController(Timing timing, QObject *parent)
    : QObject(parent)
    , m_timing(timing) {}

EngineController::~EngineController() {
    stop();
}

void EngineController::clearError() {
    EngineStatus status = m_status;
    status.error.reset();
    setStatus(status);
}

void EngineController::setStatus(const EngineStatus &status) {
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void EngineController::setConverting(bool converting) {
    if (converting == m_isConverting)
        return;
    m_isConverting = converting;
    emit isConvertingChanged();
}

void EngineController::setConvertProgress(double progress) {
    if (progress == m_convertProgress)
        return;
    m_convertProgress = progress;
    emit convertProgressChanged();
}

void EngineController::setConvertMessage(const QString &message) {
    if (message == m_convertMessage)
        return;
    m_convertMessage = message;
    emit convertMessageChanged();
}

// Start-up

QCoro::Task<> EngineController::ensureStarted() {
    if (m_status.ready)
        co_return;
    std::shared_ptr<StartAttempt> attempt = m_startAttempt;
    if (!attempt) {
        attempt = std::make_shared<StartAttempt>();
        m_startAttempt = attempt;
        // Runs on its own; every caller (this one included) waits for its outcome below.
        runAttempt(attempt);
    }
    co_await attempt->done.wait();
    if (attempt->error)
        std::rethrow_exception(attempt->error);
}

QCoro::Task<> EngineController::runAttempt(std::shared_ptr<StartAttempt> attempt) {
    QPointer<EngineController> self(this);
    try {
        co_await start(attempt->token);
    } catch (...) {
        attempt->error = std::current_exception();
        // A failed attempt is forgotten so that the next caller starts afresh.
        if (self && m_startAttempt == attempt)
            m_startAttempt.reset();
    }
    attempt->done.set();
}

QCoro::Task<> EngineController::start(CancellationToken token) {
    QPointer<EngineController> self(this);
    EngineStatus status = m_status;
    status.started = true;
    status.error.reset();
    status.message = QStringLiteral("Starting engine…");
    setStatus(status);
    try {
        m_launcher.launch();
        co_await waitForHealth(token);
        if (!self)
            throw stoppedError();
        co_await prepareModels(token);
    } catch (const std::exception &error) {
        if (self) {
            status = m_status;
            status.error = describeError(error);
            status.message = QStringLiteral("Engine failed");
            setStatus(status);
        }
        throw;
    }
}

QCoro::Task<> EngineController::waitForHealth(CancellationToken token) {
    QPointer<EngineController> self(this);
    EngineStatus status = m_status;
    status.message = QStringLiteral("Waiting for engine…");
    setStatus(status);

    const QString socket = DataPaths::engineSocket();
    for (int attempt = 0; attempt < m_timing.healthTries;) {
        if (m_launcher.hasProcess() && !m_launcher.isRunning()) {
            throw ChoraleError::engineUnavailable(
                    QStringLiteral("The voice engine exited. See engine.log."));
        }
        const auto began = std::chrono::steady_clock::now();
        if (QFileInfo::exists(socket)) {
            bool healthy = false;
            try {
                const QJsonObject health = co_await UnixHttpClient::json(
                        socket, QStringLiteral("GET"), QStringLiteral("/health"), std::nullopt,
                        pollPatience(m_timing));
                healthy = boolean(health, QStringLiteral("ok"));
            } catch (const std::exception &) {
                // Not answering yet; keep polling.
            }
            if (!self)
                throw stoppedError();
            if (healthy)
                co_return;
        }
        attempt += triesSpent(began, m_timing, m_timing.healthInterval);
        if (!co_await token.sleep(m_timing.healthInterval) || !self)
            throw stoppedError();
    }
    throw ChoraleError::engineUnavailable(
            QStringLiteral("Timed out waiting for the voice engine."));
}

QCoro::Task<> EngineController::prepareModels(CancellationToken token) {
    QPointer<EngineController> self(this);
    EngineStatus status = m_status;
    status.loading = true;
    status.message = QStringLiteral("Loading models…");
    setStatus(status);

    sendPrepare(workPatience(m_timing));

    for (int attempt = 0; attempt < m_timing.statusTries;) {
        QJsonObject report;
        const auto began = std::chrono::steady_clock::now();
        try {
            report = co_await getJSON(QStringLiteral("/status"), pollPatience(m_timing));
        } catch (const std::exception &) {
            // A busy or unreachable engine reads as "not ready"; keep polling.
        }
        if (!self || token.isCancelled())
            throw stoppedError();
        attempt += triesSpent(began, m_timing, m_timing.statusInterval);

        status = m_status;
        status.ready = boolean(report, QStringLiteral("ready"));
        status.loading = boolean(report, QStringLiteral("loading"));
        const QJsonValue progress = report.value(QStringLiteral("progress"));
        status.progress = progress.isDouble() ? progress.toDouble() : 0;
        const QJsonValue message = report.value(QStringLiteral("message"));
        if (message.isString() && !message.toString().isEmpty())
            status.message = message.toString();
        const QJsonValue error = report.value(QStringLiteral("error"));
        status.error = error.isString() ? std::optional(error.toString()) : std::nullopt;

        if (status.error && !status.error->isEmpty()) {
            setStatus(status);
            throw ChoraleError::engineUnavailable(*status.error);
        }
        if (status.ready) {
            status.loading = false;
            status.message = QStringLiteral("Ready");
            setStatus(status);
            co_return;
        }
        setStatus(status);
        if (!co_await token.sleep(m_timing.statusInterval) || !self)
            throw stoppedError();
    }
    throw ChoraleError::engineUnavailable(QStringLiteral("Timed out downloading models."));
}

void EngineController::stop() {
    if (m_startAttempt) {
        m_startAttempt->token.cancel();
        m_startAttempt.reset();
    }
    m_launcher.stop();
}

// Jobs

QCoro::Task<> EngineController::convert(QString source, QString target, QString output,
                                        bool singing) {
    const QJsonObject request{
            {QStringLiteral("source_wav"), source},
            {QStringLiteral("target_wav"), target},
            {QStringLiteral("output_wav"), output},
            {QStringLiteral("diffusion_steps"), singing ? 50 : 40},
            {QStringLiteral("similarity_cfg_rate"), 0.7},
            {QStringLiteral("convert_style"), !singing},
            {QStringLiteral("singing"), singing},
    };
    co_await runJob(QStringLiteral("/convert"), request,
                    singing ? QStringLiteral("Cloning song…") : QStringLiteral("Cloning voice…"),
                    QStringLiteral("Conversion failed."), true);
}

QCoro::Task<> EngineController::speak(QString text, QString to, std::optional<QString> reference,
                                      VoiceLanguage language) {
    QJsonObject request{
            {QStringLiteral("text"), text},
            {QStringLiteral("output_wav"), to},
            {QStringLiteral("language_id"), rawValue(language)},
    };
    if (reference)
        request.insert(QStringLiteral("audio_prompt_wav"), *reference);
    co_await runJob(QStringLiteral("/tts"), request, QStringLiteral("Speaking…"),
                    QStringLiteral("Speech failed."), false);
}

QCoro::Task<> EngineController::runJob(QString path, QJsonObject request, QString workingMessage,
                                       QString fallbackFailure, bool marksConverting) {
    QPointer<EngineController> self(this);
    const auto finish = [&] {
        if (self && marksConverting)
            setConverting(false);
    };

    if (marksConverting)
        setConverting(true);
    setConvertProgress(minimumJobProgress);
    setConvertMessage(QStringLiteral("Preparing engine…"));
    try {
        co_await ensureStarted();
    } catch (...) {
        finish();
        throw;
    }
    if (!self)
        throw stoppedError();
    setConvertMessage(workingMessage);

    const QByteArray body = QJsonDocument(request).toJson(QJsonDocument::Compact);
    const CancellationToken poller;
    pollProgress(poller);
    QJsonObject answer;
    try {
        answer = co_await UnixHttpClient::json(DataPaths::engineSocket(), QStringLiteral("POST"),
                                               path, body, workPatience(m_timing));
    } catch (...) {
        poller.cancel();
        finish();
        throw;
    }
    poller.cancel();
    if (!self)
        throw stoppedError();
    if (boolean(answer, QStringLiteral("ok"))) {
        setConvertProgress(1);
        setConvertMessage(QStringLiteral("Done"));
        finish();
        co_return;
    }
    finish();
    const QJsonValue detail = answer.value(QStringLiteral("detail"));
    throw ChoraleError::conversionFailed(detail.isString() ? detail.toString() : fallbackFailure);
}

QCoro::Task<> EngineController::pollProgress(CancellationToken token) {
    QPointer<EngineController> self(this);
    while (!token.isCancelled()) {
        try {
            const auto [progress, message] = co_await fetchProgress(pollPatience(m_timing));
            // An answer that arrives after the job has ended must not overwrite its outcome.
            if (!self || token.isCancelled())
                co_return;
            setConvertProgress(std::max(progress, minimumJobProgress));
            if (!message.isEmpty())
                setConvertMessage(message);
        } catch (const std::exception &) {
            // Progress is a courtesy; the job itself reports failures.
        }
        // A poll that failed because the controller went away must not touch it.
        if (!self || token.isCancelled())
            co_return;
        co_await token.sleep(m_timing.progressInterval);
        if (!self)
            co_return;
    }
}

} // namespace chorale
