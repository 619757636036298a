// The Quick Pick panel and the two search icons of the details page. Positions are pixels
// (15 twips a pixel).
#include "frmMain.h"

#include "WindowLook.h"

#include "LinkLabel.h"
#include "QVButton.h"
#include "VisitorListModel.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>

namespace {

// &H00E0E0E0.
const QColor kPanelColour(0xE0, 0xE0, 0xE0);
constexpr int kIconSize = 18;
constexpr int kIconGap = 3;

// A small magnifying glass.
QPixmap SearchIcon() {
    QPixmap icon(kIconSize, kIconSize);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 2));
    painter.setBrush(QColor(0xD8, 0xE8, 0xF8));
    painter.drawEllipse(QRectF(2, 2, 10, 10));
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(11.5, 11.5), QPointF(16, 16));
    return icon;
}

QLabel* MakeCaption(QWidget* parent, const QString& name, const QString& text, const QPoint& at) {
    auto* caption = new QLabel(text, parent);
    caption->setObjectName(name);
    QFont bold(QStringLiteral("Tahoma"));
    bold.setPointSize(9);
    bold.setBold(true);
    caption->setFont(bold);
    WindowLook::SetColour(caption, QPalette::WindowText,
                          caption->palette().color(QPalette::HighlightedText));
    caption->move(at);
    caption->adjustSize();
    return caption;
}

} // namespace

void frmMain::BuildQuickPick() {
    fraSimpleSearch = new QGroupBox(QStringLiteral("Quick Pick"), this);
    fraSimpleSearch->setObjectName(QStringLiteral("fraSimpleSearch"));
    fraSimpleSearch->setAutoFillBackground(true);
    WindowLook::SetColour(fraSimpleSearch, QPalette::Window, kPanelColour);
    fraSimpleSearch->setGeometry(253, 194, 528, 235); // visitor place until first opened
    fraSimpleSearch->hide();

    Label10 = new QLabel(fraSimpleSearch);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setAutoFillBackground(true);
    WindowLook::SetColour(Label10, QPalette::Window, Qt::black);
    Label10->setGeometry(2, 9, 524, 30); // 30, 135, 7853, 450

    lblfraName = MakeCaption(fraSimpleSearch, QStringLiteral("lblfraName"), QStringLiteral("Name"),
                             QPoint(7, 18));
    lblfraCompany = MakeCaption(fraSimpleSearch, QStringLiteral("lblfraCompany"),
                                QStringLiteral("Company"), QPoint(265, 18));
    btnHide = MakeButton(fraSimpleSearch, QStringLiteral("btnHide"), QStringLiteral("X"),
                         QRect(502, 13, 21, 22));

    txtFraName =
        MakeLineEdit(fraSimpleSearch, QStringLiteral("txtFraName"), 0, QRect(7, 42, 255, 21));
    txtFraCompany =
        MakeLineEdit(fraSimpleSearch, QStringLiteral("txtFraCompany"), 0, QRect(266, 42, 255, 21));
    btnQuickSearch = MakeButton(fraSimpleSearch, QStringLiteral("btnQuickSearch"),
                                QStringLiteral("Search"), QRect(336, 64, 91, 26));
    btnQuickSearchClear = MakeButton(fraSimpleSearch, QStringLiteral("btnQuickSearchClear"),
                                     QStringLiteral("Clear"), QRect(431, 64, 91, 26));

    mdlQuickGrid = new VisitorListModel({{QStringLiteral("Name"), VisitorListModel::Kind::Text},
                                         {QStringLiteral("Company"), VisitorListModel::Kind::Text}},
                                        this);
    lstQuickGrid = MakeListView(fraSimpleSearch, QStringLiteral("lstQuickGrid"), mdlQuickGrid,
                                QRect(8, 92, 512, 136));
    // The two columns share the grid's width.
    lstQuickGrid->setColumnWidth(0, 254);
    lstQuickGrid->setColumnWidth(1, 254);
    lstQuickGrid->header()->setSectionsClickable(true);

    connect(btnHide, &QVButton::Click, this, &frmMain::btnHide_Click);
    connect(btnQuickSearch, &QVButton::Click, this, &frmMain::btnQuickSearch_Click);
    connect(btnQuickSearchClear, &QVButton::Click, this, &frmMain::btnQuickSearchClear_Click);
    connect(lstQuickGrid->header(), &QHeaderView::sectionClicked, this,
            &frmMain::lstQuickGrid_ColumnClick);
    connect(lstQuickGrid, &QTreeView::doubleClicked, this, &frmMain::lstQuickGrid_DblClick);

    SetQuickPickTabOrder();
    BuildQuickPickIcons();
}

void frmMain::SetQuickPickTabOrder() {
    QWidget* order[] = {txtFraName,          txtFraCompany, btnQuickSearch,
                        btnQuickSearchClear, lstQuickGrid,  btnHide};
    for (std::size_t index = 1; index < std::size(order); ++index) {
        setTabOrder(order[index - 1], order[index]);
    }
}

// Beside the name and to-meet boxes; the to-meet box gives up room for its icon at the page's
// right edge.
void frmMain::BuildQuickPickIcons() {
    txtToMeet->resize(txtToMeet->width() - kIconSize - kIconGap - 1, txtToMeet->height());
    const struct {
        LinkLabel** icon;
        const char* name;
        QLineEdit* box;
        void (frmMain::*handler)();
    } icons[] = {
        {&imgHelpVisitor, "imgHelpVisitor", txtName, &frmMain::imgHelpVisitor_Click},
        {&imgHelpEmployee, "imgHelpEmployee", txtToMeet, &frmMain::imgHelpEmployee_Click},
    };
    const QPixmap picture = SearchIcon();
    for (const auto& entry : icons) {
        auto* icon = new LinkLabel(QString(), entry.box->parentWidget());
        icon->setObjectName(QString::fromLatin1(entry.name));
        icon->setPixmap(picture);
        icon->setCursor(Qt::PointingHandCursor);
        icon->setToolTip(QStringLiteral("Click to search database"));
        icon->setGeometry(entry.box->geometry().right() + 1 + kIconGap,
                          entry.box->y() + (entry.box->height() - kIconSize) / 2, kIconSize,
                          kIconSize);
        connect(icon, &LinkLabel::Click, this, entry.handler);
        *entry.icon = icon;
        entry.box->installEventFilter(this);
    }
}
