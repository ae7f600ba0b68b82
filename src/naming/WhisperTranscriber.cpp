// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/WhisperTranscriber.h"

#include <QByteArray>
#include <QFile>

#include <whisper.h>

#include <climits>
#include <mutex>

namespace chorale {

namespace {

// whisper.cpp reports model loading and timings on stderr; titling is silent background work.
void ignoreLog(enum ggml_log_level, const char *, void *) {}

} // namespace

std::optional<QString> WhisperTranscriber::runWhisper(const QString &modelPath,
                                                      const std::vector<float> &samples,
                                                      const QString &language) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { whisper_log_set(ignoreLog, nullptr); });

    if (samples.empty() || samples.size() > size_t(INT_MAX))
        return std::nullopt;

    whisper_context_params contextParams = whisper_context_default_params();
    contextParams.use_gpu = true;
    const QByteArray path = QFile::encodeName(modelPath);
    whisper_context *context = whisper_init_from_file_with_params(path.constData(), contextParams);
    if (!context)
        return std::nullopt;

    const QByteArray code = language.toLatin1();
    whisper_full_params params = whisper_full_default_params(WHISPER_SAMPLING_GREEDY);
    params.n_threads = 2;
    params.duration_ms = 8000;
    params.no_timestamps = true;
    params.single_segment = true;
    params.print_special = false;
    params.print_progress = false;
    params.print_realtime = false;
    params.print_timestamps = false;
    params.language = code.constData();
    params.detect_language = false;

    std::optional<QString> text;
    if (whisper_full(context, params, samples.data(), int(samples.size())) == 0) {
        // Segments are joined as bytes first, so a character split between two still decodes.
        QByteArray utf8;
        const int segments = whisper_full_n_segments(context);
        for (int i = 0; i < segments; ++i) {
            if (const char *segment = whisper_full_get_segment_text(context, i))
                utf8 += segment;
        }
        text = QString::fromUtf8(utf8);
    }
    whisper_free(context);
    return text;
}

} // namespace chorale
