// SPDX-License-Identifier: GPL-3.0-or-later
// `chorale-cli title`: runs the namer over the data directory, quietly leaves takes untitled
// when speech recognition or the model is missing, and with --verbose says which one is missing
// and where the model was looked for.
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "naming/RecordingNamer.h"
#include "naming/Transcriber.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Nothing may be fetched from the internet by a test.
    environment.insert("CHORALE_WHISPER_MODEL_URL", "http://127.0.0.1:9/ggml-tiny-q5_1.bin");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CHORALE_CLI_PATH),
                  QStringList{"--data-dir", DataPaths::root()} + args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(TitleCommand, UntitledTakesStayQuietlyUntitledWithoutRecognitionOrModel) {
    // The command runs from the build tree, whose resource folder is the source tree's.
    if (QFileInfo::exists(sourceDir() + "/resources/whisper/ggml-tiny.en-q5_1.bin"))
        GTEST_SKIP() << "the English model in resources/whisper would title the take";
    const bool recognition = makeTranscriber()->isAvailable();
    TempDataRoot root;
    LibraryItem take;
    {
        DataStore store;
        store.load();
        take = store.saveOriginalRecording(0, std::nullopt, std::nullopt, "Mic",
                                           writeTone(root.scratch("take.wav"), {}));
    }

    const CliRun quiet = runCli({"title", "--all"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.out.isEmpty()) << quiet.out.toStdString();
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();

    const CliRun verbose = runCli({"title", idText(take.id), "--verbose"});
    EXPECT_EQ(verbose.exitCode, 0) << verbose.err.toStdString();
    EXPECT_TRUE(verbose.out.isEmpty());
    EXPECT_TRUE(
            verbose.err.contains(recognition ? "whisper.cpp: built in" : "whisper.cpp: missing"))
            << verbose.err.toStdString();
    EXPECT_TRUE(verbose.err.contains("Model: missing; looked for:"));
    EXPECT_TRUE(verbose.err.contains(DataPaths::root() + "/whisper/ggml-tiny.en-q5_1.bin"))
            << verbose.err.toStdString();
    EXPECT_TRUE(verbose.err.contains(idText(take.id) + ": no title"));

    DataStore reloaded;
    reloaded.load();
    EXPECT_FALSE(reloaded.item(take.id)->title.has_value());
}

TEST(TitleCommand, RejectsConflictingArguments) {
    TempDataRoot root;
    EXPECT_EQ(runCli({"title", "--all", "0B8F3C4E-0000-4000-8000-000000000000"}).exitCode, 2);
    EXPECT_NE(runCli({"title", "no-such-take"}).exitCode, 0);
}

} // namespace
