// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sndfile.h>

#include <utility>

namespace chorale {

// An audio file open for reading through libsndfile, closed when it goes out of scope. Reads
// give float samples, interleaved, at the file's own rate and channel count.
class SoundFile {
public:
    SoundFile() = default;
    SoundFile(SoundFile &&other) noexcept
        : m_file(std::exchange(other.m_file, nullptr))
        , m_info(other.m_info) {}
    SoundFile &operator=(SoundFile &&other) noexcept {
        if (this != &other) {
            close();
            m_file = std::exchange(other.m_file, nullptr);
            m_info = other.m_info;
        }
        return *this;
    }
    ~SoundFile() { close(); }

    // An unopened file (false) when `path` cannot be opened or decoded.
    static SoundFile open(const QString &path);

    explicit operator bool() const { return m_file != nullptr; }
    sf_count_t frames() const { return m_info.frames; }
    int sampleRate() const { return m_info.samplerate; }
    int channels() const { return m_info.channels; }

    // Positions the next read at `frame`; false on failure.
    bool seek(sf_count_t frame);
    // Reads up to `frames` frames into `interleaved`; the count read (0 at the end or on error).
    sf_count_t read(float *interleaved, sf_count_t frames);

    void close();

private:
    SNDFILE *m_file = nullptr;
    SF_INFO m_info{};
};

} // namespace chorale
