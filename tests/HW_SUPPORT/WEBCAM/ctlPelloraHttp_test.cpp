#include "PelloraTestHelpers.h"
#include "TempFolderFiles.h"
#include "TestHttpServer.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QUuid>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pellora_test;

namespace {

const QString kStill = QStringLiteral("Ann_0007.jpg");

QByteArray Png(int width, int height, Qt::GlobalColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A port on 127.0.0.1 that refuses every connection while the object lives: bound but never
// listening, so no other test's server can take it meanwhile, as it could a port let go.
class ClosedPort final {
public:
    ClosedPort() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot bind a port on 127.0.0.1";
        }
        m_port = ntohs(address.sin_port);
    }
    ~ClosedPort() {
        if (m_socket >= 0) {
            ::close(m_socket);
        }
    }
    Q_DISABLE_COPY_MOVE(ClosedPort)

    QString Url(const char* path) const {
        return u"http://127.0.0.1:" % QString::number(m_port) % QString::fromLatin1(path);
    }

private:
    int m_socket = -1;
    quint16 m_port = 0;
};

class ctlPelloraHttp : public ::testing::Test {
protected:
    void SetUp() override {
        control.show();
        ASSERT_EQ(control.InitControl(), u"");
    }

    QString CaptureAndUpload() {
        EXPECT_EQ(control.StartCapture(), u"");
        control.SetSaveImageFileName(kStill);
        return control.CaptureImage();
    }

    QPixmap Shown() const { return Picture(control, "imgDisplay")->pixmap(); }

    TestHttpServer server;
    ctlPellora control;
};

TEST_F(ctlPelloraHttp, UploadPostsTheStillWithTheExactQueryHeaderAndBody) {
    server.SetReply({"HTTP/1.1 200 OK", "text/plain", "OK_FILE_UPLOADED"});
    control.SetSaveImageServerPostUrl(server.Url(QStringLiteral("/upload")));
    control.SetSaveImageFileSavePath(QStringLiteral("photos/visitors"));
    EXPECT_EQ(CaptureAndUpload(), u"");

    const std::vector<TestHttpServer::Request> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1U);
    const TestHttpServer::Request& request = requests[0];
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_EQ(request.target,
              QByteArray("/upload?slots=1&FileName=Ann_0007.jpg&FileSavePath=photos/visitors"));
    EXPECT_EQ(request.Header("Content-Type"), QByteArray("multipart/form-data; boundary=Xu02=$"));
    EXPECT_TRUE(request.Header("Expect").isEmpty());

    const QByteArray still = ReadAll(TempPath(kStill));
    ASSERT_TRUE(still.startsWith("BM"));
    const QByteArray expected =
        "--Xu02=$\r\n"
        "Content-Disposition: form-data; name=\"upload1\"; filename=\"Ann_0007.jpg\" \r\n"
        "Content-type: file\r\n"
        "\r\n" +
        still + "\r\n--Xu02=$--";
    EXPECT_EQ(request.body.size(), expected.size());
    EXPECT_TRUE(request.body == expected) << "the body differs from the expected bytes";
}

TEST_F(ctlPelloraHttp, OnlyARepliesBeginningWithOkFileUploadedIsSuccess) {
    control.SetSaveImageServerPostUrl(server.Url(QStringLiteral("/upload")));
    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const struct {
        QByteArray reply;
        QString answer;
    } cases[] = {
        {"OK_FILE_UPLOADED", QString()},
        {"OK_FILE_UPLOADED as photos/Ann_0007.jpg", QString()},
        {"ok_file_uploaded " + token.toLatin1(), u"UPLOAD_FAILED: ok_file_uploaded " % token},
        {"DISK_FULL " + token.toLatin1(), u"UPLOAD_FAILED: DISK_FULL " % token},
        {"", QStringLiteral("UPLOAD_FAILED: ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.constData());
        server.SetReply({"HTTP/1.1 200 OK", "text/plain", c.reply});
        const QString logged = u"Error in UploadImageFile() - " % QString::fromLatin1(c.reply);
        const qsizetype before = CountLogLinesEndingWith(logged);
        EXPECT_EQ(CaptureAndUpload(), c.answer);
        if (!c.answer.isEmpty() && !c.reply.isEmpty()) {
            EXPECT_EQ(CountLogLinesEndingWith(logged), before + 1);
        }
    }
}

TEST_F(ctlPelloraHttp, UploadThatCannotBeSentAnswersWithTheDescriptionAndTheRequestUrl) {
    const ClosedPort refusing;
    const QString closed = refusing.Url("/upload");
    const struct { QString postUrl; } cases[] = {{QString()}, {closed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.postUrl.toStdString());
        control.SetSaveImageServerPostUrl(c.postUrl);
        const QString requestUrl = c.postUrl % u"?slots=1&FileName=Ann_0007.jpg&FileSavePath=";
        const QString answer = CaptureAndUpload();
        const QString suffix = u" (" % requestUrl % u")";
        ASSERT_TRUE(answer.endsWith(suffix)) << answer.toStdString();
        const QString description = answer.chopped(suffix.size());
        EXPECT_FALSE(description.isEmpty());
        EXPECT_GE(CountLogLinesEndingWith(u"Error in UploadFiles() - " % description), 1);
        // the still is kept and shown although the upload failed
        EXPECT_TRUE(QFile::exists(TempPath(kStill)));
        EXPECT_FALSE(Shown().isNull());
    }
}

TEST_F(ctlPelloraHttp, ShowImageShowsAnImageOnlyWhenTheReasonPhraseIsOk) {
    const QByteArray image = Png(40, 30, Qt::blue);
    const struct {
        QByteArray statusLine;
        bool shown;
        const char* logged; // nullptr: nothing logged
    } cases[] = {
        {"HTTP/1.1 200 OK", true, nullptr},
        {"HTTP/1.1 200 ok", true, nullptr},
        {"HTTP/1.1 201 Ok", true, nullptr},
        {"HTTP/1.1 200", true, nullptr},
        {"HTTP/1.1 404 Not Found", false, "DisplayImageFile() failed with status: 404 (Not Found)"},
        {"HTTP/1.1 200 Fine", false, "DisplayImageFile() failed with status: 200 (Fine)"},
    };
    control.SetShowImageServerGetUrl(server.Url(QStringLiteral("/visitor.png")));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLine.constData());
        control.ClearImage();
        Picture(control, "imgDisplay")->setPixmap(QPixmap(5, 5)); // something to be cleared
        server.SetReply({c.statusLine, "image/png", image});
        const qsizetype before =
            c.logged != nullptr ? CountLogLinesEndingWith(QString::fromLatin1(c.logged)) : 0;
        EXPECT_EQ(control.ShowImage(), u"");
        EXPECT_EQ(ShownChildren(control), u"imgDisplay");
        if (c.shown) {
            EXPECT_EQ(Shown().size(), QSize(40, 30));
            EXPECT_EQ(ReadAll(TempPath(QStringLiteral("__XPLR_TempGetFile"))), image);
            // The temporary folder is shared by every user of the workstation.
            EXPECT_EQ(
                temp_folder_files::PermissionBits(TempPath(QStringLiteral("__XPLR_TempGetFile"))),
                0600);
        } else {
            EXPECT_TRUE(Shown().isNull());
            EXPECT_EQ(CountLogLinesEndingWith(QString::fromLatin1(c.logged)), before + 1);
        }
    }
    EXPECT_EQ(server.Requests().back().method, QByteArray("GET"));
    EXPECT_EQ(server.Requests().back().target, QByteArray("/visitor.png"));
}

TEST_F(ctlPelloraHttp, DownloadFileIsTruncatedBeforeANewImageIsWritten) {
    control.SetShowImageServerGetUrl(server.Url(QStringLiteral("/big.png")));
    server.SetReply(
        {"HTTP/1.1 200 OK", "image/png", Png(400, 300, Qt::white) + QByteArray(5000, 'x')});
    control.ShowImage();
    const QByteArray small = Png(8, 6, Qt::red);
    server.SetReply({"HTTP/1.1 200 OK", "image/png", small});
    control.ShowImage();
    EXPECT_EQ(ReadAll(TempPath(QStringLiteral("__XPLR_TempGetFile"))), small);
    EXPECT_EQ(Shown().size(), QSize(8, 6));
}

TEST_F(ctlPelloraHttp, ShowImagePrefersTheShowUrlThenTheNoImageUrl) {
    server.SetReply({"HTTP/1.1 200 OK", "image/png", Png(4, 4, Qt::green)});
    EXPECT_EQ(control.ShowImage(),
              u"Cannot ShowImage; both ShowImage and NoImage Get Urls are empty!");
    EXPECT_TRUE(server.Requests().empty());

    control.SetNoImageServerGetUrl(server.Url(QStringLiteral("/none.png")));
    EXPECT_EQ(control.ShowImage(), u"");
    control.SetShowImageServerGetUrl(server.Url(QStringLiteral("/show.png")));
    EXPECT_EQ(control.ShowImage(), u"");
    control.ClearImage(); // fetches the placeholder

    const std::vector<TestHttpServer::Request> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3U);
    EXPECT_EQ(requests[0].target, QByteArray("/none.png"));
    EXPECT_EQ(requests[1].target, QByteArray("/show.png"));
    EXPECT_EQ(requests[2].target, QByteArray("/none.png"));
    EXPECT_EQ(Shown().size(), QSize(4, 4));
}

TEST_F(ctlPelloraHttp, FailedDownloadsAreLoggedWithTheUrlAndRaiseNothing) {
    const ClosedPort refusing;
    const QString closed = refusing.Url("/x.png");
    const QString notAnImage = server.Url(QStringLiteral("/page.html"));
    server.SetReply({"HTTP/1.1 200 OK", "text/html", "<html></html>"});
    const struct {
        QString url;
        QString logPrefix;
    } cases[] = {
        {closed, u"Error in DisplayImageFile() - " % closed % u" - "},
        {notAnImage, u"Error in DisplayImageFile() - " % notAnImage % u" - Invalid picture"},
        {QStringLiteral("file:///etc/hostname"),
         QStringLiteral("Error in DisplayImageFile() - file:///etc/hostname - ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        control.SetNoImageServerGetUrl(c.url);
        EXPECT_NO_THROW(control.ClearImage());
        qsizetype found = 0;
        for (const QString& line : LogLines()) {
            found += line.contains(c.logPrefix) ? 1 : 0;
        }
        EXPECT_GE(found, 1);
        EXPECT_TRUE(Shown().isNull());
    }
}

} // namespace
