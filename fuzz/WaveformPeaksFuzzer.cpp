// SPDX-License-Identifier: GPL-3.0-or-later
// Peaks of an arbitrary clip file: never a crash, and a non-empty result has exactly the asked
// number of bins, each a number within 0…1 once the loudest is above the silence level.
#include "FuzzSupport.h"
#include "dialogue/WaveformPeaks.h"

#include <algorithm>
#include <cmath>

using namespace chorale;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the bin count, from none at all up to the 256 the screens ask for.
    static const int binChoices[] = {0, 1, 2, 3, 7, 64, 256, -1};
    const int bins = data[0] < 8 ? binChoices[data[0]] : data[0];
    const QString path =
            fuzz::writeScratch(QStringLiteral("clip.wav"), fuzz::bytes(data + 1, size - 1));

    const QList<float> peaks = WaveformPeaks::load(path, bins);
    if (peaks.isEmpty())
        return 0;
    FUZZ_CHECK(peaks.size() == bins);
    float loudest = 0;
    for (float peak : peaks) {
        FUZZ_CHECK(!std::isnan(peak) && peak >= 0);
        loudest = std::max(loudest, peak);
    }
    FUZZ_CHECK(loudest <= 0.0001f || loudest == 1.0f);
    return 0;
}
