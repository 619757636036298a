#pragma once

#include <QByteArray>
#include <QString>

// Deriving a database key from its password takes tens of milliseconds, and every data call opens
// its own connection. The key derived for a file's salt is kept for the life of the process and
// handed to SQLCipher as a raw key, which gives the same database key without deriving it again.
class SqlCipherKeyCache final {
public:
    SqlCipherKeyCache() = delete;

    // Bytes at the start of every SQLCipher 3 file that salt its key.
    static constexpr int SaltSize = 16;

    // The "PRAGMA key" statement with the raw key for this password and salt; "" when the salt is
    // not a full salt.
    static QString RawKeyPragma(const QString& password, const QByteArray& salt);

    // The salt of an existing database file; empty when it cannot be read.
    static QByteArray ReadSalt(const QString& path);
};
