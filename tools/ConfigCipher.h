#pragma once

#include <QString>

// The crypto component's engine as the installation needs it: values enciphered with the
// encryption code, and the decryption code that the token file must spell.
namespace ConfigCipher {

// False when the tool was built without the engine.
bool IsAvailable();
QString Encipher(const QString& plainText);
QString DecryptionCode();

} // namespace ConfigCipher
