#include "frmMain.h"

#include "LimitedTextEdit.h"
#include "LinkLabel.h"
#include "MainStatusBar.h"
#include "MsgBox.h"
#include "QVButton.h"
#include "ToolTip.h"
#include "VisitorListModel.h"
#include "core/AppEnvironment.h"
#include "core/CoreError.h"
#include "core/RecordSet.h"
#include "core/Settings.h"
#include "core/Visitor.h"
#include "core/basCommon.h"
#include "ctlPellora.h"
#include "mainwindow/ApplicationError.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"
#include "windows/frmSettings.h"
#include "windows/frmSettingsLogin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <exception>
#include <functional>
#include <optional>

namespace {

// Hovered shortcut row (&HE0E0E0).
const QColor kHoverColour(0xE0, 0xE0, 0xE0);

// Three lines each, joined by CR LF.
const char* const kAdvertisementTips[5][3] = {
    {"Electronically capture visitor information", "from business card; results include",
     "greater accuracy & reduced check-in time."},
    {"A cost-effective, time saving digital solution", "that enables accurate tracking of",
     "visitor's luggage and swift checkout."},
    {"Visitor particulars pre-fed into the system", "by employees are quickly retrieved to",
     "generate Visitor IDs instantaneously."},
    {"System alerts issued indicating visitors who have",
     "exceeded their estimated visiting duration; critical in",
     "case of emergencies or identifying security breaches."},
    {"Seamless enterprise-wide integration, anywhere",
     "usability and anytime access are just some of",
     "the several benefits that your enterprise can avail."},
};

QString AdvertisementTip(int index) {
    return QString::fromLatin1(kAdvertisementTips[index][0]) + QStringLiteral("\r\n") +
           QString::fromLatin1(kAdvertisementTips[index][1]) + QStringLiteral("\r\n") +
           QString::fromLatin1(kAdvertisementTips[index][2]);
}

// The system's window background and window text colours.
QColor WindowBackground() {
    return QApplication::palette().color(QPalette::Base);
}

QColor WindowText() {
    return QApplication::palette().color(QPalette::Text);
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, WindowText());
    widget->setPalette(palette);
}

// Record-set columns the checked-in list shows, by position: PassNo, Name, Company, ToMeet,
// Department; CheckedIn comes last, as a date.
constexpr int kCheckedInTextColumns[] = {0, 1, 5, 8, 9};
constexpr int kCheckedInDateColumn = 11;

} // namespace

frmMain::frmMain(QWidget* parent)
    : QWidget(parent) {
    Q_INIT_RESOURCE(frmMain);
    BuildWindow();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    }
}

frmMain::~frmMain() = default;

void frmMain::Load() {
    if (blnLoaded) {
        return;
    }
    blnLoaded = true;
    Form_Load();
}

void frmMain::Form_Load() {
    strLoginTime = VisitorListModel::FormatListDate(AppEnvironment::Now());
    bool adRotateEnabled = false;
    {
        Settings settings;
        strProductURL = settings.GetQuorvaneURL();
        adRotateEnabled = settings.IsAdRotateEnabled();
    }
    statusBar->SetPanelText(2, QStringLiteral("Visit us at ") + strProductURL + u'!');
    if (adRotateEnabled) {
        SetAdvertisementsUp();
    } else {
        for (QLabel* picture : picAd) {
            picture->hide();
        }
    }

    ctlWebcam->InitControl();

    fraSearch->setGeometry(fraMain->geometry());
    fraCheckedInList->setGeometry(fraMain->geometry());
    EnableNewMode();
    intDeleteLeft = btnDelete->x();
    LoadListWidths();
    LoadSearchFilters();
}

void frmMain::SetAdvertisementsUp() {
    intAdCount = 5;
    for (int index = 0; index < 5; ++index) {
        ToolTip::AddToolTip(picAd[index], AdvertisementTip(index), this);
    }
    RotateAdvertisement();
}

void frmMain::EnableNewMode() {
    ClearVisitorDetails(true);
    fraMain->show();
    btnCheckIn->show();
    btnClear->show();
    fraWebCamControlContainer->show();
    fraSearch->hide();
    btnUpdate->hide();
    btnCheckOut->hide();
    btnDelete->hide();
    btnCancel->hide();
    fraCheckedInList->hide();
    imgVImagePreview->hide();
    statusBar->SetPanelText(1, QStringLiteral("Add new visitor and print a pass"));
    FocusIgnoringFailure(txtPassNo);
}

void frmMain::EnableEditMode() {
    ClearVisitorDetails(false);
    fraSearch->hide();
    fraCheckedInList->hide();
    btnClear->hide();
    btnCheckIn->hide();
    fraMain->show();
    btnUpdate->show();
    btnCancel->show();
    btnCheckOut->show();
    btnDelete->show();
    statusBar->SetPanelText(1, QStringLiteral("Edit checked in visitor"));
    FocusIgnoringFailure(txtPassNo);
}

void frmMain::EnableSearchMode() {
    fraMain->hide();
    fraSearch->show();
    fraCheckedInList->hide();
    statusBar->SetPanelText(1, QStringLiteral("Search for Visitors with available filters"));
    FocusIgnoringFailure(txtSearchPassNo);
}

void frmMain::EnableCheckedInListMode() {
    try {
        FillCheckedInList();
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()),
                            QStringLiteral("EnableCheckedInListMode"));
        return;
    }
    fraMain->hide();
    fraSearch->hide();
    fraCheckedInList->show();
    statusBar->SetPanelText(1, QStringLiteral("View the list of all checked-in visitors"));
}

// Rows are added as they are read, so the rows read before a failure stay listed.
void frmMain::FillCheckedInList() {
    mdlCheckedInList->Clear();
    Visitor visitor;
    std::optional<RecordSet> records = visitor.GetCheckedInVisitorList();
    if (!records) {
        throw CoreError(QStringLiteral("The list of checked-in visitors could not be read."));
    }
    const auto column = [&records](int row, int position) {
        if (position >= records->FieldCount()) {
            throw CoreError(
                QStringLiteral("The list of checked-in visitors has no column %1.").arg(position));
        }
        return records->Value(row, position);
    };
    try {
        const int count = qMin(records->RecordCount(), CheckedInListCap);
        for (int row = 0; row < count; ++row) {
            const int item =
                mdlCheckedInList->AddItem(column(row, kCheckedInTextColumns[0]).toString());
            for (int subItem = 1; subItem < 5; ++subItem) {
                mdlCheckedInList->SetSubItem(
                    item, subItem, column(row, kCheckedInTextColumns[subItem]).toString());
            }
            mdlCheckedInList->SetSubItem(
                item, 5, VisitorListModel::ListDateText(column(row, kCheckedInDateColumn)));
        }
    } catch (...) {
        mdlCheckedInList->ApplySort();
        throw;
    }
    mdlCheckedInList->ApplySort();
}

// A box that cannot be seen does not take the focus: Qt would give it to a child of a hidden panel,
// and what is typed next would vanish there. Before the window is first shown the focus is only
// remembered, so the box the mode names has it when the window appears.
void frmMain::FocusIgnoringFailure(QWidget* widget) {
    if (widget != nullptr && widget->isEnabled() && widget->isVisibleTo(widget->window())) {
        widget->setFocus(Qt::OtherFocusReason);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (blnUnloaded) {
        event->accept();
        return;
    }
    // A close that reaches the window while a search is still reading waits for no answer: the
    // search is short, and the window must not unload under it.
    if (blnListingSearch) {
        event->ignore();
        return;
    }
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

// False when the user keeps the window open.
bool frmMain::Form_QueryUnload() {
    return MsgBox::Show(this, QStringLiteral("Are you sure to exit!"), MsgBox::Buttons::YesNo,
                        MsgBox::Icon::Question,
                        QStringLiteral("Confirm Exit")) == MsgBox::Result::Yes;
}

// Every error is ignored, so the webcam is released whatever happened before.
void frmMain::Form_Unload() {
    blnUnloaded = true;
    try {
        SaveListWidths();
    } catch (...) {
    }
    try {
        ctlWebcam->DisposeControl();
    } catch (...) {
    }
}

void frmMain::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    QuickPickEvent(watched, event);
    if (event->type() == QEvent::MouseMove) {
        if (watched == fraMain) {
            fraMain_MouseMove();
        } else if (watched == lblBGNew) {
            lblBGNew_MouseMove();
        } else if (watched == lblBGSearch) {
            lblBGSearch_MouseMove();
        } else if (watched == lblBGCheckedinList) {
            lblBGCheckedinList_MouseMove();
        } else if (watched == lblBannerShortcut) {
            lblBannerShortcut_MouseMove();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::Form_MouseMove() {
    ResetLinkHighlight();
    SwitchTickerOn();
}

void frmMain::fraMain_MouseMove() {
    SwitchTickerOn();
}

void frmMain::SwitchTickerOn() {
    if (!tmrScroller->isActive()) {
        tmrScroller->start();
    }
}

void frmMain::lblBGNew_MouseMove() {
    ResetLinkHighlight();
    HighlightLink(lblBGNew, lblLinkNew);
}

void frmMain::lblBGSearch_MouseMove() {
    ResetLinkHighlight();
    HighlightLink(lblBGSearch, lblLnkSearch);
}

void frmMain::lblBGCheckedinList_MouseMove() {
    ResetLinkHighlight();
    HighlightLink(lblBGCheckedinList, lblLnkCheckedInList);
}

void frmMain::lblBannerShortcut_MouseMove() {
    ResetLinkHighlight();
}

void frmMain::HighlightLink(QLabel* background, QLabel* link) {
    SetBackground(link, kHoverColour);
    SetBackground(background, kHoverColour);
}

void frmMain::ResetLinkHighlight() {
    for (QLabel* label :
         std::initializer_list<QLabel*>{lblBGNew, lblLinkNew, lblBGCheckedinList,
                                        lblLnkCheckedInList, lblBGSearch, lblLnkSearch}) {
        SetBackground(label, WindowBackground());
    }
}

// An error must not leave an event handler, so what a link runs is reported as start-up reports
// an unhandled error, and the window goes on.
void frmMain::ReportingErrors(const QString& source, const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()), source);
    } catch (...) {
        ApplicationError::Report(QStringLiteral("Unknown error"), source);
    }
}

void frmMain::lblLinkNew_Click() {
    ReportingErrors(QStringLiteral("lblLinkNew_Click"), [this] { EnableNewMode(); });
}

void frmMain::lblLnkSearch_Click() {
    ReportingErrors(QStringLiteral("lblLnkSearch_Click"), [this] { EnableSearchMode(); });
}

void frmMain::lblLnkCheckedInList_Click() {
    ReportingErrors(QStringLiteral("lblLnkCheckedInList_Click"),
                    [this] { EnableCheckedInListMode(); });
}

// The help window has no owner, so it may stay open after this window has closed.
void frmMain::lblLnkHelp_Click() {
    ReportingErrors(QStringLiteral("lblLnkHelp_Click"), [] { frmHelp::ShowHelp(); });
}

void frmMain::lblLnkSettings_Click() {
    // The settings windows are modal; this window comes back when they close, however they end.
    hide();
    ReportingErrors(QStringLiteral("lblLnkSettings_Click"), [] {
        // A settings password that cannot be read raises, so nothing opens then.
        if (Settings().ReadTableRow().AdminPassword.isEmpty()) {
            frmSettings settings;
            settings.exec();
        } else {
            frmSettingsLogin login;
            login.exec();
        }
    });
    show();
}

void frmMain::lblLnkAbout_Click() {
    ReportingErrors(QStringLiteral("lblLnkAbout_Click"), [this] {
        frmAbout about(this);
        about.exec();
    });
}

void frmMain::lblLnkExit_Click() {
    close();
}
