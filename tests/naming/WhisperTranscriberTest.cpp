// SPDX-License-Identifier: GPL-3.0-or-later
// The real speech recogniser (only where whisper.cpp is installed): a missing or damaged model
// file must end in "no text", never in a crash.
#include "model/DataPaths.h"
#include "model/ResourcePaths.h"
#include "naming/RecordingNamer.h"
#include "naming/Transcriber.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace chorale;
using namespace chorale::test;

namespace {

TEST(WhisperTranscriber, MissingOrCorruptModelGivesNoTitle) {
    const std::shared_ptr<Transcriber> transcriber = makeTranscriber();
    if (!transcriber->isAvailable())
        GTEST_SKIP() << "whisper.cpp is not installed: this build has no speech recognition";

    TempDataRoot root;
    std::vector<float> samples(16000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(0.3 * std::sin(2 * std::numbers::pi * 220.0 * double(i) / 16000));

    QByteArray noise(1 << 16, '\0');
    std::mt19937 random(11);
    for (char &byte : noise)
        byte = char(random());
    writeAll(root.scratch("empty.bin"), {});
    writeAll(root.scratch("noise.bin"), noise);
    // The ggml magic ("lmgg" little-endian) and then the file simply ends.
    writeAll(root.scratch("truncated.bin"), QByteArray("lmgg\x01\x02", 6));
    for (const char *name : {"missing.bin", "empty.bin", "noise.bin", "truncated.bin"}) {
        EXPECT_FALSE(transcriber->transcribe(root.scratch(name), samples, "en").has_value())
                << name;
    }

    // The same through the namer: a damaged model in the data directory leaves the take as it is.
    ResourcePaths::setResourceDirectoryOverride(QString());
    writeAll(DataPaths::root() + "/whisper/" + RecordingNamer::englishModelFile, noise);
    DataStore store;
    store.load();
    const LibraryItem take = store.saveOriginalRecording(0, std::nullopt, std::nullopt, "Mic",
                                                         writeTone(root.scratch("take.wav"), {}));
    RecordingNamer namer(transcriber);
    EXPECT_FALSE(QCoro::waitFor(namer.nameIfNeeded(take, store)).has_value());
    EXPECT_FALSE(store.item(take.id)->title.has_value());
    ResourcePaths::setResourceDirectoryOverride(std::nullopt);
}

} // namespace
