#pragma once

#include "CryptBytes.h"
#include "CryptHash.h"
#include "CryptKey.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <memory>

// A context of the Base or the Enhanced cryptography provider. It follows the providers' rules for
// deriving keys with the default key parameters, so values enciphered through it read as before.
class CryptProvider final {
public:
    enum class Kind { Base, Enhanced };

    // The context of the named provider of the given type; an empty name is the default provider
    // of the type. Nothing for an unknown name or type.
    static std::unique_ptr<CryptProvider> Acquire(const QString& providerName,
                                                  std::uint32_t providerType);
    ~CryptProvider() = default;
    Q_DISABLE_COPY_MOVE(CryptProvider)

    Kind ProviderKind() const { return m_kind; }

    // Nothing for an identifier that is not a hash algorithm.
    std::unique_ptr<CryptHash> CreateHash(std::uint32_t algorithm) const;
    // The key of the cipher derived from the hash value with the provider's default key length;
    // nothing when the provider does not offer the cipher.
    std::unique_ptr<CryptKey> DeriveKey(std::uint32_t algorithm, const CryptHash& hash) const;
    // Fills the buffer with random bytes from the kernel.
    bool GenRandom(std::uint8_t* buffer, size_t length) const;

private:
    explicit CryptProvider(Kind kind)
        : m_kind(kind) {}
    static ByteArray ExpandHash(const CryptHash& hash, size_t keyLength);

    Kind m_kind;
};
