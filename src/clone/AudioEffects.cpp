// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/AudioEffects.h"

#include "clone/AudioCleanup.h"
#include "clone/OfflineAudio.h"
#include "dsp/DelayLine.h"
#include "dsp/Denormals.h"
#include "dsp/Equalizer.h"
#include "dsp/RingModulator.h"
#include "dsp/Waveshaper.h"
#include "store/AudioFileTools.h"

#include <memory>

namespace chorale::AudioEffects {

namespace {

using dsp::FilterSettings;
using dsp::FilterType;
using OfflineAudio::Connect;
using OfflineAudio::PlanarAudio;

constexpr float robotLowHz = 400.0f;
constexpr float robotHighHz = 2500.0f;
constexpr float robotCarrierHz = 40.0f;
constexpr float ringDry = 0.38f;

const dsp::Echo::Settings echoSettings{0.22, 0.42, 7500.0, 0.38};

// A handheld radio's narrow band, pushed a little into the distortion.
constexpr double walkieGainDb = 3.0;
const FilterSettings walkieLowCut{FilterType::highPass, 400.0};
const FilterSettings walkieHighCut{FilterType::lowPass, 2800.0};
const dsp::RadioDistortion::Settings radioSettings{};

Connect echoChain() {
    return [](double sampleRate, int channels) {
        auto echo = std::make_shared<dsp::Echo>();
        echo->prepare(sampleRate, channels, echoSettings);
        return [echo](float *const *samples, int frames) { echo->process(samples, frames); };
    };
}

Connect bandPassChain(float highPass, float lowPass) {
    return [=](double sampleRate, int channels) {
        auto equalizer = std::make_shared<dsp::Equalizer>();
        equalizer->prepare(sampleRate, channels, 2);
        equalizer->setBand(0, {FilterType::highPass, double(highPass)});
        equalizer->setBand(1, {FilterType::lowPass, double(lowPass)});
        return [equalizer](float *const *samples, int frames) {
            equalizer->process(samples, frames);
        };
    };
}

Connect walkieChain() {
    return [](double sampleRate, int channels) {
        struct Chain {
            dsp::Equalizer equalizer;
            dsp::RadioDistortion radio;
        };
        auto chain = std::make_shared<Chain>();
        chain->equalizer.prepare(sampleRate, channels, 2);
        chain->equalizer.setGlobalGainDb(walkieGainDb);
        chain->equalizer.setBand(0, walkieLowCut);
        chain->equalizer.setBand(1, walkieHighCut);
        chain->radio.prepare(sampleRate, channels, radioSettings);
        return [chain](float *const *samples, int frames) {
            chain->equalizer.process(samples, frames);
            chain->radio.process(samples, frames);
        };
    };
}

void ringModulate(PlanarAudio &audio, float frequency) {
    const dsp::ScopedFlushDenormals flushDenormals;
    dsp::RingModulator ring;
    ring.prepare(audio.sampleRate, audio.channels, frequency, ringDry);
    const std::vector<float *> channels = audio.channelPointers();
    for (int c = 0; c < audio.channels; ++c)
        ring.process(channels[std::size_t(c)], int(audio.frames), c);
}

} // namespace

void process(const QString &from, const QString &to, CloneEffect effect) {
    const bool inPlace = OfflineAudio::sameFile(from, to);
    if (effect == CloneEffect::none) {
        if (!inPlace)
            AudioFileTools::copyFile(from, to);
        return;
    }
    if (!inPlace)
        OfflineAudio::removeIfExists(to);
    // Each chain renders into memory and is normalised before the one write: the same samples
    // as rendering, modulating and normalising file to file.
    PlanarAudio audio;
    switch (effect) {
    case CloneEffect::none:
        return;
    case CloneEffect::echo:
        audio = OfflineAudio::renderToMemory(from, echoTailSeconds, echoChain());
        break;
    case CloneEffect::robot:
        audio = OfflineAudio::renderToMemory(from, 0.0, bandPassChain(robotLowHz, robotHighHz));
        ringModulate(audio, robotCarrierHz);
        break;
    case CloneEffect::walkieTalkie:
        audio = OfflineAudio::renderToMemory(from, walkieTailSeconds, walkieChain());
        break;
    }
    OfflineAudio::normalizePeak(audio);
    OfflineAudio::writeWhole(to, audio);
}

void renderEcho(const QString &from, const QString &to) {
    OfflineAudio::render(from, to, echoTailSeconds, echoChain());
}

void renderBandPass(const QString &from, const QString &to, float highPass, float lowPass) {
    OfflineAudio::render(from, to, 0.0, bandPassChain(highPass, lowPass));
}

void applyRingModulation(const QString &at, float frequency) {
    auto audio = OfflineAudio::readWhole(at);
    if (!audio)
        return;
    ringModulate(*audio, frequency);
    OfflineAudio::writeWhole(at, *audio);
}

void renderWalkie(const QString &from, const QString &to) {
    OfflineAudio::render(from, to, walkieTailSeconds, walkieChain());
}

void normalizeFile(const QString &at) {
    AudioCleanup::normalizeFile(at);
}

} // namespace chorale::AudioEffects
