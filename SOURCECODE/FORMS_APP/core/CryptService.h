#pragma once

#include <QString>

// Deciphers configuration values through the crypto component, with the access code assembled
// from the token file "system/key.tokens.xml" in the program folder.
class CryptService final {
public:
    // Assembles the access code; logs "DEC_PWD_NOT_SET" when none could be made. Raises
    // CoreError for a token without "id" or "btype", or with an id that is no 16-bit number.
    void Initialize();
    // The plain text, or the component's error text. Raises CoreError when the component cannot
    // be created.
    QString Decrypt(const QString& CryptedData);
    // True when an answer of Decrypt is the component's error text ("ERROR: " and a reason)
    // rather than a plain text.
    static bool IsErrorText(const QString& answer);

    static QString TokenFilePath();

private:
    void LoadDecPassword();

    QString strDecPassword;
};
