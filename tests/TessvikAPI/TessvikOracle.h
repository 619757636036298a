#pragma once

// Independent reference computations for the tests, straight on nettle: digests, the providers'
// key derivation rules written out as the platform documents them, and the ciphers in CBC mode
// with a zero IV and PKCS#5 padding.

#include "CryptAlgorithms.h"

#include <nettle/arcfour.h>
#include <nettle/arctwo.h>
#include <nettle/des.h>
#include <nettle/md2.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oracle {
using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline std::string hexOf(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex()
        .toUpper()
        .toStdString();
}

inline Bytes digest(std::uint32_t algorithm, const Bytes& data) {
    using namespace CryptAlgorithms;
    Bytes out(algorithm == CALG_SHA1 ? 20 : 16);
    switch (algorithm) {
    case CALG_MD2: {
        md2_ctx c;
        md2_init(&c);
        md2_update(&c, data.size(), data.data());
        md2_digest(&c, out.size(), out.data());
        break;
    }
    case CALG_MD4: {
        md4_ctx c;
        md4_init(&c);
        md4_update(&c, data.size(), data.data());
        md4_digest(&c, out.size(), out.data());
        break;
    }
    case CALG_MD5: {
        md5_ctx c;
        md5_init(&c);
        md5_update(&c, data.size(), data.data());
        md5_digest(&c, out.size(), out.data());
        break;
    }
    default: {
        sha1_ctx c;
        sha1_init(&c);
        sha1_update(&c, data.size(), data.data());
        sha1_digest(&c, out.size(), out.data());
        break;
    }
    }
    return out;
}

struct Key {
    Bytes bytes;
    unsigned effectiveBits = 0;
};

// CryptDeriveKey with flags 0 on the Base (enhanced false) or Enhanced provider.
inline std::optional<Key> deriveKey(bool enhanced, std::uint32_t hashAlgorithm,
                                    std::uint32_t cipher, const Bytes& password) {
    using namespace CryptAlgorithms;
    const Bytes h = digest(hashAlgorithm, password);
    switch (cipher) {
    case CALG_RC4:
    case CALG_RC2:
        if (enhanced) {
            return Key{Bytes(h.begin(), h.begin() + 16), 128};
        } else {
            Bytes key(h.begin(), h.begin() + 5);
            key.resize(16, 0);
            return Key{key, 40};
        }
    case CALG_DES:
        return Key{Bytes(h.begin(), h.begin() + 8), 0};
    case CALG_3DES_112:
        if (!enhanced) {
            return std::nullopt;
        }
        return Key{Bytes(h.begin(), h.begin() + 16), 0};
    case CALG_3DES: {
        if (!enhanced) {
            return std::nullopt;
        }
        Bytes inner(64, 0x36);
        Bytes outer(64, 0x5C);
        for (size_t i = 0; i < h.size(); ++i) {
            inner[i] ^= h[i];
            outer[i] ^= h[i];
        }
        Bytes key = digest(hashAlgorithm, inner);
        const Bytes second = digest(hashAlgorithm, outer);
        key.insert(key.end(), second.begin(), second.end());
        key.resize(24);
        return Key{key, 0};
    }
    default:
        return std::nullopt;
    }
}

inline Bytes rc4(const Bytes& key, const Bytes& data) {
    arcfour_ctx c;
    arcfour_set_key(&c, key.size(), key.data());
    Bytes out(data.size());
    if (!data.empty()) {
        arcfour_crypt(&c, data.size(), out.data(), data.data());
    }
    return out;
}

// The block cipher's ciphertext of the padded data in CBC mode from a zero IV.
inline Bytes blockEncrypt(std::uint32_t cipher, const Key& key, const Bytes& data) {
    using namespace CryptAlgorithms;
    Bytes padded = data;
    const size_t pad = 8 - data.size() % 8;
    padded.insert(padded.end(), pad, static_cast<std::uint8_t>(pad));
    arctwo_ctx rc2;
    des_ctx des;
    des3_ctx des3;
    if (cipher == CALG_RC2) {
        arctwo_set_key_ekb(&rc2, key.bytes.size(), key.bytes.data(), key.effectiveBits);
    } else if (cipher == CALG_DES) {
        des_set_key(&des, key.bytes.data());
    } else {
        Bytes full = key.bytes;
        if (cipher == CALG_3DES_112) {
            full.insert(full.end(), key.bytes.begin(), key.bytes.begin() + 8);
        }
        des3_set_key(&des3, full.data());
    }
    std::uint8_t chain[8] = {};
    for (size_t offset = 0; offset < padded.size(); offset += 8) {
        std::uint8_t block[8];
        for (int i = 0; i < 8; ++i) {
            block[i] = padded[offset + i] ^ chain[i];
        }
        if (cipher == CALG_RC2) {
            arctwo_encrypt(&rc2, 8, chain, block);
        } else if (cipher == CALG_DES) {
            des_encrypt(&des, 8, chain, block);
        } else {
            des3_encrypt(&des3, 8, chain, block);
        }
        std::copy(chain, chain + 8, padded.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return padded;
}

inline Bytes encrypt(std::uint32_t cipher, const Key& key, const Bytes& data) {
    return cipher == CryptAlgorithms::CALG_RC4 ? rc4(key.bytes, data)
                                               : blockEncrypt(cipher, key, data);
}
} // namespace oracle
