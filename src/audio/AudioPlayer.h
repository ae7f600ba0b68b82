// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace chorale {

class AudioOutputStream;

// Plays one audio file at a time for the whole app: reference clips, take originals and clones.
// Starting a file stops whatever was playing; screens ask isPlaying(file) to choose between a play
// and a stop icon. Files are decoded by libsndfile and resampled by soxr to the default output's
// rate on the output's audio thread. Lives on the main thread; `playingURL` is cleared on the main
// thread when a file has been played to its end.
class AudioPlayer : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString playingURL READ playingURL NOTIFY playingURLChanged)

public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    // Plays `url` (a local path or a file: URL) from the start, or stops it when it is the file
    // playing now. A file that cannot be opened or decoded is silently not played: whatever was
    // playing has been stopped and playingURL stays empty.
    Q_INVOKABLE void toggle(const QString &url);
    // True while `url` is the file playing.
    Q_INVOKABLE bool isPlaying(const QString &url) const;
    // Stops playback, if any, and clears playingURL.
    Q_INVOKABLE void stop();

    // The file started by the last successful toggle; empty once stopped or played to the end.
    QString playingURL() const { return m_playingURL; }

signals:
    void playingURLChanged();

private:
    void setPlayingURL(const QString &url);

    // Created on first use: constructing the player touches no device.
    std::unique_ptr<AudioOutputStream> m_output;
    QString m_playingURL;
};

} // namespace chorale
