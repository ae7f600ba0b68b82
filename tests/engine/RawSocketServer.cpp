// SPDX-License-Identifier: GPL-3.0-or-later
#include "RawSocketServer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace chorale::test {

RawSocketServer::RawSocketServer(const QString &path, Handler handler)
    : m_path(path)
    , m_handler(std::move(handler)) {
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toUtf8();
    if (size_t(bytes.size()) >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long for a test server");
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    ::unlink(bytes.constData());
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0) {
        throw std::runtime_error("cannot listen on " + bytes.toStdString());
    }
    m_acceptor = std::thread([this] {
        for (;;) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return; // shut down
            std::lock_guard lock(m_mutex);
            m_connections.emplace_back([this, fd] {
                m_handler(*this, fd);
                ::close(fd);
            });
        }
    });
}

RawSocketServer::~RawSocketServer() {
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_mutex);
        connections.swap(m_connections);
    }
    for (auto &t : connections)
        t.join();
    ::unlink(m_path.toUtf8().constData());
}

RawSocketServer::Handler RawSocketServer::replying(const QByteArray &response) {
    return [response](RawSocketServer &server, int fd) {
        server.readRequest(fd);
        writeAll(fd, response);
    };
}

QByteArray RawSocketServer::readRequest(int fd) {
    QByteArray request;
    char buffer[4096];
    qsizetype expected = -1;
    while (expected < 0 || request.size() < expected) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        if (expected < 0 && headEnd >= 0) {
            qsizetype length = 0;
            for (const QByteArray &line : request.left(headEnd).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            expected = headEnd + 4 + length;
        }
    }
    std::lock_guard lock(m_mutex);
    m_requests << request;
    return request;
}

void RawSocketServer::writeAll(int fd, const QByteArray &bytes) {
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        const ssize_t n =
                ::send(fd, bytes.constData() + offset, size_t(bytes.size() - offset), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        offset += n;
    }
}

QList<QByteArray> RawSocketServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace chorale::test
