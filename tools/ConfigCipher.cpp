#include "ConfigCipher.h"

#include "InstallDataError.h"

#ifdef QUORVANE_HAVE_TESSVIK_ENGINE
#include "CryptData.h"
#include "CryptInternalServer.h"
#endif

namespace ConfigCipher {

#ifdef QUORVANE_HAVE_TESSVIK_ENGINE

bool IsAvailable() {
    return true;
}

QString Encipher(const QString& plainText) {
    CryptData crypt;
    const QString cipherText =
        crypt.GetCryptedText(plainText, QVariant(CryptInternalServer().GetPrivateKey()));
    if (cipherText.startsWith(QStringLiteral("ERROR: "))) {
        throw InstallDataError(QStringLiteral("Cannot encipher \"") + plainText +
                               QStringLiteral("\": ") + cipherText);
    }
    return cipherText;
}

QString DecryptionCode() {
    return CryptInternalServer().GetPublicKey();
}

#else

bool IsAvailable() {
    return false;
}

QString Encipher(const QString&) {
    throw InstallDataError(QStringLiteral("built without the crypto component"));
}

QString DecryptionCode() {
    throw InstallDataError(QStringLiteral("built without the crypto component"));
}

#endif

} // namespace ConfigCipher
