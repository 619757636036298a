#include "PelloraHttpRequest.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(PelloraHttpRequest, ReadsStatusAndReasonPhrase) {
    TestHttpServer server;
    const struct {
        QByteArray statusLine;
        long status;
        const char* reason;
        bool ok;
    } cases[] = {
        {"HTTP/1.1 200 OK", 200, "OK", true},
        {"HTTP/1.1 200 ok", 200, "ok", true},
        {"HTTP/1.1 200", 200, "", true},
        {"HTTP/1.1 204 Ok", 204, "Ok", true},
        {"HTTP/1.1 404 Not Found", 404, "Not Found", false},
        {"HTTP/1.1 500 Internal Server Error", 500, "Internal Server Error", false},
        {"HTTP/1.0 200 Fine", 200, "Fine", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLine.constData());
        server.SetReply({c.statusLine, "text/plain", "body"});
        PelloraHttpRequest request;
        const PelloraHttpRequest::Reply reply = request.Get(server.Url(QStringLiteral("/")));
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.statusText, QString::fromLatin1(c.reason));
        EXPECT_EQ(reply.IsOk(), c.ok);
    }
}

TEST(PelloraHttpRequest, ServerThatNeverAnswersEndsInAnErrorWithinTheLimits) {
    TestHttpServer server;
    TestHttpServer::Reply silent;
    silent.silent = true;
    server.SetReply(silent);
    PelloraHttpRequest request;
    request.SetTimeouts(250ms, 250ms, 250ms, 250ms);
    EXPECT_THROW(request.Post(server.Url(QStringLiteral("/upload")), "body"), std::runtime_error);
    EXPECT_EQ(server.Requests().size(), 1U) << "the request was sent and then waited on";
}

TEST(PelloraHttpRequest, OnlyHttpAndHttpsAreFetched) {
    for (const char* url : {"file:///etc/hostname", "ftp://127.0.0.1/x", "", "?slots=1"}) {
        SCOPED_TRACE(url);
        PelloraHttpRequest request;
        EXPECT_THROW(request.Get(QString::fromLatin1(url)), std::runtime_error);
    }
}

TEST(PelloraHttpRequest, EscapesOnlyWhatCannotStandInAUrl) {
    const struct {
        QString url;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral("http://h/u?slots=1&FileName=Ann_0007.jpg&FileSavePath=C:/x%20y"),
         "http://h/u?slots=1&FileName=Ann_0007.jpg&FileSavePath=C:/x%20y"},
        {QStringLiteral("http://h/u?FileName=Ann Lee_0008.jpg"),
         "http://h/u?FileName=Ann%20Lee_0008.jpg"},
        {QStringLiteral(u"http://h/u?FileName=Zo\u00eb.jpg"), "http://h/u?FileName=Zo%C3%AB.jpg"},
        {QStringLiteral("http://h/u?p=a\\b\"c"), "http://h/u?p=a%5Cb%22c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        EXPECT_EQ(PelloraHttpRequest::EscapeUrl(c.url), c.expected);
    }
}

} // namespace
