// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AudioFileTools.h"

#include "model/ChoraleError.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

Q_LOGGING_CATEGORY(lcAudioFiles, "chorale.store.audiofiles")

namespace chorale::AudioFileTools {

namespace {

// Largest sample data a RIFF size field can describe (the size + 36 must fit 32 bits).
constexpr qint64 maxWavDataBytes = 4294967260LL;
constexpr sf_count_t copyBlockFrames = 8192;

struct SndfileCloser {
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using Sndfile = std::unique_ptr<SNDFILE, SndfileCloser>;

Sndfile openSndfile(const QString &path, int mode, SF_INFO &info) {
    return Sndfile(sf_open(QFile::encodeName(path).constData(), mode, &info));
}

ChoraleError sndfileError(SNDFILE *file) {
    return ChoraleError::platform(QString::fromUtf8(sf_strerror(file)));
}

// FFmpeg is chatty on stderr about damaged input; the app reports failures itself.
void quietFfmpeg() {
    static const bool once = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    Q_UNUSED(once);
}

struct FormatCloser {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct SwrFree {
    void operator()(SwrContext *s) const { swr_free(&s); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

FormatPtr openMedia(const QString &path) {
    quietFfmpeg();
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return nullptr;
    FormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return nullptr;
    return format;
}

// An opened decoder for the first audio stream of a media file.
struct AudioDecoder {
    FormatPtr format;
    CodecPtr codec;
    int streamIndex = -1;

    static std::optional<AudioDecoder> open(const QString &path) {
        AudioDecoder d;
        d.format = openMedia(path);
        if (!d.format)
            return std::nullopt;
        const AVCodec *decoder = nullptr;
        d.streamIndex =
                av_find_best_stream(d.format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (d.streamIndex < 0 || !decoder)
            return std::nullopt;
        d.codec.reset(avcodec_alloc_context3(decoder));
        if (!d.codec ||
            avcodec_parameters_to_context(d.codec.get(),
                                          d.format->streams[d.streamIndex]->codecpar) < 0 ||
            avcodec_open2(d.codec.get(), decoder, nullptr) < 0) {
            return std::nullopt;
        }
        return d;
    }

    const AVCodecParameters &parameters() const { return *format->streams[streamIndex]->codecpar; }

    // Feeds every decoded frame to `sink`; false when decoding failed outright.
    template <typename Sink>
    bool decodeAll(Sink &&sink) {
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        if (!packet || !frame)
            return false;
        bool failed = false;
        auto drain = [&]() {
            for (;;) {
                const int rc = avcodec_receive_frame(codec.get(), frame.get());
                if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                    return;
                if (rc < 0) {
                    failed = true;
                    return;
                }
                if (!sink(*frame))
                    failed = true;
                av_frame_unref(frame.get());
                if (failed)
                    return;
            }
        };
        while (!failed && av_read_frame(format.get(), packet.get()) >= 0) {
            if (packet->stream_index == streamIndex) {
                // A damaged packet is skipped, as players do; the rest still decodes.
                if (avcodec_send_packet(codec.get(), packet.get()) >= 0)
                    drain();
            }
            av_packet_unref(packet.get());
        }
        if (!failed) {
            avcodec_send_packet(codec.get(), nullptr);
            drain();
        }
        return !failed;
    }
};

std::optional<double> durationFromSndfile(const QString &path) {
    SF_INFO info{};
    Sndfile file = openSndfile(path, SFM_READ, info);
    if (!file || info.samplerate <= 0 || info.frames <= 0)
        return std::nullopt;
    sf_count_t frames = info.frames;
    // MP3 frame counts are estimates without a LAME header, and a stream that does not state
    // its length (a FLAC with no sample count) reads as SF_COUNT_MAX: count what really decodes.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || info.frames == SF_COUNT_MAX) {
        std::vector<float> block(size_t(copyBlockFrames) * size_t(info.channels));
        frames = 0;
        sf_count_t n;
        while ((n = sf_readf_float(file.get(), block.data(), copyBlockFrames)) > 0)
            frames += n;
        if (frames <= 0)
            return std::nullopt;
    }
    return double(frames) / info.samplerate;
}

std::optional<double> durationFromContainer(const QString &path) {
    FormatPtr format = openMedia(path);
    if (!format)
        return std::nullopt;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0)
        return std::nullopt;
    const AVStream *s = format->streams[stream];
    double seconds = 0;
    if (s->duration > 0 && s->duration != AV_NOPTS_VALUE)
        seconds = double(s->duration) * av_q2d(s->time_base);
    else if (format->duration > 0 && format->duration != AV_NOPTS_VALUE)
        seconds = double(format->duration) / AV_TIME_BASE;
    if (!std::isfinite(seconds) || seconds <= 0)
        return std::nullopt;
    return seconds;
}

std::optional<double> durationFromDecoding(const QString &path) {
    auto decoder = AudioDecoder::open(path);
    if (!decoder)
        return std::nullopt;
    double seconds = 0;
    const bool ok = decoder->decodeAll([&](const AVFrame &frame) {
        if (frame.sample_rate > 0)
            seconds += double(frame.nb_samples) / frame.sample_rate;
        return true;
    });
    if (!ok || !std::isfinite(seconds) || seconds <= 0)
        return std::nullopt;
    return seconds;
}

void putLE(QByteArray &out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

} // namespace

double duration(const QString &path) {
    if (auto s = durationFromSndfile(path))
        return *s;
    if (auto s = durationFromContainer(path))
        return *s;
    if (auto s = durationFromDecoding(path))
        return *s;
    throw ChoraleError::unreadableAudio();
}

void copyFile(const QString &from, const QString &to) {
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        QFile existing(to);
        if (!existing.remove())
            throw ChoraleError::platform(existing.errorString());
    }
    if (QFile::copy(from, to))
        return;
    // Fall back to a plain read and write (the copy's own error is not the interesting one).
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw ChoraleError::platform(source.errorString());
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        throw ChoraleError::platform(source.errorString());
    QFile destination(to);
    if (!destination.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        destination.write(bytes) != bytes.size() || !destination.flush()) {
        throw ChoraleError::platform(destination.errorString());
    }
}

void convertToWAV(const QString &from, const QString &to) {
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        QFile existing(to);
        if (!existing.remove())
            throw ChoraleError::platform(existing.errorString());
    }
    bool readable = false;
    {
        SF_INFO info{};
        readable = openSndfile(from, SFM_READ, info) != nullptr;
    }
    if (readable) {
        try {
            detail::convertWithAudioFile(from, to);
            return;
        } catch (const ChoraleError &error) {
            qCDebug(lcAudioFiles) << "libsndfile could not convert" << from << error.message();
            QFile::remove(to);
        }
    }
    detail::convertWithAssetReader(from, to);
}

namespace detail {

void convertWithAudioFile(const QString &from, const QString &to) {
    SF_INFO inInfo{};
    Sndfile in = openSndfile(from, SFM_READ, inInfo);
    if (!in)
        throw sndfileError(nullptr);
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    // A length the source does not state (SF_COUNT_MAX) is checked while copying instead.
    const auto tooLong = [] {
        return ChoraleError::platform(
                QStringLiteral("This recording is too long to store as WAV."));
    };
    const qint64 maxFrames = maxWavDataBytes / (qint64(std::max(inInfo.channels, 1)) * 4);
    if (inInfo.frames != SF_COUNT_MAX && qint64(inInfo.frames) > maxFrames)
        throw tooLong();
    Sndfile out = openSndfile(to, SFM_WRITE, outInfo);
    if (!out)
        throw sndfileError(nullptr);

    std::vector<float> block(size_t(copyBlockFrames) * size_t(inInfo.channels));
    // Read to the real end of the stream: decoders may report an estimated length.
    qint64 copied = 0;
    for (;;) {
        const sf_count_t n = sf_readf_float(in.get(), block.data(), copyBlockFrames);
        if (n < 0 || sf_error(in.get()) != SF_ERR_NO_ERROR)
            throw sndfileError(in.get());
        if (n == 0)
            break;
        copied += n;
        if (copied > maxFrames)
            throw tooLong();
        if (sf_writef_float(out.get(), block.data(), n) != n)
            throw sndfileError(out.get());
    }
    // Closing writes the final header; its failure must not pass for success.
    if (sf_close(out.release()) != 0)
        throw ChoraleError::platform(QStringLiteral("Could not finish writing the WAV file."));
}

void convertWithAssetReader(const QString &from, const QString &to) {
    auto decoder = AudioDecoder::open(from);
    if (!decoder)
        throw ChoraleError::unreadableAudio();

    const AVCodecParameters &params = decoder->parameters();
    const int sourceChannels = params.ch_layout.nb_channels;
    const int outChannels = sourceChannels < 2 ? 1 : 2;
    const int outRate = params.sample_rate > 0 ? params.sample_rate : 44100;
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, outChannels);

    SwrPtr resampler;
    AVChannelLayout configuredLayout{};
    int configuredRate = 0;
    int configuredFormat = -1;
    QByteArray pcm;
    std::vector<uint8_t> scratch;

    const bool ok = decoder->decodeAll([&](const AVFrame &frame) {
        AVChannelLayout inLayout{};
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0)
            av_channel_layout_default(&inLayout, std::max(frame.ch_layout.nb_channels, 1));
        else
            av_channel_layout_copy(&inLayout, &frame.ch_layout);
        const bool changed = !resampler || configuredRate != frame.sample_rate ||
                             configuredFormat != frame.format ||
                             av_channel_layout_compare(&configuredLayout, &inLayout) != 0;
        if (changed) {
            SwrContext *raw = nullptr;
            if (swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                    AVSampleFormat(frame.format), frame.sample_rate, 0,
                                    nullptr) < 0 ||
                swr_init(raw) < 0) {
                swr_free(&raw);
                av_channel_layout_uninit(&inLayout);
                return false;
            }
            resampler.reset(raw);
            av_channel_layout_uninit(&configuredLayout);
            av_channel_layout_copy(&configuredLayout, &inLayout);
            configuredRate = frame.sample_rate;
            configuredFormat = frame.format;
        }
        av_channel_layout_uninit(&inLayout);

        const int capacity = swr_get_out_samples(resampler.get(), frame.nb_samples);
        if (capacity < 0)
            return false;
        scratch.resize(size_t(capacity) * size_t(outChannels) * 2);
        uint8_t *outPlanes[] = {scratch.data()};
        const int produced =
                swr_convert(resampler.get(), outPlanes, capacity,
                            const_cast<const uint8_t **>(frame.extended_data), frame.nb_samples);
        if (produced < 0)
            return false;
        pcm.append(reinterpret_cast<const char *>(scratch.data()),
                   qsizetype(produced) * outChannels * 2);
        return pcm.size() <= maxWavDataBytes;
    });
    if (resampler) {
        // Flush what the resampler still holds.
        const int capacity = swr_get_out_samples(resampler.get(), 0);
        if (capacity > 0) {
            scratch.resize(size_t(capacity) * size_t(outChannels) * 2);
            uint8_t *outPlanes[] = {scratch.data()};
            const int produced = swr_convert(resampler.get(), outPlanes, capacity, nullptr, 0);
            if (produced > 0)
                pcm.append(reinterpret_cast<const char *>(scratch.data()),
                           qsizetype(produced) * outChannels * 2);
        }
    }
    av_channel_layout_uninit(&configuredLayout);
    av_channel_layout_uninit(&outLayout);

    if (!ok || pcm.isEmpty())
        throw ChoraleError::unreadableAudio();
    writeWAV(pcm, outRate, outChannels, to);
}

void writeWAV(const QByteArray &pcm, int sampleRate, int channels, const QString &to) {
    if (pcm.size() >= maxWavDataBytes || channels <= 0 || channels >= 32768 || sampleRate <= 0 ||
        qint64(sampleRate) * channels * 2 >= (qint64(1) << 31)) {
        throw ChoraleError::platform(QStringLiteral("This audio is too large to store as WAV."));
    }
    const auto dataBytes = quint32(pcm.size());
    QByteArray header;
    header.reserve(44);
    header.append("RIFF");
    putLE(header, dataBytes + 36, 4);
    header.append("WAVE");
    header.append("fmt ");
    putLE(header, 16, 4);
    putLE(header, 1, 2);
    putLE(header, quint32(channels), 2);
    putLE(header, quint32(sampleRate), 4);
    putLE(header, quint32(sampleRate * channels * 2), 4);
    putLE(header, quint32(channels * 2), 2);
    putLE(header, 16, 2);
    header.append("data");
    putLE(header, dataBytes, 4);

    QFile file(to);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(header) != 44 ||
        file.write(pcm) != pcm.size() || !file.flush()) {
        throw ChoraleError::platform(file.errorString());
    }
}

} // namespace detail
} // namespace chorale::AudioFileTools
