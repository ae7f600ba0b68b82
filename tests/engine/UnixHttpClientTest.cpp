// SPDX-License-Identifier: GPL-3.0-or-later
// The engine transport against real Unix sockets: the exact bytes of a request, the socket-path
// limit, reading until the engine hangs up, status-line parsing, the JSON layer's error texts,
// and every transport failure the user can see.
#include "engine/UnixHttpClient.h"

#include "RawSocketServer.h"
#include "WaitForTask.h"
#include "model/ChoraleError.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>
#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

using namespace chorale;
using namespace chorale::test;
using namespace std::chrono_literals;

namespace {

// What a call threw, or std::nullopt when it returned.
template <typename Call>
std::optional<ChoraleError> failureOf(Call call) {
    try {
        call();
    } catch (const ChoraleError &error) {
        return error;
    }
    return std::nullopt;
}

class UnixHttpClientTest : public ::testing::Test {
protected:
    QString socketPath() const { return dir.path() + QStringLiteral("/engine.sock"); }

    QTemporaryDir dir;
};

TEST_F(UnixHttpClientTest, WritesExactlyTheRequestBytes) {
    struct Case {
        const char *method;
        QString path;
        std::optional<QByteArray> body;
        QByteArray expected;
    };
    const QByteArray json = QStringLiteral(R"({"text":"Grüße"})").toUtf8();
    const Case cases[] = {
            {"GET", "health", std::nullopt,
             "GET /health HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
             "Content-Length: 0\r\n\r\n"},
            {"GET", "/status", std::nullopt,
             "GET /status HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
             "Content-Length: 0\r\n\r\n"},
            {"POST", "/prepare", std::nullopt,
             "POST /prepare HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
             "Content-Length: 0\r\n\r\n"},
            // The length counts UTF-8 bytes, not characters.
            {"POST", "/tts", json,
             "POST /tts HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
             "Content-Type: application/json\r\nContent-Length: 18\r\n\r\n" +
                     json},
            // A present but empty body is still a JSON body.
            {"POST", "convert", QByteArray(),
             "POST /convert HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
             "Content-Type: application/json\r\nContent-Length: 0\r\n\r\n"},
    };
    RawSocketServer server(socketPath(), RawSocketServer::replying("HTTP/1.1 200 OK\r\n\r\n"));
    for (const Case &c : cases) {
        UnixHttpClient::send(socketPath(), QString::fromLatin1(c.method), c.path, c.body);
        EXPECT_EQ(server.requests().last(), c.expected) << c.path.toStdString();
    }
}

TEST_F(UnixHttpClientTest, ParsesTheStatusLineAndKeepsEveryByteAfterTheHead) {
    struct Case {
        QByteArray raw;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
            {"HTTP/1.1 200 OK\r\n\r\n", 200, ""},
            {"HTTP/1.1 422 Unprocessable Entity\r\nContent-Length: 2\r\n\r\n{}", 422, "{}"},
            {"HTTP/1.1   503    Busy\r\n\r\nx", 503, "x"},
            // Content-Length is not consulted: the body runs to the end.
            {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}\r\n\r\nmore", 200, "{}\r\n\r\nmore"},
            {"HTTP/1.1\r\n\r\n{\"ok\":true}", 0, "{\"ok\":true}"},
            {"HTTP/1.1 OK 200\r\n\r\n", 0, ""},
            {"HTTP/1.1 2OO OK\r\n\r\n", 0, ""},
            {"HTTP/1.1 99999999999 OK\r\n\r\n", 0, ""},
            {"\r\n\r\nbody", 0, "body"},
            {"HTTP/1.1 200 \xff\xfe\r\n\r\nbody", 0, "body"}, // undecodable head
    };
    for (const Case &c : cases) {
        const auto response = UnixHttpClient::parseResponse(c.raw);
        EXPECT_EQ(response.status, c.status) << c.raw.toStdString();
        EXPECT_EQ(response.body, c.body) << c.raw.toStdString();
    }
    for (const QByteArray &raw : {QByteArray(), QByteArray("HTTP/1.1 200 OK\r\n{\"ok\":true}"),
                                  QByteArray("HTTP/1.1 200 OK\n\n{}")}) {
        const auto error = failureOf([&] { UnixHttpClient::parseResponse(raw); });
        ASSERT_TRUE(error) << raw.toStdString();
        EXPECT_EQ(error->message(), "Invalid response from the voice engine.");
    }
}

TEST_F(UnixHttpClientTest, DecodesJsonAndTurnsErrorStatusesIntoMessages) {
    struct Case {
        int status;
        QByteArray body;
        QByteArray expectedJson; // the map returned, when no error
        const char *error;       // the message thrown, or nullptr
    };
    const Case cases[] = {
            {200, "", "{}", nullptr},
            {200, "not json", "{}", nullptr},
            {200, "[1,2]", "{}", nullptr},
            {200, "42", "{}", nullptr},
            {0, R"({"ok":true})", R"({"ok":true})", nullptr}, // unreadable status is success
            {399, R"({"detail":"fine"})", R"({"detail":"fine"})", nullptr},
            // Chunk-size lines stay in the body, so it does not parse.
            {200, "b\r\n{\"ok\":true}\r\n0\r\n\r\n", "{}", nullptr},
            {422, R"({"detail":"Reference clip is too short"})", "", "Reference clip is too short"},
            {500, R"({"error":"Model crashed"})", "", "Model crashed"},
            {500, R"({"error":"second","detail":"first"})", "", "first"},
            {503, R"({"detail":5})", "", "HTTP 503"},
            {500, R"({"detail":null,"error":["x"]})", "", "HTTP 500"},
            {400, "", "", "HTTP 400"},
            {404, "[\"detail\"]", "", "HTTP 404"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const UnixHttpClient::Response response{c.status, c.body};
        if (!c.error) {
            EXPECT_EQ(UnixHttpClient::decodeJson(response),
                      QJsonDocument::fromJson(c.expectedJson).object());
            continue;
        }
        const auto error = failureOf([&] { UnixHttpClient::decodeJson(response); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
        EXPECT_EQ(error->message(), QString::fromUtf8(c.error));
    }
}

TEST_F(UnixHttpClientTest, AcceptsSocketPathsUpTo103Bytes) {
    // Pad a path inside the temporary folder to an exact UTF-8 length.
    const auto pathOfLength = [&](int bytes, const QString &stem) {
        const QString base = dir.path() + u'/' + stem;
        return base + QString(bytes - int(base.toUtf8().size()), u'x');
    };
    const QString longest = pathOfLength(103, QStringLiteral("s"));
    ASSERT_EQ(longest.toUtf8().size(), 103);
    {
        RawSocketServer server(longest, RawSocketServer::replying("HTTP/1.1 204 No\r\n\r\n"));
        EXPECT_EQ(UnixHttpClient::send(longest, "GET", "/health").status, 204);
    }
    // Without a listener the 103-byte path gets as far as connecting.
    auto error = failureOf([&] { UnixHttpClient::send(longest, "GET", "/health"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "Voice engine is not running yet.");

    // 104 bytes, counted in UTF-8 ("é" is two bytes): refused before connecting.
    for (const QString &tooLong :
         {pathOfLength(104, QStringLiteral("s")), pathOfLength(104, QStringLiteral("é"))}) {
        ASSERT_EQ(tooLong.toUtf8().size(), 104);
        error = failureOf([&] { UnixHttpClient::send(tooLong, "GET", "/health"); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
        EXPECT_EQ(error->message(), "Voice engine socket path is too long.");
    }
}

TEST_F(UnixHttpClientTest, ReadsUntilTheEngineHangsUp) {
    // A large answer written in small pieces with pauses, and a Content-Length that lies.
    QByteArray body(100'000, 'a');
    body = "{\"text\":\"" + body + "\"}";
    RawSocketServer server(socketPath(), [&](RawSocketServer &s, int fd) {
        s.readRequest(fd);
        const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n" + body;
        for (qsizetype offset = 0; offset < response.size(); offset += 7000) {
            RawSocketServer::writeAll(fd, response.mid(offset, 7000));
            std::this_thread::sleep_for(2ms);
        }
    });
    const auto response = UnixHttpClient::send(socketPath(), "GET", "/status");
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, body);
}

TEST_F(UnixHttpClientTest, ReportsEachTransportFailure) {
    struct Case {
        const char *name;
        RawSocketServer::Handler handler;
        std::optional<QByteArray> body;
        const char *message;
    };
    const Case cases[] = {
            {"closes without a byte", [](RawSocketServer &s, int fd) { s.readRequest(fd); },
             std::nullopt, "Invalid response from the voice engine."},
            {"no blank line after the head",
             RawSocketServer::replying("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n{}"), std::nullopt,
             "Invalid response from the voice engine."},
            // Hanging up with the request unread resets the connection under the reader.
            {"resets the connection",
             [](RawSocketServer &, int) { std::this_thread::sleep_for(100ms); }, std::nullopt,
             "Lost the voice engine connection."},
            // A request far larger than the socket buffer meets a closed peer while sending
            // (and must not kill the process with SIGPIPE).
            {"hangs up while the request is written", [](RawSocketServer &, int) {},
             QByteArray(8 << 20, ' '), "Could not talk to the voice engine."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RawSocketServer server(socketPath(), c.handler);
        const auto error =
                failureOf([&] { UnixHttpClient::send(socketPath(), "POST", "/convert", c.body); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
        EXPECT_EQ(error->message(), QString::fromUtf8(c.message));
    }

    const auto error = failureOf(
            [&] { UnixHttpClient::send(dir.path() + "/missing.sock", "GET", "/health"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "Voice engine is not running yet.");
}

// An engine that falls silent: a poll it leaves unanswered, or an answer that stops half way,
// fails once the patience runs out; work whose answer simply comes late is waited for.
TEST_F(UnixHttpClientTest, GivesUpOnAnEngineThatFallsSilent) {
    const UnixHttpClient::Patience poll{100ms, 100ms};
    const UnixHttpClient::Patience work{std::nullopt, 100ms};
    struct Case {
        const char *name;
        QByteArray first, rest; // written before and after a 400 ms pause
        UnixHttpClient::Patience patience;
        bool fails;
    };
    const Case cases[] = {
            {"poll left unanswered", "", "HTTP/1.1 200 OK\r\n\r\n{}", poll, true},
            {"answer stops half way", "HTTP/1.1 200 OK\r\n\r\n{\"ok\"", ": true}", work, true},
            {"work answered late", "", "HTTP/1.1 200 OK\r\n\r\n{\"ok\": true}", work, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RawSocketServer server(socketPath(), [&](RawSocketServer &s, int fd) {
            s.readRequest(fd);
            RawSocketServer::writeAll(fd, c.first);
            std::this_thread::sleep_for(400ms);
            RawSocketServer::writeAll(fd, c.rest);
        });
        const auto error = failureOf([&] {
            UnixHttpClient::send(socketPath(), "POST", "/convert", std::nullopt, c.patience);
        });
        ASSERT_EQ(error.has_value(), c.fails);
        if (error) {
            EXPECT_EQ(error->message(), "The voice engine stopped answering.");
        }
    }
}

// One slow exchange must not hold up another, and both callers resume on the main thread.
TEST_F(UnixHttpClientTest, RequestsRunOffTheMainThreadSideBySide) {
    RawSocketServer server(socketPath(), [](RawSocketServer &s, int fd) {
        const QByteArray request = s.readRequest(fd);
        if (request.startsWith("POST /convert"))
            std::this_thread::sleep_for(300ms);
        RawSocketServer::writeAll(fd, "HTTP/1.1 200 OK\r\n\r\n{\"path\":\"" +
                                              request.split(' ').value(1) + "\"}");
    });
    QThread *const mainThread = QCoreApplication::instance()->thread();
    QStringList finished;
    const auto call = [&](QString method, QString path,
                          std::optional<QByteArray> body) -> QCoro::Task<> {
        const QJsonObject answer = co_await UnixHttpClient::json(socketPath(), method, path, body);
        EXPECT_EQ(QThread::currentThread(), mainThread);
        finished << answer.value("path").toString();
    };
    auto slow = call("POST", "/convert", QByteArray("{}"));
    auto fast = call("GET", "/progress", std::nullopt);
    waitForTask(std::move(slow));
    waitForTask(std::move(fast));
    EXPECT_EQ(finished, QStringList({"/progress", "/convert"}));
}

TEST_F(UnixHttpClientTest, JsonRejectsErrorStatusesFromTheEngine) {
    RawSocketServer server(socketPath(),
                           RawSocketServer::replying("HTTP/1.1 422 Unprocessable Entity\r\n"
                                                     "Content-Type: application/json\r\n\r\n"
                                                     R"({"detail":"Text is empty"})"));
    const auto error = failureOf([&] {
        waitForTask(UnixHttpClient::json(socketPath(), "POST", "/tts", QByteArray("{}")));
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), ChoraleError::Kind::engineUnavailable);
    EXPECT_EQ(error->message(), "Text is empty");
}

} // namespace
