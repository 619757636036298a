#include "CryptService.h"

#include "AppEnvironment.h"
#include "ComponentLoader.h"
#include "CoreError.h"
#include "XmlFile.h"
#include "basCommon.h"

#include <QDomDocument>
#include <QFile>

#include <array>
#include <cmath>
#include <limits>

namespace {

QString Reversed(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        result.append(text.at(i));
    }
    return result;
}

QString RequiredAttribute(const QDomElement& token, const QString& name) {
    if (!token.hasAttribute(name)) {
        throw CoreError(QStringLiteral("A token in ") + CryptService::TokenFilePath() +
                        QStringLiteral(" has no \"") + name + QStringLiteral("\" attribute"));
    }
    return token.attribute(name);
}

// The id as the platform's whole-number conversion reads it: any number ("4.0", " 4", "4e0"),
// rounded half to even, within 16 bits.
qint16 TokenId(const QString& idText) {
    bool ok = false;
    const double value = idText.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        throw CoreError(QStringLiteral("The token id \"") + idText +
                        QStringLiteral("\" is not a whole number"));
    }
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max()) {
        throw CoreError(QStringLiteral("The token id \"") + idText +
                        QStringLiteral("\" is out of range"));
    }
    return static_cast<qint16>(rounded);
}

} // namespace

QString CryptService::TokenFilePath() {
    return AppEnvironment::ProgramFolder() + QStringLiteral("/system/key.tokens.xml");
}

void CryptService::Initialize() {
    LoadDecPassword();
    if (strDecPassword.isEmpty()) {
        basCommon::WriteLog(QStringLiteral("DEC_PWD_NOT_SET"), QStringLiteral("Crypt.Initialize"));
    }
}

void CryptService::LoadDecPassword() {
    std::array<QString, 11> pieces;
    QDomDocument document;
    // A missing, oversized or unreadable file simply yields no tokens.
    XmlFile::Load(TokenFilePath(), document);
    const QDomNodeList tokens = document.elementsByTagName(QStringLiteral("token"));
    for (int i = 0; i < tokens.size(); ++i) {
        const QDomElement token = tokens.at(i).toElement();
        const QString idText = RequiredAttribute(token, QStringLiteral("id"));
        const QString btype = RequiredAttribute(token, QStringLiteral("btype"));
        const qint16 id = TokenId(idText);
        const QString text = btype.toLower() == u"true" ? Reversed(token.text()) : token.text();
        if (id == 2 || id == 4 || id == 6) {
            pieces[static_cast<std::size_t>(id)] = text;
        }
    }
    strDecPassword.clear();
    for (std::size_t slot = 0; slot < 10; ++slot) {
        strDecPassword += pieces[slot];
    }
}

QString CryptService::Decrypt(const QString& CryptedData) {
    const std::unique_ptr<_CryptData> crypt = ComponentLoader::CreateCryptData();
    return crypt->GetCryptedText(CryptedData, QVariant(strDecPassword));
}

bool CryptService::IsErrorText(const QString& answer) {
    return answer.startsWith(QLatin1String("ERROR: "));
}
