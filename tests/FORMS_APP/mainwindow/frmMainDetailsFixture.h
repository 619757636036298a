#pragma once

#include "QtPrinters.h"
#include "frmMainFixture.h"

#include "core/AppEnvironment.h"
#include "core/Visitor.h"
#include "mainwindow/LimitedTextEdit.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/QVButton.h"
#include "mainwindow/WindowPrinter.h"
#include "mainwindow/frmPassPreview.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

// The details page's routines and fields, as the pop-up menus and the webcam buttons reach them.
class frmMainDetailsAccess {
public:
    // What the Edit items of the two lists' menus do.
    static void EditVisit(frmMain& main, const QString& passNo, bool fromSearch) {
        main.blnEditFromSearch = fromSearch;
        main.EnableEditMode();
        main.LoadVisitorForEdit(passNo);
    }
    static void PrintPass(frmMain& main, const QString& passNo) { main.PrintPass(passNo); }
    static void ClearVisitorDetails(frmMain& main, bool newPassNo) {
        main.ClearVisitorDetails(newPassNo);
    }
    static bool ValidateVisitorDetails(frmMain& main) { return main.ValidateVisitorDetails(); }
    static bool ImageCleared(const frmMain& main) { return main.blnImageCleared; }
    static bool PreviewRunning(const frmMain& main) { return main.blnPreviewRunning; }
    static int DeleteLeft(const frmMain& main) { return main.intDeleteLeft; }
};

// A main window whose passes print into a PDF file, with no remembered defaults to begin with.
class frmMainDetailsTest : public frmMainTest {
protected:
    void SetUp() override {
        frmMainTest::SetUp();
        ASSERT_TRUE(output.isValid());
        {
            const auto settings = AppEnvironment::UserSettings();
            settings->remove(QStringLiteral("Others"));
        }
        WindowPrinter::PrintToPdfFile(PdfPath());
    }

    void TearDown() override {
        closer.stop();
        WindowPrinter::PrintToDefaultPrinter();
        frmMainTest::TearDown();
    }

    QString PdfPath() const { return output.filePath(QStringLiteral("pass.pdf")); }

    // The text of the last printed pass, as a PDF reader extracts it.
    QString PdfText() const {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"),
                     {QStringLiteral("-layout"), PdfPath(), QStringLiteral("-")});
        if (!reader.waitForFinished(-1) || reader.exitCode() != 0) {
            ADD_FAILURE() << "pdftotext failed on " << PdfPath().toStdString() << ": "
                          << reader.readAllStandardError().toStdString();
            return {};
        }
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

    // Every pass window that opens is noted and closed with Esc, as the receptionist does.
    void ClosePassWindows() {
        closer.setInterval(10);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* pass = qobject_cast<frmPassPreview*>(widget);
                if (pass != nullptr && pass->isVisible()) {
                    ++passWindowsShown;
                    passNumbersShown.append(
                        pass->findChild<QLabel*>(QStringLiteral("lblPassNo"))->text());
                    QTest::keyClick(pass, Qt::Key_Escape);
                }
            }
        });
        closer.start();
    }

    static void Click(QVButton* button) { Q_EMIT button->Click(); }
    static void Click(LinkLabel* button) { Q_EMIT button->Click(); }
    void Click(const char* name) const {
        QObject* control = window->findChild<QObject*>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        if (auto* button = qobject_cast<QVButton*>(control)) {
            Click(button);
        } else if (auto* image = qobject_cast<LinkLabel*>(control)) {
            Click(image);
        } else {
            ADD_FAILURE() << name << " is no button";
        }
    }

    QLineEdit* Edit(const char* name) const { return Child<QLineEdit>(QString::fromLatin1(name)); }
    QComboBox* Combo(const char* name) const { return Child<QComboBox>(QString::fromLatin1(name)); }
    LimitedTextEdit* Memo(const char* name) const {
        return Child<LimitedTextEdit>(QString::fromLatin1(name));
    }
    QStringList Items(const char* name) const {
        QStringList items;
        const QComboBox* box = Combo(name);
        for (int i = 0; i < box->count(); ++i) {
            items.append(box->itemText(i));
        }
        return items;
    }

    // A visitor the page accepts.
    void TypeValidVisitor() const {
        Edit("txtName")->setText(QStringLiteral("Ann Lee"));
        Edit("txtMobileNo")->setText(QStringLiteral("+49 151-2345"));
        Edit("txtEmail")->setText(QStringLiteral("ann@acme.com"));
        Combo("ddVisitorType")->setEditText(QStringLiteral("Vendor"));
        Combo("ddCompany")->setEditText(QStringLiteral("Acme"));
        Memo("txtAddress")->SetText(QStringLiteral("1 Main Street"));
        Combo("ddPurpose")->setEditText(QStringLiteral("Delivery"));
        Combo("ddDepartment")->setEditText(QStringLiteral("Sales"));
        Edit("txtToMeet")->setText(QStringLiteral("Bob Smith"));
        Memo("txtRemarks")->SetText(QStringLiteral("Laptop"));
    }

    static QString Remembered(const char* key) {
        const auto settings = AppEnvironment::UserSettings();
        settings->beginGroup(QStringLiteral("Others"));
        return settings->value(QString::fromLatin1(key), QStringLiteral("<absent>")).toString();
    }

    static void Remember(const char* key, const QString& value) {
        const auto settings = AppEnvironment::UserSettings();
        settings->beginGroup(QStringLiteral("Others"));
        settings->setValue(QString::fromLatin1(key), value);
    }

    // One stored visit; checkedOut "" keeps it checked in.
    static void StoreVisit(const QString& passNo, const QString& name,
                           const QString& checkedIn = QStringLiteral("2024-03-03 14:05:00"),
                           const QString& checkedOut = QString()) {
        DBManager database;
        ASSERT_TRUE(database.ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister] ([PassNo], [Name], [Mobile], [Email], "
                           "[VisitorType], [Company], [Address], [Purpose], [ToMeet], "
                           "[Department], [Remarks], [CheckedIn], [CheckedOut]) VALUES (?, ?, "
                           "'12345', 'ann@acme.com', 'General', 'Acme', 'Street 1', 'Official', "
                           "'Bob Smith', 'Sales', 'None', ?, ?)"),
            {passNo, name, checkedIn, checkedOut.isEmpty() ? QVariant() : QVariant(checkedOut)}));
    }

    static bool VisitStored(const QString& passNo) {
        Visitor visitor;
        visitor.SetPassNo(passNo);
        return visitor.LoadVisitor();
    }

    static Visitor Stored(const QString& passNo) {
        Visitor visitor;
        visitor.SetPassNo(passNo);
        EXPECT_TRUE(visitor.LoadVisitor()) << passNo.toStdString();
        return visitor;
    }

    // Rows of a list view, each as its cells' texts.
    QList<QStringList> Rows(const char* listName) const {
        const auto* view = Child<QAbstractItemView>(QString::fromLatin1(listName));
        const QAbstractItemModel* model = view->model();
        QList<QStringList> rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column) {
                cells.append(model->index(row, column).data().toString());
            }
            rows.append(cells);
        }
        return rows;
    }

    QStringList Messages() const {
        QStringList texts;
        for (const MsgBox::Shown& shown : MsgBox::Recorded()) {
            texts.append(shown.text);
        }
        return texts;
    }

    QTemporaryDir output;
    QTimer closer;
    int passWindowsShown = 0;
    QStringList passNumbersShown;
};
