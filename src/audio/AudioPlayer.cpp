// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioPlayer.h"

#include "audio/AudioFileDecoder.h"
#include "audio/AudioLogging.h"
#include "audio/AudioOutputStream.h"
#include "model/ChoraleError.h"

#include <QUrl>

namespace chorale {

namespace {

QString localPath(const QString &url) {
    if (url.startsWith(QStringLiteral("file:")))
        return QUrl(url).toLocalFile();
    return url;
}

} // namespace

AudioPlayer::AudioPlayer(QObject *parent)
    : QObject(parent) {}

AudioPlayer::~AudioPlayer() = default;

void AudioPlayer::toggle(const QString &url) {
    if (isPlaying(url)) {
        stop();
        return;
    }
    stop();

    if (!m_output) {
        m_output = std::make_unique<AudioOutputStream>();
        connect(m_output.get(), &AudioOutputStream::finished, this,
                [this] { setPlayingURL(QString()); });
    }
    // Decode at the output's own rate (soxr resamples when the file differs); keep mono and
    // stereo as they are and let the audio system place them on the device's channels.
    QAudioFormat format = AudioOutputStream::defaultFormat();
    if (!format.isValid())
        return;
    std::shared_ptr<AudioFileDecoder> decoder;
    try {
        // Opened here, so an unreadable file is refused before anything starts.
        decoder = std::make_shared<AudioFileDecoder>(localPath(url), format.sampleRate(), 2);
    } catch (const ChoraleError &) {
        qCInfo(lcAudio) << "not playing unreadable file" << url;
        return;
    }
    format.setChannelCount(std::min(decoder->fileChannels(), 2));
    decoder->setChannels(format.channelCount());
    const bool started = m_output->start(
            format, [decoder](float *out, qint64 frames) { return decoder->read(out, frames); });
    if (started)
        setPlayingURL(url);
}

bool AudioPlayer::isPlaying(const QString &url) const {
    return !m_playingURL.isEmpty() && m_playingURL == url && m_output && m_output->isPlaying();
}

void AudioPlayer::stop() {
    if (m_output)
        m_output->stop();
    setPlayingURL(QString());
}

void AudioPlayer::setPlayingURL(const QString &url) {
    if (m_playingURL == url)
        return;
    m_playingURL = url;
    emit playingURLChanged();
}

} // namespace chorale
