// CryptData and its access codes: the direction chosen by code A or code B, the texts that come
// back for everything else, the round trips the configuration values rely on, and the keyed hash.

#include "CryptAPI.h"
#include "CryptData.h"
#include "CryptInternalServer.h"
#include "EngineDefaultPassword.h"
#include "TessvikOracle.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace CryptAlgorithms;

class CryptInternalServerPrivateAccess {
public:
    static QString GetKeyPart(const CryptInternalServer& server, int number, bool reverse) {
        return server.GetKeyPart(number, reverse);
    }
    static QString ReverseText(const CryptInternalServer& server, const QString& text) {
        return server.ReverseText(text);
    }
};

namespace {
const QString kInvalid = QStringLiteral("ERROR: INVALID PASSWORD!");

QString codeA() {
    return CryptInternalServer().GetPrivateKey();
}
QString codeB() {
    return CryptInternalServer().GetPublicKey();
}

QString encipher(const QString& text) {
    return CryptData().GetCryptedText(text, codeA());
}
QString decipher(const QString& hex) {
    return CryptData().GetCryptedText(hex, codeB());
}

QString withoutTrailingSpaces(QString text) {
    while (text.endsWith(QLatin1Char(' '))) {
        text.chop(1);
    }
    return text;
}

// The scheme the stored values rely on: Base provider, MD5 of the default password, 40-bit RC4
// key with eleven zero bytes of salt, upper-case hex.
QString expectedCipher(const std::string& plain) {
    const auto key = oracle::deriveKey(false, CALG_MD5, CALG_RC4, EngineDefaultPassword());
    return QString::fromStdString(oracle::hexOf(oracle::rc4(key->bytes, oracle::bytesOf(plain))));
}
} // namespace

TEST(CryptInternalServer, CodesAreThreePiecesOfTheStoredForm) {
    const CryptInternalServer server;
    const QRegularExpression piece(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}=$"));
    for (int number = 1; number <= 8; ++number) {
        const QString part = CryptInternalServerPrivateAccess::GetKeyPart(server, number, false);
        EXPECT_TRUE(piece.match(part).hasMatch()) << number << qPrintable(part);
        EXPECT_EQ(CryptInternalServerPrivateAccess::GetKeyPart(server, number, true),
                  CryptInternalServerPrivateAccess::ReverseText(server, part));
    }
    for (const int number : {-1, 0, 9}) {
        EXPECT_EQ(CryptInternalServerPrivateAccess::GetKeyPart(server, number, false), QString());
    }
    auto part = [&server](int number, bool reverse) {
        return CryptInternalServerPrivateAccess::GetKeyPart(server, number, reverse);
    };
    EXPECT_EQ(server.GetPrivateKey(), part(1, true) + part(3, false) + part(5, false));
    EXPECT_EQ(server.GetPublicKey(), part(2, false) + part(4, true) + part(6, true));
    EXPECT_EQ(server.GetPrivateKey().size(), 111);
    EXPECT_EQ(server.GetPublicKey().size(), 111);
    EXPECT_NE(server.GetPrivateKey(), server.GetPublicKey());
    EXPECT_EQ(server.GetPrivateKey(), codeA());
    EXPECT_EQ(CryptInternalServerPrivateAccess::ReverseText(server, QStringLiteral("abc")),
              QStringLiteral("cba"));
    EXPECT_EQ(CryptInternalServerPrivateAccess::ReverseText(server, QString()), QString());
}

TEST(CryptData, AnythingButTheExactCodesIsRefused) {
    const QString b = codeB();
    const QVariant refused[] = {
        QVariant(),
        QVariant(QString()),
        QVariant(42),
        QVariant(b.toLower()),
        QVariant(b.toUpper() == b ? b.toLower() : b.toUpper()),
        QVariant(b.left(110)),
        QVariant(b + QLatin1Char(' ')),
        QVariant(b.toUtf8()),
        QVariant(QStringLiteral("anything")),
    };
    for (const QVariant& code : refused) {
        EXPECT_EQ(CryptData().GetCryptedText(QStringLiteral("616263"), code), kInvalid)
            << qPrintable(code.toString());
    }
}

TEST(CryptData, CodeAEnciphersWithTheStoredScheme) {
    EXPECT_EQ(encipher(QStringLiteral("abc")), expectedCipher("abc"));
    const QString value = QStringLiteral("https://support.quorvane.example/help?id=7");
    const QString cipher = encipher(value);
    EXPECT_EQ(cipher, expectedCipher(value.toStdString()));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2})+$")).match(cipher).hasMatch());
    EXPECT_EQ(cipher.size(), 2 * value.size());
    EXPECT_EQ(encipher(QString()), QString());
    // The same key for every value: no header, no IV.
    EXPECT_EQ(encipher(value), cipher);
}

TEST(CryptData, EveryPrintableTextUpToSixtyFourCharactersRoundTrips) {
    QString printable;
    for (char16_t c = 0x20; c <= 0x7E; ++c) {
        printable.append(QChar(c));
    }
    const QString a = codeA();
    const QString b = codeB();
    CryptData data;
    for (int length = 0; length <= 64; ++length) {
        for (qsizetype start = 0; start < printable.size(); ++start) {
            QString text;
            for (int i = 0; i < length; ++i) {
                text.append(printable.at((start + i) % printable.size()));
            }
            const QString cipher = data.GetCryptedText(text, a);
            ASSERT_FALSE(cipher.startsWith(QStringLiteral("ERROR"))) << qPrintable(text);
            ASSERT_EQ(data.GetCryptedText(cipher, b), withoutTrailingSpaces(text))
                << qPrintable(text);
        }
    }
}

TEST(CryptData, PlainTextLosesItsTrailingSpaces) {
    EXPECT_EQ(encipher(QStringLiteral("abc   ")), encipher(QStringLiteral("abc")));
    EXPECT_EQ(decipher(encipher(QStringLiteral("  abc   "))), QStringLiteral("  abc"));
    EXPECT_EQ(encipher(QStringLiteral("    ")), QString());
}

TEST(CryptData, CiphertextEndingInByte20DecryptsInFull) {
    // One key for every value, so the keystream is the ciphertext of a known text XOR that text.
    // Choose the last character so that its ciphertext byte is 0x20.
    const QByteArray known(64, 'A');
    const QByteArray stream = QByteArray::fromHex(encipher(QString::fromLatin1(known)).toLatin1());
    ASSERT_EQ(stream.size(), 64);
    int found = 0;
    for (int length = 1; length <= 64; ++length) {
        const int last = (static_cast<unsigned char>(stream.at(length - 1)) ^ 'A') ^ 0x20;
        if (last < 0x21 || last > 0x7E) {
            continue;
        }
        const QString text =
            QString(length - 1, QLatin1Char('A')) + QChar(static_cast<char16_t>(last));
        const QString cipher = encipher(text);
        ASSERT_TRUE(cipher.endsWith(QStringLiteral("20"))) << qPrintable(cipher);
        EXPECT_EQ(decipher(cipher), text);
        ++found;
    }
    EXPECT_GT(found, 0);
}

TEST(CryptData, LatinOneTextsRoundTripAndOthersBecomeQuestionMarks) {
    const QString latin = QString::fromUtf8("Caf\xC3\xA9 M\xC3\xBCller \xC2\xA9");
    EXPECT_EQ(decipher(encipher(latin)), latin);
    EXPECT_EQ(decipher(encipher(QString::fromUtf8("5 \xE2\x82\xAC"))), QStringLiteral("5 ?"));
}

TEST(CryptData, MalformedHexDecryptsToAnEmptyOrShortText) {
    EXPECT_EQ(decipher(QString()), QString());
    EXPECT_EQ(decipher(encipher(QStringLiteral("abc")).left(5)), QString());
    EXPECT_EQ(decipher(encipher(QStringLiteral("abcdef")).left(6)), QStringLiteral("abc"));
    EXPECT_EQ(decipher(encipher(QStringLiteral("abcdef")).toLower()), QStringLiteral("abcdef"));
}

TEST(CryptData, HashDataIsTheMd5OfTheTextAndTheDefaultPassword) {
    const oracle::Bytes password = EngineDefaultPassword();
    for (const std::string text : {"abc", "", "admin password"}) {
        const QString hash = CryptData().GetHashData(QString::fromStdString(text));
        EXPECT_EQ(hash, CryptData().GetHashData(QString::fromStdString(text)));
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(hash).hasMatch());
        oracle::Bytes keyed = oracle::bytesOf(text);
        keyed.insert(keyed.end(), password.begin(), password.end());
        EXPECT_EQ(hash, QString::fromStdString(oracle::hexOf(oracle::digest(CALG_MD5, keyed))));
        EXPECT_NE(hash, QString::fromStdString(
                            oracle::hexOf(oracle::digest(CALG_MD5, oracle::bytesOf(text)))));
    }
}
