#include "CryptHash.h"

#include "CryptAlgorithms.h"

#include <string.h>

using namespace CryptAlgorithms;

namespace {
template <typename Context, void (*Init)(Context*)>
Context initialised() {
    Context context{};
    Init(&context);
    return context;
}
} // namespace

std::unique_ptr<CryptHash> CryptHash::Create(std::uint32_t algorithm) {
    switch (algorithm) {
    case CALG_MD2:
        return std::unique_ptr<CryptHash>(
            new CryptHash(algorithm, initialised<md2_ctx, nettle_md2_init>()));
    case CALG_MD4:
        return std::unique_ptr<CryptHash>(
            new CryptHash(algorithm, initialised<md4_ctx, nettle_md4_init>()));
    case CALG_MD5:
        return std::unique_ptr<CryptHash>(
            new CryptHash(algorithm, initialised<md5_ctx, nettle_md5_init>()));
    case CALG_SHA1:
        return std::unique_ptr<CryptHash>(
            new CryptHash(algorithm, initialised<sha1_ctx, nettle_sha1_init>()));
    default:
        return nullptr;
    }
}

CryptHash::CryptHash(std::uint32_t algorithm, State state)
    : m_algorithm(algorithm)
    , m_state(state) {}

CryptHash::~CryptHash() {
    std::visit([](auto& context) { explicit_bzero(&context, sizeof(context)); }, m_state);
}

size_t CryptHash::DigestLength() const {
    return m_algorithm == CALG_SHA1 ? SHA1_DIGEST_SIZE : MD5_DIGEST_SIZE;
}

void CryptHash::HashData(const std::uint8_t* data, size_t length) {
    if (length == 0) {
        return;
    }
    std::visit(
        [data, length](auto& context) {
            using Context = std::decay_t<decltype(context)>;
            if constexpr (std::is_same_v<Context, md2_ctx>) {
                md2_update(&context, length, data);
            } else if constexpr (std::is_same_v<Context, md4_ctx>) {
                md4_update(&context, length, data);
            } else if constexpr (std::is_same_v<Context, md5_ctx>) {
                md5_update(&context, length, data);
            } else {
                sha1_update(&context, length, data);
            }
        },
        m_state);
}

ByteArray CryptHash::Value() const {
    ByteArray digest(DigestLength());
    // The nettle digest functions reset their context, so a copy is finished instead.
    State copy = m_state;
    std::visit(
        [&digest](auto& context) {
            using Context = std::decay_t<decltype(context)>;
            if constexpr (std::is_same_v<Context, md2_ctx>) {
                md2_digest(&context, digest.size(), digest.data());
            } else if constexpr (std::is_same_v<Context, md4_ctx>) {
                md4_digest(&context, digest.size(), digest.data());
            } else if constexpr (std::is_same_v<Context, md5_ctx>) {
                md5_digest(&context, digest.size(), digest.data());
            } else {
                sha1_digest(&context, digest.size(), digest.data());
            }
            explicit_bzero(&context, sizeof(context));
        },
        copy);
    return digest;
}
