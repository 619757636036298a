#include "TestHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <optional>

namespace {

// A complete request in `buffer`, or nothing yet.
std::optional<TestHttpServer::Request> Parse(const QByteArray& buffer) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        return std::nullopt;
    }
    TestHttpServer::Request request;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        const QByteArray name = lines[i].left(colon).trimmed();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        request.headers.emplace_back(name, value);
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            length = value.toLongLong();
        }
    }
    if (buffer.size() < end + 4 + length) {
        return std::nullopt;
    }
    request.body = buffer.mid(end + 4, length);
    return request;
}

} // namespace

QByteArray TestHttpServer::Request::Header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return QByteArray();
}

TestHttpServer::TestHttpServer() {
    std::future<quint16> bound = listening.get_future();
    start();
    port = bound.get();
}

TestHttpServer::~TestHttpServer() {
    quit();
    wait();
}

QString TestHttpServer::Url(const QString& path) const {
    return u"http://127.0.0.1:" % QString::number(port) % path;
}

void TestHttpServer::SetReply(const Reply& next) {
    std::lock_guard lock(mutex);
    reply = next;
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex);
    return requests;
}

void TestHttpServer::run() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                const QByteArray answer = Answer(*buffer);
                if (!answer.isEmpty()) {
                    socket->write(answer);
                    socket->disconnectFromHost();
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    listening.set_value(server.serverPort());
    exec();
}

QByteArray TestHttpServer::Answer(const QByteArray& received) {
    const std::optional<Request> request = Parse(received);
    if (!request) {
        return QByteArray();
    }
    std::lock_guard lock(mutex);
    requests.push_back(*request);
    if (reply.silent) {
        return QByteArray();
    }
    return reply.statusLine + "\r\nContent-Type: " + reply.contentType +
           "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
           "\r\nConnection: close\r\n\r\n" + reply.body;
}
