#pragma once

#include "CryptBytes.h"
#include "CryptProvider.h"

#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <random>

// The engine of the component: hashes, encrypts and decrypts with a key derived from the hash of
// a password, and converts between texts, byte arrays and hexadecimal text. Byte arrays hold one
// element more than their data (the last is 0), so an array of one element holds no data and an
// array without elements cannot be read. One object serves one request.
class CryptAPI final {
public:
    CryptAPI();
    ~CryptAPI();
    Q_DISABLE_COPY_MOVE(CryptAPI)

    // Stores the data of arInData as the input of the next Encrypt or Decrypt, every byte kept.
    void setInputData(const ByteArray& arInData);
    ByteArray OutputData() const { return m_OutputData; }
    bool EnhancedProvider() const { return m_EnhancedProvider; }
    void setEnhancedProvider(bool blnUseEnhanced) { m_EnhancedProvider = blnUseEnhanced; }
    ByteArray Password() const { return m_Password; }
    void setUseDefaultPWD(bool blnUseDefaultPWD) { m_UseDefaultPWD = blnUseDefaultPWD; }

    QString ByteArrayToString(const ByteArray& arByte) const;
    QString ConvertByteToHex(const ByteArray& abytData) const;
    QString ConvertStringFromHex(const QString& strHex) const;
    QString ConvertStringToHex(const QString& strInput, bool blnRetUppercase) const;
    QString CreateHash(const QString& strInText, qint16 intHashChoice, bool blnConvertToHex,
                       bool blnAppendPassword, bool blnCaseSensitive);
    bool Decrypt(qint16 intHashType, qint16 intCipherType);
    bool Encrypt(qint16 intHashType, qint16 intCipherType);
    ByteArray StringToByteArray(const QVariant& varInput) const;

private:
    friend class CryptAPIPrivateAccess;

    struct HashAlgorithm {
        size_t digestLength = 0;
        std::uint32_t algorithm = 0;
    };

    QString GetRandomData(int length, bool truncate, bool hex);
    QString GetRandomText(int length, bool alphanumeric);
    bool DecryptData(qint16 intHashChoice, qint16 intCipherChoice);
    bool EncryptData(qint16 intHashChoice, qint16 intCipherChoice);
    HashAlgorithm GetHashAlgorithm(qint16 intHashChoice) const;
    std::uint32_t GetCipherAlgorithm(qint16 intCipherChoice) const;
    float GetRandomNumber(float low, float high);
    ByteArray GetDefaultPassword() const;
    bool AcquireContext();

    bool RunCipher(qint16 intHashChoice, qint16 intCipherChoice, bool encrypt);
    QString SelectPassword();
    void ReleaseContext();
    static double NowWithTicks();

    bool m_EnhancedProvider = false;
    bool m_UseDefaultPWD = true;
    std::unique_ptr<CryptProvider> m_lngCryptProv;
    QString m_InputData;
    ByteArray m_OutputData;
    ByteArray m_Password;
    std::mt19937 m_random;
};
