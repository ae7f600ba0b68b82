// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

// HTTP/1.1 over the voice engine's Unix socket: one request per connection, written in one
// piece, the answer read until the engine closes the connection. No state, no reuse, no
// time-outs. Every failure is ChoraleError::engineUnavailable with the text the user sees.
namespace chorale::UnixHttpClient {

struct Response {
    int status = 0; // 0 when the status line cannot be read
    QByteArray body;
};

// How long an exchange waits for the engine. An answer that comes only when the work is done
// (a conversion, speech, loading the models) may take as long as it needs to start; a poll is
// answered at once by an engine that works. Once an answer has started the rest follows
// without pause, so an engine that falls silent in the middle of one is hung. Either wait
// running out fails the exchange with "The voice engine stopped answering." instead of holding
// its caller for ever.
struct Patience {
    std::optional<std::chrono::milliseconds> firstByte; // none: no limit
    std::chrono::milliseconds midAnswer{30'000};
};

// The whole exchange; blocks the calling thread until the engine closes the connection. A
// present body (even an empty one) is sent as JSON.
Response send(const QString &socketPath, const QString &method, const QString &path,
              const std::optional<QByteArray> &body = std::nullopt, Patience patience = {});

// `send` on a background thread of its own; the caller resumes on its own thread. Abandoning
// the awaiting coroutine does not interrupt the exchange.
QCoro::Task<Response> request(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body = std::nullopt,
                              Patience patience = {});

// `request`, then the body as a JSON object (empty when it is not one), decoded on the
// exchange's thread too: an answer of any size never holds up the caller's thread. A status of
// 400 or above fails with the body's "detail", else its "error", else "HTTP <status>".
QCoro::Task<QJsonObject> json(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body = std::nullopt,
                              Patience patience = {});

// The steps of the exchange, exposed for tests.
QByteArray requestBytes(const QString &method, const QString &path,
                        const std::optional<QByteArray> &body);
Response parseResponse(const QByteArray &raw);
QJsonObject decodeJson(const Response &response);

// The longest socket path accepted, in UTF-8 bytes (the address holds 104 with its NUL).
inline constexpr int maxSocketPathBytes = 103;

} // namespace chorale::UnixHttpClient
