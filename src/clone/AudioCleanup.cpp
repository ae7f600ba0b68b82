// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/AudioCleanup.h"

#include "clone/OfflineAudio.h"
#include "dsp/Denormals.h"
#include "dsp/Equalizer.h"
#include "dsp/Expander.h"
#include "store/AudioFileTools.h"

#include <memory>

namespace chorale::AudioCleanup {

namespace {

using dsp::FilterSettings;
using dsp::FilterType;

constexpr int bandCount = 4;

// Rumble below the voice and hiss above it.
const FilterSettings rumbleCut{FilterType::highPass, 90.0};
const FilterSettings hissCut{FilterType::lowPass, 9000.0};
// Presence, where consonants carry intelligibility, and a touch of air.
const FilterSettings presenceLift{FilterType::peak, 2800.0, 3.0, 0.8};
const FilterSettings airLift{FilterType::highShelf, 5500.0, 1.5};

OfflineAudio::Connect equalizerChain(const CleanupOptions &options) {
    return [options](double sampleRate, int channels) {
        auto equalizer = std::make_shared<dsp::Equalizer>();
        equalizer->prepare(sampleRate, channels, bandCount);
        configureEQ(*equalizer, options);
        return [equalizer](float *const *samples, int frames) {
            equalizer->process(samples, frames);
        };
    };
}

void expand(OfflineAudio::PlanarAudio &audio) {
    dsp::Expander expander;
    expander.prepare(audio.sampleRate, audio.channels);
    const std::vector<float *> channels = audio.channelPointers();
    for (int c = 0; c < audio.channels; ++c)
        expander.process(channels[std::size_t(c)], int(audio.frames), c);
}

// Reads the file once and writes it at most once.
void applyInPlace(const QString &at, bool expanding, bool normalizing) {
    const dsp::ScopedFlushDenormals flushDenormals;
    auto audio = OfflineAudio::readWhole(at);
    if (!audio)
        return;
    bool changed = false;
    if (expanding) {
        expand(*audio);
        changed = true;
    }
    if (normalizing)
        changed = OfflineAudio::normalizePeak(*audio) || changed;
    if (changed)
        OfflineAudio::writeWhole(at, *audio);
}

} // namespace

void process(const QString &from, const QString &to, const CleanupOptions &options) {
    // Cleaning a file onto itself must not delete its input first; the final write replaces it.
    const bool inPlace = OfflineAudio::sameFile(from, to);
    if (!inPlace)
        OfflineAudio::removeIfExists(to);
    const bool equalizing = options.reduceNoise || options.enhanceClarity;
    if (equalizing && (options.reduceNoise || options.normalizeVolume)) {
        // Equaliser, expander and normalisation in memory, written once: the same samples as
        // running the steps file to file, at a third of the disk traffic.
        OfflineAudio::PlanarAudio audio =
                OfflineAudio::renderToMemory(from, 0.0, equalizerChain(options));
        const dsp::ScopedFlushDenormals flushDenormals;
        if (options.reduceNoise)
            expand(audio);
        if (options.normalizeVolume)
            OfflineAudio::normalizePeak(audio);
        OfflineAudio::writeWhole(to, audio);
        return;
    }
    if (equalizing) {
        renderEQ(from, to, options);
        return;
    }
    if (!inPlace)
        AudioFileTools::copyFile(from, to);
    if (options.normalizeVolume)
        normalizeFile(to);
}

void configureEQ(dsp::Equalizer &equalizer, const CleanupOptions &options) {
    equalizer.setGlobalGainDb(0.0);
    equalizer.setBand(0, options.reduceNoise ? rumbleCut : FilterSettings{});
    equalizer.setBand(1, options.reduceNoise ? hissCut : FilterSettings{});
    equalizer.setBand(2, options.enhanceClarity ? presenceLift : FilterSettings{});
    equalizer.setBand(3, options.enhanceClarity ? airLift : FilterSettings{});
}

void renderEQ(const QString &from, const QString &to, const CleanupOptions &options) {
    OfflineAudio::render(from, to, 0.0, equalizerChain(options));
}

void applyExpander(const QString &at) {
    applyInPlace(at, true, false);
}

void normalizeFile(const QString &at) {
    applyInPlace(at, false, true);
}

} // namespace chorale::AudioCleanup
