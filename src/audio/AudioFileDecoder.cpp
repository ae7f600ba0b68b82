// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioFileDecoder.h"

#include "audio/AudioLogging.h"
#include "dsp/Peak.h"
#include "model/ChoraleError.h"

#include <QFile>

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cstring>

namespace chorale {

namespace {

// Source frames decoded per block: large enough to keep libsndfile and soxr efficient, small
// enough that a block is a few milliseconds of work.
constexpr qint64 blockFrames = 4096;

void mapChannels(const float *from, int fromChannels, float *to, int toChannels, qint64 frames) {
    if (fromChannels == toChannels) {
        std::memcpy(to, from, size_t(frames) * size_t(toChannels) * sizeof(float));
        return;
    }
    for (qint64 i = 0; i < frames; ++i) {
        const float *in = from + i * fromChannels;
        float *out = to + i * toChannels;
        if (fromChannels == 1) {
            std::fill(out, out + toChannels, in[0]);
        } else if (toChannels == 1) {
            float sum = 0;
            for (int c = 0; c < fromChannels; ++c)
                sum += in[c];
            out[0] = sum / float(fromChannels);
        } else {
            for (int c = 0; c < toChannels; ++c)
                out[c] = c < fromChannels ? in[c] : 0.0f;
        }
    }
}

} // namespace

AudioFileDecoder::AudioFileDecoder(const QString &path, int sampleRate, int channels,
                                   qint64 startFrame, qint64 frameCount)
    : m_rate(sampleRate)
    , m_channels(channels) {
    if (sampleRate <= 0 || channels <= 0)
        throw ChoraleError::unreadableAudio();
    SF_INFO info{};
    m_file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!m_file)
        throw ChoraleError::unreadableAudio();
    m_fileRate = info.samplerate;
    m_fileChannels = info.channels;
    m_fileFrames = info.frames;
    if (m_fileRate <= 0 || m_fileChannels <= 0 || m_fileFrames <= 0 || startFrame < 0 ||
        (startFrame > 0 && sf_seek(m_file, startFrame, SEEK_SET) < 0)) {
        sf_close(m_file);
        throw ChoraleError::unreadableAudio();
    }
    m_sourceLeft = frameCount;

    m_input.resize(size_t(blockFrames * m_fileChannels));
    if (m_fileRate != m_rate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        m_resampler = soxr_create(double(m_fileRate), double(m_rate), unsigned(m_fileChannels),
                                  &error, &io, &quality, nullptr);
        if (error || !m_resampler) {
            sf_close(m_file);
            throw ChoraleError::unreadableAudio();
        }
        // Room for one block of input at the output rate, plus the resampler's own delay.
        const qint64 capacity = blockFrames * m_rate / m_fileRate + 1024;
        m_converted.resize(size_t(capacity * m_fileChannels));
    } else {
        m_converted.resize(size_t(blockFrames * m_fileChannels));
    }
}

AudioFileDecoder::~AudioFileDecoder() {
    if (m_resampler)
        soxr_delete(m_resampler);
    if (m_file)
        sf_close(m_file);
}

void AudioFileDecoder::setChannels(int channels) {
    if (channels > 0)
        m_channels = channels;
}

qint64 AudioFileDecoder::readSource(float *into, qint64 frames) {
    if (m_sourceLeft >= 0)
        frames = std::min(frames, m_sourceLeft);
    if (frames <= 0)
        return 0;
    const sf_count_t got = sf_readf_float(m_file, into, frames);
    if (got <= 0)
        return 0;
    dsp::silenceNonFinite(into, std::size_t(got) * std::size_t(m_fileChannels));
    if (m_sourceLeft >= 0)
        m_sourceLeft -= got;
    return got;
}

bool AudioFileDecoder::refill() {
    m_convertedOffset = 0;
    m_convertedFrames = 0;
    if (!m_resampler) {
        m_convertedFrames = readSource(m_converted.data(), blockFrames);
        return m_convertedFrames > 0;
    }
    const size_t capacity = m_converted.size() / size_t(m_fileChannels);
    while (m_convertedFrames == 0) {
        if (m_inputFrames == 0 && !m_inputEnded) {
            m_inputOffset = 0;
            m_inputFrames = readSource(m_input.data(), blockFrames);
            m_inputEnded = m_inputFrames == 0;
        }
        size_t consumed = 0;
        size_t produced = 0;
        soxr_error_t error = nullptr;
        if (m_inputEnded) {
            // No more input: drain what the resampler still holds.
            error = soxr_process(m_resampler, nullptr, 0, nullptr, m_converted.data(), capacity,
                                 &produced);
            if (!error && produced == 0)
                return false;
        } else {
            error = soxr_process(m_resampler, m_input.data() + m_inputOffset * m_fileChannels,
                                 size_t(m_inputFrames), &consumed, m_converted.data(), capacity,
                                 &produced);
            m_inputOffset += qint64(consumed);
            m_inputFrames -= qint64(consumed);
        }
        if (error) {
            qCWarning(lcAudio) << "resampling failed:" << error;
            return false;
        }
        m_convertedFrames = qint64(produced);
    }
    return true;
}

qint64 AudioFileDecoder::read(float *interleaved, qint64 frames) {
    qint64 done = 0;
    while (done < frames && !m_finished) {
        if (m_convertedFrames == 0 && !refill()) {
            m_finished = true;
            break;
        }
        const qint64 n = std::min(frames - done, m_convertedFrames);
        mapChannels(m_converted.data() + m_convertedOffset * m_fileChannels, m_fileChannels,
                    interleaved + done * m_channels, m_channels, n);
        m_convertedOffset += n;
        m_convertedFrames -= n;
        done += n;
    }
    return done;
}

} // namespace chorale
