#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <future>
#include <mutex>
#include <utility>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 in its own thread, so the control's synchronous requests
// can be answered while the test's thread waits in them. It records every request and answers
// each with the reply it was given.
class TestHttpServer final : public QThread {
public:
    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        std::vector<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray Header(const QByteArray& name) const;
    };
    struct Reply {
        QByteArray statusLine = "HTTP/1.1 200 OK";
        QByteArray contentType = "text/plain";
        QByteArray body;
        bool silent = false; // take the request and never answer
    };

    TestHttpServer();
    ~TestHttpServer() override;

    QString Url(const QString& path) const;
    void SetReply(const Reply& reply);
    std::vector<Request> Requests() const;

protected:
    void run() override;

private:
    QByteArray Answer(const QByteArray& received);

    std::promise<quint16> listening;
    mutable std::mutex mutex;
    Reply reply;
    std::vector<Request> requests;
    quint16 port = 0;
};
