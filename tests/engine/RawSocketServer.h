// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace chorale::test {

// A Unix-socket server on its own threads whose every byte the test decides: it hands each
// accepted connection to `handler`, which may read, write, stall or hang up as it likes.
class RawSocketServer {
public:
    using Handler = std::function<void(RawSocketServer &server, int fd)>;

    RawSocketServer(const QString &path, Handler handler);
    ~RawSocketServer();
    RawSocketServer(const RawSocketServer &) = delete;
    RawSocketServer &operator=(const RawSocketServer &) = delete;

    // Answers every request with `response`, then closes the connection.
    static Handler replying(const QByteArray &response);

    // Reads one request (head and Content-Length body) and records it.
    QByteArray readRequest(int fd);
    static void writeAll(int fd, const QByteArray &bytes);

    QList<QByteArray> requests() const;

private:
    QString m_path;
    Handler m_handler;
    int m_listener = -1;
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_connections;
    QList<QByteArray> m_requests;
};

} // namespace chorale::test
