// The main window's controls and where they stand. Positions are pixels (15 twips a pixel).
#include "frmMain.h"

#include "LimitedTextEdit.h"
#include "LinkLabel.h"
#include "MainStatusBar.h"
#include "QVButton.h"
#include "SearchResultsModel.h"
#include "VisitorListModel.h"
#include "WindowLook.h"
#include "ctlPellora.h"

#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QTreeView>

namespace {

const QRect kPageRect(164, 48, 650, 495);           // 2460, 720, 9750, 7425
const QRect kWebcamRect(260, 314, 117, 148);        // 3900, 4710, 1755, 2220
const QRect kShortcutsRect(8, 48, 152, 137);        // 120, 720, 2280, 2055
const QRect kAdvertisementRect(7, 194, 152, 347);   // 105, 2910, 2280, 5205
const QRect kVisitorButtonsRect(262, 454, 378, 32); // inside the details page
constexpr int kStatusBarHeight = 24;
constexpr int kBannerHeight = 44;
constexpr int kHeaderHeight = 26;
constexpr int kFieldHeight = 22;
constexpr int kLabelWidth = 80;
constexpr int kLeftLabel = 12;
constexpr int kLeftField = 96;
constexpr int kRightLabel = 330;
constexpr int kRightField = 414;

const QColor kHeaderColour(0x1F, 0x3A, 0x5F);
const QColor kLockedColour(0xE0, 0xE0, 0xE0);
const QColor kFrameLine(0xB4, 0xB4, 0xB4);

struct ListColumn {
    const char* header;
    VisitorListModel::Kind kind;
    int width; // pixels
};

// Checked-in list: 1440, 2000, 1600, 1600, 1440, 1440 twips.
constexpr ListColumn kCheckedInColumns[] = {
    {"Pass No.", VisitorListModel::Kind::Number, 96},
    {"Visitor Name", VisitorListModel::Kind::Text, 133},
    {"Company", VisitorListModel::Kind::Text, 107},
    {"To Meet", VisitorListModel::Kind::Text, 107},
    {"Department", VisitorListModel::Kind::Text, 96},
    {"Checked-In", VisitorListModel::Kind::Date, 96},
};

// Search results: 1800 twips for the name, 1440 for the others.
constexpr ListColumn kSearchColumns[] = {
    {"Pass No.", VisitorListModel::Kind::Number, 96},
    {"Visitor Name", VisitorListModel::Kind::Text, 120},
    {"Contact No.", VisitorListModel::Kind::Text, 96},
    {"Email", VisitorListModel::Kind::Text, 96},
    {"Company", VisitorListModel::Kind::Text, 96},
    {"Visitor Type", VisitorListModel::Kind::Text, 96},
    {"Purpose", VisitorListModel::Kind::Text, 96},
    {"To Meet", VisitorListModel::Kind::Text, 96},
    {"Department", VisitorListModel::Kind::Text, 96},
    {"Checked-In", VisitorListModel::Kind::Date, 96},
    {"Checked-Out", VisitorListModel::Kind::Date, 96},
};

template <std::size_t N>
QList<VisitorListModel::Column> ModelColumns(const ListColumn (&columns)[N]) {
    QList<VisitorListModel::Column> result;
    for (const ListColumn& column : columns) {
        result.append({QString::fromLatin1(column.header), column.kind});
    }
    return result;
}

template <std::size_t N>
void SetColumnWidths(QTreeView* view, const ListColumn (&columns)[N]) {
    for (std::size_t index = 0; index < N; ++index) {
        view->setColumnWidth(static_cast<int>(index), columns[index].width);
    }
}

// A thin grey line around a frame, drawn by a widget of its own beneath the frame's controls, so
// the frame's text colour stays the window's.
void AddBorder(QWidget* frame) {
    auto* border = new QFrame(frame);
    border->setObjectName(frame->objectName() + QStringLiteral("Border"));
    border->setFrameShape(QFrame::Box);
    WindowLook::SetColour(border, QPalette::WindowText, kFrameLine);
    border->setAttribute(Qt::WA_TransparentForMouseEvents);
    border->setGeometry(frame->rect());
    border->lower();
}

QLabel* MakeHeading(QWidget* parent, const QString& name, const QString& text, int top) {
    auto* heading = new QLabel(text, parent);
    heading->setObjectName(name);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setGeometry(kLeftLabel, top, 300, 18);
    return heading;
}

} // namespace

void frmMain::BuildWindow() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quorvane Lite :: Visitor Management System"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    WindowLook::Apply(this, QSize(ClientWidth, ClientHeight));
    setMouseTracking(true);

    BuildTopBar();
    BuildAdvertisements();
    BuildDetailsPage();
    BuildWebcamFrame();
    BuildWebcamButtons();
    ConnectDetailsButtons();
    BuildStatusBar();
    BuildShortcuts();
    BuildSearchPage();
    BuildCheckedInListPage();
    BuildQuickPick();
    ConnectSearchPage();
    BuildListMenus();
    ConnectListEvents();

    tmrScroller = new QTimer(this);
    tmrScroller->setObjectName(QStringLiteral("tmrScroller"));
    tmrScroller->setInterval(4000);
    connect(tmrScroller, &QTimer::timeout, this, &frmMain::tmrScroller_Timer);

    // Stacking order, bottom first: the advertisements, the details page, the webcam frame above
    // it, the status bar, the shortcuts panel, then the search and checked-in list pages, which
    // cover the webcam frame when shown, and the Quick Pick panel over everything.
    for (QWidget* widget : picAd) {
        widget->raise();
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{
             fraMain, fraWebCamControlContainer, statusBar, frameAdvertisements, fraSearch,
             fraCheckedInList, fraSimpleSearch}) {
        widget->raise();
    }

    WindowLook::KeepMouseMovesToBackground(this);
}

void frmMain::BuildTopBar() {
    imgBanner = WindowLook::MakePicture(this, QStringLiteral("imgBanner"),
                                        QStringLiteral(":/frmMain/banner.png"),
                                        QRect(0, 0, ClientWidth, kBannerHeight));
    imgLogo = WindowLook::MakePicture(this, QStringLiteral("imgLogo"),
                                      QStringLiteral(":/frmMain/logo.png"), QRect(8, 4, 180, 36));

    const struct {
        LinkLabel** link;
        const char* name;
        const char* caption;
        void (frmMain::*handler)();
    } links[] = {
        {&lblLnkHelp, "lblLnkHelp", "Help", &frmMain::lblLnkHelp_Click},
        {&lblLnkSettings, "lblLnkSettings", "Settings", &frmMain::lblLnkSettings_Click},
        {&lblLnkAbout, "lblLnkAbout", "About", &frmMain::lblLnkAbout_Click},
        {&lblLnkExit, "lblLnkExit", "Exit", &frmMain::lblLnkExit_Click},
    };
    int left = 600;
    int separator = 0;
    for (const auto& entry : links) {
        if (separator > 0) {
            auto* bar = new QLabel(QStringLiteral("|"), this);
            bar->setObjectName(QStringLiteral("lblSeparator%1").arg(separator));
            WindowLook::SetColour(bar, QPalette::WindowText, Qt::white);
            bar->setGeometry(left, 14, 8, 16);
            left += 12;
        }
        ++separator;
        LinkLabel* link =
            MakeLink(this, QString::fromLatin1(entry.name), QString::fromLatin1(entry.caption));
        WindowLook::SetColour(link, QPalette::WindowText, Qt::white);
        link->adjustSize();
        link->move(left, 14);
        left += link->width() + 8;
        *entry.link = link;
        connect(link, &LinkLabel::Click, this, entry.handler);
    }
}

void frmMain::BuildAdvertisements() {
    for (int index = 0; index < 5; ++index) {
        picAd[index] = WindowLook::MakePicture(this, QStringLiteral("picAd%1").arg(index + 1),
                                               QStringLiteral(":/frmMain/ad%1.png").arg(index + 1),
                                               kAdvertisementRect);
    }
}

QFrame* frmMain::MakePage(const QString& name, const QString& header) {
    auto* page = new QFrame(this);
    page->setObjectName(name);
    page->setAutoFillBackground(true);
    WindowLook::SetColour(page, QPalette::Window, Qt::white);
    page->setGeometry(kPageRect);
    AddBorder(page);

    auto* band = new QLabel(header, page);
    band->setObjectName(name + QStringLiteral("Header"));
    band->setAutoFillBackground(true);
    WindowLook::SetColour(band, QPalette::Window, kHeaderColour);
    WindowLook::SetColour(band, QPalette::WindowText, Qt::white);
    QFont bold = band->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    band->setFont(bold);
    band->setIndent(8);
    band->setGeometry(1, 1, kPageRect.width() - 2, kHeaderHeight);
    return page;
}

QLabel* frmMain::MakeFieldLabel(QWidget* parent, const QString& name, const QString& caption,
                                QWidget* buddy, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    label->setGeometry(left, top, kLabelWidth, kFieldHeight);
    return label;
}

QLineEdit* frmMain::MakeLineEdit(QWidget* parent, const QString& name, int maxLength,
                                 const QRect& place) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (maxLength > 0) {
        box->setMaxLength(maxLength);
    }
    box->setGeometry(place);
    return box;
}

QComboBox* frmMain::MakeComboBox(QWidget* parent, const QString& name, const QRect& place) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // No inline completion: a typed "Acme" must not silently become a listed "Acme Industries".
    box->setCompleter(nullptr);
    box->setGeometry(place);
    return box;
}

QVButton* frmMain::MakeButton(QWidget* parent, const QString& name, const QString& caption,
                              const QRect& place) {
    auto* button = new QVButton(parent);
    button->setObjectName(name);
    button->SetCaption(caption);
    button->setGeometry(place);
    return button;
}

LinkLabel* frmMain::MakeLink(QWidget* parent, const QString& name, const QString& caption) {
    auto* link = new LinkLabel(caption, parent);
    link->setObjectName(name);
    link->setCursor(QCursor(QPixmap(QStringLiteral(":/frmMain/linkcursor.png")), 10, 2));
    return link;
}

QTreeView* frmMain::MakeListView(QWidget* parent, const QString& name, QAbstractItemModel* model,
                                 const QRect& place) {
    auto* view = new QTreeView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    view->setGeometry(place);
    return view;
}

void frmMain::BuildDetailsPage() {
    fraMain = MakePage(QStringLiteral("fraMain"), QStringLiteral("Visitor: New"));
    fraMain->setMouseTracking(true);
    fraMain->installEventFilter(this);
    BuildDetailsFields();
    BuildDetailsButtons();
    SetDetailsTabOrder();
}

void frmMain::BuildDetailsFields() {
    QWidget* page = fraMain;
    const int fieldWidth = 210;
    const int rightWidth = 224;

    txtPassNo = MakeLineEdit(page, QStringLiteral("txtPassNo"), 0,
                             QRect(kLeftField, 40, fieldWidth, kFieldHeight));
    txtPassNo->setReadOnly(true);
    WindowLook::SetColour(txtPassNo, QPalette::Base, kLockedColour);
    txtPassNo->setToolTip(QStringLiteral("Visitor Pass No"));
    MakeFieldLabel(page, QStringLiteral("lblPassNo"), QStringLiteral("Pass No."), txtPassNo,
                   kLeftLabel, 40);

    ddVisitorType = MakeComboBox(page, QStringLiteral("ddVisitorType"),
                                 QRect(kRightField, 40, rightWidth, kFieldHeight));
    ddVisitorType->setToolTip(QStringLiteral("Choose or Enter Visitor Type"));
    MakeFieldLabel(page, QStringLiteral("lblVisitorType"), QStringLiteral("Visitor &Type"),
                   ddVisitorType, kRightLabel, 40);

    txtName = MakeLineEdit(page, QStringLiteral("txtName"), 100,
                           QRect(kLeftField, 72, fieldWidth, kFieldHeight));
    txtName->setToolTip(
        QStringLiteral("Enter the Visitor Name (Press F2 to choose from the list)"));
    MakeFieldLabel(page, QStringLiteral("lblName"), QStringLiteral("&Name"), txtName, kLeftLabel,
                   72);

    txtMobileNo = MakeLineEdit(page, QStringLiteral("txtMobileNo"), 50,
                               QRect(kRightField, 72, rightWidth, kFieldHeight));
    txtMobileNo->setToolTip(QStringLiteral("Enter the Contact No"));
    MakeFieldLabel(page, QStringLiteral("lblMobileNo"), QStringLiteral("C&ontact No."), txtMobileNo,
                   kRightLabel, 72);

    txtEmail = MakeLineEdit(page, QStringLiteral("txtEmail"), 100,
                            QRect(kLeftField, 104, fieldWidth, kFieldHeight));
    txtEmail->setToolTip(QStringLiteral("Enter the Email Id"));
    MakeFieldLabel(page, QStringLiteral("lblEmail"), QStringLiteral("&Email ID"), txtEmail,
                   kLeftLabel, 104);

    ddCompany = MakeComboBox(page, QStringLiteral("ddCompany"),
                             QRect(kRightField, 104, rightWidth, kFieldHeight));
    ddCompany->setToolTip(QStringLiteral("Enter the Company"));
    MakeFieldLabel(page, QStringLiteral("lblCompany"), QStringLiteral("&Company"), ddCompany,
                   kRightLabel, 104);

    txtAddress = new LimitedTextEdit(250, page);
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    txtAddress->setGeometry(kLeftField, 136, fieldWidth, 112);
    txtAddress->setToolTip(QStringLiteral("Enter the Visitor Address"));
    MakeFieldLabel(page, QStringLiteral("lblAddress"), QStringLiteral("&Address"), txtAddress,
                   kLeftLabel, 136);

    ddPurpose = MakeComboBox(page, QStringLiteral("ddPurpose"),
                             QRect(kRightField, 136, rightWidth, kFieldHeight));
    ddPurpose->setToolTip(QStringLiteral("Enter the Purpose for visit"));
    MakeFieldLabel(page, QStringLiteral("lblPurpose"), QStringLiteral("&Purpose"), ddPurpose,
                   kRightLabel, 136);

    ddDepartment = MakeComboBox(page, QStringLiteral("ddDepartment"),
                                QRect(kRightField, 168, rightWidth, kFieldHeight));
    ddDepartment->setToolTip(QStringLiteral("Enter the Department"));
    MakeFieldLabel(page, QStringLiteral("lblDepartment"), QStringLiteral("&Department"),
                   ddDepartment, kRightLabel, 168);

    txtToMeet = MakeLineEdit(page, QStringLiteral("txtToMeet"), 100,
                             QRect(kRightField, 200, rightWidth, kFieldHeight));
    txtToMeet->setToolTip(
        QStringLiteral("Enter the person to meet (Press F2 to choose from the list)"));
    MakeFieldLabel(page, QStringLiteral("lblToMeet"), QStringLiteral("To &Meet"), txtToMeet,
                   kRightLabel, 200);

    txtRemarks = new LimitedTextEdit(250, page);
    txtRemarks->setObjectName(QStringLiteral("txtRemarks"));
    txtRemarks->setGeometry(kRightField, 232, rightWidth, 120);
    txtRemarks->setToolTip(QStringLiteral("Type in the remarks"));
    MakeFieldLabel(page, QStringLiteral("lblRemarks"), QStringLiteral("&Remarks"), txtRemarks,
                   kRightLabel, 232);

    // The stored photo of an edited visit takes the webcam frame's place.
    auto* photoLabel = new QLabel(QStringLiteral("Photo"), page);
    photoLabel->setObjectName(QStringLiteral("lblPhoto"));
    photoLabel->setGeometry(kLeftLabel, kWebcamRect.top() - kPageRect.top(), kLabelWidth,
                            kFieldHeight);
    imgVImagePreview = new QLabel(page);
    imgVImagePreview->setObjectName(QStringLiteral("imgVImagePreview"));
    imgVImagePreview->setScaledContents(true);
    imgVImagePreview->setFrameShape(QFrame::Box);
    imgVImagePreview->setGeometry(kWebcamRect.translated(-kPageRect.topLeft()));
    imgVImagePreview->hide();
}

void frmMain::BuildDetailsButtons() {
    fraVisitorButtons = new QFrame(fraMain);
    fraVisitorButtons->setObjectName(QStringLiteral("fraVisitorButtons"));
    fraVisitorButtons->setGeometry(kVisitorButtonsRect);

    // 1380 x 390 twips at top 75; lefts 45, 1425, 2835 and 4245.
    const auto place = [](int left) { return QRect(left, 5, 92, 26); };
    btnUpdate = MakeButton(fraVisitorButtons, QStringLiteral("btnUpdate"), QStringLiteral("Update"),
                           place(3));
    btnDelete = MakeButton(fraVisitorButtons, QStringLiteral("btnDelete"), QStringLiteral("Delete"),
                           place(95));
    btnCheckOut = MakeButton(fraVisitorButtons, QStringLiteral("btnCheckOut"),
                             QStringLiteral("Check-Out"), place(189));
    btnCancel = MakeButton(fraVisitorButtons, QStringLiteral("btnCancel"), QStringLiteral("Cancel"),
                           place(283));
    btnCheckIn = MakeButton(fraVisitorButtons, QStringLiteral("btnCheckIn"),
                            QStringLiteral("Check-In"), place(189));
    btnClear = MakeButton(fraVisitorButtons, QStringLiteral("btnClear"), QStringLiteral("Clear"),
                          place(283));
}

void frmMain::SetDetailsTabOrder() {
    QWidget* order[] = {txtPassNo,   ddVisitorType, txtName,   txtMobileNo,  txtEmail,
                        ddCompany,   txtAddress,    ddPurpose, ddDepartment, txtToMeet,
                        txtRemarks,  btnCheckIn,    btnClear,  btnUpdate,    btnDelete,
                        btnCheckOut, btnCancel};
    for (std::size_t index = 1; index < std::size(order); ++index) {
        setTabOrder(order[index - 1], order[index]);
    }
}

void frmMain::BuildWebcamFrame() {
    fraWebCamControlContainer = new QFrame(this);
    fraWebCamControlContainer->setObjectName(QStringLiteral("fraWebCamControlContainer"));
    fraWebCamControlContainer->setGeometry(kWebcamRect);
    AddBorder(fraWebCamControlContainer);
    ctlWebcam = new ctlPellora(fraWebCamControlContainer);
    ctlWebcam->setObjectName(QStringLiteral("ctlWebcam"));
    ctlWebcam->setGeometry(1, 1, kWebcamRect.width() - 2, kWebcamRect.height() - 2);
}

void frmMain::BuildStatusBar() {
    statusBar = new MainStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setGeometry(0, ClientHeight - kStatusBarHeight, ClientWidth, kStatusBarHeight);
    statusBar->SetPanelText(1, QStringLiteral("Ready!"));
}

void frmMain::BuildShortcuts() {
    frameAdvertisements = new QFrame(this);
    frameAdvertisements->setObjectName(QStringLiteral("frameAdvertisements"));
    frameAdvertisements->setAutoFillBackground(true);
    WindowLook::SetColour(frameAdvertisements, QPalette::Window, Qt::white);
    frameAdvertisements->setGeometry(kShortcutsRect);
    AddBorder(frameAdvertisements);

    lblBannerShortcut = new QLabel(QStringLiteral("Shortcuts"), frameAdvertisements);
    lblBannerShortcut->setObjectName(QStringLiteral("lblBannerShortcut"));
    lblBannerShortcut->setAutoFillBackground(true);
    WindowLook::SetColour(lblBannerShortcut, QPalette::Window, kHeaderColour);
    WindowLook::SetColour(lblBannerShortcut, QPalette::WindowText, Qt::white);
    QFont bold = lblBannerShortcut->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    lblBannerShortcut->setFont(bold);
    lblBannerShortcut->setIndent(8);
    lblBannerShortcut->setGeometry(1, 1, kShortcutsRect.width() - 2, 34);
    lblBannerShortcut->setMouseTracking(true);
    lblBannerShortcut->installEventFilter(this);

    const struct {
        QLabel** background;
        LinkLabel** link;
        const char* backgroundName;
        const char* arrowName;
        const char* linkName;
        const char* caption;
        int top; // 585, 945, 1305 twips
        void (frmMain::*handler)();
    } rows[] = {
        {&lblBGNew, &lblLinkNew, "lblBGNew", "lblArrowNew", "lblLinkNew", "New Visitor", 39,
         &frmMain::lblLinkNew_Click},
        {&lblBGCheckedinList, &lblLnkCheckedInList, "lblBGCheckedinList", "lblArrowCheckedInList",
         "lblLnkCheckedInList", "Checked-In List", 63, &frmMain::lblLnkCheckedInList_Click},
        {&lblBGSearch, &lblLnkSearch, "lblBGSearch", "lblArrowSearch", "lblLnkSearch", "Search", 87,
         &frmMain::lblLnkSearch_Click},
    };
    for (const auto& row : rows) {
        auto* background = new QLabel(frameAdvertisements);
        background->setObjectName(QString::fromLatin1(row.backgroundName));
        background->setAutoFillBackground(true);
        background->setGeometry(2, row.top, 147, 23); // 2205 x 345 twips
        background->setMouseTracking(true);
        background->installEventFilter(this);

        auto* arrow = new QLabel(QStringLiteral(">>"), frameAdvertisements);
        arrow->setObjectName(QString::fromLatin1(row.arrowName));
        arrow->setGeometry(8, row.top + 4, 18, 15);

        LinkLabel* link = MakeLink(frameAdvertisements, QString::fromLatin1(row.linkName),
                                   QString::fromLatin1(row.caption));
        link->setAutoFillBackground(true);
        link->adjustSize();
        link->move(28, row.top + 4);
        connect(link, &LinkLabel::Click, this, row.handler);

        *row.background = background;
        *row.link = link;
    }
    ResetLinkHighlight();
}

void frmMain::BuildSearchPage() {
    fraSearch = MakePage(QStringLiteral("fraSearch"), QStringLiteral("Visitor: Search"));
    MakeHeading(fraSearch, QStringLiteral("lblSearchFilter"), QStringLiteral("Search Filter"), 32);
    BuildSearchFilters();
    BuildSearchResults();
    SetSearchTabOrder();
}

void frmMain::BuildSearchFilters() {
    QWidget* page = fraSearch;
    const auto left = [](int top) { return QRect(kLeftField, top, 200, kFieldHeight); };
    const auto right = [](int top) { return QRect(kRightField, top, 150, kFieldHeight); };

    txtSearchPassNo = MakeLineEdit(page, QStringLiteral("txtSearchPassNo"), 5, left(56));
    MakeFieldLabel(page, QStringLiteral("lblSearchPassNo"), QStringLiteral("&Pass No."),
                   txtSearchPassNo, kLeftLabel, 56);
    txtSearchName = MakeLineEdit(page, QStringLiteral("txtSearchName"), 50, left(84));
    MakeFieldLabel(page, QStringLiteral("lblSearchName"), QStringLiteral("&Name"), txtSearchName,
                   kLeftLabel, 84);
    txtSearchEmail = MakeLineEdit(page, QStringLiteral("txtSearchEmail"), 50, left(112));
    MakeFieldLabel(page, QStringLiteral("lblSearchEmail"), QStringLiteral("&Email"), txtSearchEmail,
                   kLeftLabel, 112);
    ddSearchVisitorType = MakeComboBox(page, QStringLiteral("ddSearchVisitorType"), left(140));
    ddSearchVisitorType->addItems(
        {QStringLiteral("General"), QStringLiteral("Vendor"), QStringLiteral("Others")});
    ddSearchVisitorType->setCurrentIndex(-1);
    MakeFieldLabel(page, QStringLiteral("lblSearchVisitorType"), QStringLiteral("Visitor &Type"),
                   ddSearchVisitorType, kLeftLabel, 140);
    ddSearchCompany = MakeComboBox(page, QStringLiteral("ddSearchCompany"), left(168));
    MakeFieldLabel(page, QStringLiteral("lblSearchCompany"), QStringLiteral("&Company"),
                   ddSearchCompany, kLeftLabel, 168);

    ddSearchPurpose = MakeComboBox(page, QStringLiteral("ddSearchPurpose"), right(56));
    ddSearchPurpose->addItems({QStringLiteral("Official"), QStringLiteral("Personal")});
    ddSearchPurpose->setCurrentIndex(-1);
    MakeFieldLabel(page, QStringLiteral("lblSearchPurpose"), QStringLiteral("&Purpose"),
                   ddSearchPurpose, kRightLabel, 56);
    ddSearchDepartment = MakeComboBox(page, QStringLiteral("ddSearchDepartment"), right(84));
    MakeFieldLabel(page, QStringLiteral("lblSearchDepartment"), QStringLiteral("&Department"),
                   ddSearchDepartment, kRightLabel, 84);
    txtSearchToMeet = MakeComboBox(page, QStringLiteral("txtSearchToMeet"), right(112));
    MakeFieldLabel(page, QStringLiteral("lblSearchToMeet"), QStringLiteral("To &Meet"),
                   txtSearchToMeet, kRightLabel, 112);
    txtSearchDateFrom = MakeLineEdit(page, QStringLiteral("txtSearchDateFrom"), 10, right(140));
    MakeFieldLabel(page, QStringLiteral("lblSearchDateFrom"), QStringLiteral("Date &From"),
                   txtSearchDateFrom, kRightLabel, 140);
    txtSearchDateTo = MakeLineEdit(page, QStringLiteral("txtSearchDateTo"), 10, right(168));
    MakeFieldLabel(page, QStringLiteral("lblSearchDateTo"), QStringLiteral("Date T&o"),
                   txtSearchDateTo, kRightLabel, 168);
    for (const auto& [name, top] : {std::pair{"lblDateFromHint", 140}, {"lblDateToHint", 168}}) {
        auto* hint = new QLabel(QStringLiteral("dd-MM-yyyy"), page);
        hint->setObjectName(QString::fromLatin1(name));
        hint->setGeometry(kRightField + 154, top, 76, kFieldHeight);
    }

    btnSearch = MakeButton(page, QStringLiteral("btnSearch"), QStringLiteral("Search"),
                           QRect(330, 200, 100, 26));
    btnCancelSearch = MakeButton(page, QStringLiteral("btnCancelSearch"), QStringLiteral("Clear"),
                                 QRect(434, 200, 100, 26));
    QVReport = MakeButton(page, QStringLiteral("QVReport"), QStringLiteral("Export to Excel"),
                          QRect(538, 200, 100, 26));
}

void frmMain::BuildSearchResults() {
    MakeHeading(fraSearch, QStringLiteral("lblSearchResults"), QStringLiteral("Search Results"),
                234);
    mdlSearchResults = new SearchResultsModel(this);
    lstSearchResults = MakeListView(fraSearch, QStringLiteral("lstSearchResults"), mdlSearchResults,
                                    QRect(8, 256, 634, 231));
    SetColumnWidths(lstSearchResults, kSearchColumns);
}

void frmMain::SetSearchTabOrder() {
    QWidget* order[] = {txtSearchPassNo,   txtSearchName,   txtSearchEmail,     ddSearchVisitorType,
                        ddSearchCompany,   ddSearchPurpose, ddSearchDepartment, txtSearchToMeet,
                        txtSearchDateFrom, txtSearchDateTo, btnSearch,          btnCancelSearch,
                        QVReport,          lstSearchResults};
    for (std::size_t index = 1; index < std::size(order); ++index) {
        setTabOrder(order[index - 1], order[index]);
    }
}

void frmMain::BuildCheckedInListPage() {
    fraCheckedInList =
        MakePage(QStringLiteral("fraCheckedInList"), QStringLiteral("Visitor: Checked-In List"));
    mdlCheckedInList = new VisitorListModel(ModelColumns(kCheckedInColumns), this);
    lstCheckedInList = MakeListView(fraCheckedInList, QStringLiteral("lstCheckedInList"),
                                    mdlCheckedInList, QRect(8, 34, 634, 453));
    SetColumnWidths(lstCheckedInList, kCheckedInColumns);
}
