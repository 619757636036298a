// The providers' key derivation with the default key parameters, and the padding and buffer rules
// of their block ciphers: stored values depend on these exactly.

#include "CryptAlgorithms.h"
#include "CryptProvider.h"
#include "TessvikOracle.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

using namespace CryptAlgorithms;

namespace {
const std::string kPassword = "Forty characters of a password, exactly!";

const std::uint32_t kHashes[] = {CALG_MD5, CALG_MD4, CALG_MD2, CALG_SHA1};
const std::uint32_t kCiphers[] = {CALG_RC4, CALG_RC2, CALG_DES, CALG_3DES, CALG_3DES_112};

std::unique_ptr<CryptProvider> provider(bool enhanced) {
    return CryptProvider::Acquire(QLatin1String(enhanced ? MS_ENHANCED_PROV : MS_DEF_PROV),
                                  PROV_RSA_FULL);
}

std::unique_ptr<CryptKey> derive(const CryptProvider& context, std::uint32_t hashAlgorithm,
                                 std::uint32_t cipher, const std::string& password) {
    auto hash = context.CreateHash(hashAlgorithm);
    hash->HashData(oracle::bytesOf(password));
    return context.DeriveKey(cipher, *hash);
}
} // namespace

TEST(CryptProvider, AcquiresTheNamedProvidersAndTheDefaultOne) {
    auto base = provider(false);
    auto enhanced = provider(true);
    auto fallback = CryptProvider::Acquire(QString(), PROV_RSA_FULL);
    ASSERT_TRUE(base && enhanced && fallback);
    EXPECT_EQ(base->ProviderKind(), CryptProvider::Kind::Base);
    EXPECT_EQ(enhanced->ProviderKind(), CryptProvider::Kind::Enhanced);
    EXPECT_EQ(fallback->ProviderKind(), CryptProvider::Kind::Base);
    EXPECT_FALSE(CryptProvider::Acquire(QStringLiteral("Some Other Provider"), PROV_RSA_FULL));
    EXPECT_FALSE(CryptProvider::Acquire(QLatin1String(MS_DEF_PROV), 24));
}

TEST(CryptProvider, DerivesEveryKeyByTheProviderRules) {
    for (const bool enhanced : {false, true}) {
        auto context = provider(enhanced);
        for (const std::uint32_t hashAlgorithm : kHashes) {
            for (const std::uint32_t cipher : kCiphers) {
                SCOPED_TRACE(testing::Message() << "enhanced " << enhanced << " hash " << std::hex
                                                << hashAlgorithm << " cipher " << cipher);
                const auto expected =
                    oracle::deriveKey(enhanced, hashAlgorithm, cipher, oracle::bytesOf(kPassword));
                const auto key = derive(*context, hashAlgorithm, cipher, kPassword);
                ASSERT_EQ(key != nullptr, expected.has_value());
                if (!key) {
                    continue;
                }
                EXPECT_EQ(key->KeyBytes(), expected->bytes);
                if (cipher == CALG_RC2) {
                    EXPECT_EQ(key->EffectiveBits(), expected->effectiveBits);
                }
                // The key enciphers as the reference cipher keyed the same way.
                ByteArray buffer = oracle::bytesOf("seventeen bytes!!");
                size_t length = buffer.size();
                buffer.resize(2 * length, ' ');
                ASSERT_TRUE(key->Encrypt(buffer, length));
                buffer.resize(length);
                EXPECT_EQ(buffer,
                          oracle::encrypt(cipher, *expected, oracle::bytesOf("seventeen bytes!!")));
            }
        }
    }
}

TEST(CryptProvider, LiteralKeysOfTheWorkedRules) {
    // Computed outside this code base: MD5 of the password, and the 0x36/0x5C expansion of its
    // SHA-1 digest to 24 bytes.
    auto base = provider(false);
    auto enhanced = provider(true);
    EXPECT_EQ(oracle::hexOf(derive(*base, CALG_MD5, CALG_RC4, kPassword)->KeyBytes()),
              "4D570BBAFE0000000000000000000000");
    EXPECT_EQ(oracle::hexOf(derive(*enhanced, CALG_SHA1, CALG_3DES, kPassword)->KeyBytes()),
              "5F0EA810C19ED27066146133C0A202FB3FF9DE200CB4A8C9");
}

TEST(CryptProvider, BaseRc4KeyIsSaltedNotAPlainFiveByteKey) {
    auto base = provider(false);
    const auto key = derive(*base, CALG_MD5, CALG_RC4, kPassword);
    const oracle::Bytes plain = oracle::bytesOf("the same text for both keys");
    ByteArray buffer = plain;
    size_t length = buffer.size();
    buffer.resize(2 * length, ' ');
    ASSERT_TRUE(key->Encrypt(buffer, length));
    buffer.resize(length);
    const oracle::Bytes md5 = oracle::digest(CALG_MD5, oracle::bytesOf(kPassword));
    oracle::Bytes salted(md5.begin(), md5.begin() + 5);
    salted.resize(16, 0);
    EXPECT_EQ(buffer, oracle::rc4(salted, plain));
    EXPECT_NE(buffer, oracle::rc4(oracle::Bytes(md5.begin(), md5.begin() + 5), plain));
}

TEST(CryptProvider, BaseProviderCannotDeriveTripleDes) {
    auto base = provider(false);
    for (const std::uint32_t hashAlgorithm : kHashes) {
        EXPECT_FALSE(derive(*base, hashAlgorithm, CALG_3DES, kPassword));
        EXPECT_FALSE(derive(*base, hashAlgorithm, CALG_3DES_112, kPassword));
    }
    EXPECT_FALSE(derive(*provider(true), CALG_MD5, CALG_MD5, kPassword));
    EXPECT_FALSE(derive(*provider(true), CALG_MD5, 0, kPassword));
}

TEST(CryptProvider, TwoKeyTripleDesIsTripleDesWithTheFirstKeyAgain) {
    auto enhanced = provider(true);
    const auto twoKey = derive(*enhanced, CALG_MD5, CALG_3DES_112, kPassword);
    ByteArray full = twoKey->KeyBytes();
    full.insert(full.end(), twoKey->KeyBytes().begin(), twoKey->KeyBytes().begin() + 8);
    const CryptKey threeKey(CALG_3DES, full, 0);
    ByteArray a = oracle::bytesOf("twelve bytes");
    ByteArray b = a;
    size_t lengthA = a.size();
    size_t lengthB = b.size();
    a.resize(24);
    b.resize(24);
    ASSERT_TRUE(twoKey->Encrypt(a, lengthA));
    ASSERT_TRUE(threeKey.Encrypt(b, lengthB));
    EXPECT_EQ(a, b);
}

class BlockPadding : public testing::TestWithParam<std::uint32_t> {
protected:
    CryptKey key() const {
        ByteArray bytes(24);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
        }
        return CryptKey(GetParam(), bytes, 64);
    }
    // A single ciphertext block whose plain text is the given block (zero IV).
    ByteArray blockFor(const ByteArray& plain) const {
        ByteArray buffer = plain;
        buffer.resize(16);
        size_t length = 8;
        EXPECT_TRUE(key().Encrypt(buffer, length));
        buffer.resize(8);
        return buffer;
    }
};

TEST_P(BlockPadding, EncryptionFailsWhenThePaddedDataDoesNotFitTheBuffer) {
    for (size_t n = 0; n <= 3; ++n) {
        ByteArray buffer(2 * n, 'x');
        const ByteArray before = buffer;
        size_t length = n;
        EXPECT_FALSE(key().Encrypt(buffer, length)) << n;
        EXPECT_EQ(buffer, before) << n;
        EXPECT_EQ(length, n);
    }
    ByteArray buffer(8, 'x');
    size_t length = 4;
    EXPECT_TRUE(key().Encrypt(buffer, length));
    EXPECT_EQ(length, 8u);
}

TEST_P(BlockPadding, AWholeBlockOfPaddingFollowsAFullBlock) {
    ByteArray buffer = oracle::bytesOf("8 bytes!");
    buffer.resize(16);
    size_t length = 8;
    ASSERT_TRUE(key().Encrypt(buffer, length));
    EXPECT_EQ(length, 16u);
    ASSERT_TRUE(key().Decrypt(buffer, length));
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(ByteArray(buffer.begin(), buffer.begin() + 8), oracle::bytesOf("8 bytes!"));
}

TEST_P(BlockPadding, DecryptionChecksLengthAndPadding) {
    for (const size_t n : {size_t{0}, size_t{7}, size_t{12}}) {
        ByteArray buffer(2 * n + 8, 0);
        size_t length = n;
        EXPECT_FALSE(key().Decrypt(buffer, length)) << n;
    }
    const ByteArray badTails[] = {
        {'a', 'b', 'c', 'd', 'e', 'f', 'g', 0x00},  // pad 0
        {'a', 'b', 'c', 'd', 'e', 'f', 'g', 0x09},  // pad beyond a block
        {'a', 'b', 'c', 'd', 'e', 'f', 0x01, 0x02}, // pad bytes differ
    };
    for (const ByteArray& tail : badTails) {
        ByteArray buffer = blockFor(tail);
        buffer.resize(16);
        size_t length = 8;
        EXPECT_FALSE(key().Decrypt(buffer, length));
    }
    ByteArray good = blockFor({'a', 'b', 'c', 'd', 'e', 0x03, 0x03, 0x03});
    good.resize(16);
    size_t length = 8;
    ASSERT_TRUE(key().Decrypt(good, length));
    EXPECT_EQ(length, 5u);
}

INSTANTIATE_TEST_SUITE_P(EveryBlockCipher, BlockPadding,
                         testing::Values(CALG_RC2, CALG_DES, CALG_3DES, CALG_3DES_112));

TEST(CryptProvider, Rc4NeverFailsEvenOnEmptyData) {
    const CryptKey key(CALG_RC4, ByteArray(16, 7), 0);
    ByteArray empty;
    size_t length = 0;
    EXPECT_TRUE(key.Encrypt(empty, length));
    EXPECT_TRUE(key.Decrypt(empty, length));
    EXPECT_EQ(length, 0u);
}

TEST(CryptProvider, RandomBytesFillTheWholeBuffer) {
    auto context = provider(false);
    ByteArray a(64, 0);
    ByteArray b(64, 0);
    ASSERT_TRUE(context->GenRandom(a.data(), a.size()));
    ASSERT_TRUE(context->GenRandom(b.data(), b.size()));
    EXPECT_NE(a, b);
    EXPECT_NE(a, ByteArray(64, 0));
}
