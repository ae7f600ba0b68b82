// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

// HTTP/1.1 over the voice engine's Unix socket: one request per connection, written in one
// piece, the answer read until the engine closes the connection. No state, no reuse, no
// time-outs. Every failure is ChoraleError::engineUnavailable with the text the user sees.
namespace chorale::UnixHttpClient {

struct Response {
    int status = 0; // 0 when the status line cannot be read
    QByteArray body;
};

// The whole exchange; blocks the calling thread until the engine closes the connection. A
// present body (even an empty one) is sent as JSON.
Response send(const QString &socketPath, const QString &method, const QString &path,
              const std::optional<QByteArray> &body = std::nullopt);

// `send` on a background thread of its own; the caller resumes on its own thread. Abandoning
// the awaiting coroutine does not interrupt the exchange.
QCoro::Task<Response> request(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body = std::nullopt);

// `request`, then the body as a JSON object (empty when it is not one). A status of 400 or
// above fails with the body's "detail", else its "error", else "HTTP <status>".
QCoro::Task<QJsonObject> json(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body = std::nullopt);

// The steps of the exchange, exposed for tests.
QByteArray requestBytes(const QString &method, const QString &path,
                        const std::optional<QByteArray> &body);
Response parseResponse(const QByteArray &raw);
QJsonObject decodeJson(const Response &response);

// The longest socket path accepted, in UTF-8 bytes (the address holds 104 with its NUL).
inline constexpr int maxSocketPathBytes = 103;

} // namespace chorale::UnixHttpClient
