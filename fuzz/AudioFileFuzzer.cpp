// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes given a .wav, .flac or .mp3 name, as a user might pick them: measuring and
// converting either work or fail with a ChoraleError, and a converted file is a readable WAV.
#include "FuzzSupport.h"
#include "model/ChoraleError.h"
#include "store/AudioFileTools.h"

#include <cmath>

using namespace chorale;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the file name the bytes are offered under.
    static const char *const suffixes[] = {"wav", "flac", "mp3"};
    const QString name = QStringLiteral("input.") + QLatin1String(suffixes[data[0] % 3]);
    const QString input = fuzz::writeScratch(name, fuzz::bytes(data + 1, size - 1));

    try {
        const double seconds = AudioFileTools::duration(input);
        FUZZ_CHECK(std::isfinite(seconds) && seconds > 0);
    } catch (const ChoraleError &) {
    }

    const QString output = fuzz::scratchFolder() + QStringLiteral("/output.wav");
    try {
        AudioFileTools::convertToWAV(input, output);
    } catch (const ChoraleError &) {
        return 0;
    }
    // What the store keeps must open again as audio (an empty take may measure as unreadable,
    // but it must not crash the measuring).
    try {
        AudioFileTools::duration(output);
    } catch (const ChoraleError &) {
    }
    return 0;
}
