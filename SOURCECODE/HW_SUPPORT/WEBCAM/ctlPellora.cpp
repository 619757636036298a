#include "ctlPellora.h"

#include "PelloraLog.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

// First cut: the interface only; the capture and transfer follow.
ctlPellora::ctlPellora(QWidget* parent)
    : QWidget(parent) {}
ctlPellora::~ctlPellora() = default;
QString ctlPellora::InitControl() {
    return QString();
}
QString ctlPellora::DisposeControl() {
    return QString();
}
QString ctlPellora::StartCapture() {
    CheckInitialized();
    return QString();
}
QString ctlPellora::StopCapture() {
    return QString();
}
QString ctlPellora::ShowDeviceList() {
    return QString();
}
bool ctlPellora::IsDeviceReady() const {
    return true;
}
QString ctlPellora::CaptureImage() {
    CheckInitialized();
    return QString();
}
QString ctlPellora::ShowImage() {
    CheckInitialized();
    return QString();
}
QVariant ctlPellora::ClearImage() {
    return QVariant();
}
QString ctlPellora::LogFilePath() {
    return PelloraLog::FilePath();
}
void ctlPellora::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
}
void ctlPellora::btnOK_Click() {}
void ctlPellora::btnCancel_Click() {}
void ctlPellora::CheckInitialized() const {
    if (!blnInitialized) {
        throw PelloraError::NotInitialized();
    }
}
