#include "frmSettings.h"

#include "core/DBManager.h"
#include "core/Settings.h"
#include "core/basCommon.h"
#include "mainwindow/BusyPointer.h"
#include "mainwindow/FileDialog.h"
#include "mainwindow/KeyboardKeys.h"
#include "mainwindow/MsgBox.h"

#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>

#include <exception>

namespace {

const QString Title = QStringLiteral("Quorvane Lite");

QString DescriptionOf(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

bool IsDateCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'-';
}

} // namespace

bool frmSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString typed = KeyboardKeys::TypedText(static_cast<QKeyEvent*>(event));
        if (!typed.isEmpty()) {
            if (watched == txtBackupPath) {
                return txtBackupPath_KeyPress(typed);
            }
            if (watched == txtPurgeEndDate) {
                return txtPurgeEndDate_KeyPress(typed);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmSettings::txtBackupPath_KeyPress(const QString& key) {
    Q_UNUSED(key);
    MsgBox::Inform(this, QStringLiteral("Click on the Browse button to select the path!"));
    return true;
}

bool frmSettings::txtPurgeEndDate_KeyPress(const QString& key) {
    if (key.size() != 1) {
        return true;
    }
    const QChar c = key.front();
    // Control keys such as paste (Ctrl+V) pass; what they bring in is cleaned on the change.
    if (c == u'\b' || IsDateCharacter(c) ||
        (c.category() == QChar::Other_Control && c != u'\r' && c != u'\x1b')) {
        return false;
    }
    return true;
}

void frmSettings::txtPurgeEndDate_Change() {
    const QString text = txtPurgeEndDate->text();
    QString kept;
    int caret = txtPurgeEndDate->cursorPosition();
    for (int i = 0; i < text.size(); ++i) {
        if (IsDateCharacter(text.at(i))) {
            kept.append(text.at(i));
        } else if (i < txtPurgeEndDate->cursorPosition()) {
            --caret;
        }
    }
    if (kept != text) {
        txtPurgeEndDate->setText(kept);
        txtPurgeEndDate->setCursorPosition(caret);
    }
}

void frmSettings::btnBrowseBKFPath_Click() {
    const std::optional<QString> chosen =
        FileDialog::Choose(this, {FileDialog::Mode::Save, QString(),
                                  QStringLiteral("Quorvane Backup File (*.qbk);;All Files (*.*)"),
                                  QStringLiteral("qbk")});
    if (chosen && !chosen->isEmpty()) {
        txtBackupPath->setText(*chosen);
    }
}

void frmSettings::btnBackup_Click() {
    try {
        if (txtBackupPath->text().isEmpty()) {
            MsgBox::Inform(this, QStringLiteral("Please select the backup folder path!"));
            return;
        }
        QString answer;
        {
            const BusyPointer busy;
            answer = DBManager().Backup(txtBackupPath->text());
        }
        if (answer.isEmpty()) {
            MsgBox::Inform(this, QStringLiteral("Data backup created successfully!"));
            return;
        }
        MsgBox::Show(this, QStringLiteral("Data backup could not be created!\r\n") + answer,
                     MsgBox::Buttons::OK, MsgBox::Icon::Exclamation, Title);
        basCommon::WriteLog(answer, QStringLiteral("Backup"));
    } catch (const std::exception& error) {
        MsgBox::Show(this,
                     QStringLiteral("An error occured while trying to backup the database. Try "
                                    "restarting the application!"),
                     MsgBox::Buttons::OK, MsgBox::Icon::None, Title);
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("btnBackup_Click"));
    }
}

void frmSettings::btnPurge_Click() {
    try {
        Purge();
    } catch (const std::exception& error) {
        MsgBox::Show(this, QStringLiteral("Data purge failed!\r\n") + DescriptionOf(error),
                     MsgBox::Buttons::OK, MsgBox::Icon::Critical, Title);
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("btnPurge_Click"));
    }
}

void frmSettings::Purge() {
    txtPurgeEndDate->setFocus();
    const QString typed = txtPurgeEndDate->text();
    if (typed.isEmpty()) {
        MsgBox::Inform(this, QStringLiteral("Please enter date in the Date To field!"));
        return;
    }
    const QDate from = QDate::fromString(txtPurgeStartDate->text(), QStringLiteral("dd-MM-yyyy"));
    QDate to;
    if (basCommon::IsValidDateDDMMYYYY(typed)) {
        to = QDate::fromString(typed, QStringLiteral("dd-MM-yyyy"));
    } else if (basCommon::IsValidDateDMYYYY(typed)) {
        to = QDate::fromString(typed, QStringLiteral("d-M-yyyy"));
    }
    if (!to.isValid()) {
        MsgBox::Inform(this, QStringLiteral("Invalid date specified in the Date To field!"));
        return;
    }
    if (to < from) {
        MsgBox::Inform(this, QStringLiteral("The Date To field value cannot be less than the "
                                            "displayed Date From value!"));
        return;
    }
    const MsgBox::Result answer =
        MsgBox::Show(this,
                     QStringLiteral("Warning:\r\nYou will not be able to undo this operation!\r\n"
                                    "Are you sure to purge the data for the entered date range?"),
                     MsgBox::Buttons::YesNo, MsgBox::Icon::Exclamation, Title);
    if (answer != MsgBox::Result::Yes) {
        return;
    }
    QString outcome;
    {
        const BusyPointer busy;
        outcome = Settings().Purge(typed);
    }
    if (outcome.isEmpty()) {
        MsgBox::Inform(this, QStringLiteral("Data purge successful!"));
    } else {
        MsgBox::Show(this, QStringLiteral("Data purge failed!"), MsgBox::Buttons::OK,
                     MsgBox::Icon::Exclamation, Title);
    }
}
