#pragma once

#include "TempProgramFolder.h"
#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "core/Visitor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <gtest/gtest.h>

#include <optional>

// A program folder made by the installation data tool and a temporary folder of its own, with
// small helpers to arrange rows and photos directly.
class VisitorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.IsValid());
        ASSERT_TRUE(m_temp.isValid());
        AppEnvironment::SetTempFolder(m_temp.path());
    }

    const TempProgramFolder& Folder() const { return m_folder; }

public:
    // A record that passes every rule.
    static Visitor ValidVisitor(const QString& name = QStringLiteral("Ann Lee")) {
        Visitor visitor;
        visitor.SetVisitorName(name);
        visitor.SetVisitorType(QStringLiteral("General"));
        visitor.SetPurpose(QStringLiteral("Official"));
        visitor.SetToMeet(QStringLiteral("Bob Smith"));
        return visitor;
    }

protected:
    QString TempPath(const QString& name) const { return m_temp.path() + u'/' + name; }
    QString PhotoPath(const QString& passNo) const {
        return m_folder.Path() + QStringLiteral("/Images/Visitors/") + passNo +
               QStringLiteral(".jpg");
    }

public:
    static void WriteBytes(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(content);
    }
    static QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

protected:
    static void Execute(const QString& statement, const QVariantList& values = {}) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(statement, values)) << statement.toStdString();
    }

    // A row written directly, check-in time as given (or the default when empty).
    static void AddRow(const QString& passNo, const QString& name, const QString& checkedIn = {}) {
        if (checkedIn.isEmpty()) {
            Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name]) VALUES(?, ?)"),
                    {passNo, name});
        } else {
            Execute(QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[CheckedIn]) "
                                   "VALUES(?, ?, ?)"),
                    {passNo, name, checkedIn});
        }
    }

    static QStringList Column(const std::optional<RecordSet>& rows, int column) {
        QStringList values;
        if (rows) {
            for (int r = 0; r < rows->RecordCount(); ++r) {
                values.append(rows->Value(r, column).toString());
            }
        }
        values.sort();
        return values;
    }

    // Stored pass numbers, lowest first.
    static QStringList PassNumbers() {
        return Column(DBManager().GetRecordSet(QStringLiteral(
                          "SELECT [PassNo] FROM [VisitorRegister] ORDER BY CAST([PassNo] AS "
                          "INTEGER), [PassNo]")),
                      0);
    }

    static std::optional<RecordSet> Row(const QString& passNo) {
        return DBManager().GetRecordSet(
            QStringLiteral("SELECT * FROM [VisitorRegister] WHERE [PassNo] = ?"), {passNo});
    }

private:
    TempProgramFolder m_folder;
    QTemporaryDir m_temp;
};
