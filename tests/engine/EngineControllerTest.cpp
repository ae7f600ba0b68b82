// SPDX-License-Identifier: GPL-3.0-or-later
// The engine controller against the scriptable test engine (fake_engine.py), with polling
// shortened to milliseconds: the shared start-up and what it publishes, every start failure,
// the conversion and speech requests with their progress, and stopping.
#include "engine/EngineController.h"

#include "FakeEngine.h"
#include "WaitForTask.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "support/TestData.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace chorale;
using namespace chorale::test;
using namespace std::chrono_literals;

namespace {

std::optional<ChoraleError> failureOf(QCoro::Task<> task) {
    try {
        waitForTask(std::move(task));
    } catch (const ChoraleError &error) {
        return error;
    }
    return std::nullopt;
}

// Every status the controller published, in order.
struct StatusLog {
    explicit StatusLog(EngineController &controller) {
        QObject::connect(&controller, &EngineController::statusChanged, &controller,
                         [this, &controller] { seen << controller.status(); });
    }
    QStringList messages() const {
        QStringList list;
        for (const auto &s : seen) {
            if (list.isEmpty() || list.last() != s.message)
                list << s.message;
        }
        return list;
    }
    QList<EngineStatus> seen;
};

// Every (progress, message) the job state went through.
struct JobLog {
    explicit JobLog(EngineController &controller) {
        const auto record = [this, &controller] {
            seen << std::pair{controller.convertProgress(), controller.convertMessage()};
        };
        QObject::connect(&controller, &EngineController::convertProgressChanged, &controller,
                         record);
        QObject::connect(&controller, &EngineController::convertMessageChanged, &controller,
                         record);
        QObject::connect(&controller, &EngineController::isConvertingChanged, &controller,
                         [this, &controller] { converting << controller.isConverting(); });
    }
    QList<std::pair<double, QString>> seen;
    QList<bool> converting;
};

class EngineControllerTest : public ::testing::Test {
protected:
    static EngineController::Timing fast() {
        return {.healthTries = 400,
                .healthInterval = 10ms,
                .statusTries = 400,
                .statusInterval = 10ms,
                .progressInterval = 10ms};
    }

    QString take(const QString &name, const QByteArray &bytes) const {
        const QString path = root.scratch(name);
        writeAll(path, bytes);
        return path;
    }

    TempDataRoot root;
    FakeEngine engine;
};

TEST_F(EngineControllerTest, StartsOnDemandAndPublishesEachStage) {
    // A health answer that takes a while is waited for, not given up on.
    engine.set("HEALTH", R"({"ok": true, "_delay": 0.3})");
    EngineController controller(fast());
    StatusLog log(controller);
    EXPECT_EQ(controller.status(), EngineStatus());
    EXPECT_EQ(controller.message(), "Idle");

    waitForTask(controller.ensureStarted());

    const QStringList messages = log.messages();
    ASSERT_GE(messages.size(), 4);
    EXPECT_EQ(messages.mid(0, 3),
              QStringList({"Starting engine…", "Waiting for engine…", "Loading models…"}));
    EXPECT_EQ(messages.last(), "Ready");
    for (qsizetype i = 1; i < log.seen.size(); ++i)
        EXPECT_NE(log.seen[i - 1], log.seen[i]) << "notified without a change";
    EXPECT_TRUE(controller.ready());
    EXPECT_FALSE(controller.loading());
    EXPECT_TRUE(controller.started());
    EXPECT_FALSE(controller.hasError());
    EXPECT_EQ(engine.requests("/health").size(), 1);
    EXPECT_EQ(engine.requests("/prepare").size(), 1);

    // Once ready, later calls return at once without a word to the engine.
    const auto before = engine.events().size();
    const auto notified = log.seen.size();
    waitForTask(controller.ensureStarted());
    EXPECT_EQ(engine.events().size(), before);
    EXPECT_EQ(log.seen.size(), notified);
}

TEST_F(EngineControllerTest, AConversionAndAPromptArrivingTogetherShareOneStart) {
    engine.set("STATUS", R"([{"loading": true, "progress": 0.1}, {"loading": true,
                             "progress": 0.5}, {"ready": true}])");
    EngineController controller(fast());
    const QString source = take("take.wav", "source take");
    const QString reference = take("reference.wav", "reference clip");
    const QString converted = root.scratch("converted.wav");
    const QString spoken = root.scratch("spoken.wav");

    auto conversion = controller.convert(source, reference, converted, false);
    auto prompt = controller.speak("Hello there", spoken, reference, VoiceLanguage::english);
    auto bare = controller.ensureStarted();
    waitForTask(std::move(conversion));
    waitForTask(std::move(prompt));
    waitForTask(std::move(bare));

    EXPECT_EQ(engine.starts(), 1);
    EXPECT_EQ(engine.requests("/health").size(), 1);
    EXPECT_EQ(engine.requests("/prepare").size(), 1);
    EXPECT_EQ(engine.requests("/status").size(), 3);
    EXPECT_EQ(readAll(converted), "source take");
    EXPECT_EQ(readAll(spoken), "reference clip");
}

TEST_F(EngineControllerTest, SendsTheConversionAndSpeechRequests) {
    EngineController controller(fast());
    JobLog jobs(controller);
    const QString source = take("take.wav", "take");
    const QString reference = take("reference.wav", "reference");
    const QString out = root.scratch("out.wav");

    waitForTask(controller.convert(source, reference, out, false));
    EXPECT_EQ(jobs.converting, QList<bool>({true, false}));
    EXPECT_EQ(controller.convertProgress(), 1.0);
    EXPECT_EQ(controller.convertMessage(), "Done");
    waitForTask(controller.convert(source, reference, out, true));

    // Speech never touches isConverting.
    jobs.converting.clear();
    waitForTask(controller.speak("Hallo Welt", out, std::nullopt, VoiceLanguage::german));
    waitForTask(controller.speak("Hej", out, reference, VoiceLanguage::swedish));
    EXPECT_TRUE(jobs.converting.isEmpty());
    EXPECT_FALSE(controller.isConverting());

    const auto converts = engine.requests("/convert");
    ASSERT_EQ(converts.size(), 2);
    EXPECT_EQ(converts[0].value("body").toObject(), QJsonObject({{"source_wav", source},
                                                                 {"target_wav", reference},
                                                                 {"output_wav", out},
                                                                 {"diffusion_steps", 40},
                                                                 {"similarity_cfg_rate", 0.7},
                                                                 {"convert_style", true},
                                                                 {"singing", false}}));
    const QJsonObject singing = converts[1].value("body").toObject();
    EXPECT_EQ(singing.value("diffusion_steps"), 50);
    EXPECT_EQ(singing.value("convert_style"), false);
    EXPECT_EQ(singing.value("singing"), true);

    const auto speech = engine.requests("/tts");
    ASSERT_EQ(speech.size(), 2);
    // Without a reference the key is left out altogether.
    EXPECT_EQ(speech[0].value("body").toObject(),
              QJsonObject({{"text", "Hallo Welt"}, {"output_wav", out}, {"language_id", "de"}}));
    EXPECT_EQ(speech[1].value("body").toObject(), QJsonObject({{"text", "Hej"},
                                                               {"output_wav", out},
                                                               {"language_id", "sv"},
                                                               {"audio_prompt_wav", reference}}));
    for (const auto &r : engine.requests("/convert") + engine.requests("/tts"))
        EXPECT_EQ(r.value("method").toString(), "POST");
}

TEST_F(EngineControllerTest, GivesUpWhenTheEngineNeverAnswersHealthy) {
    struct Case {
        const char *name;
        const char *knob;
        QByteArray value;
        bool polled; // whether /health is asked at all
    };
    const Case cases[] = {
            {"answers ok false", "HEALTH", R"({"ok": false})", true},
            {"answers with a body that is not JSON", "HEALTH", R"({"_body": "hello"})", true},
            {"answers with an error status", "HEALTH", R"({"_http": 500, "ok": true})", true},
            {"never creates its socket", "NO_SOCKET", "1", false},
    };
    EngineController::Timing timing = fast();
    timing.healthTries = 6;
    timing.healthInterval = 200ms;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const char *knob : {"HEALTH", "NO_SOCKET"})
            qunsetenv((QByteArray("FAKE_ENGINE_") + knob).constData());
        engine.set(c.knob, c.value);
        const auto healthBefore = engine.requests("/health").size();
        EngineController controller(timing);

        const auto error = failureOf(controller.ensureStarted());
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
        EXPECT_EQ(error->message(), "Timed out waiting for the voice engine.");
        EXPECT_EQ(controller.message(), "Engine failed");
        EXPECT_EQ(controller.error(), "Timed out waiting for the voice engine.");
        EXPECT_TRUE(controller.started());
        EXPECT_FALSE(controller.ready());
        // Every try once the socket is there, none without it.
        const auto health = engine.requests("/health").size() - healthBefore;
        if (c.polled)
            EXPECT_TRUE(health >= 1 && health <= 6) << health;
        else
            EXPECT_EQ(health, 0);
    }
    EXPECT_TRUE(engine.requests("/prepare").isEmpty());
}

TEST_F(EngineControllerTest, NoticesAnEngineThatExitsBeforeItsSocketExists) {
    engine.set("STARTUP_DELAY", "0.1");
    engine.set("EXIT", "1");
    EngineController controller(fast());
    const auto error = failureOf(controller.ensureStarted());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "The voice engine exited. See engine.log.");
    EXPECT_EQ(controller.error(), "The voice engine exited. See engine.log.");
}

TEST_F(EngineControllerTest, AnErrorFromStatusStopsTheStart) {
    engine.set("STATUS", R"([{"loading": true, "progress": 0.3, "message": "Downloading"},
                             {"loading": true, "error": "Out of disk space"},
                             {"ready": true}])");
    EngineController controller(fast());
    StatusLog log(controller);
    const auto error = failureOf(controller.ensureStarted());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
    EXPECT_EQ(error->message(), "Out of disk space");

    EXPECT_TRUE(std::any_of(log.seen.begin(), log.seen.end(), [](const EngineStatus &s) {
        return s.progress == 0.3 && s.message == "Downloading" && s.loading;
    }));
    const EngineStatus &last = controller.status();
    EXPECT_EQ(last.error, "Out of disk space");
    EXPECT_EQ(last.message, "Engine failed");
    EXPECT_TRUE(last.loading); // keeps its last value
    EXPECT_FALSE(last.ready);
    EXPECT_EQ(engine.requests("/status").size(), 2);

    // The user dismisses the alert.
    controller.clearError();
    EXPECT_FALSE(controller.hasError());
}

TEST_F(EngineControllerTest, PublishesWhatStatusReportsAndRidesOutFailedPolls) {
    engine.set("STATUS", R"([
        {"loading": true, "progress": 0.42, "message": "Downloading models"},
        {"loading": true, "progress": 0.5, "message": ""},
        {"_http": 503, "detail": "busy"},
        {"_raw": ""},
        {"loading": true, "progress": 0.9, "error": ""},
        {"ready": true}])");
    EngineController controller(fast());
    StatusLog log(controller);
    waitForTask(controller.ensureStarted());

    const auto at = [&](const EngineStatus &wanted) {
        return std::find(log.seen.begin(), log.seen.end(), wanted) - log.seen.begin();
    };
    EngineStatus s;
    s.started = true;
    s.loading = true;
    s.progress = 0.42;
    s.message = "Downloading models";
    const auto reported = at(s);
    // An empty message leaves the previous one showing.
    s.progress = 0.5;
    const auto emptyMessage = at(s);
    // A failed poll reads as "not ready, not loading, no progress".
    s.loading = false;
    s.progress = 0;
    const auto failedPoll = at(s);
    // An empty error is kept but does not stop the start.
    s.loading = true;
    s.progress = 0.9;
    s.error = QString();
    const auto emptyError = at(s);
    EXPECT_LT(reported, emptyMessage);
    EXPECT_LT(emptyMessage, failedPoll);
    EXPECT_LT(failedPoll, emptyError);
    EXPECT_LT(emptyError, log.seen.size());

    EXPECT_TRUE(controller.ready());
    EXPECT_EQ(controller.message(), "Ready");
    EXPECT_FALSE(controller.hasError());
}

TEST_F(EngineControllerTest, ARetryAfterAModelTimeoutReusesTheRunningEngine) {
    engine.set("STATUS", R"([{"loading": true}, {"loading": true}, {"ready": true}])");
    EngineController::Timing timing = fast();
    timing.statusTries = 2;
    EngineController controller(timing);

    const auto error = failureOf(controller.ensureStarted());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "Timed out downloading models.");

    waitForTask(controller.ensureStarted());
    EXPECT_TRUE(controller.ready());
    EXPECT_FALSE(controller.hasError());
    EXPECT_EQ(engine.starts(), 1);
    EXPECT_EQ(engine.requests("/health").size(), 2);
    // The second "/prepare" goes out beside the status polls, so the engine may log it after
    // the start has already seen "ready".
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.requests("/prepare").size() == 2; }, 5000));
}

TEST_F(EngineControllerTest, AFailedStartIsSharedThenForgotten) {
    const auto places = engine.places();
    engine.places().scriptOverride.clear();
    engine.apply();
    EngineController controller(fast());

    auto first = controller.ensureStarted();
    auto second = controller.ensureStarted();
    for (auto *task : {&first, &second}) {
        const auto error = failureOf(std::move(*task));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->message(), "Could not find engine/server.py.");
    }
    EXPECT_EQ(controller.error(), "Could not find engine/server.py.");
    EXPECT_EQ(controller.message(), "Engine failed");

    engine.places() = places;
    engine.apply();
    waitForTask(controller.ensureStarted());
    EXPECT_TRUE(controller.ready());
    EXPECT_FALSE(controller.hasError());
}

TEST_F(EngineControllerTest, ReportsFailedJobs) {
    struct Case {
        const char *name;
        bool speech;
        ChoraleError::Kind kind;
        const char *message;
    };
    // The engine answers the requests in this order.
    engine.set("CONVERT", R"([{"ok": false},
                              {"ok": false, "detail": "The take is silent"},
                              {"_http": 500, "detail": "Model crashed"},
                              {"_raw": ""},
                              {"_chunked": true, "ok": true},
                              {"ok": "true"}])");
    engine.set("TTS", R"([{"ok": false}, {"_http": 422, "detail": "Text is empty"}])");
    const Case cases[] = {
            {"ok false", false, ChoraleError::Kind::conversionFailed, "Conversion failed."},
            {"ok false with detail", false, ChoraleError::Kind::conversionFailed,
             "The take is silent"},
            {"error status", false, ChoraleError::Kind::engineUnavailable, "Model crashed"},
            {"hangs up without an answer", false, ChoraleError::Kind::engineUnavailable,
             "Invalid response from the voice engine."},
            {"chunked answer", false, ChoraleError::Kind::conversionFailed, "Conversion failed."},
            {"ok as text", false, ChoraleError::Kind::conversionFailed, "Conversion failed."},
            {"speech ok false", true, ChoraleError::Kind::conversionFailed, "Speech failed."},
            {"speech error status", true, ChoraleError::Kind::engineUnavailable, "Text is empty"},
    };
    EngineController controller(fast());
    const QString source = take("take.wav", "take");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = root.scratch("out.wav");
        const auto error =
                failureOf(c.speech ? controller.speak("Hi", out, source, VoiceLanguage::english)
                                   : controller.convert(source, source, out, false));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), c.kind);
        EXPECT_EQ(error->message(), QString::fromUtf8(c.message));
        EXPECT_FALSE(controller.isConverting());
        EXPECT_NE(controller.convertMessage(), "Done");
    }
}

TEST_F(EngineControllerTest, JobProgressNeverShowsLessThanTheFloor) {
    engine.set("PROGRESS", R"([{"progress": 0, "message": "Warming up"},
                               {"progress": 0.6, "message": ""},
                               {"progress": 0.2, "message": "Almost"}])");
    engine.set("CONVERT", R"({"ok": true, "_delay": 1})");
    EngineController controller(fast());
    waitForTask(controller.ensureStarted());
    JobLog jobs(controller);

    const QString source = take("take.wav", "take");
    waitForTask(controller.convert(source, source, root.scratch("out.wav"), true));

    QStringList messages;
    for (const auto &[progress, message] : jobs.seen) {
        EXPECT_GE(progress, EngineController::minimumJobProgress);
        if (!message.isEmpty() && (messages.isEmpty() || messages.last() != message))
            messages << message;
    }
    EXPECT_EQ(messages,
              QStringList({"Preparing engine…", "Cloning song…", "Warming up", "Almost", "Done"}));
    EXPECT_TRUE(jobs.seen.contains(std::pair{0.6, QString("Warming up")}));
    EXPECT_EQ(jobs.seen.last(), std::pair(1.0, QString("Done")));

    // The poller has stopped: nothing changes afterwards and the engine is left alone.
    const auto polls = engine.requests("/progress").size();
    const auto changes = jobs.seen.size();
    QTest::qWait(150);
    EXPECT_LE(engine.requests("/progress").size(), polls + 1);
    EXPECT_EQ(jobs.seen.size(), changes);
}

TEST_F(EngineControllerTest, AFailedStartEndsTheConversionWithItsError) {
    engine.places().fixedInterpreters.clear();
    engine.apply();
    EngineController controller(fast());
    JobLog jobs(controller);
    const QString source = take("take.wav", "take");

    const auto error = failureOf(controller.convert(source, source, root.scratch("o.wav"), false));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "Python 3.11 is required for the voice engine.");
    EXPECT_EQ(jobs.converting, QList<bool>({true, false}));
    EXPECT_EQ(controller.convertMessage(), "Preparing engine…");
    EXPECT_EQ(controller.convertProgress(), EngineController::minimumJobProgress);
}

TEST_F(EngineControllerTest, StopCancelsAStartInProgress) {
    engine.set("NO_SOCKET", "1");
    EngineController controller(fast()); // 4 s of health polling
    QElapsedTimer clock;
    clock.start();
    auto start = controller.ensureStarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.starts() == 1; }, 10'000));
    controller.stop();

    const auto error = failureOf(std::move(start));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(controller.started());

    // The next request starts afresh.
    qunsetenv("FAKE_ENGINE_NO_SOCKET");
    waitForTask(controller.ensureStarted());
    EXPECT_EQ(engine.starts(), 2);
    controller.stop();
    EXPECT_FALSE(QFileInfo::exists(DataPaths::engineSocket()));
    EXPECT_TRUE(controller.ready()); // stop leaves the status alone
}

TEST_F(EngineControllerTest, DestroyingTheControllerMidJobIsSafe) {
    engine.set("CONVERT", R"({"ok": true, "_delay": 5})");
    // A progress poll is still open when the controller goes: it fails once the engine is
    // stopped, and that failure must not touch the destroyed controller.
    engine.set("PROGRESS", R"({"progress": 0.5, "_delay": 1})");
    auto controller = std::make_unique<EngineController>(fast());
    waitForTask(controller->ensureStarted());
    const QString source = take("take.wav", "take");
    auto job = controller->convert(source, source, root.scratch("out.wav"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.requests("/convert").size() == 1; }, 10'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.requests("/progress").isEmpty(); }, 10'000));
    controller.reset();
    EXPECT_TRUE(failureOf(std::move(job)));
    // Let the progress poller see that its job has ended.
    QTest::qWait(100);
}

} // namespace
