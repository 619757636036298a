// The engine: its conversions and their array convention, hashing, and encryption and decryption
// for every provider, hash and cipher choice, including the failures the callers rely on.

#include "CryptAPI.h"
#include "CryptError.h"
#include "EngineDefaultPassword.h"
#include "TessvikOracle.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <string>

using namespace CryptAlgorithms;

class CryptAPIPrivateAccess {
public:
    static QString GetRandomData(CryptAPI& e, int length, bool truncate, bool hex) {
        return e.GetRandomData(length, truncate, hex);
    }
    static QString GetRandomText(CryptAPI& e, int length, bool alphanumeric) {
        return e.GetRandomText(length, alphanumeric);
    }
    static float GetRandomNumber(CryptAPI& e, float low, float high) {
        return e.GetRandomNumber(low, high);
    }
    static ByteArray GetDefaultPassword(const CryptAPI& e) { return e.GetDefaultPassword(); }
};

namespace {
ByteArray array(std::initializer_list<std::uint8_t> bytes) {
    return ByteArray(bytes);
}

// A text that may hold NUL characters.
QString utf16(const char16_t* units, qsizetype length) {
    return QString(reinterpret_cast<const QChar*>(units), length);
}

oracle::Bytes dataOf(const ByteArray& lenPlusOne) {
    return oracle::Bytes(lenPlusOne.begin(), lenPlusOne.end() - 1);
}

QString md5Hex(const std::string& text) {
    return QString::fromStdString(oracle::hexOf(oracle::digest(CALG_MD5, oracle::bytesOf(text))));
}
} // namespace

TEST(CryptAPIConversions, StringToByteArrayGivesTheLenPlusOneArray) {
    CryptAPI engine;
    EXPECT_EQ(engine.StringToByteArray(QStringLiteral("abc")), array({97, 98, 99, 0}));
    EXPECT_EQ(engine.StringToByteArray(QString()), array({0}));
    EXPECT_EQ(engine.StringToByteArray(QVariant(42)), array({'4', '2', 0}));
    // Latin-1 stands in for the ANSI code page; what it lacks becomes "?".
    EXPECT_EQ(engine.StringToByteArray(QString::fromUtf8("\xC3\xA9\xE2\x82\xAC")),
              array({0xE9, '?', 0}));
}

TEST(CryptAPIConversions, ConvertByteToHexReadsUpToTheLastElement) {
    CryptAPI engine;
    EXPECT_EQ(engine.ConvertByteToHex(engine.StringToByteArray(QStringLiteral("abc"))),
              QStringLiteral("616263"));
    EXPECT_EQ(engine.ConvertByteToHex(array({0x0A, 0xFF, 0x00, 0})), QStringLiteral("0AFF00"));
    EXPECT_EQ(engine.ConvertByteToHex(array({0})), QString());
}

TEST(CryptAPIConversions, ReadingAnArrayWithoutElementsRaises) {
    CryptAPI engine;
    EXPECT_THROW(engine.ConvertByteToHex(ByteArray()), CryptError);
    EXPECT_THROW(engine.ByteArrayToString(ByteArray()), CryptError);
    EXPECT_THROW(engine.setInputData(ByteArray()), CryptError);
    try {
        engine.ConvertByteToHex(ByteArray());
    } catch (const CryptError& error) {
        EXPECT_STREQ(error.what(), "Subscript out of range");
    }
}

TEST(CryptAPIConversions, ByteArrayToStringDropsOnlyTrailingSpaces) {
    CryptAPI engine;
    EXPECT_EQ(engine.ByteArrayToString(engine.StringToByteArray(QStringLiteral(" ab c  "))),
              QStringLiteral(" ab c"));
    EXPECT_EQ(engine.ByteArrayToString(array({'a', '\t', 0})), QStringLiteral("a\t"));
    EXPECT_EQ(engine.ByteArrayToString(array({'a', 0, 'b', 0xE9, 0})), utf16(u"a\0b\u00E9", 4));
    EXPECT_EQ(engine.ByteArrayToString(array({' ', ' ', 0})), QString());
}

TEST(CryptAPIConversions, ConvertStringFromHexDecodesPairs) {
    CryptAPI engine;
    struct Case {
        QString hex;
        QString text;
    };
    const Case cases[] = {
        {QStringLiteral("616"), QString()},
        {QStringLiteral("6162"), QStringLiteral("ab")},
        {QString(), QString()},
        {QStringLiteral("6a4B"), QStringLiteral("jK")},
        // A pair that is not hex reads as its leading hex digits.
        {QStringLiteral("4G41"), utf16(u"\u0004A", 2)},
        {QStringLiteral("zz41"), utf16(u"\0A", 2)},
        // Every decoded byte stays, trailing 0x20 included.
        {QStringLiteral("61622020"), QStringLiteral("ab  ")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine.ConvertStringFromHex(c.hex), c.text) << qPrintable(c.hex);
    }
}

TEST(CryptAPIConversions, ConvertStringToHexWritesUpperCaseDigits) {
    CryptAPI engine;
    const QString text = utf16(u"ab\u00FF\u0001 ", 5);
    EXPECT_EQ(engine.ConvertStringToHex(text, false), QStringLiteral("6162FF0120"));
    EXPECT_EQ(engine.ConvertStringToHex(text, true), QStringLiteral("6162FF0120"));
    EXPECT_EQ(engine.ConvertStringToHex(QString(), true), QString());
}

TEST(CryptAPIConversions, LongResultsGrowPastTheReservedBuffer) {
    CryptAPI engine;
    ByteArray bytes(60000, 0x20);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    bytes.push_back(0);
    const QString hex = engine.ConvertByteToHex(bytes);
    ASSERT_EQ(hex.size(), 120000);
    EXPECT_EQ(hex.left(6), QStringLiteral("000102"));
    EXPECT_EQ(engine.ConvertStringFromHex(hex).size(), 60000);
    EXPECT_EQ(engine.ConvertStringToHex(engine.ConvertStringFromHex(hex), true), hex);
}

TEST(CryptAPIHash, CreateHashOfAbcForEveryChoice) {
    struct Case {
        qint16 choice;
        const char* hex;
    };
    const Case cases[] = {
        {1, "900150983CD24FB0D6963F7D28E17F72"},
        {2, "A448017AAF21D8525FC10AE87AA6729D"},
        {3, "DA853B0D3F88D99B30283A69E6DED6BB"},
        {4, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {5, ""},
        {0, ""},
    };
    for (const Case& c : cases) {
        CryptAPI engine;
        EXPECT_EQ(engine.CreateHash(QStringLiteral("abc"), c.choice, true, false, false),
                  QLatin1String(c.hex))
            << c.choice;
        EXPECT_EQ(engine.CreateHash(QStringLiteral("abc"), c.choice, true, false, true),
                  QLatin1String(c.hex))
            << c.choice;
    }
}

TEST(CryptAPIHash, RawDigestLosesATrailingSpaceByte) {
    CryptAPI engine;
    const QString raw = engine.CreateHash(QStringLiteral("abc"), 1, false, false, false);
    EXPECT_EQ(engine.ConvertStringToHex(raw, true),
              QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    // Find a text whose MD5 digest ends in 0x20.
    for (int i = 0; i < 100000; ++i) {
        const std::string text = std::string("n").append(std::to_string(i));
        const oracle::Bytes digest = oracle::digest(CALG_MD5, oracle::bytesOf(text));
        if (digest.back() != 0x20) {
            continue;
        }
        const QString hashed =
            engine.CreateHash(QString::fromStdString(text), 1, false, false, false);
        EXPECT_LT(hashed.size(), 16);
        EXPECT_FALSE(hashed.endsWith(QLatin1Char(' ')));
        return;
    }
    FAIL() << "no digest ending in 0x20 found";
}

TEST(CryptAPIHash, AppendedPasswordIsTheDefaultWhateverTheFlag) {
    const std::string password = [] {
        const oracle::Bytes bytes = EngineDefaultPassword();
        return std::string(bytes.begin(), bytes.end());
    }();
    ASSERT_EQ(password.size(), 40u);
    CryptAPI engine;
    engine.setUseDefaultPWD(false);
    EXPECT_EQ(engine.CreateHash(QStringLiteral("abc"), 1, true, true, false),
              md5Hex(std::string("abc").append(password)));
    // Password keeps its one element: hashing does not adopt the default.
    EXPECT_EQ(engine.Password(), array({0}));
}

TEST(CryptAPIPassword, DefaultPasswordIsFortyPrintableCharacters) {
    CryptAPI engine;
    EXPECT_EQ(engine.Password(), array({0}));
    const ByteArray password = CryptAPIPrivateAccess::GetDefaultPassword(engine);
    ASSERT_EQ(password.size(), 41u);
    EXPECT_EQ(password.back(), 0);
    for (size_t i = 0; i < 40; ++i) {
        EXPECT_GE(password[i], 0x21);
        EXPECT_LE(password[i], 0x7E);
    }
    engine.setInputData(engine.StringToByteArray(QStringLiteral("text")));
    ASSERT_TRUE(engine.Encrypt(1, 1));
    EXPECT_EQ(engine.Password(), password);
}

TEST(CryptAPIPassword, WithoutTheDefaultTheEmptyPasswordKeysTheCipher) {
    CryptAPI engine;
    engine.setUseDefaultPWD(false);
    engine.setInputData(engine.StringToByteArray(QStringLiteral("plain text")));
    ASSERT_TRUE(engine.Encrypt(1, 1));
    EXPECT_EQ(engine.Password(), array({0}));
    const auto key = oracle::deriveKey(false, CALG_MD5, CALG_RC4, {});
    EXPECT_EQ(dataOf(engine.OutputData()), oracle::rc4(key->bytes, oracle::bytesOf("plain text")));
}

namespace {
struct CipherChoice {
    qint16 choice;
    std::uint32_t algorithm;
};
const CipherChoice kCipherChoices[] = {
    {1, CALG_RC4}, {2, CALG_RC2}, {3, CALG_DES}, {4, CALG_3DES}, {5, CALG_3DES_112}};
const std::pair<qint16, std::uint32_t> kHashChoices[] = {
    {1, CALG_MD5}, {2, CALG_MD4}, {3, CALG_MD2}, {4, CALG_SHA1}};
} // namespace

TEST(CryptAPICipher, EveryProviderHashAndCipherFollowsTheDerivationRules) {
    const oracle::Bytes password = EngineDefaultPassword();
    const std::string plain = "Configuration value, 31 bytes.";
    for (const bool enhanced : {false, true}) {
        for (const auto& [hashChoice, hashAlgorithm] : kHashChoices) {
            for (const CipherChoice& cipher : kCipherChoices) {
                SCOPED_TRACE(testing::Message() << "enhanced " << enhanced << " hash " << hashChoice
                                                << " cipher " << cipher.choice);
                CryptAPI engine;
                engine.setEnhancedProvider(enhanced);
                engine.setInputData(engine.StringToByteArray(QString::fromStdString(plain)));
                const auto key =
                    oracle::deriveKey(enhanced, hashAlgorithm, cipher.algorithm, password);
                const bool encrypted = engine.Encrypt(hashChoice, cipher.choice);
                ASSERT_EQ(encrypted, key.has_value());
                if (!encrypted) {
                    EXPECT_TRUE(engine.OutputData().empty());
                    continue;
                }
                const ByteArray output = engine.OutputData();
                ASSERT_EQ(dataOf(output),
                          oracle::encrypt(cipher.algorithm, *key, oracle::bytesOf(plain)));

                CryptAPI decrypter;
                decrypter.setEnhancedProvider(enhanced);
                decrypter.setInputData(output);
                ASSERT_TRUE(decrypter.Decrypt(hashChoice, cipher.choice));
                EXPECT_EQ(decrypter.ByteArrayToString(decrypter.OutputData()),
                          QString::fromStdString(plain));
            }
        }
    }
}

TEST(CryptAPICipher, ChoicesWithoutAnAlgorithmFail) {
    struct Case {
        bool enhanced;
        qint16 hash;
        qint16 cipher;
    };
    const Case cases[] = {{false, 1, 4}, {false, 1, 5}, {true, 0, 1},   {true, 5, 1},
                          {true, 1, 0},  {true, 1, 6},  {false, -1, -1}};
    for (const Case& c : cases) {
        CryptAPI engine;
        engine.setEnhancedProvider(c.enhanced);
        engine.setInputData(engine.StringToByteArray(QStringLiteral("some text")));
        EXPECT_FALSE(engine.Encrypt(c.hash, c.cipher));
        EXPECT_TRUE(engine.OutputData().empty());
        EXPECT_THROW(engine.ConvertByteToHex(engine.OutputData()), CryptError);
        EXPECT_FALSE(engine.Decrypt(c.hash, c.cipher));
        EXPECT_EQ(engine.OutputData(), array({0}));
        EXPECT_EQ(engine.ByteArrayToString(engine.OutputData()), QString());
    }
}

TEST(CryptAPICipher, ProviderChoiceTakesEffectAtTheNextAcquisition) {
    CryptAPI engine;
    engine.setInputData(engine.StringToByteArray(QStringLiteral("some text")));
    ASSERT_TRUE(engine.Encrypt(1, 1)); // holds a Base context now
    engine.setEnhancedProvider(true);
    // Triple DES is chosen, but the Base context cannot derive it.
    EXPECT_FALSE(engine.Encrypt(1, 4));
    // An unknown choice releases the context; the next one is Enhanced.
    EXPECT_FALSE(engine.Encrypt(9, 1));
    EXPECT_TRUE(engine.Encrypt(1, 4));
}

TEST(CryptAPICipher, BlockCiphersFailForOneToThreeBytesAndRc4NeverFails) {
    for (int n = 0; n <= 8; ++n) {
        const QString text(n, QLatin1Char('k'));
        for (const CipherChoice& cipher : kCipherChoices) {
            CryptAPI engine;
            engine.setEnhancedProvider(true);
            engine.setInputData(engine.StringToByteArray(text));
            const bool expected = cipher.choice == 1 || n >= 4;
            EXPECT_EQ(engine.Encrypt(1, cipher.choice), expected)
                << "length " << n << " cipher " << cipher.choice;
        }
    }
}

TEST(CryptAPICipher, DecryptionOfEmptyInput) {
    CryptAPI rc4;
    rc4.setInputData(rc4.StringToByteArray(rc4.ConvertStringFromHex(QString())));
    EXPECT_TRUE(rc4.Decrypt(1, 1));
    EXPECT_EQ(rc4.ByteArrayToString(rc4.OutputData()), QString());
    CryptAPI des;
    des.setInputData(des.StringToByteArray(QString()));
    EXPECT_FALSE(des.Decrypt(1, 3));
    EXPECT_EQ(des.ByteArrayToString(des.OutputData()), QString());
}

TEST(CryptAPICipher, DecryptionWithTheWrongKeyFailsThePaddingCheck) {
    CryptAPI engine;
    engine.setInputData(engine.StringToByteArray(QStringLiteral("sixteen bytes...")));
    ASSERT_TRUE(engine.Encrypt(1, 3));
    CryptAPI other;
    other.setInputData(engine.OutputData());
    // Another hash gives another key; the padding then almost never checks out.
    EXPECT_FALSE(other.Decrypt(4, 3));
    EXPECT_EQ(other.OutputData(), array({0}));
}

TEST(CryptAPIRandom, RandomTextAndData) {
    CryptAPI engine;
    const QString text = CryptAPIPrivateAccess::GetRandomText(engine, 40, true);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-Za-z]{40}$")).match(text).hasMatch())
        << qPrintable(text);
    EXPECT_NE(text, CryptAPIPrivateAccess::GetRandomText(engine, 40, true));
    const QString hex = CryptAPIPrivateAccess::GetRandomData(engine, 16, true, true);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{16}$")).match(hex).hasMatch())
        << qPrintable(hex);
    EXPECT_LE(CryptAPIPrivateAccess::GetRandomData(engine, 24, true, false).size(), 24);
    EXPECT_LE(CryptAPIPrivateAccess::GetRandomText(engine, 10, false).size(), 10);
    for (int i = 0; i < 1000; ++i) {
        const float r = CryptAPIPrivateAccess::GetRandomNumber(engine, 48, 122);
        ASSERT_GE(r, 48.0f);
        ASSERT_LT(r, 122.0f);
    }
}
