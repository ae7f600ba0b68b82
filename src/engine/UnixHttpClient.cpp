// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/UnixHttpClient.h"

#include "model/ChoraleError.h"

#include <QJsonDocument>
#include <QStringDecoder>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <limits>

namespace chorale::UnixHttpClient {

namespace {

// Exchanges get threads of their own: a conversion holds its thread for minutes, and the
// progress polls beside it must never queue behind it (or behind the app's other background
// work). The pool is never destroyed, so an unanswered request cannot hold up quitting.
QThreadPool *exchangePool() {
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(64);
        p->setExpiryTimeout(10'000);
        return p;
    }();
    return pool;
}

class SocketHandle {
public:
    explicit SocketHandle(int fd)
        : m_fd(fd) {}
    ~SocketHandle() { ::close(m_fd); }
    SocketHandle(const SocketHandle &) = delete;
    SocketHandle &operator=(const SocketHandle &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// A decimal integer with an optional sign and nothing else; 0 when it is not one.
int parseStatus(const QString &text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return 0;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c - u'0');
        if (value > std::numeric_limits<int>::max())
            return 0;
    }
    return int(negative ? -value : value);
}

ChoraleError failure(const char *message) {
    return ChoraleError::engineUnavailable(QString::fromUtf8(message));
}

// False when nothing (not even the engine hanging up) arrives within `wait`.
bool waitForData(int fd, std::chrono::milliseconds wait) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&p, 1, int(std::min<qint64>(wait.count(), INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready != 0;
    }
}

// Runs `work` on an exchange thread and resumes the caller on its own thread with the result
// or the exception. (QFuture only transports QException, so exceptions are carried by hand.)
template <typename Result, typename Work>
QCoro::Task<Result> onExchangeThread(Work work) {
    struct Outcome {
        std::exception_ptr error;
        std::optional<Result> result;
    };
    // The closure and the future are named rather than written inside the co_await: GCC 12
    // destroys a lambda temporary in a co_await expression twice.
    auto exchange = [work = std::move(work)] {
        Outcome o;
        try {
            o.result.emplace(work());
        } catch (...) {
            o.error = std::current_exception();
        }
        return o;
    };
    QFuture<Outcome> future = QtConcurrent::run(exchangePool(), std::move(exchange));
    Outcome outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    co_return std::move(*outcome.result);
}

} // namespace

QByteArray requestBytes(const QString &method, const QString &path,
                        const std::optional<QByteArray> &body) {
    QString head = method + u' ' + (path.startsWith(u'/') ? path : u'/' + path) +
                   QStringLiteral(" HTTP/1.1\r\n") + QStringLiteral("Host: localhost\r\n") +
                   QStringLiteral("Connection: close\r\n");
    if (body) {
        head += QStringLiteral("Content-Type: application/json\r\n") +
                QStringLiteral("Content-Length: %1\r\n\r\n").arg(body->size());
    } else {
        head += QStringLiteral("Content-Length: 0\r\n\r\n");
    }
    QByteArray bytes = head.toUtf8();
    if (body)
        bytes += *body;
    return bytes;
}

Response parseResponse(const QByteArray &raw) {
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0)
        throw failure("Invalid response from the voice engine.");
    Response response;
    response.body = raw.mid(end + 4);

    QStringDecoder decoder(QStringDecoder::Utf8);
    QString head = decoder(raw.left(end));
    if (decoder.hasError())
        head.clear();
    const QString statusLine = head.left(head.indexOf(QStringLiteral("\r\n")));
    const QStringList pieces = statusLine.split(u' ', Qt::SkipEmptyParts);
    response.status = pieces.size() < 2 ? 0 : parseStatus(pieces[1]);
    return response;
}

Response send(const QString &socketPath, const QString &method, const QString &path,
              const std::optional<QByteArray> &body, Patience patience) {
    // Close-on-exec so that an engine launched while a request is open cannot inherit it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw failure("Could not open the voice engine socket.");
    const SocketHandle socket(fd);

    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const QByteArray pathBytes = socketPath.toUtf8();
    if (pathBytes.size() > maxSocketPathBytes)
        throw failure("Voice engine socket path is too long.");
    std::memcpy(address.sun_path, pathBytes.constData(), size_t(pathBytes.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        throw failure("Voice engine is not running yet.");

    const QByteArray out = requestBytes(method, path, body);
    qsizetype offset = 0;
    while (offset < out.size()) {
        // MSG_NOSIGNAL: an engine that hangs up early must fail the request, not kill the app
        // with SIGPIPE.
        const ssize_t sent =
                ::send(fd, out.constData() + offset, size_t(out.size() - offset), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            throw failure("Could not talk to the voice engine.");
        offset += sent;
    }

    // The answer ends when the engine closes the connection; Content-Length is not consulted.
    QByteArray in;
    std::array<char, 16384> chunk;
    for (;;) {
        const auto wait = in.isEmpty() ? patience.firstByte : patience.midAnswer;
        if (wait && !waitForData(fd, *wait))
            throw failure("The voice engine stopped answering.");
        const ssize_t received = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0)
            throw failure("Lost the voice engine connection.");
        if (received == 0)
            break;
        in.append(chunk.data(), received);
    }
    return parseResponse(in);
}

QCoro::Task<Response> request(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body, Patience patience) {
    QCoro::Task<Response> exchange = onExchangeThread<Response>(
            [socketPath, method, path, body = std::move(body), patience] {
                return send(socketPath, method, path, body, patience);
            });
    co_return co_await std::move(exchange);
}

QJsonObject decodeJson(const Response &response) {
    const QJsonDocument document = QJsonDocument::fromJson(response.body);
    const QJsonObject object = document.isObject() ? document.object() : QJsonObject();
    if (response.status < 400)
        return object;
    if (const QJsonValue detail = object.value(QStringLiteral("detail")); detail.isString())
        throw ChoraleError::engineUnavailable(detail.toString());
    if (const QJsonValue error = object.value(QStringLiteral("error")); error.isString())
        throw ChoraleError::engineUnavailable(error.toString());
    throw ChoraleError::engineUnavailable(QStringLiteral("HTTP %1").arg(response.status));
}

QCoro::Task<QJsonObject> json(QString socketPath, QString method, QString path,
                              std::optional<QByteArray> body, Patience patience) {
    QCoro::Task<QJsonObject> exchange = onExchangeThread<QJsonObject>(
            [socketPath, method, path, body = std::move(body), patience] {
                return decodeJson(send(socketPath, method, path, body, patience));
            });
    co_return co_await std::move(exchange);
}

} // namespace chorale::UnixHttpClient
