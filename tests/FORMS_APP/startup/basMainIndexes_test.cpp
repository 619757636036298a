#include "basMain.h"

#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/DatabaseIndexes.h"
#include "mainwindow/MsgBox.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QStringList IndexNames() {
    const std::optional<RecordSet> rows = DBManager().GetRecordSet(
        QStringLiteral("SELECT [name] FROM sqlite_master WHERE [type] = 'index' AND [name] LIKE "
                       "'IX_%' ORDER BY [name]"));
    QStringList names;
    for (int r = 0; rows && r < rows->RecordCount(); ++r) {
        names.append(rows->Value(r, 0).toString());
    }
    return names;
}

} // namespace

// A register installed by an earlier version has none of the drop-down indexes: the start adds
// them before the first window opens.
TEST(basMainIndexesTest, StartAddsTheIndexesAnOlderRegisterLacks) {
    TempProgramFolder program;
    ASSERT_TRUE(program.IsValid());
    QFile::setPermissions(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    MsgBox::StartRecording();
    const QStringList installed = IndexNames();
    ASSERT_EQ(installed.size(), DatabaseIndexes::Statements().size());
    for (const QString& name : installed) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(QStringLiteral("DROP INDEX [") + name + u']'));
    }
    const QPointer<QWidget> first = basMain::Main();
    EXPECT_NE(first, nullptr);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(IndexNames(), installed);
    delete first.data();
    basMain::ReleaseInstance();
    MsgBox::StopRecording();
}
