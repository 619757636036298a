#pragma once

#include <QString>
#include <QtGlobal>

// Builds the two access codes of the component at run time from eight stored pieces: code A
// (GetPrivateKey) admits encryption, code B (GetPublicKey) decryption. Each code is three pieces
// of 37 characters, 111 characters in all.
class CryptInternalServer final {
public:
    CryptInternalServer() = default;
    ~CryptInternalServer() = default;
    Q_DISABLE_COPY_MOVE(CryptInternalServer)

    // Code A: piece 1 reversed, piece 3, piece 5.
    QString GetPrivateKey() const;
    // Code B: piece 2, piece 4 reversed, piece 6 reversed.
    QString GetPublicKey() const;

private:
    friend class CryptInternalServerPrivateAccess;

    void PrepareKeys() const;
    QString GetKeyPart(int number, bool reverse) const;
    QString ReverseText(const QString& text) const;
};
