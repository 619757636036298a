#pragma once

#include <QString>
#include <QStringList>

// Writes the data files of a program folder: the encrypted database, the configuration with its
// enciphered values, the decryption tokens, the scrolling texts, the agreement, the help pages and
// the photo placeholder. An existing database is never touched.
class InstallDataWriter final {
public:
    explicit InstallDataWriter(QString programFolder);

    static constexpr const char* CompanyName = "Quorvane Demo Co.";

    // Raises InstallDataError on the first failure.
    void WriteAll();

    void MakeFolders();
    void WriteDatabase();
    void WriteConfiguration();
    void WriteTokens();
    void WriteResources();

    // What the last WriteAll did, one line a step.
    const QStringList& Report() const { return m_report; }

private:
    QString PathOf(const QString& relative) const;

    QString m_folder;
    QStringList m_report;
};
