#include "CryptData.h"

#include "CryptAPI.h"
#include "CryptBytes.h"
#include "CryptInternalServer.h"

#include <exception>

namespace {
constexpr qint16 kMd5 = 1;
constexpr qint16 kRc4 = 1;

QString errorText(const std::exception& error) {
    return QStringLiteral("ERROR: ") + QString::fromLocal8Bit(error.what());
}

// Only a text can be an access code; an empty, null or numeric value matches neither.
bool isCode(const QVariant& value, const QString& code) {
    return value.typeId() == QMetaType::QString && value.toString() == code;
}
} // namespace

QString CryptData::GetCryptedText(const QString& InputText, const QVariant& CryptTypePassword) {
    QString codeA;
    QString codeB;
    try {
        {
            const CryptInternalServer server;
            codeA = server.GetPrivateKey();
            codeB = server.GetPublicKey();
        }
        QString result;
        if (isCode(CryptTypePassword, codeA)) {
            result = EncryptText(InputText);
        } else if (isCode(CryptTypePassword, codeB)) {
            result = DecryptText(InputText);
        } else {
            result = QStringLiteral("ERROR: INVALID PASSWORD!");
        }
        scrubText(codeA);
        scrubText(codeB);
        return result;
    } catch (const std::exception& error) {
        scrubText(codeA);
        scrubText(codeB);
        return errorText(error);
    }
}

QString CryptData::GetHashData(const QString& InputText) {
    try {
        CryptAPI engine;
        return engine.CreateHash(InputText, kMd5, true, true, false);
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
}

// The plain text loses its trailing spaces before it is enciphered.
QString CryptData::EncryptText(const QString& text) const {
    try {
        CryptAPI engine;
        QString plain(text.constData(), lengthWithoutTrailingSpaces(text));
        ByteArray input = engine.StringToByteArray(plain);
        scrubText(plain);
        engine.setInputData(input);
        scrubBytes(input);
        static_cast<void>(engine.Encrypt(kMd5, kRc4));
        return engine.ConvertByteToHex(engine.OutputData());
    } catch (const std::exception& error) {
        return errorText(error);
    }
}

QString CryptData::DecryptText(const QString& hex) const {
    CryptAPI engine;
    engine.setInputData(engine.StringToByteArray(engine.ConvertStringFromHex(hex)));
    static_cast<void>(engine.Decrypt(kMd5, kRc4));
    ByteArray output = engine.OutputData();
    QString plain = engine.ByteArrayToString(output);
    scrubBytes(output);
    return plain;
}
