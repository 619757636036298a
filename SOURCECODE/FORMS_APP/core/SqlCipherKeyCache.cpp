#include "SqlCipherKeyCache.h"

#include <QFile>
#include <QHash>

#include <mutex>

#include <nettle/pbkdf2.h>

namespace {

// SQLCipher 3's defaults: PBKDF2 with HMAC-SHA1, 64000 rounds, a 256-bit key.
constexpr unsigned KdfIterations = 64000;
constexpr int KeySize = 32;
// A program opens few database files; past this the cache starts afresh.
constexpr int MaxEntries = 32;

std::mutex& CacheMutex() {
    static std::mutex mutex;
    return mutex;
}

QHash<QByteArray, QString>& Cache() {
    static QHash<QByteArray, QString> cache;
    return cache;
}

QString DerivePragma(const QByteArray& password, const QByteArray& salt) {
    QByteArray key(KeySize, '\0');
    pbkdf2_hmac_sha1(static_cast<size_t>(password.size()),
                     reinterpret_cast<const uint8_t*>(password.constData()), KdfIterations,
                     static_cast<size_t>(salt.size()),
                     reinterpret_cast<const uint8_t*>(salt.constData()), KeySize,
                     reinterpret_cast<uint8_t*>(key.data()));
    // Key and salt together, so SQLCipher uses exactly this salt.
    return QStringLiteral("PRAGMA key = \"x'") +
           QString::fromLatin1(QByteArray(key + salt).toHex()) + QStringLiteral("'\";");
}

} // namespace

QString SqlCipherKeyCache::RawKeyPragma(const QString& password, const QByteArray& salt) {
    if (salt.size() != SaltSize) {
        return {};
    }
    const QByteArray passwordBytes = password.toUtf8();
    const QByteArray entry = passwordBytes + '\0' + salt;
    const std::lock_guard<std::mutex> lock(CacheMutex());
    const auto found = Cache().constFind(entry);
    if (found != Cache().cend()) {
        return found.value();
    }
    if (Cache().size() >= MaxEntries) {
        Cache().clear();
    }
    const QString pragma = DerivePragma(passwordBytes, salt);
    Cache().insert(entry, pragma);
    return pragma;
}

QByteArray SqlCipherKeyCache::ReadSalt(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(SaltSize);
}
