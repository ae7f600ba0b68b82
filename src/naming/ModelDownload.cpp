// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/ModelDownload.h"

#include "model/DataPaths.h"
#include "naming/NamingConfig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <qcoro/qcoronetworkreply.h>

#include <unistd.h>

#include <memory>

namespace chorale::ModelDownload {

namespace {
QByteArray setting(const char *environment, const char *compiledIn) {
    const QByteArray value = qgetenv(environment);
    return value.isEmpty() ? QByteArray(compiledIn) : value;
}
} // namespace

Source multilingualModel() {
    return {QUrl(QString::fromUtf8(
                    setting("CHORALE_WHISPER_MODEL_URL", CHORALE_WHISPER_MODEL_URL_DEFAULT))),
            setting("CHORALE_WHISPER_MODEL_SHA256", CHORALE_WHISPER_MODEL_SHA256_DEFAULT)
                    .trimmed()
                    .toLower()};
}

QCoro::Task<bool> fetchVerified(QNetworkAccessManager &network, Source source,
                                QString destination) {
    // Without a known checksum there is nothing to verify against, so nothing is fetched.
    if (!source.url.isValid() || source.sha256.size() != 64)
        co_return false;
    if (!QDir().mkpath(DataPaths::tmpFolder()))
        co_return false;
    auto part = std::make_unique<QTemporaryFile>(DataPaths::tmpFolder() +
                                                 QStringLiteral("/model-XXXXXX.part"));
    if (!part->open())
        co_return false;

    QNetworkRequest request(source.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(stallTimeoutMs);
    const QPointer<QNetworkReply> reply = network.get(request);
    struct ReplyOwner {
        QPointer<QNetworkReply> reply;
        ~ReplyOwner() {
            if (reply)
                reply->deleteLater();
        }
    } owner{reply};

    // Streamed to disk and hashed as it arrives, so the model never sits whole in memory.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 received = 0;
    bool failed = false;
    auto drain = [&] {
        while (!failed && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(qint64(1) << 16);
            received += chunk.size();
            if (received > maxBytes || part->write(chunk) != chunk.size()) {
                failed = true;
                reply->abort();
                return;
            }
            hash.addData(chunk);
        }
    };
    QObject::connect(reply.data(), &QNetworkReply::readyRead, reply.data(), drain);
    co_await reply.data();
    if (!reply)
        co_return false;
    drain();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        co_return false;
    if (failed || reply->error() != QNetworkReply::NoError)
        co_return false;
    if (hash.result().toHex() != source.sha256)
        co_return false;
    if (!part->flush() || ::fsync(part->handle()) != 0)
        co_return false;

    // From here the file is ours to place or delete, whatever QTemporaryFile makes of a rename.
    part->setAutoRemove(false);
    const QString partPath = part->fileName();
    QFile::remove(destination);
    if (!part->rename(destination)) {
        QFile::remove(partPath);
        co_return false;
    }
    co_return true;
}

} // namespace chorale::ModelDownload
