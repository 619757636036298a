#include "ApplicationError.h"

#include "core/basCommon.h"
#include "mainwindow/MsgBox.h"

QString ApplicationError::MessageText(const QString& description) {
    return QStringLiteral("An error occured in the application.\r\n\r\nError Message:\r\n") +
           description;
}

void ApplicationError::Report(const QString& description, const QString& source) {
    basCommon::WriteLog(description, source, QString());
    MsgBox::Show(nullptr, MessageText(description), MsgBox::Buttons::OK, MsgBox::Icon::Critical,
                 QStringLiteral("Quorvane Lite"));
}
