#include "PelloraMultipartBody.h"

#include <gtest/gtest.h>

namespace {

struct BodyCase {
    const char* title;
    std::vector<PelloraMultipartBody::File> files;
    QByteArray expected;
};

const QByteArray kBinary("\x00\xff\r\n--Xu02=$\x7f", 13);

std::vector<BodyCase> Cases() {
    return {
        {"one file",
         {{QStringLiteral("x.jpg"), QByteArray("BM")}},
         QByteArray("--Xu02=$\r\n"
                    "Content-Disposition: form-data; name=\"upload1\"; filename=\"x.jpg\" \r\n"
                    "Content-type: file\r\n\r\n"
                    "BM\r\n"
                    "--Xu02=$--")},
        {"two files, the second part opens after the boundary",
         {{QStringLiteral("a.jpg"), QByteArray("A")}, {QStringLiteral("b.jpg"), QByteArray("B")}},
         QByteArray("--Xu02=$\r\n"
                    "Content-Disposition: form-data; name=\"upload1\"; filename=\"a.jpg\" \r\n"
                    "Content-type: file\r\n\r\n"
                    "A\r\n"
                    "--Xu02=$\r\n"
                    "Content-Disposition: form-data; name=\"upload2\"; filename=\"b.jpg\" \r\n"
                    "Content-type: file\r\n\r\n"
                    "B\r\n"
                    "--Xu02=$--")},
        {"file bytes pass unchanged",
         {{QStringLiteral("bin.jpg"), kBinary}},
         QByteArray("--Xu02=$\r\n"
                    "Content-Disposition: form-data; name=\"upload1\"; filename=\"bin.jpg\" \r\n"
                    "Content-type: file\r\n\r\n") +
             kBinary + QByteArray("\r\n--Xu02=$--")},
        {"names go as Latin-1, other characters as ?",
         {{QStringLiteral(u"Zo\u00eb \u0141_0001.jpg"), QByteArray()}},
         QByteArray(
             "--Xu02=$\r\n"
             "Content-Disposition: form-data; name=\"upload1\"; filename=\"Zo\xeb ?_0001.jpg\" "
             "\r\nContent-type: file\r\n\r\n"
             "\r\n--Xu02=$--")},
    };
}

TEST(PelloraMultipartBody, BuildsTheFormByteForByte) {
    for (const BodyCase& c : Cases()) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(PelloraMultipartBody::Build(c.files), c.expected);
    }
}

TEST(PelloraMultipartBody, ContentTypeNamesTheBoundary) {
    EXPECT_EQ(PelloraMultipartBody::ContentType(),
              QByteArray("multipart/form-data; boundary=Xu02=$"));
}

} // namespace
