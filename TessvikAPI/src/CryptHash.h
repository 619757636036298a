#pragma once

#include "CryptBytes.h"

#include <QtGlobal>

#include <nettle/md2.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <variant>

// A hash object of the provider: MD2, MD4, MD5 or SHA-1 by algorithm identifier.
class CryptHash final {
public:
    // Nothing for an identifier that is not a hash algorithm.
    static std::unique_ptr<CryptHash> Create(std::uint32_t algorithm);
    ~CryptHash();
    Q_DISABLE_COPY_MOVE(CryptHash)

    std::uint32_t Algorithm() const { return m_algorithm; }
    size_t DigestLength() const;
    void HashData(const std::uint8_t* data, size_t length);
    void HashData(const ByteArray& data) { HashData(data.data(), data.size()); }
    // The digest of everything hashed so far; the object can go on hashing.
    ByteArray Value() const;

private:
    using State = std::variant<md2_ctx, md4_ctx, md5_ctx, sha1_ctx>;
    CryptHash(std::uint32_t algorithm, State state);

    std::uint32_t m_algorithm;
    State m_state;
};
