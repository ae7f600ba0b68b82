// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/DialogueBounce.h"

#include "dialogue/MixRenderer.h"
#include "dialogue/MixSchedule.h"
#include "model/AtomicFile.h"
#include "model/ChoraleError.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace chorale::DialogueBounce {

namespace {

// A mix that would clip is brought to this peak, leaving a little headroom.
constexpr float loudMixPeak = 0.89f;
constexpr qint64 renderBlockFrames = 1 << 16;

// Writes the mix to `path`; errors name `destination`, the file the user asked for.
void writeWav(const QString &path, const QString &destination, const std::vector<float> &mix,
              qint64 frames) {
    SF_INFO info{};
    info.samplerate = mixSampleRate;
    info.channels = mixChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        throw ChoraleError::platform(
                QStringLiteral("Could not create “%1”: %2")
                        .arg(destination, QString::fromUtf8(sf_strerror(nullptr))));
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t written = sf_writef_float(file, mix.data(), frames);
    const QString error = QString::fromUtf8(sf_strerror(file));
    // Closing writes the final header sizes; its failure means the file is incomplete.
    const int closed = sf_close(file);
    if (written != frames || closed != 0) {
        throw ChoraleError::platform(
                QStringLiteral("Could not write “%1”: %2").arg(destination, error));
    }
}

} // namespace

void bounce(const DialogueProject &project, const QString &path,
            const std::optional<QUuid> &trackId) {
    int selected = 0;
    std::vector<MixSegment> segments = MixSchedule::bounce(project, trackId, &selected);
    if (selected == 0)
        throw ChoraleError::unreadableAudio();

    const qint64 frames = MixSchedule::bounceFrames(project, trackId);
    std::vector<float> mix;
    try {
        mix.resize(size_t(frames) * mixChannels);
    } catch (const std::bad_alloc &) {
        throw ChoraleError::unreadableAudio();
    }

    MixRenderer renderer(std::move(segments));
    for (qint64 at = 0; at < frames && !renderer.finished(); at += renderBlockFrames)
        renderer.render(mix.data() + at * mixChannels, std::min(renderBlockFrames, frames - at));
    if (renderer.segmentsHeard() == 0)
        throw ChoraleError::unreadableAudio();

    float peak = 0;
    for (const float sample : mix)
        peak = std::max(peak, std::fabs(sample));
    if (peak > 1.0f) {
        const float scale = loudMixPeak / peak;
        for (float &sample : mix)
            sample *= scale;
    }

    const QString destination = QFileInfo(path).fileName();
    AtomicFile::replace(path,
                        [&](const QString &temp) { writeWav(temp, destination, mix, frames); });
}

} // namespace chorale::DialogueBounce
