#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#ifdef QUORVANE_TEST_HAVE_ENGINE
#include "CryptData.h"
#include "CryptInternalServer.h"
#endif

TempProgramFolder::TempProgramFolder() {
    m_valid = Install();
    AppEnvironment::SetProgramFolder(Path());
}

TempProgramFolder::~TempProgramFolder() {
    AppEnvironment::Reset();
}

int TempProgramFolder::RunInstallDataTool(const QString& folder, QString* output) {
#ifdef QUORVANE_INSTALL_DATA_TOOL
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(QUORVANE_INSTALL_DATA_TOOL), {folder});
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit) {
        if (output != nullptr) {
            *output = tool.errorString();
        }
        return -1;
    }
    if (output != nullptr) {
        *output = QString::fromUtf8(tool.readAll());
    }
    return tool.exitCode();
#else
    if (output != nullptr) {
        *output = QStringLiteral("the installation data tool is not built");
    }
    Q_UNUSED(folder);
    return -1;
#endif
}

bool TempProgramFolder::Install() {
    if (!m_dir.isValid()) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return false;
    }
    QString output;
    const int code = RunInstallDataTool(Path(), &output);
    if (code != 0) {
        ADD_FAILURE() << "installation data tool failed (" << code << "): " << output.toStdString();
        return false;
    }
#ifdef TESSVIK_PLUGIN_FILE
    const QString plugin = QStringLiteral(TESSVIK_PLUGIN_FILE);
    const QString components = Path() + QStringLiteral("/components");
    QDir().mkpath(components);
    if (!QFile::copy(plugin, components + u'/' + QFileInfo(plugin).fileName())) {
        ADD_FAILURE() << "cannot copy the crypto component " << plugin.toStdString();
        return false;
    }
#endif
    return true;
}

QString TempProgramFolder::Path() const {
    return QDir(m_dir.path()).absolutePath();
}

QString TempProgramFolder::DataFolder() const {
    return Path() + QStringLiteral("/Data/");
}

QString TempProgramFolder::DatabaseFile() const {
    return DataFolder() + QStringLiteral("quorvane.sys.qvd");
}

QString TempProgramFolder::SystemFolder() const {
    return Path() + QStringLiteral("/system");
}

QString TempProgramFolder::ConfigFile() const {
    return SystemFolder() + QStringLiteral("/sysdata.config");
}

QString TempProgramFolder::TokenFile() const {
    return SystemFolder() + QStringLiteral("/key.tokens.xml");
}

QString TempProgramFolder::LogsFolder() const {
    return Path() + QStringLiteral("/Logs");
}

QString TempProgramFolder::LogFile() const {
    return LogsFolder() + u'/' + AppEnvironment::Now().toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".log");
}

QStringList TempProgramFolder::LogFiles() const {
    const QDir logs(LogsFolder());
    QStringList files;
    // Named by their day, so name order is day order.
    for (const QString& name : logs.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name)) {
        files.append(logs.filePath(name));
    }
    return files;
}

QString TempProgramFolder::LogText() const {
    QString text;
    for (const QString& path : LogFiles()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            text += QString::fromUtf8(file.readAll());
        }
    }
    return text;
}

QStringList TempProgramFolder::LogLines() const {
    QStringList lines = LogText().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

void TempProgramFolder::ClearLog() const {
    for (const QString& path : LogFiles()) {
        QFile::remove(path);
    }
}

void TempProgramFolder::EditConfig(
    const std::function<void(QDomDocument&, QDomElement&)>& edit) const {
    QDomDocument document;
    QFile file(ConfigFile());
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file)) {
        ADD_FAILURE() << "cannot read " << ConfigFile().toStdString();
        return;
    }
    file.close();
    QDomElement lc = document.documentElement().firstChildElement(QStringLiteral("LC"));
    edit(document, lc);
    WriteFile(QStringLiteral("system/sysdata.config"), document.toByteArray(4));
}

void TempProgramFolder::SetConfigValue(const QString& key, const QString& value) const {
    EditConfig([&](QDomDocument& document, QDomElement& lc) {
        QDomElement element = lc.firstChildElement(key);
        if (element.isNull()) {
            element = document.createElement(key);
            lc.appendChild(element);
        }
        while (element.hasChildNodes()) {
            element.removeChild(element.firstChild());
        }
        element.appendChild(document.createTextNode(value));
    });
}

void TempProgramFolder::RemoveConfigValue(const QString& key) const {
    EditConfig([&](QDomDocument&, QDomElement& lc) { lc.removeChild(lc.firstChildElement(key)); });
}

void TempProgramFolder::SetEncipheredConfigValue(const QString& key, const QString& value) const {
#ifdef QUORVANE_TEST_HAVE_ENGINE
    CryptData crypt;
    SetConfigValue(key,
                   crypt.GetCryptedText(value, QVariant(CryptInternalServer().GetPrivateKey())));
#else
    Q_UNUSED(value);
    ADD_FAILURE() << "built without the crypto engine; cannot encipher " << key.toStdString();
#endif
}

void TempProgramFolder::WriteFile(const QString& relative, const QByteArray& content) const {
    const QString path = Path() + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
}

bool TempProgramFolder::RemoveFile(const QString& relative) const {
    return QFile::remove(Path() + u'/' + relative);
}
