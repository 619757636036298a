// Enciphers one text with the component's encryption code and prints the hex ciphertext, for the
// configuration values of an installation. The text is the one argument, or else standard input
// without its final line break.

#include "CryptData.h"
#include "CryptInternalServer.h"

#include <QString>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

namespace {
std::string readStandardInput() {
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
    }
    return text;
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fputs("usage: tessvik-encipher [TEXT]\n"
                   "Prints the ciphertext of TEXT, or of standard input without its final line "
                   "break.\n",
                   stderr);
        return 2;
    }
    const QString text =
        argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString::fromLocal8Bit(readStandardInput());
    CryptData data;
    const QString cipher = data.GetCryptedText(text, CryptInternalServer().GetPrivateKey());
    if (cipher.startsWith(QStringLiteral("ERROR: "))) {
        std::fprintf(stderr, "tessvik-encipher: %s\n", qPrintable(cipher));
        return 1;
    }
    std::puts(qPrintable(cipher));
    return 0;
}
