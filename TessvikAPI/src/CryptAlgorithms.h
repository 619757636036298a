#pragma once

#include <cstdint>

// Algorithm identifiers and provider constants of the platform's cryptography interface, which
// the engine keeps using so its tables read as before.
namespace CryptAlgorithms {
inline constexpr std::uint32_t CALG_MD2 = 0x8001;
inline constexpr std::uint32_t CALG_MD4 = 0x8002;
inline constexpr std::uint32_t CALG_MD5 = 0x8003;
inline constexpr std::uint32_t CALG_SHA1 = 0x8004;
inline constexpr std::uint32_t CALG_RC4 = 0x6801;
inline constexpr std::uint32_t CALG_RC2 = 0x6602;
inline constexpr std::uint32_t CALG_DES = 0x6601;
inline constexpr std::uint32_t CALG_3DES = 0x6603;
inline constexpr std::uint32_t CALG_3DES_112 = 0x6609;

inline constexpr std::uint32_t PROV_RSA_FULL = 1;

inline constexpr const char* MS_DEF_PROV = "Microsoft Base Cryptographic Provider v1.0";
inline constexpr const char* MS_ENHANCED_PROV = "Microsoft Enhanced Cryptographic Provider v1.0";
} // namespace CryptAlgorithms
