// SPDX-License-Identifier: GPL-3.0-or-later
// Where the engine script and its interpreter are looked for, in which order, and what counts
// as found. Every location is a temporary folder; nothing depends on this machine's Python.
#include "engine/EnginePaths.h"

#include "model/ChoraleError.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace chorale;
using namespace chorale::test;

namespace {

class EnginePathsTest : public ::testing::Test {
protected:
    EnginePathsTest() {
        places.resourceDirectory = at("res");
        places.executableDirectory = at("x/y/bin");
        places.workingDirectory = at("w/v/cwd");
        places.dataRoot = at("data/Chorale");
        places.fixedInterpreters = {at("opt/python3.11"), at("usr/bin/python3")};
    }

    QString at(const QString &relative) const { return dir.path() + u'/' + relative; }

    static void makeFile(const QString &path, bool executable) {
        writeAll(path, "#!/bin/sh\n");
        QFile::setPermissions(path, executable ? QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ExeGroup |
                                                         QFile::ExeOther
                                               : QFile::ReadOwner | QFile::WriteOwner);
    }

    template <typename Call>
    static QString errorOf(Call call) {
        try {
            call();
        } catch (const ChoraleError &error) {
            EXPECT_EQ(error.kind(), ChoraleError::Kind::engineUnavailable);
            return error.message();
        }
        return {};
    }

    QTemporaryDir dir;
    EnginePaths::SearchPlaces places;
};

TEST_F(EnginePathsTest, LooksForTheScriptInOrder) {
    const QStringList expected = {
            at("res/engine/server.py"),
            at("x/y/bin/engine/server.py"),
            at("x/y/Resources/engine/server.py"),
            at("x/engine/server.py"),
            at("engine/server.py"),
            at("w/v/cwd/engine/server.py"),
            at("w/v/engine/server.py"),
            at("w/engine/server.py"),
    };
    EXPECT_EQ(EnginePaths::serverCandidates(places), expected);
    EXPECT_EQ(errorOf([&] { EnginePaths::serverURL(places); }), "Could not find engine/server.py.");

    // Fill the candidates from the last to the first: each new one takes over.
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
        makeFile(*it, false);
        EXPECT_EQ(EnginePaths::serverURL(places), *it);
    }

    // Without a resource folder its candidate is simply left out.
    places.resourceDirectory.reset();
    EXPECT_EQ(EnginePaths::serverCandidates(places), expected.mid(1));
}

TEST_F(EnginePathsTest, ScriptVariableComesFirstAndIsResolvedAgainstTheWorkingDirectory) {
    makeFile(at("res/engine/server.py"), false);
    places.scriptOverride = QStringLiteral("../my-engine/server.py");
    EXPECT_EQ(EnginePaths::serverCandidates(places).first(), at("w/v/my-engine/server.py"));
    // A variable naming nothing falls through to the usual places.
    EXPECT_EQ(EnginePaths::serverURL(places), at("res/engine/server.py"));
    makeFile(at("w/v/my-engine/server.py"), false);
    EXPECT_EQ(EnginePaths::serverURL(places), at("w/v/my-engine/server.py"));
}

TEST_F(EnginePathsTest, LooksForTheInterpreterBesideTheScriptFirst) {
    makeFile(at("x/engine/server.py"), false);
    const QStringList expected = {
            at("x/engine/.venv/bin/python3"),
            at("x/python/bin/python3"),
            at("x/engine/python/bin/python3"),
            at("res/python/bin/python3"),
            at("data/Chorale/venv/bin/python3"),
            at("opt/python3.11"),
            at("usr/bin/python3"),
    };
    EXPECT_EQ(EnginePaths::pythonCandidates(places), expected);
    EXPECT_EQ(errorOf([&] { EnginePaths::pythonURL(places); }),
              "Python 3.11 is required for the voice engine.");

    for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
        makeFile(*it, true);
        EXPECT_EQ(EnginePaths::pythonURL(places), *it);
    }
}

TEST_F(EnginePathsTest, SkipsInterpretersThatCannotRun) {
    makeFile(at("res/engine/server.py"), false);
    makeFile(at("usr/bin/python3"), true);
    // Not executable, and a folder where a program should be.
    makeFile(at("res/engine/.venv/bin/python3"), false);
    QDir().mkpath(at("data/Chorale/venv/bin/python3"));
    EXPECT_EQ(EnginePaths::pythonURL(places), at("usr/bin/python3"));

    // The one beside the script beats a fixed location once it can run.
    QFile::setPermissions(at("res/engine/.venv/bin/python3"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(EnginePaths::pythonURL(places), at("res/engine/.venv/bin/python3"));
}

TEST_F(EnginePathsTest, WithoutAScriptOnlyTheOtherInterpreterLocationsCount) {
    EXPECT_EQ(EnginePaths::pythonCandidates(places),
              QStringList({at("res/python/bin/python3"), at("data/Chorale/venv/bin/python3"),
                           at("opt/python3.11"), at("usr/bin/python3")}));
    makeFile(at("usr/bin/python3"), true);
    EXPECT_EQ(EnginePaths::pythonURL(places), at("usr/bin/python3"));
    EXPECT_EQ(EnginePaths::seedVcURL(places), std::nullopt);
}

TEST_F(EnginePathsTest, SeedVcSitsBesideTheScriptWhetherOrNotItExists) {
    makeFile(at("x/y/bin/engine/server.py"), false);
    EXPECT_EQ(EnginePaths::seedVcURL(places), at("x/y/bin/engine/vendor/seed-vc"));
}

TEST_F(EnginePathsTest, FixedInterpretersAddTheDistributionsPythonAfterTheUsualOnes) {
    EXPECT_EQ(
            EnginePaths::defaultFixedInterpreters(),
            QStringList({"/opt/homebrew/opt/python@3.11/bin/python3.11",
                         "/opt/homebrew/bin/python3.11", "/usr/local/bin/python3.11",
                         "/opt/homebrew/bin/python3", "/usr/bin/python3.11", "/usr/bin/python3"}));
}

} // namespace
