#pragma once

#include "CryptBytes.h"

#include <QtGlobal>

#include <cstdint>

// A session key of the provider. Block ciphers run in CBC mode with an all-zero IV and PKCS#5
// padding that is always added, as the platform provider does with its default key parameters.
class CryptKey final {
public:
    // keyBytes is the whole cipher key (for 40-bit keys the salt included); effectiveBits matters
    // for RC2 only.
    CryptKey(std::uint32_t algorithm, ByteArray keyBytes, unsigned effectiveBits);
    ~CryptKey();
    Q_DISABLE_COPY_MOVE(CryptKey)

    std::uint32_t Algorithm() const { return m_algorithm; }
    const ByteArray& KeyBytes() const { return m_keyBytes; }
    unsigned EffectiveBits() const { return m_effectiveBits; }

    // Encrypts the first dataLength bytes of buffer in place as the final block of a message;
    // buffer.size() is the buffer length. Fails, leaving the buffer as it was, when the padded
    // result does not fit. On success dataLength is the length of the ciphertext.
    bool Encrypt(ByteArray& buffer, size_t& dataLength) const;
    // Decrypts the first dataLength bytes of buffer in place; fails for a length that a block
    // cipher cannot have produced and for bad padding. On success dataLength is the plain length.
    bool Decrypt(ByteArray& buffer, size_t& dataLength) const;

private:
    bool IsStreamCipher() const;
    void CbcEncrypt(std::uint8_t* data, size_t length) const;
    void CbcDecrypt(std::uint8_t* data, size_t length) const;
    void StreamCrypt(std::uint8_t* data, size_t length) const;

    std::uint32_t m_algorithm;
    ByteArray m_keyBytes;
    unsigned m_effectiveBits;
};
