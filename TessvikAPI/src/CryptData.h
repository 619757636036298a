#pragma once

#include <tessvik/CryptDataInterface.h>

#include <QString>
#include <QVariant>
#include <QtGlobal>

// The component's one creatable class. GetCryptedText enciphers a text to upper-case hex when
// given code A and deciphers such a hex text when given code B; GetHashData gives a keyed MD5
// digest. No state is kept between calls, and no error leaves either operation.
class CryptData final : public _CryptData {
public:
    CryptData() = default;
    ~CryptData() override = default;
    Q_DISABLE_COPY_MOVE(CryptData)

    // The hex ciphertext, the plain text, "ERROR: INVALID PASSWORD!" or "ERROR: " and a
    // description.
    QString GetCryptedText(const QString& InputText, const QVariant& CryptTypePassword) override;
    // 32 upper-case hex digits, or the bare description of an error.
    QString GetHashData(const QString& InputText) override;

private:
    QString EncryptText(const QString& text) const;
    // Raises the engine's errors to the caller.
    QString DecryptText(const QString& hex) const;
};
