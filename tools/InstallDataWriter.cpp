#include "InstallDataWriter.h"

#include "ConfigCipher.h"
#include "DatabaseSchema.h"
#include "InstallDataError.h"

#include "core/DBManager.h"
#include "core/SqlCipherConnection.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <exception>

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        throw InstallDataError(QStringLiteral("Cannot write ") + path + QStringLiteral(": ") +
                               file.errorString());
    }
}

QString Reversed(const QString& text) {
    QString result;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        result.append(text.at(i));
    }
    return result;
}

// A piece that looks like a real one, so the file does not tell which tokens count.
QString DecoyPiece() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u'=';
}

QDomElement Token(QDomDocument& document, int id, const QString& btype, const QString& text) {
    QDomElement token = document.createElement(QStringLiteral("token"));
    token.setAttribute(QStringLiteral("id"), id);
    token.setAttribute(QStringLiteral("btype"), btype);
    token.appendChild(document.createTextNode(text));
    return token;
}

// The configuration values of a fresh installation; DATABASE stays plain, DISP empty.
struct ConfigEntry {
    const char* key;
    const char* value;
};

constexpr ConfigEntry EncipheredEntries[] = {
    {"ABE", "ScrollText|ABE_1"},
    {"ARE", "AdRotate|ARE_1"},
    {"SIT", "https://www.quorvane.example/products/lite"},
    {"AWL", "https://www.quorvane.example/awards"},
    {"QVS", "https://quorvane.example"},
    {"PFT", "Please return this pass on leaving."},
    {"SLN", "https://support.quorvane.example"},
    {"EML", "support@quorvane.example"},
};

} // namespace

InstallDataWriter::InstallDataWriter(QString programFolder)
    : m_folder(QDir(programFolder).absolutePath()) {}

QString InstallDataWriter::PathOf(const QString& relative) const {
    return m_folder + u'/' + relative;
}

void InstallDataWriter::WriteAll() {
    m_report.clear();
    MakeFolders();
    WriteDatabase();
    if (ConfigCipher::IsAvailable()) {
        WriteConfiguration();
        WriteTokens();
    } else {
        m_report.append(QStringLiteral("skipped the configuration and tokens: built without the "
                                       "crypto component"));
    }
    WriteResources();
}

void InstallDataWriter::MakeFolders() {
    const QStringList folders = {
        QStringLiteral("system"),      QStringLiteral("Data"), QStringLiteral("Images/Visitors"),
        QStringLiteral("Images/Logo"), QStringLiteral("Help"), QStringLiteral("Logs")};
    for (const QString& folder : folders) {
        if (!QDir().mkpath(PathOf(folder))) {
            throw InstallDataError(QStringLiteral("Cannot create the folder ") + PathOf(folder));
        }
    }
}

void InstallDataWriter::WriteDatabase() {
    const QString target =
        PathOf(QStringLiteral("Data/") + QString::fromLatin1(DBManager::DefaultDatabaseName));
    if (QFileInfo::exists(target)) {
        m_report.append(QStringLiteral("kept the existing database ") + target);
        return;
    }
    // Built under another name and renamed at the end, so a failure leaves no half database.
    const QString building = target + QStringLiteral(".new");
    QFile::remove(building);
    try {
        SqlCipherConnection connection(building, QString::fromLatin1(DBManager::DatabasePassword),
                                       SqlCipherConnection::Mode::CreateIfMissing);
        connection.ExecuteScript(QStringLiteral("BEGIN IMMEDIATE;") +
                                 DatabaseSchema::CreateScript());
        connection.Execute(DatabaseSchema::InsertSettingsRow(), {QString::fromLatin1(CompanyName)});
        connection.ExecuteScript(QStringLiteral("COMMIT;"));
    } catch (const std::exception& error) {
        QFile::remove(building);
        throw InstallDataError(QStringLiteral("Cannot create the database ") + target +
                               QStringLiteral(": ") + QString::fromStdString(error.what()));
    }
    if (!QFile::rename(building, target)) {
        QFile::remove(building);
        throw InstallDataError(QStringLiteral("Cannot create the database ") + target);
    }
    m_report.append(QStringLiteral("created the database ") + target);
}

void InstallDataWriter::WriteConfiguration() {
    const QString target = PathOf(QStringLiteral("system/sysdata.config"));
    if (QFileInfo::exists(target)) {
        // It holds the database name and shared folder that the administrator may have changed.
        m_report.append(QStringLiteral("kept the existing configuration ") + target);
        return;
    }
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(QStringLiteral("SYSDATA"));
    document.appendChild(root);
    QDomElement lc = document.createElement(QStringLiteral("LC"));
    root.appendChild(lc);
    const auto add = [&](const QString& key, const QString& value) {
        QDomElement element = document.createElement(key);
        element.appendChild(document.createTextNode(value));
        lc.appendChild(element);
    };
    add(QStringLiteral("DATABASE"), QString::fromLatin1(DBManager::DefaultDatabaseName));
    add(QStringLiteral("DISP"), QString());
    for (const ConfigEntry& entry : EncipheredEntries) {
        add(QString::fromLatin1(entry.key),
            ConfigCipher::Encipher(QString::fromLatin1(entry.value)));
    }
    WriteFile(target, document.toByteArray(4));
    m_report.append(QStringLiteral("wrote ") + target);
}

void InstallDataWriter::WriteTokens() {
    const QString code = ConfigCipher::DecryptionCode();
    const qsizetype third = code.size() / 3;
    const QString piece2 = code.left(third);
    const QString piece4 = code.mid(third, third);
    const QString piece6 = code.mid(2 * third);

    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(QStringLiteral("KEYTOKENS"));
    document.appendChild(root);
    root.appendChild(Token(document, 5, QStringLiteral("false"), DecoyPiece()));
    root.appendChild(Token(document, 2, QStringLiteral("false"), piece2));
    root.appendChild(Token(document, 7, QStringLiteral("true"), DecoyPiece()));
    root.appendChild(Token(document, 1, QStringLiteral("false"), DecoyPiece()));
    root.appendChild(Token(document, 4, QStringLiteral("true"), Reversed(piece4)));
    root.appendChild(Token(document, 3, QStringLiteral("true"), DecoyPiece()));
    root.appendChild(Token(document, 8, QStringLiteral("false"), DecoyPiece()));
    root.appendChild(Token(document, 6, QStringLiteral("True"), Reversed(piece6)));
    WriteFile(PathOf(QStringLiteral("system/key.tokens.xml")), document.toByteArray(4));
    m_report.append(QStringLiteral("wrote ") + PathOf(QStringLiteral("system/key.tokens.xml")));
}

void InstallDataWriter::WriteResources() {
    const QStringList files = {QStringLiteral("system/adrotlist.config"),
                               QStringLiteral("system/EULA.txt"),
                               QStringLiteral("Images/Visitors/photo_unavailable.gif"),
                               QStringLiteral("Help/NewVisitor.htm"),
                               QStringLiteral("Help/CheckedInList.htm"),
                               QStringLiteral("Help/Search.htm"),
                               QStringLiteral("Help/Settings.htm"),
                               QStringLiteral("Help/FAQ.htm")};
    for (const QString& relative : files) {
        const QString name = relative.startsWith(u"Help/") ? relative : relative.section(u'/', -1);
        QFile resource(QStringLiteral(":/installdata/") + name);
        if (!resource.open(QIODevice::ReadOnly)) {
            throw InstallDataError(QStringLiteral("The tool lacks its file ") + name);
        }
        WriteFile(PathOf(relative), resource.readAll());
    }
    m_report.append(QStringLiteral("wrote the scrolling texts, agreement, help pages and photo "
                                   "placeholder"));
}
