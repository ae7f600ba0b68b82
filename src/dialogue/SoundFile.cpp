// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/SoundFile.h"

#include "dsp/Peak.h"

#include <QFile>

#include <algorithm>

namespace chorale {

SoundFile SoundFile::open(const QString &path) {
    SoundFile file;
    SF_INFO info{};
    SNDFILE *handle = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!handle)
        return file;
    if (info.channels < 1 || info.samplerate <= 0) {
        sf_close(handle);
        return file;
    }
    file.m_file = handle;
    file.m_info = info;
    return file;
}

bool SoundFile::seek(sf_count_t frame) {
    return m_file && sf_seek(m_file, frame, SEEK_SET) == frame;
}

sf_count_t SoundFile::read(float *interleaved, sf_count_t frames) {
    if (!m_file || frames <= 0)
        return 0;
    const sf_count_t got = std::max<sf_count_t>(0, sf_readf_float(m_file, interleaved, frames));
    dsp::silenceNonFinite(interleaved, std::size_t(got) * std::size_t(m_info.channels));
    return got;
}

void SoundFile::close() {
    if (m_file)
        sf_close(m_file);
    m_file = nullptr;
}

} // namespace chorale
