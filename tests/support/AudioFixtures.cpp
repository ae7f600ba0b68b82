// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace chorale::test {

QString writeSamples(const QString &path, const std::vector<float> &interleaved, int sampleRate,
                     int channels) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error(sf_strerror(nullptr));
    sf_writef_float(file, interleaved.data(),
                    static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(file);
    return path;
}

QString writeTone(const QString &path, const Tone &tone) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    SF_INFO info{};
    info.samplerate = tone.sampleRate;
    info.channels = tone.channels;
    info.format = tone.format ? tone.format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error(sf_strerror(nullptr));
    const auto frames = static_cast<sf_count_t>(std::llround(tone.seconds * tone.sampleRate));
    std::vector<float> block;
    constexpr sf_count_t blockFrames = 4096;
    for (sf_count_t start = 0; start < frames; start += blockFrames) {
        const sf_count_t n = std::min(blockFrames, frames - start);
        block.assign(static_cast<size_t>(n * tone.channels), 0.0f);
        for (sf_count_t i = 0; i < n; ++i) {
            const double t = double(start + i) / tone.sampleRate;
            const float v =
                    float(tone.amplitude * std::sin(2 * std::numbers::pi * tone.frequency * t));
            for (int c = 0; c < tone.channels; ++c)
                block[size_t(i * tone.channels + c)] = v;
        }
        sf_writef_float(file, block.data(), n);
    }
    sf_close(file);
    return path;
}

AudioInfo readAudio(const QString &path) {
    AudioInfo result;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return result;
    result.sampleRate = info.samplerate;
    result.channels = info.channels;
    result.format = info.format;
    std::vector<float> block(size_t(4096 * info.channels));
    sf_count_t n;
    while ((n = sf_readf_float(file, block.data(), 4096)) > 0) {
        result.samples.insert(result.samples.end(), block.begin(),
                              block.begin() + n * info.channels);
        result.frames += n;
    }
    sf_close(file);
    return result;
}

} // namespace chorale::test
