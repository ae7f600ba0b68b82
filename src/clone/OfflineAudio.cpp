// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/OfflineAudio.h"

#include "dsp/Denormals.h"
#include "dsp/Peak.h"
#include "model/AtomicFile.h"
#include "model/ChoraleError.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace chorale::OfflineAudio {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using Sndfile = std::unique_ptr<SNDFILE, SndfileCloser>;

ChoraleError fileError(const QString &path, SNDFILE *file) {
    return ChoraleError::platform(QStringLiteral("%1: %2").arg(
            QFileInfo(path).fileName(), QString::fromUtf8(sf_strerror(file)).trimmed()));
}

Sndfile openForReading(const QString &path, SF_INFO &info) {
    info = SF_INFO{};
    Sndfile file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file)
        throw fileError(path, nullptr);
    return file;
}

Sndfile openForWriting(const QString &path, int sampleRate, int channels) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    Sndfile file(sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info));
    if (!file)
        throw fileError(path, nullptr);
    // The optional PEAK chunk costs a scan of every block and tells our readers nothing.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return file;
}

void finishWriting(Sndfile &file, const QString &tempPath, const QString &finalPath) {
    const int status = sf_close(file.release());
    if (status != 0)
        throw ChoraleError::platform(QStringLiteral("%1: %2").arg(
                QFileInfo(finalPath).fileName(), QString::fromUtf8(sf_error_number(status))));
    if (std::rename(QFile::encodeName(tempPath).constData(),
                    QFile::encodeName(finalPath).constData()) != 0) {
        throw ChoraleError::platform(QStringLiteral("%1: %2").arg(
                QFileInfo(finalPath).fileName(), QString::fromLocal8Bit(std::strerror(errno))));
    }
}

// Writes through a temporary file beside `path` that replaces it only when complete.
void writeAtomically(const QString &path, const std::function<void(const QString &)> &produce) {
    const QString temp = AtomicFile::temporaryPathBeside(path);
    try {
        produce(temp);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
}

void deinterleave(const float *interleaved, float *const *planar, int channels, int frames) {
    if (channels == 1) {
        std::memcpy(planar[0], interleaved, sizeof(float) * std::size_t(frames));
        return;
    }
    for (int c = 0; c < channels; ++c) {
        float *out = planar[c];
        for (int i = 0; i < frames; ++i)
            out[i] = interleaved[std::size_t(i) * std::size_t(channels) + std::size_t(c)];
    }
}

void interleave(const float *const *planar, float *interleaved, int channels, int frames) {
    if (channels == 1) {
        std::memcpy(interleaved, planar[0], sizeof(float) * std::size_t(frames));
        return;
    }
    for (int c = 0; c < channels; ++c) {
        const float *in = planar[c];
        for (int i = 0; i < frames; ++i)
            interleaved[std::size_t(i) * std::size_t(channels) + std::size_t(c)] = in[i];
    }
}

// Tail length in frames, the fraction dropped.
long long tailFrames(double seconds, int sampleRate) {
    return seconds > 0 ? (long long)std::floor(seconds * sampleRate) : 0;
}

} // namespace

std::vector<float *> PlanarAudio::channelPointers() {
    std::vector<float *> pointers;
    for (auto &channel : samples)
        pointers.push_back(channel.data());
    return pointers;
}

bool normalizePeak(PlanarAudio &audio) {
    const std::vector<float *> channels = audio.channelPointers();
    const auto gain = dsp::PeakNormalization::gainFor(
            dsp::peak(channels.data(), audio.channels, std::size_t(audio.frames)));
    if (!gain)
        return false;
    for (float *channel : channels)
        dsp::scale(channel, std::size_t(audio.frames), *gain);
    return true;
}

void removeIfExists(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile file(path);
    if (!file.remove())
        throw ChoraleError::platform(
                QStringLiteral("%1: %2").arg(info.fileName(), file.errorString()));
}

bool sameFile(const QString &a, const QString &b) {
    const QFileInfo first(a), second(b);
    return first.exists() && second.exists() && first == second;
}

std::optional<PlanarAudio> readWhole(const QString &path) {
    SF_INFO info{};
    Sndfile file = openForReading(path, info);
    if (info.frames <= 0 || info.channels <= 0)
        return std::nullopt;
    PlanarAudio audio;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    std::vector<float> block;
    try {
        audio.samples.assign(std::size_t(info.channels),
                             std::vector<float>(std::size_t(info.frames)));
        block.resize(std::size_t(blockFrames) * std::size_t(info.channels));
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    } catch (const std::length_error &) {
        return std::nullopt;
    }
    const std::vector<float *> starts = audio.channelPointers();
    std::vector<float *> at(starts.size());
    long long done = 0;
    while (done < info.frames) {
        const sf_count_t want = std::min<sf_count_t>(blockFrames, info.frames - done);
        const sf_count_t got = sf_readf_float(file.get(), block.data(), want);
        if (got > 0) {
            dsp::silenceNonFinite(block.data(), std::size_t(got) * std::size_t(info.channels));
            for (std::size_t c = 0; c < starts.size(); ++c)
                at[c] = starts[c] + done;
            deinterleave(block.data(), at.data(), info.channels, int(got));
            done += got;
        }
        if (got < want) {
            if (sf_error(file.get()) != SF_ERR_NO_ERROR)
                throw fileError(path, file.get());
            break; // the header promised more than the file holds: keep what is there
        }
    }
    audio.frames = done;
    if (done == 0)
        return std::nullopt;
    for (auto &channel : audio.samples)
        channel.resize(std::size_t(done));
    return audio;
}

void writeWhole(const QString &path, const PlanarAudio &audio) {
    writeAtomically(path, [&](const QString &temp) {
        Sndfile file = openForWriting(temp, audio.sampleRate, audio.channels);
        std::vector<float> block(std::size_t(blockFrames) * std::size_t(audio.channels));
        std::vector<const float *> at(std::size_t(audio.channels));
        for (long long done = 0; done < audio.frames;) {
            const int n = int(std::min<long long>(blockFrames, audio.frames - done));
            const float *frames = audio.samples[0].data() + done;
            if (audio.channels > 1) {
                for (int c = 0; c < audio.channels; ++c)
                    at[std::size_t(c)] = audio.samples[std::size_t(c)].data() + done;
                interleave(at.data(), block.data(), audio.channels, n);
                frames = block.data();
            }
            if (sf_writef_float(file.get(), frames, n) != n)
                throw fileError(path, file.get());
            done += n;
        }
        finishWriting(file, temp, path);
    });
}

PlanarAudio renderToMemory(const QString &from, double extraSeconds, const Connect &connect) {
    const dsp::ScopedFlushDenormals flushDenormals;
    SF_INFO info{};
    Sndfile input = openForReading(from, info);
    const int channels = info.channels;
    const BlockProcessor process = connect(double(info.samplerate), channels);

    PlanarAudio audio;
    audio.sampleRate = info.samplerate;
    audio.channels = channels;
    audio.frames = std::max<long long>(info.frames, 0) + tailFrames(extraSeconds, info.samplerate);
    std::vector<float> interleaved;
    try {
        audio.samples.assign(std::size_t(channels), std::vector<float>(std::size_t(audio.frames)));
        interleaved.resize(std::size_t(blockFrames) * std::size_t(channels));
    } catch (const std::bad_alloc &) {
        throw ChoraleError::unreadableAudio();
    } catch (const std::length_error &) {
        throw ChoraleError::unreadableAudio();
    }
    const std::vector<float *> starts = audio.channelPointers();
    std::vector<float *> at(starts.size());
    bool inputEnded = false;
    for (long long done = 0; done < audio.frames;) {
        const int n = int(std::min<long long>(blockFrames, audio.frames - done));
        for (std::size_t c = 0; c < starts.size(); ++c)
            at[c] = starts[c] + done;
        if (!inputEnded) {
            // Mono reads straight into place; the buffers start zeroed, which is the silence
            // heard after the input ends.
            float *target = channels == 1 ? at[0] : interleaved.data();
            const sf_count_t got = sf_readf_float(input.get(), target, n);
            dsp::silenceNonFinite(target, std::size_t(std::max<sf_count_t>(got, 0)) *
                                                  std::size_t(channels));
            if (got < n) {
                if (sf_error(input.get()) != SF_ERR_NO_ERROR)
                    throw fileError(from, input.get());
                inputEnded = true;
            }
            if (channels > 1 && got > 0)
                deinterleave(interleaved.data(), at.data(), channels, int(got));
        }
        process(at.data(), n);
        done += n;
    }
    return audio;
}

void render(const QString &from, const QString &to, double extraSeconds, const Connect &connect) {
    const dsp::ScopedFlushDenormals flushDenormals;
    SF_INFO info{};
    Sndfile input = openForReading(from, info);
    const int channels = info.channels;
    const BlockProcessor process = connect(double(info.samplerate), channels);

    if (!sameFile(from, to))
        removeIfExists(to);
    writeAtomically(to, [&](const QString &temp) {
        Sndfile output = openForWriting(temp, info.samplerate, channels);
        std::vector<float> interleaved;
        std::vector<std::vector<float>> planar;
        try {
            interleaved.resize(std::size_t(blockFrames) * std::size_t(channels));
            planar.assign(std::size_t(channels), std::vector<float>(blockFrames));
        } catch (const std::bad_alloc &) {
            throw ChoraleError::unreadableAudio();
        }
        std::vector<float *> pointers;
        for (auto &channel : planar)
            pointers.push_back(channel.data());

        const long long total =
                std::max<long long>(info.frames, 0) + tailFrames(extraSeconds, info.samplerate);
        bool inputEnded = false;
        for (long long done = 0; done < total;) {
            const int n = int(std::min<long long>(blockFrames, total - done));
            sf_count_t got = 0;
            if (!inputEnded) {
                got = sf_readf_float(input.get(), interleaved.data(), n);
                dsp::silenceNonFinite(interleaved.data(),
                                      std::size_t(std::max<sf_count_t>(got, 0)) *
                                              std::size_t(channels));
                if (got < n) {
                    if (sf_error(input.get()) != SF_ERR_NO_ERROR)
                        throw fileError(from, input.get());
                    inputEnded = true;
                }
            }
            // Past the end of the input the chain hears silence.
            std::fill(interleaved.begin() + got * channels, interleaved.begin() + n * channels,
                      0.0f);
            deinterleave(interleaved.data(), pointers.data(), channels, n);
            process(pointers.data(), n);
            interleave(pointers.data(), interleaved.data(), channels, n);
            if (sf_writef_float(output.get(), interleaved.data(), n) != n)
                throw fileError(to, output.get());
            done += n;
        }
        finishWriting(output, temp, to);
    });
}

} // namespace chorale::OfflineAudio
