#pragma once

#include <QString>
#include <QTemporaryDir>

#include <functional>

class QDomDocument;
class QDomElement;

// A fresh program folder for one test: the installation data tool's files plus the crypto
// component in components/. The program's folder points here while the object lives.
class TempProgramFolder final {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    Q_DISABLE_COPY_MOVE(TempProgramFolder)

    // False when the folder could not be made (the test has already been marked failed).
    bool IsValid() const { return m_valid; }

    // Without a trailing "/".
    QString Path() const;
    // "<Path>/Data/", with the trailing "/".
    QString DataFolder() const;
    QString DatabaseFile() const;
    QString SystemFolder() const;
    QString ConfigFile() const;
    QString TokenFile() const;
    QString LogsFolder() const;

    // Today's log file (by the program's clock).
    QString LogFile() const;
    // Every day's log file, oldest first.
    QStringList LogFiles() const;
    // The log: the content of every day's file, oldest first, so a line written just before
    // midnight is read after it too; "" when there is none.
    QString LogText() const;
    // The lines of the log, without their CR LF.
    QStringList LogLines() const;
    // Removes every day's log file.
    void ClearLog() const;

    // Sets a configuration value under SYSDATA/LC/ as plain text (adding the element when missing).
    void SetConfigValue(const QString& key, const QString& value) const;
    // Takes the element of a configuration value out of SYSDATA/LC/.
    void RemoveConfigValue(const QString& key) const;
    // Sets a configuration value enciphered as the installation does.
    void SetEncipheredConfigValue(const QString& key, const QString& value) const;
    // Writes a file relative to Path(), making its folder.
    void WriteFile(const QString& relative, const QByteArray& content) const;
    bool RemoveFile(const QString& relative) const;

    // Runs the installation data tool on folder; returns its exit code, output in *output.
    static int RunInstallDataTool(const QString& folder, QString* output = nullptr);

private:
    bool Install();
    // Reads the configuration, lets edit change its LC element, writes it back.
    void EditConfig(const std::function<void(QDomDocument&, QDomElement&)>& edit) const;

    QTemporaryDir m_dir;
    bool m_valid = false;
};
