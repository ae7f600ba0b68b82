// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioRecorder.h"

#include "audio/AudioDeviceList.h"
#include "audio/AudioLogging.h"
#include "model/ChoraleError.h"
#include "model/Identifiers.h"

#include <QAudioSource>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QThread>
#include <QUuid>

#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

namespace chorale {

namespace detail {

// State the audio thread shares with the main thread.
struct CaptureShared {
    std::mutex lock; // guards rawLevel only
    float rawLevel = 0;

    std::mutex faultLock; // guards fault
    QString fault;        // the first failure of the current take; empty while all is well

    std::atomic<qint64> buffers = 0;
    std::atomic<qint64> framesCaptured = 0;
    std::atomic<qint64> framesWritten = 0;
    std::atomic<qint64> failedWrites = 0;
    std::atomic<double> cpuSeconds = 0;
    int sampleRate = 0;
    int channels = 0;

    void noteFault(const QString &message) {
        const std::lock_guard guard(faultLock);
        if (fault.isEmpty())
            fault = message;
    }
};

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// libsndfile's description of the last failure, without its trailing full stop.
QString fileError(SNDFILE *file) {
    QString text = QString::fromUtf8(sf_strerror(file)).trimmed();
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

QString describe(QAudio::Error error) {
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("Could not open the microphone.");
    case QAudio::IOError:
        return QStringLiteral("The microphone stopped delivering audio.");
    case QAudio::FatalError:
        return QStringLiteral("The audio system failed while recording.");
    case QAudio::UnderrunError:
    case QAudio::NoError:
        break;
    }
    return QString();
}

} // namespace

// The capture side of the recorder. Lives on the recorder's audio thread; every member function
// runs there. It reads the device in buffers of AudioRecorder::bufferFrames frames, writes each to
// the file and stores its level. The buffer is allocated when a take begins, not per read.
class CaptureWorker : public QObject {
public:
    // Starts capturing from `device` into `file`. Returns an error message, empty on success.
    QString begin(const QAudioDevice &device, const QAudioFormat &format, SNDFILE *file,
                  std::shared_ptr<CaptureShared> shared) {
        m_shared = std::move(shared);
        m_file = file;
        m_channels = format.channelCount();
        m_frameBytes = qint64(m_channels) * qint64(sizeof(float));
        m_headerInterval = format.sampleRate(); // refresh the WAV header about once a second
        m_framesSinceHeader = 0;
        m_filledBytes = 0;
        m_bytesRead = 0;
        m_buffer.assign(size_t(AudioRecorder::bufferFrames) * size_t(m_channels), 0.0f);
        m_cpuAtStart = threadCpuSeconds();
        m_stopping = false;

        m_source = new QAudioSource(device, format);
        connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && !m_stopping &&
                m_source->error() != QAudio::NoError)
                m_shared->noteFault(describe(m_source->error()) +
                                    QStringLiteral(" The take is incomplete."));
        });
        // Pull mode: the device that start() returns signals readyRead. (Handing the source a
        // QIODevice to push into delivers nothing on PulseAudio with Qt 6.4.)
        m_io = m_source->start();
        if (!m_io || m_source->error() != QAudio::NoError) {
            const QString message = describe(m_source->error());
            discardSource();
            return message.isEmpty() ? QStringLiteral("Could not open the microphone.") : message;
        }
        connect(m_io, &QIODevice::readyRead, this, &CaptureWorker::readAvailable);
        return QString();
    }

    // Writes what the device has already delivered, then stops it. The file stays open.
    void end() {
        if (!m_source)
            return;
        readAvailable();
        flush();
        m_stopping = true;
        m_source->stop();
        discardSource();
        m_shared->cpuSeconds = threadCpuSeconds() - m_cpuAtStart;
        m_file = nullptr;
    }

private:
    void discardSource() {
        delete m_source; // also deletes m_io
        m_source = nullptr;
        m_io = nullptr;
    }

    // Collects whole buffers of bufferFrames frames (the audio system hands over fragments of
    // any size) and processes each as it fills, so every level is measured over the same span.
    void readAvailable() {
        if (!m_io)
            return;
        char *bytes = reinterpret_cast<char *>(m_buffer.data());
        const qint64 capacity = qint64(m_buffer.size() * sizeof(float));
        for (;;) {
            const qint64 got = m_io->read(bytes + m_filledBytes, capacity - m_filledBytes);
            if (got <= 0)
                break;
            m_filledBytes += got;
            m_bytesRead += got;
            m_shared->framesCaptured.store(m_bytesRead / m_frameBytes, std::memory_order_relaxed);
            if (m_filledBytes == capacity) {
                process(AudioRecorder::bufferFrames);
                m_filledBytes = 0;
            }
        }
    }

    // Processes the last, partly filled buffer at the end of a take.
    void flush() {
        const qint64 frames = m_filledBytes / m_frameBytes;
        if (frames > 0)
            process(frames);
        m_filledBytes = 0;
    }

    void process(qint64 frames) {
        m_shared->buffers.fetch_add(1, std::memory_order_relaxed);
        if (m_file) {
            const sf_count_t written = sf_writef_float(m_file, m_buffer.data(), frames);
            if (written > 0)
                m_shared->framesWritten.fetch_add(written, std::memory_order_relaxed);
            if (written != frames) {
                m_shared->failedWrites.fetch_add(1, std::memory_order_relaxed);
                m_shared->noteFault(
                        QStringLiteral("Part of the recording could not be written (%1). The take "
                                       "is incomplete.")
                                .arg(fileError(m_file)));
            }
            // A header that matches the data so far keeps the take readable even if the app
            // dies before stop() finishes the file.
            m_framesSinceHeader += frames;
            if (m_framesSinceHeader >= m_headerInterval) {
                m_framesSinceHeader = 0;
                sf_command(m_file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
            }
        }
        const float level = AudioRecorder::rms(m_buffer.data(), frames, m_channels);
        const std::lock_guard guard(m_shared->lock);
        m_shared->rawLevel = level;
    }

    std::shared_ptr<CaptureShared> m_shared;
    QAudioSource *m_source = nullptr;
    QIODevice *m_io = nullptr;
    SNDFILE *m_file = nullptr;
    std::vector<float> m_buffer;
    qint64 m_filledBytes = 0; // bytes collected in m_buffer so far
    qint64 m_bytesRead = 0;   // bytes received from the device during this take
    qint64 m_frameBytes = 4;
    int m_channels = 1;
    qint64 m_headerInterval = 48000;
    qint64 m_framesSinceHeader = 0;
    double m_cpuAtStart = 0;
    bool m_stopping = false;
};

} // namespace detail

AudioRecorder::AudioRecorder(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<detail::CaptureShared>()) {
    m_timer.setInterval(tickMilliseconds);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AudioRecorder::tick);
}

AudioRecorder::~AudioRecorder() {
    stop();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_worker; // its thread has finished: safe to delete from here
        delete m_thread;
    }
}

void AudioRecorder::ensureAudioThread() {
    if (m_thread && m_thread->isRunning())
        return;
    if (!m_thread) {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("chorale-capture"));
        m_worker = new detail::CaptureWorker;
        m_worker->moveToThread(m_thread);
    }
    m_thread->start(QThread::TimeCriticalPriority);
}

void AudioRecorder::start(quint32 deviceID, const QString &directory) {
    stop();

    // Bind the capture side to the device.
    ensureAudioThread();
    if (!m_thread->isRunning() ||
        (QMediaDevices::audioInputs().isEmpty() && QMediaDevices::audioOutputs().isEmpty()))
        throw ChoraleError::engineUnavailable(QStringLiteral("Could not access the audio engine."));
    const std::optional<QAudioDevice> device = AudioDeviceList::findInput(deviceID);
    if (!device)
        throw ChoraleError::engineUnavailable(QStringLiteral("Could not select that microphone."));

    // The device's own rate and channel count, as 32-bit float: nothing is resampled or mixed.
    const QAudioFormat preferred = device->preferredFormat();
    if (preferred.sampleRate() <= 0 || preferred.channelCount() <= 0)
        throw ChoraleError::unreadableAudio();
    QAudioFormat format;
    format.setSampleRate(preferred.sampleRate());
    format.setChannelCount(preferred.channelCount());
    format.setSampleFormat(QAudioFormat::Float);

    const QString path = QDir(directory).filePath(
            QStringLiteral("take-%1.wav").arg(idText(QUuid::createUuid())));
    SF_INFO info{};
    info.samplerate = format.sampleRate();
    info.channels = format.channelCount();
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        throw ChoraleError::platform(detail::fileError(nullptr));

    setLastFileURL(path);
    setLevel(0);
    setElapsed(0);
    setLastTakeError(QString());
    m_startedAt.emplace();
    m_startedAt->start();

    // A fresh shared block per take: a late store from the previous take cannot leak into it.
    m_shared = std::make_shared<detail::CaptureShared>();
    m_shared->sampleRate = format.sampleRate();
    m_shared->channels = format.channelCount();
    m_file = file;

    QString failure;
    QMetaObject::invokeMethod(
            m_worker,
            [&, shared = m_shared] { failure = m_worker->begin(*device, format, file, shared); },
            Qt::BlockingQueuedConnection);
    if (!failure.isEmpty()) {
        sf_close(file);
        m_file = nullptr;
        qCWarning(lcAudio) << "could not start capture from" << device->id() << failure;
        throw ChoraleError::platform(failure);
    }

    setRecording(true);
    m_timer.start();
}

void AudioRecorder::stop() {
    m_timer.stop();
    if (m_file) {
        // The device stops before the file is released, so the audio thread no longer writes.
        QMetaObject::invokeMethod(
                m_worker, [this] { m_worker->end(); }, Qt::BlockingQueuedConnection);
        if (sf_close(m_file) != 0)
            m_shared->noteFault(QStringLiteral("The recording could not be finished (%1). The "
                                               "take is incomplete.")
                                        .arg(detail::fileError(nullptr)));
        m_file = nullptr;
        QString fault;
        {
            const std::lock_guard guard(m_shared->faultLock);
            fault = m_shared->fault;
        }
        setLastTakeError(fault);
    }
    setRecording(false);
    setLevel(0);
}

void AudioRecorder::tick() {
    float raw = 0;
    {
        const std::lock_guard guard(m_shared->lock);
        raw = m_shared->rawLevel;
    }
    setLevel(raw);
    if (m_startedAt)
        setElapsed(double(m_startedAt->nsecsElapsed()) * 1e-9);
}

AudioRecorder::CaptureStats AudioRecorder::captureStats() const {
    CaptureStats stats;
    stats.sampleRate = m_shared->sampleRate;
    stats.channels = m_shared->channels;
    stats.buffers = m_shared->buffers;
    stats.framesCaptured = m_shared->framesCaptured;
    stats.framesWritten = m_shared->framesWritten;
    stats.failedWrites = m_shared->failedWrites;
    stats.cpuSeconds = m_shared->cpuSeconds;
    return stats;
}

float AudioRecorder::rms(const float *interleaved, qint64 frames, int channels) {
    if (!interleaved || frames <= 0 || channels <= 0)
        return 0;
    double sum = 0;
    for (qint64 i = 0; i < frames; ++i) {
        const double x = interleaved[i * channels];
        sum += x * x;
    }
    return float(std::min(8.0 * std::sqrt(sum / double(frames)), 1.0));
}

void AudioRecorder::setRecording(bool value) {
    if (m_isRecording == value)
        return;
    m_isRecording = value;
    emit isRecordingChanged();
}

void AudioRecorder::setLevel(float value) {
    if (m_level == value)
        return;
    m_level = value;
    emit levelChanged();
}

void AudioRecorder::setElapsed(double value) {
    if (m_elapsed == value)
        return;
    m_elapsed = value;
    emit elapsedChanged();
}

void AudioRecorder::setLastFileURL(const QString &value) {
    if (m_lastFileURL == value)
        return;
    m_lastFileURL = value;
    emit lastFileURLChanged();
}

void AudioRecorder::setLastTakeError(const QString &value) {
    if (m_lastTakeError == value)
        return;
    m_lastTakeError = value;
    emit lastTakeErrorChanged();
}

} // namespace chorale
