// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogue/MixSchedule.h"

#include <memory>
#include <vector>

namespace chorale {

// Mixes scheduled segments into 44 100 Hz stereo, block by block: each segment's file is opened
// when the mix reaches it, read a block at a time and resampled by soxr as it plays, and closed
// when it ends, so memory does not grow with the dialogue. A mono file sounds on both channels.
// The same code renders live playback and exports, so both hear exactly the same mix. Not
// thread-safe: one thread renders at a time.
class MixRenderer {
public:
    explicit MixRenderer(std::vector<MixSegment> segments);
    ~MixRenderer();
    MixRenderer(const MixRenderer &) = delete;
    MixRenderer &operator=(const MixRenderer &) = delete;

    // Writes the next `frames` frames of the mix into `interleaved` (stereo), with silence
    // where no segment sounds.
    void render(float *interleaved, qint64 frames);

    // Mix frames rendered so far.
    qint64 position() const { return m_position; }
    // True once every segment has played out (the rest of the mix is silence).
    bool finished() const { return m_next == m_segments.size() && m_voices.empty(); }
    // Segments that have contributed at least one frame so far.
    int segmentsHeard() const { return m_heard; }

private:
    class Voice;

    std::vector<MixSegment> m_segments; // by outputStart
    size_t m_next = 0;
    std::vector<std::unique_ptr<Voice>> m_voices;
    std::vector<float> m_scratch;
    qint64 m_position = 0;
    int m_heard = 0;
};

} // namespace chorale
