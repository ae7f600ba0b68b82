// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

typedef struct sf_private_tag SNDFILE;

namespace chorale {

namespace detail {
class CaptureWorker;
struct CaptureShared;
} // namespace detail

// Records one take at a time from a capture device into "take-<UUID>.wav" (32-bit float at the
// device's own rate and channel count, nothing resampled) and publishes the live values the
// Record screen shows. Lives on the main thread; capture runs on the recorder's own audio thread,
// which only writes the file, computes the level and stores it under a lock. A 0.05 s main-thread
// timer publishes `level` and `elapsed`. Every property notifies only when its value changes.
//
// A buffer that cannot be written does not stop the take, but it is not forgotten either: after
// stop(), `lastTakeError` says the file is incomplete and why, so a truncated take is never
// presented as whole. It is empty for a complete take.
class AudioRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(float level READ level NOTIFY levelChanged)
    Q_PROPERTY(double elapsed READ elapsed NOTIFY elapsedChanged)
    Q_PROPERTY(QString lastFileURL READ lastFileURL NOTIFY lastFileURLChanged)
    Q_PROPERTY(QString lastTakeError READ lastTakeError NOTIFY lastTakeErrorChanged)

public:
    // Frames per buffer handed from the audio system to the file and the meter.
    static constexpr int bufferFrames = 1024;
    // How often the meter and the elapsed time are published.
    static constexpr int tickMilliseconds = 50;

    // What the audio thread did during the current or last take.
    struct CaptureStats {
        int sampleRate = 0;
        int channels = 0;
        qint64 buffers = 0;        // buffers passed to the file and the meter
        qint64 framesCaptured = 0; // frames received from the device
        qint64 framesWritten = 0;  // frames in the file
        qint64 failedWrites = 0;   // buffers the file did not take whole
        double cpuSeconds = 0;     // CPU time the audio thread spent on this take
    };

    explicit AudioRecorder(QObject *parent = nullptr);
    ~AudioRecorder() override;

    // Ends any take in progress, then starts a new one from the device `deviceID` (an
    // AudioInputDevice id) into a new file in `directory`, which must exist. Throws ChoraleError:
    // engineUnavailable "Could not access the audio engine." when no audio system answers,
    // engineUnavailable "Could not select that microphone." for an unknown device,
    // unreadableAudio when the device reports no usable format, and platform errors when the file
    // cannot be created or the device cannot be started. On success isRecording is true.
    void start(quint32 deviceID, const QString &directory);

    // Ends the take and closes its file. Safe at any time. `elapsed` and `lastFileURL` keep
    // describing the finished take.
    Q_INVOKABLE void stop();

    bool isRecording() const { return m_isRecording; }
    float level() const { return m_level; }
    double elapsed() const { return m_elapsed; }
    QString lastFileURL() const { return m_lastFileURL; }
    QString lastTakeError() const { return m_lastTakeError; }
    CaptureStats captureStats() const;

    // The meter level of one buffer of interleaved samples: min(8 × RMS of channel 0, 1). Other
    // channels are ignored; an empty buffer reads 0.
    static float rms(const float *interleaved, qint64 frames, int channels);

signals:
    void isRecordingChanged();
    void levelChanged();
    void elapsedChanged();
    void lastFileURLChanged();
    void lastTakeErrorChanged();

private:
    void tick();
    void ensureAudioThread();
    void setRecording(bool value);
    void setLevel(float value);
    void setElapsed(double value);
    void setLastFileURL(const QString &value);
    void setLastTakeError(const QString &value);

    bool m_isRecording = false;
    float m_level = 0;
    double m_elapsed = 0;
    QString m_lastFileURL;
    QString m_lastTakeError;

    QThread *m_thread = nullptr;
    detail::CaptureWorker *m_worker = nullptr; // lives on m_thread
    std::shared_ptr<detail::CaptureShared> m_shared;
    SNDFILE *m_file = nullptr; // the take being written; set only while a take is open
    QTimer m_timer;
    std::optional<QElapsedTimer> m_startedAt;
};

} // namespace chorale
