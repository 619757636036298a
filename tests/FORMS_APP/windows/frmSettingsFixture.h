#pragma once

#include "TempProgramFolder.h"

#include "core/AppEnvironment.h"
#include "core/DBManager.h"
#include "mainwindow/FileDialog.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"
#include "windows/frmSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A settings window opened on a fresh program folder, message boxes and file dialogs recorded.
class frmSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.IsValid());
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53)); });
        MsgBox::StartRecording();
        FileDialog::StartRecording();
    }

    void TearDown() override {
        window.reset();
        FileDialog::StopRecording();
        MsgBox::StopRecording();
    }

    frmSettings& Open() {
        window = std::make_unique<frmSettings>();
        window->show();
        QApplication::setActiveWindow(window.get());
        MsgBox::ClearRecorded();
        return *window;
    }

    QLineEdit* Box(const char* name) const {
        auto* box = window->findChild<QLineEdit*>(QString::fromUtf8(name));
        EXPECT_NE(box, nullptr) << name;
        return box;
    }
    QVButton* Button(const char* name) const {
        auto* button = window->findChild<QVButton*>(QString::fromUtf8(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
    void Set(const char* name, const QString& text) const { Box(name)->setText(text); }

    // The one message shown since the last clear.
    static MsgBox::Shown OnlyMessage() {
        const auto& shown = MsgBox::Recorded();
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? MsgBox::Shown{} : shown.back();
    }

    static void StoreSettings(const QString& company, const QString& password, const QString& hint,
                              const QString& adminPassword, const QString& adminHint) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(
            QStringLiteral("UPDATE [Settings] SET [CompanyName]=?, [PWD]=?, [Hint]=?, "
                           "[AdminPWD]=?, [AdminHint]=?"),
            {company, password, hint, adminPassword, adminHint}));
    }

    static QVariantList StoredSettings() {
        const auto rows = DBManager().GetRecordSet(
            QStringLiteral("SELECT [CompanyName], [PWD], [Hint], [AdminPWD], [AdminHint] FROM "
                           "[Settings]"));
        QVariantList values;
        for (int c = 0; rows && c < rows->FieldCount(); ++c) {
            values.append(rows->Value(0, c));
        }
        return values;
    }

    QString LogoFolder() const { return program.Path() + QStringLiteral("/Images/Logo"); }

    // A JPEG of the given size, filled with one colour.
    QString WritePicture(const QString& name, int width, int height, QColor colour) const {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = program.Path() + u'/' + name;
        EXPECT_TRUE(picture.save(path, "JPG")) << path.toStdString();
        return path;
    }

    static QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QSize PreviewSize() const {
        const QPixmap preview = window->findChild<QLabel*>(QStringLiteral("imgLogo"))->pixmap();
        return preview.isNull() ? QSize() : preview.size();
    }

    TempProgramFolder program;
    std::unique_ptr<frmSettings> window;
};
