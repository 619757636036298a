#pragma once

#include "PelloraDevice.h"
#include "PelloraError.h"
#include "PelloraExport.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class PelloraCaptureWindow;

// The webcam preview control: lists capture devices, shows a live preview, captures a still into
// the temporary folder, shows images fetched over HTTP and posts the still to an image server.
// Text answers are empty for success, else a code or an error's description. StartCapture,
// CaptureImage and ShowImage throw PelloraError before a successful InitControl.
class PELLORA_EXPORT ctlPellora final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctlPellora)
    Q_CLASSINFO("ProgID", "Pellora.ctlPellora")
    Q_CLASSINFO("ClassID", "{3A6C182C-FDFB-4B2F-9255-D8B43FC422CC}")
    Q_CLASSINFO("InterfaceID", "{D955FAA6-351B-4DD8-8161-56562E12583D}")
    Q_CLASSINFO("EventsID", "{947EEC89-D094-4405-9435-3FB865C6EFAF}")
    Q_CLASSINFO("TypeLibID", "{441D0896-B164-40B7-916F-F5BF806E05BC}")
    Q_CLASSINFO("Version", "18.1")
    Q_PROPERTY(
        QString SaveImageServerPostUrl READ SaveImageServerPostUrl WRITE SetSaveImageServerPostUrl)
    Q_PROPERTY(QString SaveImageFileName READ SaveImageFileName WRITE SetSaveImageFileName)
    Q_PROPERTY(
        QString SaveImageFileSavePath READ SaveImageFileSavePath WRITE SetSaveImageFileSavePath)
    Q_PROPERTY(
        QString ShowImageServerGetUrl READ ShowImageServerGetUrl WRITE SetShowImageServerGetUrl)
    Q_PROPERTY(QString NoImageServerGetUrl READ NoImageServerGetUrl WRITE SetNoImageServerGetUrl)
    Q_PROPERTY(qint16 DeviceIndex READ DeviceIndex WRITE SetDeviceIndex)

public:
    enum class DeviceStates : qint16 {
        None = 0,
        Initialising = 1,
        PreviewRunning = 2,
        DeviceReady = 3,
        NoDeviceFound = 5,
        DeviceError = 6,
    };
    enum class ViewModes : qint16 { None = 0, LiveVideo = 1, Still = 2, DeviceList = 3 };

    explicit ctlPellora(QWidget* parent = nullptr);
    ~ctlPellora() override;

    QString SaveImageServerPostUrl() const { return strSaveImageServerPostUrl; }
    void SetSaveImageServerPostUrl(const QString& url) { strSaveImageServerPostUrl = url; }
    QString SaveImageFileName() const { return strSaveImageFileName; }
    void SetSaveImageFileName(const QString& name) { strSaveImageFileName = name; }
    QString SaveImageFileSavePath() const { return strSaveImageFileSavePath; }
    void SetSaveImageFileSavePath(const QString& path) { strSaveImageFileSavePath = path; }
    QString ShowImageServerGetUrl() const { return strShowImageServerGetUrl; }
    void SetShowImageServerGetUrl(const QString& url) { strShowImageServerGetUrl = url; }
    QString NoImageServerGetUrl() const { return strNoImageServerGetUrl; }
    void SetNoImageServerGetUrl(const QString& url) { strNoImageServerGetUrl = url; }
    qint16 DeviceIndex() const { return intDeviceIndex; }
    void SetDeviceIndex(qint16 index) { intDeviceIndex = index; }

    Q_INVOKABLE QString InitControl();
    Q_INVOKABLE QString DisposeControl();
    Q_INVOKABLE QString StartCapture();
    Q_INVOKABLE QString StopCapture();
    Q_INVOKABLE QString ShowDeviceList();
    Q_INVOKABLE bool IsDeviceReady() const;
    Q_INVOKABLE QString CaptureImage();
    Q_INVOKABLE QString ShowImage();
    // Always an empty variant.
    Q_INVOKABLE QVariant ClearImage();

    // Read-only view of the state, for the container's diagnostics and for tests.
    DeviceStates DeviceState() const { return intDeviceState; }
    ViewModes ViewMode() const { return intViewMode; }

    // The control's own log file: "PLR_" and the short date, in the library's folder.
    static QString LogFilePath();

protected:
    void resizeEvent(QResizeEvent* event) override;

private Q_SLOTS:
    void btnOK_Click();
    void btnCancel_Click();

private:
    void BuildChildren();
    void RefreshView();
    void UserControl_Resize();
    void LayOutButtons(int availableWidth);
    void CheckInitialized() const;

    void LoadDeviceList();
    void SelectCurrentDevice();
    QString OpenPreviewWindow();
    void ClosePreviewWindow();
    static QString GetTempFolderPath();
    bool CopyFrameToClipboard();
    void SaveClipboardPicture(const QString& path);
    void LoadPictureInto(QLabel* target, const QString& path);

    void DisplayImageFile(const QString& url);
    QString UploadImageFile();
    QString UploadFiles(const QStringList& files, const QString& url, const QString& parameters);
    static QByteArray ReadFileContents(const QString& name);

    QString strSaveImageServerPostUrl;
    QString strSaveImageFileName;
    QString strSaveImageFileSavePath;
    QString strShowImageServerGetUrl;
    QString strNoImageServerGetUrl;
    qint16 intDeviceIndex = 0;
    DeviceStates intDeviceState = DeviceStates::None;
    ViewModes intViewMode = ViewModes::None;
    PelloraCaptureWindow* lngCapHwnd = nullptr;
    bool blnInitialized = false;
    std::vector<PelloraDevice> devices;

    QLabel* picVideo = nullptr;
    QLabel* imgDisplay = nullptr;
    QListWidget* lstDevices = nullptr;
    QFrame* fraButtons = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
