// Known answers of the hash and cipher primitives from their public references, through the
// provider's hash objects and keys. A single block in CBC mode with a zero IV is the block
// cipher's own answer, so the ECB references apply to the first block.

#include "CryptAlgorithms.h"
#include "CryptHash.h"
#include "CryptKey.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <string>

using namespace CryptAlgorithms;

namespace {
ByteArray fromHex(const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(QByteArray(hex));
    return ByteArray(bytes.begin(), bytes.end());
}

std::string toHex(const ByteArray& bytes, size_t length) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(length))
        .toHex()
        .toStdString();
}

struct HashCase {
    std::uint32_t algorithm;
    const char* digest;
};

// RFC 1319, RFC 1320, RFC 1321, FIPS 180-1.
const HashCase kHashCases[] = {
    {CALG_MD2, "da853b0d3f88d99b30283a69e6ded6bb"},
    {CALG_MD4, "a448017aaf21d8525fc10ae87aa6729d"},
    {CALG_MD5, "900150983cd24fb0d6963f7d28e17f72"},
    {CALG_SHA1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
};
} // namespace

TEST(Primitives, HashesOfAbcMatchTheirReferences) {
    const ByteArray abc = {'a', 'b', 'c'};
    for (const HashCase& c : kHashCases) {
        auto hash = CryptHash::Create(c.algorithm);
        ASSERT_TRUE(hash) << c.algorithm;
        hash->HashData(abc);
        const ByteArray digest = hash->Value();
        EXPECT_EQ(toHex(digest, digest.size()), c.digest) << c.algorithm;
    }
}

TEST(Primitives, HashValueCanBeReadTwiceAndHashingGoesOn) {
    auto hash = CryptHash::Create(CALG_MD5);
    hash->HashData(ByteArray{'a'});
    EXPECT_EQ(hash->Value(), hash->Value());
    hash->HashData(ByteArray{'b', 'c'});
    EXPECT_EQ(toHex(hash->Value(), 16), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Primitives, UnknownHashAlgorithmGivesNoHashObject) {
    EXPECT_FALSE(CryptHash::Create(0));
    EXPECT_FALSE(CryptHash::Create(CALG_RC4));
}

TEST(Primitives, Rc4MatchesRfc6229) {
    struct Rc4Case {
        const char* key;
        const char* stream; // offsets 0 to 31
    };
    const Rc4Case cases[] = {
        {"0102030405", "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
        {"0102030405060708090a0b0c0d0e0f10",
         "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
    };
    for (const Rc4Case& c : cases) {
        const CryptKey key(CALG_RC4, fromHex(c.key), 0);
        ByteArray buffer(32, 0);
        size_t length = 32;
        ASSERT_TRUE(key.Encrypt(buffer, length));
        EXPECT_EQ(length, 32u);
        EXPECT_EQ(toHex(buffer, 32), c.stream) << c.key;
    }
}

struct BlockCase {
    std::uint32_t algorithm;
    const char* key;
    unsigned effectiveBits;
    const char* plain;
    const char* cipher;
};

// RFC 2268 section 5; FIPS 81 and SP 800-20 for DES; SP 800-67 for triple DES.
const BlockCase kBlockCases[] = {
    {CALG_RC2, "0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
    {CALG_RC2, "ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
    {CALG_RC2, "3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
    {CALG_RC2, "88", 64, "0000000000000000", "61a8a244adacccf0"},
    {CALG_RC2, "88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
    {CALG_RC2, "88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
    {CALG_RC2, "88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
    {CALG_RC2, "88bca90e90875a7f0f79c384627bafb216f80a6f85920584c42fceb0be255daf1e", 129,
     "0000000000000000", "5b78d3a43dfff1f1"},
    {CALG_DES, "0123456789abcdef", 0, "4e6f772069732074", "3fa40e8a984d4815"},
    {CALG_DES, "0101010101010101", 0, "8000000000000000", "95f8a5e5dd31d900"},
    {CALG_3DES, "0123456789abcdef23456789abcdef01456789abcdef0123", 0, "5468652071756663",
     "a826fd8ce53b855f"},
    {CALG_3DES, "010101010101010101010101010101010101010101010101", 0, "8000000000000000",
     "95f8a5e5dd31d900"},
    {CALG_3DES_112, "01010101010101010101010101010101", 0, "8000000000000000", "95f8a5e5dd31d900"},
};

TEST(Primitives, BlockCiphersMatchTheirReferencesAndDecryptBack) {
    for (const BlockCase& c : kBlockCases) {
        SCOPED_TRACE(testing::Message() << c.key << " / " << c.effectiveBits);
        const CryptKey key(c.algorithm, fromHex(c.key), c.effectiveBits);
        ByteArray buffer = fromHex(c.plain);
        buffer.resize(16, 0xAA);
        size_t length = 8;
        ASSERT_TRUE(key.Encrypt(buffer, length));
        ASSERT_EQ(length, 16u);
        EXPECT_EQ(toHex(buffer, 8), c.cipher);
        ASSERT_TRUE(key.Decrypt(buffer, length));
        EXPECT_EQ(length, 8u);
        EXPECT_EQ(toHex(buffer, 8), c.plain);
    }
}

TEST(Primitives, TripleDesThreeBlocksChainFromTheZeroIv) {
    // SP 800-67's three ECB blocks; CBC with a zero IV chains each block into the next.
    const CryptKey ecbKey(CALG_3DES, fromHex("0123456789abcdef23456789abcdef01456789abcdef0123"),
                          0);
    ByteArray buffer = fromHex("54686520717566636b2062726f776e20666f78206a756d70");
    buffer.resize(48, 0);
    size_t length = 24;
    ASSERT_TRUE(ecbKey.Encrypt(buffer, length));
    EXPECT_EQ(length, 32u);
    EXPECT_EQ(toHex(buffer, 8), "a826fd8ce53b855f");
    EXPECT_NE(toHex(buffer, 16).substr(16), "cce21c8112256fe6");
    ASSERT_TRUE(ecbKey.Decrypt(buffer, length));
    EXPECT_EQ(toHex(buffer, length), "54686520717566636b2062726f776e20666f78206a756d70");
}
