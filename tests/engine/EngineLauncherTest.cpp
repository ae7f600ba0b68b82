// SPDX-License-Identifier: GPL-3.0-or-later
// Launching and stopping the engine process with the test engine: its command line,
// environment, working directory and log; never a second engine; a dead one replaced; and the
// failures a launch reports.
#include "engine/EngineLauncher.h"

#include "FakeEngine.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace chorale;
using namespace chorale::test;

namespace {

// Gone, or a zombie waiting to be reaped.
bool processGone(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

class EngineLauncherTest : public ::testing::Test {
protected:
    QByteArray log() const {
        QFile file(DataPaths::engineLog());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Waits until the engine has written both of its start-up lines.
    bool engineWroteItsLog() const {
        return QTest::qWaitFor([&] { return log().contains("starting (stderr)"); }, 10'000);
    }

    bool startsReach(int count) const {
        return QTest::qWaitFor([&] { return engine.starts() >= count; }, 10'000);
    }

    qint64 lastPid() const {
        qint64 pid = 0;
        for (const QJsonObject &e : engine.events()) {
            if (e.value("event") == QStringLiteral("start"))
                pid = e.value("pid").toInteger();
        }
        return pid;
    }

    TempDataRoot root;
    FakeEngine engine;
};

TEST_F(EngineLauncherTest, LaunchesWithItsCommandLineEnvironmentAndLog) {
    engine.set("NO_SOCKET", "1");
    qputenv("CHORALE_TEST_INHERITED", "kept");
    qputenv("HF_HOME", "/somewhere/else");
    ASSERT_FALSE(QFileInfo::exists(DataPaths::root()));

    EngineLauncher launcher;
    launcher.launch();
    qunsetenv("CHORALE_TEST_INHERITED");
    qunsetenv("HF_HOME");
    ASSERT_TRUE(startsReach(1));
    ASSERT_TRUE(engineWroteItsLog());
    EXPECT_TRUE(launcher.isRunning());

    const QJsonObject start = engine.events().first();
    const QString root = DataPaths::root();
    EXPECT_EQ(start.value("argv").toArray(),
              QJsonArray({FakeEngine::script(), "--unix-socket", root + "/engine.sock"}));
    const QJsonObject env = start.value("env").toObject();
    const std::pair<const char *, QString> expected[] = {
            {"PYTORCH_ENABLE_MPS_FALLBACK", "1"},
            {"HYDRA_FULL_ERROR", "1"},
            {"PYTHONUNBUFFERED", "1"},
            {"HF_HUB_DISABLE_TELEMETRY", "1"},
            {"HF_HOME", root + "/models"},
            {"TRANSFORMERS_CACHE", root + "/models/transformers"},
            {"CHORALE_HF_CACHE", root + "/models/checkpoints"},
            {"CHORALE_DATA_DIR", root},
            {"CHORALE_TEST_INHERITED", "kept"},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(env.value(name).toString(), value) << name;
    // No voice-conversion checkout beside the script: the app's working directory.
    EXPECT_EQ(start.value("cwd").toString(), QDir::currentPath());

    // The data root is made private, with the model cache inside.
    EXPECT_TRUE(QFileInfo(DataPaths::modelsFolder()).isDir());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(root).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const QByteArray text = log();
    const qint64 pid = lastPid();
    for (const char *stream : {"stdout", "stderr"}) {
        const QByteArray line = QStringLiteral("fake engine %1: starting (%2)\n")
                                        .arg(pid)
                                        .arg(QLatin1String(stream))
                                        .toUtf8();
        EXPECT_TRUE(text.contains(line)) << text.toStdString();
    }

    // Stop: terminated without waiting, socket deleted.
    writeAll(DataPaths::engineSocket(), "left behind");
    launcher.stop();
    EXPECT_FALSE(launcher.hasProcess());
    EXPECT_FALSE(QFileInfo::exists(DataPaths::engineSocket()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return processGone(pid); }, 10'000));
}

TEST_F(EngineLauncherTest, RunsInsideTheVoiceConversionCheckoutWhenOneShips) {
    const QString folder = root.scratch("engine");
    QDir().mkpath(folder + "/vendor/seed-vc");
    ASSERT_TRUE(QFile::copy(FakeEngine::script(), folder + "/server.py"));
    engine.places().scriptOverride = folder + "/server.py";
    engine.apply();

    EngineLauncher launcher;
    launcher.launch();
    ASSERT_TRUE(startsReach(1));
    EXPECT_EQ(engine.events().first().value("cwd").toString(),
              QFileInfo(folder + "/vendor/seed-vc").canonicalFilePath());
}

TEST_F(EngineLauncherTest, ASecondLaunchLeavesARunningEngineAndItsLogAlone) {
    EngineLauncher launcher;
    launcher.launch();
    ASSERT_TRUE(engineWroteItsLog());
    const QByteArray before = log();

    launcher.launch();
    QTest::qWait(200);
    EXPECT_EQ(engine.starts(), 1);
    EXPECT_EQ(log(), before);
    EXPECT_TRUE(launcher.isRunning());
}

TEST_F(EngineLauncherTest, ALaunchAfterTheEngineDiedStartsAFreshOne) {
    engine.set("EXIT", "3");
    EngineLauncher launcher;
    launcher.launch();
    ASSERT_TRUE(engineWroteItsLog());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.isRunning(); }, 10'000));
    EXPECT_TRUE(launcher.hasProcess()); // the dead handle stays until replaced
    const QByteArray dead = "fake engine " + QByteArray::number(lastPid()) + ':';
    writeAll(DataPaths::engineSocket(), "stale");

    qunsetenv("FAKE_ENGINE_EXIT");
    engine.set("NO_SOCKET", "1");
    launcher.launch();
    EXPECT_FALSE(QFileInfo::exists(DataPaths::engineSocket()));
    EXPECT_FALSE(log().contains(dead));
    ASSERT_TRUE(startsReach(2));
    ASSERT_TRUE(engineWroteItsLog());
    // The log holds the new engine's output only.
    EXPECT_FALSE(log().contains(dead));
    EXPECT_TRUE(log().contains("fake engine " + QByteArray::number(lastPid()) + ':'));
    EXPECT_TRUE(launcher.isRunning());
}

TEST_F(EngineLauncherTest, ReportsWhatStopsALaunch) {
    const QString badInterpreter = root.scratch("python3");
    writeAll(badInterpreter, "#!/nonexistent/interpreter\n");
    QFile::setPermissions(badInterpreter, QFile::ReadOwner | QFile::ExeOwner);
    const QString blocker = root.scratch("a-file");
    writeAll(blocker, "not a folder");

    struct Case {
        const char *name;
        std::function<void(EnginePaths::SearchPlaces &)> arrange;
        ChoraleError::Kind kind;
        QString message; // exact, or a part of a platform message
    };
    const Case cases[] = {
            {"no script, interpreter present", [](auto &p) { p.scriptOverride.clear(); },
             ChoraleError::Kind::engineUnavailable, "Could not find engine/server.py."},
            {"neither script nor interpreter",
             [](auto &p) {
                 p.scriptOverride.clear();
                 p.fixedInterpreters.clear();
             },
             ChoraleError::Kind::engineUnavailable,
             "Python 3.11 is required for the voice engine."},
            {"interpreter looked up before the script",
             [](auto &p) { p.fixedInterpreters.clear(); }, ChoraleError::Kind::engineUnavailable,
             "Python 3.11 is required for the voice engine."},
            {"data root cannot be made",
             [&](auto &) { DataPaths::setRootOverride(blocker + "/Chorale"); },
             ChoraleError::Kind::platform, blocker + "/Chorale"},
            {"process cannot start", [&](auto &p) { p.fixedInterpreters = {badInterpreter}; },
             ChoraleError::Kind::platform, "No such file or directory"},
    };
    const EnginePaths::SearchPlaces original = engine.places();
    const QString originalRoot = DataPaths::root();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        engine.places() = original;
        c.arrange(engine.places());
        engine.apply();
        EngineLauncher launcher;
        try {
            launcher.launch();
            ADD_FAILURE() << "launched";
        } catch (const ChoraleError &error) {
            EXPECT_EQ(error.kind(), c.kind);
            if (c.kind == ChoraleError::Kind::platform)
                EXPECT_TRUE(error.message().contains(c.message)) << error.what();
            else
                EXPECT_EQ(error.message(), c.message);
        }
        EXPECT_FALSE(launcher.hasProcess());
        DataPaths::setRootOverride(originalRoot);
    }
    EXPECT_EQ(engine.starts(), 0);
}

TEST_F(EngineLauncherTest, StopWithoutAnEngineIsHarmless) {
    EngineLauncher launcher;
    EXPECT_NO_THROW(launcher.stop());
    EXPECT_NO_THROW(launcher.stop());
    EXPECT_FALSE(QFileInfo::exists(DataPaths::engineSocket()));
}

} // namespace
