// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/SpeechAudio.h"

#include "dsp/Peak.h"

#include <QFile>

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace chorale::SpeechAudio {

namespace {
struct SndfileCloser {
    void operator()(SNDFILE *file) const { sf_close(file); }
};
} // namespace

std::optional<std::vector<float>> pcm16k(const QString &path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(
            sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file || info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0)
        return std::nullopt;

    // Read only what is transcribed. The frame count can be an estimate (MP3 without a header
    // that states it), so the loop stops at whatever the file really holds.
    const sf_count_t wanted =
            std::min<sf_count_t>(info.frames, sf_count_t(info.samplerate) * maxSeconds);
    const auto channels = size_t(info.channels);
    std::vector<float> interleaved(size_t(wanted) * channels);
    sf_count_t frames = 0;
    while (frames < wanted) {
        const sf_count_t got = sf_readf_float(
                file.get(), interleaved.data() + size_t(frames) * channels, wanted - frames);
        if (got <= 0)
            break;
        frames += got;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR || frames == 0)
        return std::nullopt;
    dsp::silenceNonFinite(interleaved.data(), size_t(frames) * channels);

    // The first channel stands for the take: the recorder's channels carry the same voice.
    std::vector<float> mono(static_cast<size_t>(frames));
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = interleaved[i * channels];
    if (info.samplerate == sampleRate)
        return mono;

    const double ratio = double(sampleRate) / info.samplerate;
    std::vector<float> out(size_t(std::floor(ratio * double(frames))) + 32);
    size_t used = 0;
    size_t produced = 0;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_error_t error =
            soxr_oneshot(info.samplerate, sampleRate, 1, mono.data(), mono.size(), &used,
                         out.data(), out.size(), &produced, &io, &quality, nullptr);
    if (error || produced == 0)
        return std::nullopt;
    out.resize(produced);
    return out;
}

} // namespace chorale::SpeechAudio
