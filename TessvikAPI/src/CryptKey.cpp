#include "CryptKey.h"

#include "CryptAlgorithms.h"

#include <nettle/arcfour.h>
#include <nettle/arctwo.h>
#include <nettle/des.h>

#include <algorithm>
#include <array>
#include <string.h>
#include <utility>

using namespace CryptAlgorithms;

namespace {
constexpr size_t kBlockSize = 8;
using Block = std::array<std::uint8_t, kBlockSize>;

// One keyed block cipher; the context is wiped when it goes out of scope.
class BlockCipher final {
public:
    BlockCipher(std::uint32_t algorithm, const ByteArray& key, unsigned effectiveBits)
        : m_algorithm(algorithm) {
        switch (algorithm) {
        case CALG_RC2:
            arctwo_set_key_ekb(&m_context.rc2, key.size(), key.data(), effectiveBits);
            break;
        case CALG_DES:
            // A weak key still gives a usable schedule, as on the platform.
            static_cast<void>(des_set_key(&m_context.des, key.data()));
            break;
        default:
            static_cast<void>(des3_set_key(&m_context.des3, key.data()));
            break;
        }
    }
    ~BlockCipher() { explicit_bzero(&m_context, sizeof(m_context)); }
    Q_DISABLE_COPY_MOVE(BlockCipher)

    void Encrypt(std::uint8_t* block) const {
        switch (m_algorithm) {
        case CALG_RC2:
            arctwo_encrypt(&m_context.rc2, kBlockSize, block, block);
            break;
        case CALG_DES:
            des_encrypt(&m_context.des, kBlockSize, block, block);
            break;
        default:
            des3_encrypt(&m_context.des3, kBlockSize, block, block);
            break;
        }
    }

    void Decrypt(std::uint8_t* block) const {
        switch (m_algorithm) {
        case CALG_RC2:
            arctwo_decrypt(&m_context.rc2, kBlockSize, block, block);
            break;
        case CALG_DES:
            des_decrypt(&m_context.des, kBlockSize, block, block);
            break;
        default:
            des3_decrypt(&m_context.des3, kBlockSize, block, block);
            break;
        }
    }

private:
    union Context {
        arctwo_ctx rc2;
        des_ctx des;
        des3_ctx des3;
    };
    std::uint32_t m_algorithm;
    mutable Context m_context{};
};

// Two-key triple DES is triple DES whose third key is the first.
ByteArray blockCipherKey(std::uint32_t algorithm, const ByteArray& key) {
    if (algorithm != CALG_3DES_112) {
        return key;
    }
    ByteArray full(24);
    std::copy(key.begin(), key.begin() + 16, full.begin());
    std::copy(key.begin(), key.begin() + 8, full.begin() + 16);
    return full;
}
} // namespace

CryptKey::CryptKey(std::uint32_t algorithm, ByteArray keyBytes, unsigned effectiveBits)
    : m_algorithm(algorithm)
    , m_keyBytes(std::move(keyBytes))
    , m_effectiveBits(effectiveBits) {}

CryptKey::~CryptKey() {
    scrubBytes(m_keyBytes);
}

bool CryptKey::IsStreamCipher() const {
    return m_algorithm == CALG_RC4;
}

bool CryptKey::Encrypt(ByteArray& buffer, size_t& dataLength) const {
    if (IsStreamCipher()) {
        StreamCrypt(buffer.data(), dataLength);
        return true;
    }
    const size_t padded = (dataLength / kBlockSize + 1) * kBlockSize;
    if (padded > buffer.size()) {
        return false;
    }
    const auto pad = static_cast<std::uint8_t>(padded - dataLength);
    for (size_t i = dataLength; i < padded; ++i) {
        buffer[i] = pad;
    }
    CbcEncrypt(buffer.data(), padded);
    dataLength = padded;
    return true;
}

bool CryptKey::Decrypt(ByteArray& buffer, size_t& dataLength) const {
    if (IsStreamCipher()) {
        StreamCrypt(buffer.data(), dataLength);
        return true;
    }
    if (dataLength == 0 || dataLength % kBlockSize != 0 || dataLength > buffer.size()) {
        return false;
    }
    CbcDecrypt(buffer.data(), dataLength);
    const std::uint8_t pad = buffer[dataLength - 1];
    if (pad < 1 || pad > kBlockSize) {
        return false;
    }
    for (size_t i = dataLength - pad; i < dataLength; ++i) {
        if (buffer[i] != pad) {
            return false;
        }
    }
    dataLength -= pad;
    return true;
}

void CryptKey::CbcEncrypt(std::uint8_t* data, size_t length) const {
    ByteArray key = blockCipherKey(m_algorithm, m_keyBytes);
    const BlockCipher cipher(m_algorithm, key, m_effectiveBits);
    scrubBytes(key);
    Block chain{};
    for (size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint8_t* block = data + offset;
        for (size_t i = 0; i < kBlockSize; ++i) {
            block[i] ^= chain[i];
        }
        cipher.Encrypt(block);
        memcpy(chain.data(), block, kBlockSize);
    }
    explicit_bzero(chain.data(), chain.size());
}

void CryptKey::CbcDecrypt(std::uint8_t* data, size_t length) const {
    ByteArray key = blockCipherKey(m_algorithm, m_keyBytes);
    const BlockCipher cipher(m_algorithm, key, m_effectiveBits);
    scrubBytes(key);
    Block chain{};
    Block saved{};
    for (size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint8_t* block = data + offset;
        memcpy(saved.data(), block, kBlockSize);
        cipher.Decrypt(block);
        for (size_t i = 0; i < kBlockSize; ++i) {
            block[i] ^= chain[i];
        }
        chain = saved;
    }
    explicit_bzero(chain.data(), chain.size());
    explicit_bzero(saved.data(), saved.size());
}

void CryptKey::StreamCrypt(std::uint8_t* data, size_t length) const {
    arcfour_ctx context{};
    arcfour_set_key(&context, m_keyBytes.size(), m_keyBytes.data());
    if (length > 0) {
        arcfour_crypt(&context, length, data, data);
    }
    explicit_bzero(&context, sizeof(context));
}
