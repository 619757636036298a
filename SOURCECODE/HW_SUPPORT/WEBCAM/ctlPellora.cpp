#include "ctlPellora.h"

#include "PelloraCaptureWindow.h"
#include "PelloraDeviceList.h"
#include "PelloraHttpRequest.h"
#include "PelloraLog.h"
#include "PelloraMultipartBody.h"
#include "PelloraPrivateFile.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>

#include <cmath>
#include <stdexcept>

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kMinimumTwips = 1500;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
// Room between a caption and its button's edges, and between the list and the buttons.
constexpr int kCaptionPadding = 6;
constexpr int kListGapTwips = 30;

const QString kNoDeviceFound = QStringLiteral("NO_DEVICE_FOUND");
const QString kDeviceError = QStringLiteral("DEVICE_ERROR");
const QString kVideoAlreadyRunning = QStringLiteral("VIDEO_ALREADY_RUNNING");
const QString kNoVideoRunning = QStringLiteral("NO_VIDEO_RUNNING");
const QString kNotInPreviewMode = QStringLiteral("NOT_IN_PREVIEW_MODE");
const QString kDownloadFile = QStringLiteral("__XPLR_TempGetFile");

int Pixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
int Twips(int pixels) {
    return pixels * kTwipsPerPixel;
}

QString Describe(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

void LogMethodError(const QString& description, const QString& method) {
    PelloraLog::LogMessage(description % u" - Method: " % method);
}

// The still is written into the temporary folder under this name, so it must stay a plain name.
void CheckFileName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') ||
        name.contains(QChar(0))) {
        throw std::runtime_error("Invalid file name: " + name.toStdString());
    }
}

QLabel* MakePicture(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(left, 0, kButtonWidth, kButtonHeight);
    return button;
}

} // namespace

ctlPellora::ctlPellora(QWidget* parent)
    : QWidget(parent) {
    // The design font, whatever the container's: the layout below is measured with it.
    QFont design(QStringLiteral("Tahoma"));
    design.setPointSizeF(8.25);
    setFont(design);
    BuildChildren();
    setMinimumSize(Pixels(kMinimumTwips), Pixels(kMinimumTwips));
    UserControl_Resize();
    RefreshView();
}

ctlPellora::~ctlPellora() {
    // UserControl_Terminate
    try {
        if (intDeviceState == DeviceStates::PreviewRunning) {
            ClosePreviewWindow();
        }
    } catch (...) {
        // nothing may escape a destructor
    }
}

void ctlPellora::BuildChildren() {
    picVideo = MakePicture(this, QStringLiteral("picVideo"));
    picVideo->setFrameStyle(QFrame::Box | QFrame::Plain);
    imgDisplay = MakePicture(this, QStringLiteral("imgDisplay"));
    imgDisplay->setScaledContents(true);
    lstDevices = new QListWidget(this);
    lstDevices->setObjectName(QStringLiteral("lstDevices"));
    // A long driver name wraps in a narrow control instead of being cut.
    lstDevices->setWordWrap(true);
    lstDevices->setTextElideMode(Qt::ElideNone);
    lstDevices->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstDevices->setResizeMode(QListView::Adjust);
    fraButtons = new QFrame(this);
    fraButtons->setObjectName(QStringLiteral("fraButtons"));
    fraButtons->resize(2 * kButtonWidth + kButtonGap, kButtonHeight);
    btnOK = MakeButton(fraButtons, QStringLiteral("btnOK"), QStringLiteral("OK"), 0);
    btnCancel = MakeButton(fraButtons, QStringLiteral("btnCancel"), QStringLiteral("Cancel"),
                           kButtonWidth + kButtonGap);
    connect(btnOK, &QPushButton::clicked, this, &ctlPellora::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &ctlPellora::btnCancel_Click);
}

QString ctlPellora::LogFilePath() {
    return PelloraLog::FilePath();
}

void ctlPellora::CheckInitialized() const {
    if (!blnInitialized) {
        throw PelloraError::NotInitialized();
    }
}

void ctlPellora::RefreshView() {
    picVideo->hide();
    imgDisplay->hide();
    lstDevices->hide();
    fraButtons->hide();
    switch (intViewMode) {
    case ViewModes::LiveVideo:
        picVideo->show();
        break;
    case ViewModes::Still:
        imgDisplay->show();
        break;
    case ViewModes::DeviceList:
        lstDevices->show();
        fraButtons->show();
        break;
    case ViewModes::None:
        break;
    }
}

// ---- public methods ----

QString ctlPellora::InitControl() {
    try {
        blnInitialized = false;
        // A preview left running would keep the device busy behind the new list.
        if (lngCapHwnd != nullptr) {
            ClosePreviewWindow();
        }
        LoadDeviceList();
        intDeviceState = DeviceStates::Initialising;
        if (lstDevices->count() == 0) {
            intDeviceState = DeviceStates::NoDeviceFound;
            intViewMode = ViewModes::DeviceList;
            RefreshView();
            lstDevices->addItem(QStringLiteral("(No Device Available)"));
            return kNoDeviceFound;
        }
        intDeviceState = DeviceStates::DeviceReady;
        SelectCurrentDevice();
        intViewMode = ViewModes::LiveVideo;
        RefreshView();
        blnInitialized = true;
        return QString();
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("InitControl"));
        return Describe(error);
    }
}

QString ctlPellora::DisposeControl() {
    try {
        if (intDeviceState == DeviceStates::PreviewRunning) {
            ClosePreviewWindow();
        }
        return QString();
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("DisposeControl"));
        return Describe(error);
    }
}

QString ctlPellora::StartCapture() {
    CheckInitialized();
    try {
        switch (intDeviceState) {
        case DeviceStates::NoDeviceFound:
            return kNoDeviceFound;
        case DeviceStates::DeviceError:
            return kDeviceError;
        case DeviceStates::PreviewRunning:
            return kVideoAlreadyRunning;
        default:
            break;
        }
        const QString answer = OpenPreviewWindow();
        if (!answer.isEmpty()) {
            intDeviceState = DeviceStates::DeviceError;
            return answer;
        }
        intDeviceState = DeviceStates::PreviewRunning;
        intViewMode = ViewModes::LiveVideo;
        RefreshView();
        return QString();
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("StartCapture"));
        return Describe(error);
    }
}

QString ctlPellora::StopCapture() {
    try {
        if (intDeviceState == DeviceStates::DeviceReady) {
            return kNoVideoRunning;
        }
        if (intDeviceState == DeviceStates::PreviewRunning) {
            ClosePreviewWindow();
            intDeviceState = DeviceStates::DeviceReady;
        }
        return QString();
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("StopCapture"));
        return Describe(error);
    }
}

QString ctlPellora::ShowDeviceList() {
    if (intDeviceState == DeviceStates::PreviewRunning) {
        StopCapture();
    }
    intViewMode = ViewModes::DeviceList;
    RefreshView();
    return QString();
}

bool ctlPellora::IsDeviceReady() const {
    return intDeviceState != DeviceStates::NoDeviceFound &&
           intDeviceState != DeviceStates::DeviceError;
}

QString ctlPellora::CaptureImage() {
    CheckInitialized();
    const QString folder = GetTempFolderPath();
    try {
        const bool copied = CopyFrameToClipboard();
        if (!copied || intDeviceState != DeviceStates::PreviewRunning) {
            return kNotInPreviewMode;
        }
        CheckFileName(strSaveImageFileName);
        const QString path = folder % strSaveImageFileName;
        SaveClipboardPicture(path);
        const QString answer = UploadImageFile();
        StopCapture();
        LoadPictureInto(imgDisplay, path);
        intViewMode = ViewModes::Still;
        RefreshView();
        return answer;
    } catch (const std::exception& error) {
        PelloraLog::LogMessage(Describe(error) % u" - Method: CaptureImage; Path: " % folder %
                               u"; FileName: " % strSaveImageFileName);
        return Describe(error);
    }
}

QString ctlPellora::ShowImage() {
    CheckInitialized();
    if (intDeviceState == DeviceStates::PreviewRunning) {
        StopCapture();
    }
    intViewMode = ViewModes::Still;
    RefreshView();
    if (!strShowImageServerGetUrl.isEmpty()) {
        DisplayImageFile(strShowImageServerGetUrl);
    } else if (!strNoImageServerGetUrl.isEmpty()) {
        DisplayImageFile(strNoImageServerGetUrl);
    } else {
        return QStringLiteral("Cannot ShowImage; both ShowImage and NoImage Get Urls are empty!");
    }
    return QString();
}

QVariant ctlPellora::ClearImage() {
    try {
        if (intDeviceState == DeviceStates::PreviewRunning) {
            StopCapture();
        }
        intViewMode = ViewModes::Still;
        RefreshView();
        picVideo->clear();
        imgDisplay->clear();
        if (!strNoImageServerGetUrl.isEmpty()) {
            DisplayImageFile(strNoImageServerGetUrl);
        }
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("ClearImage"));
    }
    return QVariant();
}

// ---- device list buttons and layout ----

void ctlPellora::btnOK_Click() {
    // With nothing selected the current device stays.
    if (lstDevices->currentRow() >= 0) {
        intDeviceIndex = static_cast<qint16>(lstDevices->currentRow());
        lstDevices->setToolTip(lstDevices->currentItem()->text());
    }
    intViewMode = ViewModes::LiveVideo;
    RefreshView();
}

void ctlPellora::btnCancel_Click() {
    intViewMode = ViewModes::LiveVideo;
    RefreshView();
}

void ctlPellora::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void ctlPellora::UserControl_Resize() {
    if (Twips(height()) < kMinimumTwips || Twips(width()) < kMinimumTwips) {
        resize(std::max(width(), Pixels(kMinimumTwips)), std::max(height(), Pixels(kMinimumTwips)));
    }
    const int w = Twips(width());
    const int h = Twips(height());
    picVideo->setGeometry(Pixels(4), Pixels(4), Pixels(w - 20), Pixels(h - 20));
    imgDisplay->setGeometry(Pixels(4), Pixels(4), Pixels(w - 20), Pixels(h - 20));
    LayOutButtons(Pixels(w - 20));
    // The buttons go below the list and both stay inside the control at every allowed size.
    const int buttonsTwips = Twips(fraButtons->height());
    lstDevices->setGeometry(Pixels(4), Pixels(4), Pixels(w - 20),
                            Pixels(h - 20 - buttonsTwips - 2 * kListGapTwips));
    const int frameWidth = Twips(fraButtons->width());
    fraButtons->move(Pixels(w - frameWidth - (w - frameWidth) / 2.0),
                     lstDevices->geometry().bottom() + 1 + Pixels(kListGapTwips));
    if (lngCapHwnd != nullptr) {
        lngCapHwnd->setGeometry(picVideo->contentsRect());
    }
}

// Both buttons as wide as the longer caption needs, up to the design width, sharing the room
// when the control is narrow.
void ctlPellora::LayOutButtons(int availableWidth) {
    const QFontMetrics metrics(btnOK->font());
    const int caption = std::max(metrics.horizontalAdvance(btnOK->text()),
                                 metrics.horizontalAdvance(btnCancel->text()));
    const int shared = (availableWidth - kButtonGap) / 2;
    const int buttonWidth = std::max(caption + 2 * kCaptionPadding, std::min(kButtonWidth, shared));
    const int buttonHeight = std::max(kButtonHeight, metrics.height() + 2 * kCaptionPadding);
    btnOK->setGeometry(0, 0, buttonWidth, buttonHeight);
    btnCancel->setGeometry(buttonWidth + kButtonGap, 0, buttonWidth, buttonHeight);
    fraButtons->resize(2 * buttonWidth + kButtonGap, buttonHeight);
}

// ---- capture device, preview and still ----

void ctlPellora::LoadDeviceList() {
    lstDevices->clear();
    devices.clear();
    try {
        for (const PelloraDevice& device : PelloraDeviceList::Load()) {
            devices.push_back(device);
            lstDevices->addItem(device.name);
        }
    } catch (const std::exception& error) {
        LogMethodError(Describe(error), QStringLiteral("LoadDeviceList"));
    }
}

void ctlPellora::SelectCurrentDevice() {
    if (intDeviceIndex >= lstDevices->count()) {
        intDeviceIndex = 0;
    }
    if (intDeviceIndex < 0) {
        throw std::runtime_error("Invalid property value");
    }
    lstDevices->setCurrentRow(intDeviceIndex);
    lstDevices->setToolTip(lstDevices->currentItem()->text());
}

QString ctlPellora::OpenPreviewWindow() {
    try {
        lngCapHwnd = new PelloraCaptureWindow(picVideo);
        lngCapHwnd->setWindowTitle(QString::number(intDeviceIndex));
        connect(lngCapHwnd, &PelloraCaptureWindow::Failed, this, [](const QString& reason) {
            LogMethodError(reason, QStringLiteral("OpenPreviewWindow"));
        });
        QString reason =
            QStringLiteral("no capture device at index ") % QString::number(intDeviceIndex);
        const bool known = intDeviceIndex >= 0 && intDeviceIndex < std::ssize(devices);
        if (!known || !lngCapHwnd->DriverConnect(devices[intDeviceIndex], &reason)) {
            delete lngCapHwnd;
            lngCapHwnd = nullptr;
            LogMethodError(kDeviceError % u": " % reason, QStringLiteral("OpenPreviewWindow"));
            return kDeviceError;
        }
        lngCapHwnd->setGeometry(picVideo->contentsRect());
        lngCapHwnd->show();
        return QString();
    } catch (const std::exception& error) {
        delete lngCapHwnd;
        lngCapHwnd = nullptr;
        LogMethodError(Describe(error), QStringLiteral("OpenPreviewWindow"));
        return Describe(error);
    }
}

void ctlPellora::ClosePreviewWindow() {
    if (lngCapHwnd == nullptr) {
        return;
    }
    lngCapHwnd->DriverDisconnect();
    delete lngCapHwnd;
    lngCapHwnd = nullptr;
}

QString ctlPellora::GetTempFolderPath() {
    return QDir::tempPath() % u'/';
}

bool ctlPellora::CopyFrameToClipboard() {
    return lngCapHwnd != nullptr && lngCapHwnd->EditCopy();
}

void ctlPellora::SaveClipboardPicture(const QString& path) {
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull()) {
        throw std::runtime_error("The clipboard holds no picture");
    }
    // A bitmap whatever the name's extension.
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP")) {
        throw std::runtime_error("The picture could not be saved as " + path.toStdString());
    }
    PelloraPrivateFile::Write(path, bitmap);
}

void ctlPellora::LoadPictureInto(QLabel* target, const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        throw std::runtime_error("Invalid picture");
    }
    target->setPixmap(QPixmap::fromImage(picture));
}

// ---- image transfer over HTTP ----

void ctlPellora::DisplayImageFile(const QString& url) {
    const QString path = GetTempFolderPath() % kDownloadFile;
    try {
        PelloraHttpRequest request;
        const PelloraHttpRequest::Reply reply = request.Get(url);
        if (!reply.IsOk()) {
            PelloraLog::LogMessage(u"DisplayImageFile() failed with status: " %
                                   QString::number(reply.status) % u" (" % reply.statusText % u")");
            imgDisplay->clear();
            return;
        }
        PelloraPrivateFile::Write(path, reply.body);
        LoadPictureInto(imgDisplay, path);
    } catch (const std::exception& error) {
        PelloraLog::LogMessage(u"Error in DisplayImageFile() - " % url % u" - " % Describe(error));
    }
}

QString ctlPellora::UploadImageFile() {
    const QString parameters =
        u"FileName=" % strSaveImageFileName % u"&FileSavePath=" % strSaveImageFileSavePath;
    return UploadFiles({strSaveImageFileName}, strSaveImageServerPostUrl, parameters);
}

QString ctlPellora::UploadFiles(const QStringList& files, const QString& url,
                                const QString& parameters) {
    const QString requestUrl = url % u"?slots=" % QString::number(files.size()) % u'&' % parameters;
    try {
        PelloraHttpRequest request;
        const auto limit = std::chrono::milliseconds(PelloraHttpRequest::kDefaultLimit);
        request.SetTimeouts(limit, limit, limit, limit);
        request.SetRequestHeader("Content-Type", PelloraMultipartBody::ContentType());
        std::vector<PelloraMultipartBody::File> parts;
        for (const QString& name : files) {
            parts.push_back({name, ReadFileContents(name)});
        }
        const PelloraHttpRequest::Reply reply =
            request.Post(requestUrl, PelloraMultipartBody::Build(parts));
        const QString text = QString::fromUtf8(reply.body);
        if (text.startsWith(u"OK_FILE_UPLOADED")) {
            return QString();
        }
        PelloraLog::LogMessage(u"Error in UploadImageFile() - " % text);
        return u"UPLOAD_FAILED: " % text;
    } catch (const std::exception& error) {
        PelloraLog::LogMessage(u"Error in UploadFiles() - " % Describe(error));
        return Describe(error) % u" (" % requestUrl % u")";
    }
}

QByteArray ctlPellora::ReadFileContents(const QString& name) {
    CheckFileName(name);
    QFile file(GetTempFolderPath() % name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("File not found: " + name.toStdString());
    }
    return file.readAll();
}
