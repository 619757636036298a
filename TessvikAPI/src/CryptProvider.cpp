#include "CryptProvider.h"

#include "CryptAlgorithms.h"

#include <algorithm>
#include <cerrno>
#include <sys/random.h>

using namespace CryptAlgorithms;

namespace {
constexpr size_t kBaseKeyLength = 5; // 40 bits
constexpr size_t kSaltLength = 11;
constexpr size_t kEnhancedKeyLength = 16; // 128 bits
constexpr size_t kDesKeyLength = 8;
constexpr size_t kTripleDesKeyLength = 24;
constexpr size_t kTwoKeyTripleDesKeyLength = 16;
constexpr size_t kExpansionBlock = 64;
} // namespace

std::unique_ptr<CryptProvider> CryptProvider::Acquire(const QString& providerName,
                                                      std::uint32_t providerType) {
    if (providerType != PROV_RSA_FULL) {
        return nullptr;
    }
    if (providerName.isEmpty() || providerName == QLatin1String(MS_DEF_PROV)) {
        return std::unique_ptr<CryptProvider>(new CryptProvider(Kind::Base));
    }
    if (providerName == QLatin1String(MS_ENHANCED_PROV)) {
        return std::unique_ptr<CryptProvider>(new CryptProvider(Kind::Enhanced));
    }
    return nullptr;
}

std::unique_ptr<CryptHash> CryptProvider::CreateHash(std::uint32_t algorithm) const {
    return CryptHash::Create(algorithm);
}

std::unique_ptr<CryptKey> CryptProvider::DeriveKey(std::uint32_t algorithm,
                                                   const CryptHash& hash) const {
    const bool enhanced = m_kind == Kind::Enhanced;
    ByteArray value = hash.Value();
    ByteArray key;
    unsigned effectiveBits = 0;
    switch (algorithm) {
    case CALG_RC4:
    case CALG_RC2:
        if (enhanced) {
            key.assign(value.begin(), value.begin() + kEnhancedKeyLength);
            effectiveBits = kEnhancedKeyLength * 8;
        } else {
            // 40-bit keys carry eleven zero bytes of salt; the cipher is keyed with all 16.
            key.assign(kBaseKeyLength + kSaltLength, 0);
            std::copy(value.begin(), value.begin() + kBaseKeyLength, key.begin());
            effectiveBits = kBaseKeyLength * 8;
        }
        break;
    case CALG_DES:
        key.assign(value.begin(), value.begin() + kDesKeyLength);
        break;
    case CALG_3DES:
    case CALG_3DES_112: {
        if (!enhanced) {
            scrubBytes(value);
            return nullptr;
        }
        const size_t length =
            algorithm == CALG_3DES ? kTripleDesKeyLength : kTwoKeyTripleDesKeyLength;
        if (length > value.size()) {
            key = ExpandHash(hash, length);
        } else {
            key.assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(length));
        }
        break;
    }
    default:
        scrubBytes(value);
        return nullptr;
    }
    scrubBytes(value);
    return std::make_unique<CryptKey>(algorithm, std::move(key), effectiveBits);
}

// A key longer than the hash: the hash XORed into a block of 0x36 and one of 0x5C, each block
// hashed again with the same algorithm, the two results joined.
ByteArray CryptProvider::ExpandHash(const CryptHash& hash, size_t keyLength) {
    ByteArray value = hash.Value();
    ByteArray inner(kExpansionBlock, 0x36);
    ByteArray outer(kExpansionBlock, 0x5C);
    for (size_t i = 0; i < value.size(); ++i) {
        inner[i] ^= value[i];
        outer[i] ^= value[i];
    }
    ByteArray key;
    key.reserve(2 * value.size());
    for (ByteArray* block : {&inner, &outer}) {
        auto blockHash = CryptHash::Create(hash.Algorithm());
        blockHash->HashData(*block);
        ByteArray part = blockHash->Value();
        key.insert(key.end(), part.begin(), part.end());
        scrubBytes(part);
        scrubBytes(*block);
    }
    scrubBytes(value);
    explicit_bzero(key.data() + keyLength, key.size() - keyLength);
    key.resize(keyLength);
    return key;
}

bool CryptProvider::GenRandom(std::uint8_t* buffer, size_t length) const {
    size_t filled = 0;
    while (filled < length) {
        const ssize_t got = getrandom(buffer + filled, length - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        filled += static_cast<size_t>(got);
    }
    return true;
}
