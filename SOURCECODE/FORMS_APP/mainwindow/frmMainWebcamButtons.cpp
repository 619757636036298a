// The four image buttons that drive the hosted webcam control.
#include "frmMain.h"

#include "MsgBox.h"
#include "core/basCommon.h"
#include "ctlPellora.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <exception>
#include <functional>
#include <stdexcept>

namespace {

// Longest name part of a capture file, in UTF-8 bytes: with "_", the pass number and ".jpg" the
// name stays well below the file system's 255 bytes.
constexpr int kNameBytes = 200;

// Characters that cannot stand in a file name here or on a shared folder's file system, and the
// path separators, which would lead out of the temporary folder.
bool IsRefusedInFileName(QChar c) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c);
}

QString FileNamePart(const QString& text) {
    QString part;
    part.reserve(text.size());
    for (const QChar c : text) {
        part.append(IsRefusedInFileName(c) ? QChar(u'_') : c);
    }
    while (part.toUtf8().size() > kNameBytes) {
        part.chop(part.size() >= 2 && part.at(part.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return part;
}

// Whatever stands under the still's name must go first: left there, another user's file could pass
// for the new photo.
void RemoveLeftover(const QString& path) {
    const QFileInfo leftover(path);
    if (!leftover.exists() && !leftover.isSymLink()) {
        return;
    }
    QFile file(path);
    if (!file.remove()) {
        throw std::runtime_error(
            QString(QStringLiteral("The file left from an earlier capture cannot be removed: ") +
                    path + QStringLiteral(" (") + file.errorString() + u')')
                .toStdString());
    }
}

// Errors are shown in a critical box titled "Error"; nothing is logged.
bool ShowingErrors(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const PelloraError& error) {
        MsgBox::Show(parent, error.Description(), MsgBox::Buttons::OK, MsgBox::Icon::Critical,
                     QStringLiteral("Error"));
    } catch (const std::exception& error) {
        MsgBox::Show(parent, QString::fromUtf8(error.what()), MsgBox::Buttons::OK,
                     MsgBox::Icon::Critical, QStringLiteral("Error"));
    }
    return false;
}

} // namespace

// The name box, "_", the pass number and ".jpg"; characters no file name can hold become "_".
QString frmMain::CaptureFileName() const {
    return FileNamePart(txtName->text()) + u'_' + FileNamePart(txtPassNo->text()) +
           QStringLiteral(".jpg");
}

void frmMain::imgCamStartPreview_Click() {
    const bool started = ShowingErrors(this, [this] {
        fraWebCamControlContainer->show();
        ctlWebcam->SetSaveImageFileName(QString());
        ctlWebcam->StartCapture();
        blnPreviewRunning = true;
    });
    if (!started) {
        blnPreviewRunning = false;
    }
}

void frmMain::imgCamCaptureSnap_Click() {
    if (!blnPreviewRunning) {
        MsgBox::Inform(
            this,
            QStringLiteral("No preview is running to capture the image! Click on preview first!"));
        return;
    }
    ShowingErrors(this, [this] {
        ctlWebcam->SetSaveImageFileName(CaptureFileName());
        try {
            RemoveLeftover(basCommon::GetTempFolder() + ctlWebcam->SaveImageFileName());
        } catch (...) {
            // No still is taken, and the page keeps none.
            ctlWebcam->SetSaveImageFileName(QString());
            throw;
        }
        ctlWebcam->CaptureImage();
        if (!basCommon::FileExists(basCommon::GetTempFolder() + ctlWebcam->SaveImageFileName())) {
            MsgBox::Inform(
                this, QStringLiteral(
                          "Failed to capture the image! Please check your webcam connection!"));
            ctlWebcam->SetSaveImageFileName(QString());
        }
        // A further still needs a new preview.
        blnPreviewRunning = false;
    });
}

void frmMain::imgCamClearSnap_Click() {
    const bool cleared = ShowingErrors(this, [this] {
        fraWebCamControlContainer->show();
        ctlWebcam->ClearImage();
        ctlWebcam->SetSaveImageFileName(QString());
        blnImageCleared = true;
        ctlWebcam->StopCapture();
        blnPreviewRunning = false;
    });
    if (!cleared) {
        blnPreviewRunning = false;
    }
}

void frmMain::imgChooseCam_Click() {
    ShowingErrors(this, [this] { ctlWebcam->ShowDeviceList(); });
}
