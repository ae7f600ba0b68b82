// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/MixRenderer.h"

#include "dialogue/SoundFile.h"

#include <soxr.h>

#include <algorithm>

namespace chorale {

namespace {

// Frames read from a file, and mixed, per step.
constexpr qint64 blockFrames = 4096;

} // namespace

// One segment as it plays: its file positioned at the segment and a resampler to the mix rate
// (none when the file already has it). Produces the segment's frames in the file's channel
// layout, then nothing.
class MixRenderer::Voice {
public:
    static std::unique_ptr<Voice> start(const MixSegment &segment) {
        auto voice = std::unique_ptr<Voice>(new Voice(segment));
        if (!voice->m_file || !voice->m_file.seek(segment.sourceStart))
            return nullptr;
        voice->m_channels = voice->m_file.channels();
        if (voice->m_file.sampleRate() != mixSampleRate) {
            const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            soxr_error_t error = nullptr;
            voice->m_resampler =
                    soxr_create(voice->m_file.sampleRate(), mixSampleRate,
                                unsigned(voice->m_channels), &error, &io, &quality, nullptr);
            if (error || !voice->m_resampler)
                return nullptr;
            voice->m_input.resize(size_t(blockFrames * voice->m_channels));
        }
        return voice;
    }

    ~Voice() {
        if (m_resampler)
            soxr_delete(m_resampler);
    }

    int channels() const { return m_channels; }
    qint64 outputStart() const { return m_outputStart; }
    // True the first time it is asked after the segment produced audio.
    bool firstHeard(qint64 produced) {
        if (produced <= 0 || m_heard)
            return false;
        m_heard = true;
        return true;
    }

    // Up to `frames` frames at the mix rate into `out`; fewer only when the segment ends.
    qint64 pull(float *out, qint64 frames) {
        qint64 produced = 0;
        while (produced < frames && !m_done) {
            float *dest = out + produced * m_channels;
            const qint64 wanted = frames - produced;
            if (!m_resampler) {
                const qint64 got = readSource(dest, std::min(wanted, m_remaining));
                if (got == 0)
                    m_done = true;
                produced += got;
                continue;
            }
            if (m_inputCount == 0 && m_remaining > 0) {
                m_inputOffset = 0;
                m_inputCount = readSource(m_input.data(), std::min(blockFrames, m_remaining));
            }
            size_t used = 0;
            size_t made = 0;
            soxr_error_t error = nullptr;
            if (m_inputCount > 0) {
                error = soxr_process(m_resampler, m_input.data() + m_inputOffset * m_channels,
                                     size_t(m_inputCount), &used, dest, size_t(wanted), &made);
                m_inputOffset += qint64(used);
                m_inputCount -= qint64(used);
            } else {
                // End of input: drain what the resampler still holds.
                error = soxr_process(m_resampler, nullptr, 0, nullptr, dest, size_t(wanted), &made);
                if (made == 0)
                    m_done = true;
            }
            if (error)
                m_done = true;
            produced += qint64(made);
        }
        return produced;
    }

private:
    explicit Voice(const MixSegment &segment)
        : m_file(SoundFile::open(segment.path))
        , m_remaining(segment.sourceFrames)
        , m_outputStart(segment.outputStart) {}

    // A short read (damaged or truncated file) ends the segment early.
    qint64 readSource(float *into, qint64 frames) {
        const qint64 got = m_file.read(into, frames);
        m_remaining = got < frames ? 0 : m_remaining - got;
        return got;
    }

    SoundFile m_file;
    soxr_t m_resampler = nullptr;
    int m_channels = 1;
    std::vector<float> m_input;
    qint64 m_inputOffset = 0;
    qint64 m_inputCount = 0;
    qint64 m_remaining;
    qint64 m_outputStart;
    bool m_done = false;
    bool m_heard = false;
};

MixRenderer::MixRenderer(std::vector<MixSegment> segments)
    : m_segments(std::move(segments)) {
    std::stable_sort(m_segments.begin(), m_segments.end(),
                     [](const auto &a, const auto &b) { return a.outputStart < b.outputStart; });
    int channels = 1;
    for (const MixSegment &segment : m_segments)
        channels = std::max(channels, segment.sourceChannels);
    m_scratch.resize(size_t(blockFrames * channels));
}

MixRenderer::~MixRenderer() = default;

void MixRenderer::render(float *interleaved, qint64 frames) {
    std::fill(interleaved, interleaved + frames * mixChannels, 0.0f);
    const qint64 end = m_position + frames;
    while (m_next < m_segments.size() && m_segments[m_next].outputStart < end) {
        if (auto voice = Voice::start(m_segments[m_next])) {
            // Only a file changed since scheduling can be wider than the scratch.
            const size_t needed = size_t(blockFrames * voice->channels());
            if (m_scratch.size() < needed)
                m_scratch.resize(needed);
            m_voices.push_back(std::move(voice));
        }
        ++m_next;
    }

    for (auto it = m_voices.begin(); it != m_voices.end();) {
        Voice &voice = **it;
        const int channels = voice.channels();
        const qint64 chunkFrames = qint64(m_scratch.size()) / channels;
        qint64 at = std::max<qint64>(0, voice.outputStart() - m_position);
        bool ended = false;
        while (at < frames) {
            const qint64 wanted = std::min(chunkFrames, frames - at);
            const qint64 got = voice.pull(m_scratch.data(), wanted);
            if (voice.firstHeard(got))
                ++m_heard;
            float *out = interleaved + at * mixChannels;
            const float *in = m_scratch.data();
            if (channels == 1) {
                for (qint64 i = 0; i < got; ++i) {
                    out[2 * i] += in[i];
                    out[2 * i + 1] += in[i];
                }
            } else {
                for (qint64 i = 0; i < got; ++i) {
                    out[2 * i] += in[i * channels];
                    out[2 * i + 1] += in[i * channels + 1];
                }
            }
            at += got;
            if (got < wanted) {
                ended = true;
                break;
            }
        }
        it = ended ? m_voices.erase(it) : it + 1;
    }
    m_position = end;
}

} // namespace chorale
