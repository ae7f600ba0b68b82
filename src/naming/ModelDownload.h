// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

// Downloading a speech model file that is only kept when it is exactly the expected file. A model
// is parsed by native code, so an unverified file is never moved into place.
namespace chorale::ModelDownload {

struct Source {
    QUrl url;
    QByteArray sha256; // lower-case hex
};

// Where the multilingual model comes from and the SHA-256 it must have: the values compiled in
// (CMake cache variables CHORALE_WHISPER_MODEL_URL / CHORALE_WHISPER_MODEL_SHA256), each
// replaced by the environment variable of the same name when that is set.
Source multilingualModel();

// Larger answers are cut off: the tiny models are about 32 MB.
inline constexpr qint64 maxBytes = qint64(128) << 20;
// A transfer that stalls this long is abandoned.
inline constexpr int stallTimeoutMs = 60'000;

// Fetches `source` into a temporary file in the data directory's "tmp" folder and, when the
// answer is a 2xx (or not HTTP at all), within maxBytes and has the expected SHA-256, replaces
// `destination` with it. True when the file is now in place; on any failure nothing is left
// behind and `destination` is untouched. Main thread.
QCoro::Task<bool> fetchVerified(QNetworkAccessManager &network, Source source, QString destination);

} // namespace chorale::ModelDownload
