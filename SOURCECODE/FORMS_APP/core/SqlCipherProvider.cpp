#include "SqlCipherProvider.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <sqlcipher/sqlite3.h>

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The engine's table of crypto functions, as SQLCipher 3.4 lays it out; Install() only replaces
// it on that version, after the table's own answers confirm the layout.
struct Provider {
    int (*activate)(void* ctx);
    int (*deactivate)(void* ctx);
    const char* (*get_provider_name)(void* ctx);
    int (*add_random)(void* ctx, void* buffer, int length);
    int (*random)(void* ctx, void* buffer, int length);
    int (*hmac)(void* ctx, unsigned char* hmac_key, int key_sz, unsigned char* in, int in_sz,
                unsigned char* in2, int in2_sz, unsigned char* out);
    int (*kdf)(void* ctx, const unsigned char* pass, int pass_sz, unsigned char* salt, int salt_sz,
               int workfactor, int key_sz, unsigned char* key);
    int (*cipher)(void* ctx, int mode, unsigned char* key, int key_sz, unsigned char* iv,
                  unsigned char* in, int in_sz, unsigned char* out);
    int (*set_cipher)(void* ctx, const char* cipher_name);
    const char* (*get_cipher)(void* ctx);
    int (*get_key_sz)(void* ctx);
    int (*get_iv_sz)(void* ctx);
    int (*get_block_sz)(void* ctx);
    int (*get_hmac_sz)(void* ctx);
    int (*ctx_copy)(void* target_ctx, void* source_ctx);
    int (*ctx_cmp)(void* c1, void* c2);
    int (*ctx_init)(void** ctx);
    int (*ctx_free)(void** ctx);
    int (*fips_status)(void* ctx);
    const char* (*get_provider_version)(void* ctx);
};

} // namespace

extern "C" {
void sqlcipher_activate(void);
Provider* sqlcipher_get_provider(void);
int sqlcipher_register_provider(Provider* provider);
void* sqlcipher_malloc(int size);
}

namespace {

constexpr const char* KnownVersion = "3.4.1";
constexpr const char* PageCipher = "AES-256-CBC";
constexpr int PageKeySize = 32;
constexpr int Sha1Size = 20;
// Keys one thread works with at a time: the register, a safety copy, the settings' own file.
constexpr std::size_t KeysPerThread = 4;
constexpr int RandomBufferSize = 4096;
constexpr const char* CipherVersionQuery = "PRAGMA cipher_version";

Provider g_engine{};
std::atomic<bool> g_installed{false};
// A forked child must not hand out the IVs its parent holds in its buffer.
std::atomic<unsigned> g_forks{0};
EVP_MAC* g_hmac = nullptr;
EVP_CIPHER* g_aes = nullptr;

using Key = std::array<unsigned char, PageKeySize>;

Key KeyOf(const unsigned char* key) {
    Key copy{};
    std::memcpy(copy.data(), key, copy.size());
    return copy;
}

// One thread's keyed contexts, the most recently used first. Freeing a context wipes its key.
class ThreadContexts final {
public:
    ThreadContexts() = default;
    ~ThreadContexts() {
        for (Entry& entry : m_entries) {
            Free(entry);
        }
    }
    ThreadContexts(const ThreadContexts&) = delete;
    ThreadContexts& operator=(const ThreadContexts&) = delete;

    EVP_MAC_CTX* Mac(const unsigned char* key) {
        Entry* entry = Find(key, Kind::Mac);
        if (entry != nullptr) {
            return entry->mac;
        }
        EVP_MAC_CTX* mac = EVP_MAC_CTX_new(g_hmac);
        std::array<OSSL_PARAM, 2> params = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>("SHA1"), 0),
            OSSL_PARAM_construct_end()};
        if (mac == nullptr || EVP_MAC_init(mac, key, PageKeySize, params.data()) != 1) {
            EVP_MAC_CTX_free(mac);
            return nullptr;
        }
        return Add({Kind::Mac, KeyOf(key), mac, nullptr}).mac;
    }

    EVP_CIPHER_CTX* Cipher(const unsigned char* key, int mode) {
        const Kind kind = mode == 1 ? Kind::Encrypt : Kind::Decrypt;
        Entry* entry = Find(key, kind);
        if (entry != nullptr) {
            return entry->cipher;
        }
        EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
        if (cipher == nullptr ||
            EVP_CipherInit_ex(cipher, g_aes, nullptr, key, nullptr, mode) != 1 ||
            EVP_CIPHER_CTX_set_padding(cipher, 0) != 1) {
            EVP_CIPHER_CTX_free(cipher);
            return nullptr;
        }
        return Add({kind, KeyOf(key), nullptr, cipher}).cipher;
    }

private:
    enum class Kind { Mac, Encrypt, Decrypt };
    struct Entry {
        Kind kind;
        Key key;
        EVP_MAC_CTX* mac;
        EVP_CIPHER_CTX* cipher;
    };

    Entry* Find(const unsigned char* key, Kind kind) {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->kind == kind && CRYPTO_memcmp(it->key.data(), key, PageKeySize) == 0) {
                std::rotate(m_entries.begin(), it, it + 1);
                return &m_entries.front();
            }
        }
        return nullptr;
    }

    Entry& Add(const Entry& entry) {
        if (m_entries.size() >= KeysPerThread * 3) {
            Free(m_entries.back());
            m_entries.pop_back();
        }
        m_entries.insert(m_entries.begin(), entry);
        return m_entries.front();
    }

    static void Free(Entry& entry) {
        EVP_MAC_CTX_free(entry.mac);
        EVP_CIPHER_CTX_free(entry.cipher);
        OPENSSL_cleanse(entry.key.data(), entry.key.size());
    }

    std::vector<Entry> m_entries;
};

thread_local ThreadContexts t_contexts;

// Random bytes drawn from the engine's own generator a block at a time.
struct RandomBuffer {
    std::array<unsigned char, RandomBufferSize> bytes{};
    int used = RandomBufferSize;
    unsigned forks = 0;
};

thread_local RandomBuffer t_random;

int Hmac(void* ctx, unsigned char* key, int keySize, unsigned char* in, int inSize,
         unsigned char* in2, int in2Size, unsigned char* out) {
    if (keySize != PageKeySize || in == nullptr) {
        return g_engine.hmac(ctx, key, keySize, in, inSize, in2, in2Size, out);
    }
    EVP_MAC_CTX* mac = t_contexts.Mac(key);
    if (mac == nullptr) {
        return g_engine.hmac(ctx, key, keySize, in, inSize, in2, in2Size, out);
    }
    std::size_t length = 0;
    // Initialising without a key starts over with the one the context holds.
    const bool done = EVP_MAC_init(mac, nullptr, 0, nullptr) == 1 &&
                      EVP_MAC_update(mac, in, static_cast<std::size_t>(inSize)) == 1 &&
                      EVP_MAC_update(mac, in2, static_cast<std::size_t>(in2Size)) == 1 &&
                      EVP_MAC_final(mac, out, &length, Sha1Size) == 1 && length == Sha1Size;
    return done ? SQLITE_OK : SQLITE_ERROR;
}

int Cipher(void* ctx, int mode, unsigned char* key, int keySize, unsigned char* iv,
           unsigned char* in, int inSize, unsigned char* out) {
    const char* name = g_engine.get_cipher(ctx);
    if (keySize != PageKeySize || (mode != 0 && mode != 1) || name == nullptr ||
        std::strcmp(name, PageCipher) != 0) {
        return g_engine.cipher(ctx, mode, key, keySize, iv, in, inSize, out);
    }
    EVP_CIPHER_CTX* cipher = t_contexts.Cipher(key, mode);
    if (cipher == nullptr) {
        return g_engine.cipher(ctx, mode, key, keySize, iv, in, inSize, out);
    }
    int written = 0;
    int last = 0;
    // A new IV alone keeps the key schedule and resets the chaining.
    const bool done = EVP_CipherInit_ex(cipher, nullptr, nullptr, nullptr, iv, mode) == 1 &&
                      EVP_CipherUpdate(cipher, out, &written, in, inSize) == 1 &&
                      EVP_CipherFinal_ex(cipher, out + written, &last) == 1 &&
                      written + last == inSize;
    return done ? SQLITE_OK : SQLITE_ERROR;
}

int Random(void* ctx, void* buffer, int length) {
    if (length < 0 || length > RandomBufferSize / 8) {
        return g_engine.random(ctx, buffer, length);
    }
    RandomBuffer& random = t_random;
    const unsigned forks = g_forks.load();
    if (random.forks != forks || random.used + length > RandomBufferSize) {
        OPENSSL_cleanse(random.bytes.data(), random.bytes.size());
        random.used = RandomBufferSize;
        const int rc = g_engine.random(ctx, random.bytes.data(), RandomBufferSize);
        if (rc != SQLITE_OK) {
            return rc;
        }
        random.used = 0;
        random.forks = forks;
    }
    unsigned char* taken = random.bytes.data() + random.used;
    std::memcpy(buffer, taken, static_cast<std::size_t>(length));
    // Bytes handed out are never handed out again, nor left behind.
    OPENSSL_cleanse(taken, static_cast<std::size_t>(length));
    random.used += length;
    return SQLITE_OK;
}

bool KnownEngineVersion() {
    sqlite3* db = nullptr;
    bool known = false;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, CipherVersionQuery, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* version = sqlite3_column_text(statement, 0);
            known = version != nullptr &&
                    std::strcmp(reinterpret_cast<const char*>(version), KnownVersion) == 0;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return known;
}

void InstallOnce() {
    if (sqlite3_initialize() != SQLITE_OK || !KnownEngineVersion()) {
        return;
    }
    // Held for the life of the process: the engine drops its provider table, and with it this
    // one, when its last keyed connection closes.
    sqlcipher_activate();
    const Provider* engine = sqlcipher_get_provider();
    if (engine == nullptr || engine->get_provider_name == nullptr ||
        std::strcmp(engine->get_provider_name(nullptr), "openssl") != 0 ||
        engine->get_hmac_sz(nullptr) != Sha1Size) {
        return;
    }
    g_hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    g_aes = EVP_CIPHER_fetch(nullptr, PageCipher, nullptr);
    if (g_hmac == nullptr || g_aes == nullptr) {
        return;
    }
    auto* replacement = static_cast<Provider*>(sqlcipher_malloc(sizeof(Provider)));
    if (replacement == nullptr) {
        return;
    }
    g_engine = *engine;
    *replacement = *engine;
    replacement->hmac = &Hmac;
    replacement->cipher = &Cipher;
    replacement->random = &Random;
    pthread_atfork(nullptr, nullptr, [] { g_forks.fetch_add(1); });
    // The engine frees its own table here; connections opened before keep their copy of it.
    sqlcipher_register_provider(replacement);
    g_installed = true;
}

} // namespace

namespace SqlCipherProvider {

void Install() {
    static std::once_flag once;
    std::call_once(once, InstallOnce);
}

bool Installed() {
    return g_installed.load();
}

} // namespace SqlCipherProvider
