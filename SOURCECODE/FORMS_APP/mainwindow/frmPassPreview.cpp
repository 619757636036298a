#include "frmPassPreview.h"

#include "PictureFile.h"
#include "StepTrap.h"
#include "WindowPrinter.h"
#include "core/Settings.h"
#include "core/basCommon.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLocale>

#include <exception>
#include <functional>

namespace {

constexpr int kEscape = 27;

void SetSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

} // namespace

frmPassPreview::frmPassPreview(QWidget* owner)
    : QDialog(owner) {
    BuildWindow();
}

frmPassPreview::~frmPassPreview() = default;

void frmPassPreview::Load() {
    if (blnLoaded) {
        return;
    }
    blnLoaded = true;
    Form_Load();
}

int frmPassPreview::ShowModal() {
    Load();
    setWindowModality(Qt::ApplicationModal);
    return exec();
}

QString frmPassPreview::GetFormatedDate(const QDateTime& objDate) {
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .toString(objDate, QStringLiteral("dd-MMM-yyyy hh:mm AP"));
}

// A failing footer or print is logged and ends the loading; the window still opens.
void frmPassPreview::Form_Load() {
    try {
        Settings settings;
        SetSizedText(lblSite, settings.GetQuorvaneURL());
        SetSizedText(lblFooterBranding, settings.GetPassFooterText());
        FillFromVisitor();
        SkippingErrors([&] { lblCompanyName->setText(settings.GetCompanyName()); });
        // Without a readable base folder the pictures stay empty.
        SkippingErrors([&] { LoadPictures(basCommon::GetBaseFolder()); });
        SkippingErrors([&] { lblDateTime->setText(GetFormatedDate(PassVisitor.CheckedIn())); });
        WindowPrinter::PrintWindow(this);
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromUtf8(error.what()),
                            QStringLiteral("PassPreview.Form_Load"));
    }
}

void frmPassPreview::FillFromVisitor() {
    SkippingErrors([&] { SetSizedText(lblPassNo, PassVisitor.PassNo()); });
    SkippingErrors([&] { lblVisitorName->setText(PassVisitor.VisitorName()); });
    SkippingErrors([&] { lblDepartment->setText(PassVisitor.Department()); });
    SkippingErrors([&] { lblEmployee->setText(PassVisitor.ToMeet()); });
    SkippingErrors([&] { lblFromCompany->setText(PassVisitor.Company()); });
    SkippingErrors([&] { lblVisitorType->setText(PassVisitor.VisitorType()); });
}

// A missing or unreadable file leaves its image empty.
void frmPassPreview::LoadPictures(const QString& baseFolder) {
    SkippingErrors([&] {
        const QPixmap logo = PictureFile::Load(basCommon::FindFileIgnoringCase(
            baseFolder + QStringLiteral("/Images/Logo"), QStringLiteral("logo.jpg")));
        imgLogo->setPixmap(logo);
        if (!logo.isNull()) {
            imgLogo->resize(logo.size());
        }
    });
    SkippingErrors([&] {
        imgVisitor->setPixmap(PictureFile::Load(baseFolder + QStringLiteral("/Images/Visitors/") +
                                                PassVisitor.PassNo() + QStringLiteral(".jpg")));
    });
}

void frmPassPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Form_KeyPress(kEscape);
    }
    event->accept();
}

void frmPassPreview::Form_KeyPress(int KeyAscii) {
    if (KeyAscii == kEscape) {
        reject();
    }
}
