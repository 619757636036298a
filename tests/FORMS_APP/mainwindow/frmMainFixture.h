#pragma once

#include "TempProgramFolder.h"
#include "core/DBManager.h"
#include "mainwindow/MainStatusBar.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// A loaded and shown main window on a fresh program folder, without a camera, with every message
// box recorded instead of shown.
class frmMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
    }

    void TearDown() override {
        window.reset();
        MsgBox::ClearRecorded();
        MsgBox::StopRecording();
    }

    frmMain& OpenWindow() {
        window = std::make_unique<frmMain>();
        window->Load();
        window->show();
        return *window;
    }

    template <typename T = QWidget>
    T* Child(const QString& name) const {
        T* child = window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }

    // Shown or hidden by the window itself, whatever its parents.
    bool Shown(const QString& name) const {
        const QWidget* child = Child(name);
        return child != nullptr && !child->isHidden();
    }

    QString Panel(int panel) const {
        return Child<MainStatusBar>(QStringLiteral("statusBar"))->PanelText(panel);
    }

    static void Execute(const QString& statement) {
        DBManager database;
        ASSERT_TRUE(database.ExecuteNonQuery(statement)) << statement.toStdString();
    }

    // Visits still checked in, pass numbers "0001" upward, all checked in at the given time.
    static void CheckInVisitors(int count, const QString& checkedIn) {
        Execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %1) INSERT INTO [VisitorRegister] ([PassNo], [Name], "
                               "[Company], [ToMeet], [Department], [CheckedIn]) SELECT "
                               "printf('%04d', i), 'Visitor ' || i, 'Company ' || i, 'Host ' || "
                               "i, 'Dept ' || i, '%2' FROM n")
                    .arg(count)
                    .arg(checkedIn));
    }

    // Log lines written with the given source.
    QStringList LogLinesFrom(const QString& source) const {
        QStringList lines;
        for (const QString& line : folder.LogLines()) {
            if (line.section(u'\t', 1, 1) == source) {
                lines.append(line);
            }
        }
        return lines;
    }

    // The last box is the critical one of a failed change, and the handler wrote one log line with
    // the box's description (the text after its first line).
    void ExpectChangeFailureShown(const QString& message, const char* source) const {
        ASSERT_FALSE(MsgBox::Recorded().empty());
        const MsgBox::Shown& shown = MsgBox::Recorded().back();
        EXPECT_EQ(shown.text, message);
        EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Critical);
        EXPECT_EQ(shown.buttons, MsgBox::Buttons::OK);
        const QStringList lines = LogLinesFrom(QString::fromLatin1(source));
        ASSERT_EQ(lines.size(), 1) << folder.LogText().toStdString();
        EXPECT_EQ(lines.front().section(u'\t', 2, 2), message.section(QStringLiteral("\r\n"), 1));
    }

    TempProgramFolder folder;
    std::unique_ptr<frmMain> window;
};
