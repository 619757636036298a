#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/ComponentLoader.h"
#include "core/CoreError.h"
#include "core/CryptService.h"
#include "core/Settings.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString InvalidPassword = QStringLiteral("ERROR: INVALID PASSWORD!");

QString Reversed(const QString& text) {
    QString result;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        result.append(text.at(i));
    }
    return result;
}

class CryptServiceTest : public ::testing::Test {
protected:
    TempProgramFolder folder;
    // The three pieces of the decryption code, as they join.
    QString piece2, piece4, piece6;
    // An installed enciphered value and its plain text.
    QString cipherText;
    const QString plainText = QStringLiteral("support@quorvane.example");

    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)); });
        ReadInstalledPieces();
        QDomDocument config;
        QFile file(folder.ConfigFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && config.setContent(&file));
        cipherText = config.documentElement()
                         .firstChildElement(QStringLiteral("LC"))
                         .firstChildElement(QStringLiteral("EML"))
                         .text();
        ASSERT_FALSE(cipherText.isEmpty());
    }

    void ReadInstalledPieces() {
        QDomDocument tokens;
        QFile file(folder.TokenFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && tokens.setContent(&file));
        const QDomNodeList list = tokens.elementsByTagName(QStringLiteral("token"));
        for (int i = 0; i < list.size(); ++i) {
            const QDomElement token = list.at(i).toElement();
            const QString text = token.attribute(QStringLiteral("btype")).toLower() == u"true"
                                     ? Reversed(token.text())
                                     : token.text();
            const int id = token.attribute(QStringLiteral("id")).toInt();
            (id == 2 ? piece2 : id == 4 ? piece4 : id == 6 ? piece6 : dummy) = text;
        }
        ASSERT_FALSE(piece2.isEmpty() || piece4.isEmpty() || piece6.isEmpty());
    }

    void WriteTokens(const QString& body) const {
        folder.WriteFile(QStringLiteral("system/key.tokens.xml"),
                         (QStringLiteral("<?xml version=\"1.0\"?><KEYTOKENS>") + body +
                          QStringLiteral("</KEYTOKENS>"))
                             .toUtf8());
    }

    static QString Token(const QString& id, const QString& btype, const QString& text) {
        return QStringLiteral("<token id=\"") + id + QStringLiteral("\" btype=\"") + btype +
               QStringLiteral("\">") + text + QStringLiteral("</token>");
    }

    QString DecryptWithFreshService() const {
        CryptService crypt;
        crypt.Initialize();
        return crypt.Decrypt(cipherText);
    }

private:
    QString dummy;
};

TEST_F(CryptServiceTest, InstalledTokensDecipherTheConfiguration) {
    EXPECT_EQ(DecryptWithFreshService(), plainText);
    EXPECT_EQ(folder.LogText(), QString());
}

TEST_F(CryptServiceTest, TokenFiles) {
    const QString decoy = QStringLiteral("00000000-1111-2222-3333-444444444444=");
    struct Case {
        const char* what;
        QString body;
        bool deciphers;
    };
    const Case cases[] = {
        {"only 2, 4 and 6 count, in slot order",
         Token(QStringLiteral("6"), QStringLiteral("false"), piece6) +
             Token(QStringLiteral("7"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("1"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("4"), QStringLiteral("no"), piece4) +
             Token(QStringLiteral("3"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("0"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("10"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("5"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("2"), QStringLiteral(""), piece2),
         true},
        {"btype true in any letter case reverses",
         Token(QStringLiteral("2"), QStringLiteral("TRUE"), Reversed(piece2)) +
             Token(QStringLiteral("4"), QStringLiteral("TrUe"), Reversed(piece4)) +
             Token(QStringLiteral("6"), QStringLiteral("true"), Reversed(piece6)),
         true},
        {"other btype texts do not reverse",
         Token(QStringLiteral("2"), QStringLiteral("yes"), Reversed(piece2)) +
             Token(QStringLiteral("4"), QStringLiteral("false"), piece4) +
             Token(QStringLiteral("6"), QStringLiteral("false"), piece6),
         false},
        {"a later duplicate wins",
         Token(QStringLiteral("4"), QStringLiteral("false"), decoy) +
             Token(QStringLiteral("2"), QStringLiteral("false"), piece2) +
             Token(QStringLiteral("6"), QStringLiteral("false"), piece6) +
             Token(QStringLiteral("4"), QStringLiteral("false"), piece4),
         true},
        {"an earlier duplicate loses",
         Token(QStringLiteral("4"), QStringLiteral("false"), piece4) +
             Token(QStringLiteral("2"), QStringLiteral("false"), piece2) +
             Token(QStringLiteral("6"), QStringLiteral("false"), piece6) +
             Token(QStringLiteral("4"), QStringLiteral("false"), decoy),
         false},
        {"tokens at any depth",
         QStringLiteral("<a><b>") + Token(QStringLiteral("2"), QStringLiteral("false"), piece2) +
             QStringLiteral("</b>") + Token(QStringLiteral("4"), QStringLiteral("false"), piece4) +
             QStringLiteral("</a>") + Token(QStringLiteral("6"), QStringLiteral("false"), piece6),
         true},
        {"id with blanks and a sign",
         Token(QStringLiteral(" 2"), QStringLiteral("false"), piece2) +
             Token(QStringLiteral("+4"), QStringLiteral("false"), piece4) +
             Token(QStringLiteral("6 "), QStringLiteral("false"), piece6),
         true},
        // The platform's whole-number conversion takes any number and rounds half to even.
        {"ids written as other numbers",
         Token(QStringLiteral("2.0"), QStringLiteral("false"), piece2) +
             Token(QStringLiteral("4.5"), QStringLiteral("false"), piece4) +
             Token(QStringLiteral("5.5"), QStringLiteral("false"), piece6),
         true},
        {"ids that round to slots",
         Token(QStringLiteral("1.6"), QStringLiteral("false"), piece2) +
             Token(QStringLiteral("4e0"), QStringLiteral("false"), piece4) +
             Token(QStringLiteral("6.4"), QStringLiteral("false"), piece6) +
             Token(QStringLiteral("3.5"), QStringLiteral("false"), decoy),
         false},
    };
    for (const Case& c : cases) {
        WriteTokens(c.body);
        folder.ClearLog();
        const QString answer = DecryptWithFreshService();
        if (c.deciphers) {
            EXPECT_EQ(answer, plainText) << c.what;
        } else {
            EXPECT_EQ(answer, InvalidPassword) << c.what;
        }
        EXPECT_EQ(folder.LogText(), QString()) << c.what;
    }
}

TEST_F(CryptServiceTest, NoTokensLogDecPwdNotSet) {
    const char* files[] = {nullptr, "", "<KEYTOKENS/>", "not xml at all <", "<KEYTOKENS><token "};
    for (const char* content : files) {
        if (content == nullptr) {
            ASSERT_TRUE(folder.RemoveFile(QStringLiteral("system/key.tokens.xml")));
        } else {
            folder.WriteFile(QStringLiteral("system/key.tokens.xml"), QByteArray(content));
        }
        folder.ClearLog();
        CryptService first;
        first.Initialize();
        EXPECT_EQ(first.Decrypt(cipherText), InvalidPassword);
        CryptService second;
        second.Initialize();
        EXPECT_EQ(folder.LogLines(), QStringList(2, QStringLiteral("03:04:05\tCrypt.Initialize\t"
                                                                   "DEC_PWD_NOT_SET")))
            << (content ? content : "missing file");
    }
}

// The installed token file is about 2 KB; a huge one is not parsed at all.
TEST_F(CryptServiceTest, OversizedTokenFileYieldsNoTokens) {
    const QString good = Token(QStringLiteral("2"), QStringLiteral("false"), piece2) +
                         Token(QStringLiteral("4"), QStringLiteral("false"), piece4) +
                         Token(QStringLiteral("6"), QStringLiteral("false"), piece6);
    const QString head = QStringLiteral("<?xml version=\"1.0\"?><KEYTOKENS>") + good;
    const QString tail = QStringLiteral("</KEYTOKENS>");
    const qsizetype limit = 1024 * 1024;
    for (const qsizetype size : {limit, limit + 1}) {
        const QString comment = QStringLiteral("<!--") +
                                QString(size - head.size() - tail.size() - 7, u'x') +
                                QStringLiteral("-->");
        const QByteArray content = (head + comment + tail).toUtf8();
        ASSERT_EQ(content.size(), size);
        folder.WriteFile(QStringLiteral("system/key.tokens.xml"), content);
        folder.ClearLog();
        const bool withinLimit = size <= limit;
        EXPECT_EQ(DecryptWithFreshService(), withinLimit ? plainText : InvalidPassword) << size;
        EXPECT_EQ(folder.LogText().contains(QStringLiteral("DEC_PWD_NOT_SET")), !withinLimit)
            << size;
    }
}

TEST_F(CryptServiceTest, DeeplyNestedTokenFileYieldsNoTokens) {
    const QString good = Token(QStringLiteral("2"), QStringLiteral("false"), piece2) +
                         Token(QStringLiteral("4"), QStringLiteral("false"), piece4) +
                         Token(QStringLiteral("6"), QStringLiteral("false"), piece6);
    for (const int depth : {60, 140000}) {
        WriteTokens(good + QStringLiteral("<a>").repeated(depth) +
                    QStringLiteral("</a>").repeated(depth));
        EXPECT_EQ(DecryptWithFreshService(), depth == 60 ? plainText : InvalidPassword) << depth;
    }
}

TEST_F(CryptServiceTest, DecryptWithoutInitializePassesAnEmptyCode) {
    CryptService crypt;
    EXPECT_EQ(crypt.Decrypt(cipherText), InvalidPassword);
}

TEST_F(CryptServiceTest, EmptyTextStillGoesToTheComponent) {
    CryptService initialized;
    initialized.Initialize();
    EXPECT_EQ(initialized.Decrypt(QString()), QString());
    CryptService bare;
    EXPECT_EQ(bare.Decrypt(QString()), InvalidPassword);
}

TEST_F(CryptServiceTest, MalformedTokensReachTheCaller) {
    const QString good = Token(QStringLiteral("2"), QStringLiteral("false"), piece2);
    const QString bodies[] = {
        good + QStringLiteral("<token btype=\"false\">x</token>"),
        good + QStringLiteral("<token id=\"4\">x</token>"),
        good + Token(QStringLiteral("four"), QStringLiteral("false"), piece4),
        good + Token(QStringLiteral("70000"), QStringLiteral("false"), piece4),
        good + Token(QStringLiteral(""), QStringLiteral("false"), piece4),
        good + Token(QStringLiteral("32767.5"), QStringLiteral("false"), piece4),
        good + Token(QStringLiteral("inf"), QStringLiteral("false"), piece4),
        good + Token(QStringLiteral("nan"), QStringLiteral("false"), piece4),
    };
    for (const QString& body : bodies) {
        WriteTokens(body);
        CryptService crypt;
        EXPECT_THROW(crypt.Initialize(), CoreError) << body.toStdString();
        // The settings getters handle it as their own failure.
        Settings settings;
        folder.ClearLog();
        EXPECT_EQ(settings.GetDistributedPath(), QString());
        EXPECT_TRUE(folder.LogText().contains(QStringLiteral("\tGetDistributedPath\t")));
        EXPECT_TRUE(settings.IsAdRotateEnabled());
        EXPECT_THROW(settings.GetQuorvaneURL(), CoreError);
    }
}

TEST_F(CryptServiceTest, MissingComponentIsACreationError) {
    ASSERT_TRUE(QDir(folder.Path() + QStringLiteral("/components")).removeRecursively());
    EXPECT_EQ(ComponentLoader::FindPlugin(QStringLiteral(TESSVIK_CRYPTDATA_CLSID)), QString());
    CryptService crypt;
    crypt.Initialize();
    try {
        crypt.Decrypt(cipherText);
        ADD_FAILURE() << "no error";
    } catch (const CoreError& error) {
        EXPECT_TRUE(error.Description().contains(QStringLiteral(TESSVIK_CRYPTDATA_CLSID)));
        EXPECT_TRUE(error.Description().contains(QStringLiteral("not installed")));
    }
    Settings settings;
    folder.ClearLog();
    EXPECT_EQ(settings.GetDistributedPath(), QString());
    EXPECT_TRUE(folder.LogText().contains(QStringLiteral("\tGetDistributedPath\tCannot create")));
    EXPECT_TRUE(settings.IsScrollTextEnabled());
    EXPECT_THROW(settings.GetProductURL(), CoreError);
    // The plain database name needs no component.
    EXPECT_EQ(settings.GetDatabaseName(), QStringLiteral("quorvane.sys.qvd"));
}

TEST_F(CryptServiceTest, LoaderSkipsOtherFilesAndPluginsOfOtherClasses) {
    const QString components = folder.Path() + QStringLiteral("/components");
    folder.WriteFile(QStringLiteral("components/README"), "not a library");
    folder.WriteFile(QStringLiteral("components/broken.so"), "not a library either");
    const QString found = ComponentLoader::FindPlugin(QStringLiteral(TESSVIK_CRYPTDATA_CLSID));
    EXPECT_TRUE(found.startsWith(components)) << found.toStdString();
    EXPECT_EQ(ComponentLoader::FindPlugin(QStringLiteral("{00000000-0000-0000-0000-000000000000}")),
              QString());
    EXPECT_EQ(DecryptWithFreshService(), plainText);
}

} // namespace
