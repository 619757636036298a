#include "CryptInternalServer.h"

#include <array>

namespace {
constexpr qsizetype kPieceLength = 37;

// Pieces 7 and 8 belong to neither code.
constexpr std::array<const char16_t*, 8> kPieces = {
    u"9B106A61-B929-498D-A116-2C4CF1DE3A14=", u"C1E5FFE3-D49B-4559-AAF4-28C70A1A5533=",
    u"004893A2-4924-4A22-9CF5-856A43234E4D=", u"A8786F76-8596-4C52-B7C1-CA4B814399CB=",
    u"D4003337-97A9-4C00-B0FF-08702BA7072F=", u"2434C0B9-03A8-41FD-B556-7373635A5109=",
    u"98CBB0AC-83B5-4C19-963A-757CF17EA63A=", u"9F2B63BD-6F78-409A-94EA-40261589687A="};
} // namespace

QString CryptInternalServer::GetPrivateKey() const {
    PrepareKeys();
    QString code;
    code.reserve(3 * kPieceLength);
    code.append(GetKeyPart(1, true));
    code.append(GetKeyPart(3, false));
    code.append(GetKeyPart(5, false));
    return code;
}

QString CryptInternalServer::GetPublicKey() const {
    PrepareKeys();
    QString code;
    code.reserve(3 * kPieceLength);
    code.append(GetKeyPart(2, false));
    code.append(GetKeyPart(4, true));
    code.append(GetKeyPart(6, true));
    return code;
}

// Checks the stored pieces' form: 36 characters of the 8-4-4-4-12 layout, then "=". It never
// changes a code.
void CryptInternalServer::PrepareKeys() const {
    for ([[maybe_unused]] const char16_t* piece : kPieces) {
        Q_ASSERT(QStringView(piece).size() == kPieceLength);
        Q_ASSERT(QStringView(piece).endsWith(u'='));
    }
}

QString CryptInternalServer::GetKeyPart(int number, bool reverse) const {
    if (number < 1 || number > static_cast<int>(kPieces.size())) {
        return QString();
    }
    const QString piece = QString::fromUtf16(kPieces[static_cast<size_t>(number - 1)]);
    return reverse ? ReverseText(piece) : piece;
}

QString CryptInternalServer::ReverseText(const QString& text) const {
    QString reversed;
    reversed.reserve(text.size());
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        reversed.append(text.at(i));
    }
    return reversed;
}
