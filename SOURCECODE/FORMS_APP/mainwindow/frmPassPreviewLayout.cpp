// The pass card and where its parts stand. Positions are pixels (15 twips a pixel).
#include "frmPassPreview.h"

#include <QFrame>
#include <QLabel>

namespace {

constexpr double kCaptionPoints = 8.25;
constexpr double kValuePoints = 8.25;
constexpr double kFooterPoints = 6.75;

void SetWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
}

} // namespace

void frmPassPreview::BuildWindow() {
    setObjectName(QStringLiteral("frmPassPreview"));
    setWindowTitle(QStringLiteral("Visitor Pass: Preview"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    setFont(font);
    setAutoFillBackground(true);
    SetWhite(this);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgLogo->setGeometry(8, 8, 97, 40); // 120, 120, 1455, 600

    lblCompanyName = MakeLabel(QStringLiteral("lblCompanyName"), QRect(112, 16, 218, 25), 14.25,
                               true, Qt::AlignHCenter | Qt::AlignTop);

    MakeCaption(QStringLiteral("Label1"), QStringLiteral("Visitor Name:"), QPoint(16, 54));
    lblVisitorName = MakeLabel(QStringLiteral("lblVisitorName"), QRect(96, 54, 137, 16),
                               kValuePoints, false, Qt::AlignLeft | Qt::AlignTop);
    MakeCaption(QStringLiteral("Label2"), QStringLiteral("Company:"), QPoint(16, 73));
    lblFromCompany = MakeLabel(QStringLiteral("lblFromCompany"), QRect(96, 73, 137, 16),
                               kValuePoints, false, Qt::AlignLeft | Qt::AlignTop);
    MakeCaption(QStringLiteral("Label3"), QStringLiteral("To Meet:"), QPoint(17, 94));
    lblEmployee = MakeLabel(QStringLiteral("lblEmployee"), QRect(96, 94, 137, 16), kValuePoints,
                            false, Qt::AlignLeft | Qt::AlignTop);
    MakeCaption(QStringLiteral("Label4"), QStringLiteral("Department:"), QPoint(18, 114));
    lblDepartment = MakeLabel(QStringLiteral("lblDepartment"), QRect(96, 114, 137, 16),
                              kValuePoints, false, Qt::AlignLeft | Qt::AlignTop);
    MakeCaption(QStringLiteral("Label5"), QStringLiteral("Time In:"), QPoint(17, 135));
    lblDateTime = MakeLabel(QStringLiteral("lblDateTime"), QRect(96, 135, 137, 16), kValuePoints,
                            false, Qt::AlignLeft | Qt::AlignTop);

    imgVisitor = new QLabel(this);
    imgVisitor->setObjectName(QStringLiteral("imgVisitor"));
    imgVisitor->setScaledContents(true);
    imgVisitor->setGeometry(231, 51, 82, 96); // 3465, 765, 1230, 1440

    // Sized to its text from its design left, as the card's other autosized labels.
    lblPassNo = MakeLabel(QStringLiteral("lblPassNo"), QRect(236, 153, 77, 19), 12, true,
                          Qt::AlignRight | Qt::AlignTop);

    MakeLine(QStringLiteral("Line1"), 20, 315, 182);
    lblFooterBranding = MakeLabel(QStringLiteral("lblFooterBranding"), QRect(20, 184, 149, 11),
                                  kFooterPoints, false, Qt::AlignLeft | Qt::AlignTop);
    lblSite = MakeLabel(QStringLiteral("lblSite"), QRect(210, 184, 103, 11), kFooterPoints, false,
                        Qt::AlignLeft | Qt::AlignTop);
    MakeLine(QStringLiteral("Line2"), 20, 315, 198);

    lblVisitorType = MakeLabel(QStringLiteral("lblVisitorType"), QRect(24, 184, 195, 26), 15.75,
                               true, Qt::AlignHCenter | Qt::AlignTop);
    lblVisitorType->hide();
}

QLabel* frmPassPreview::MakeLabel(const QString& name, const QRect& place, double pointSize,
                                  bool bold, Qt::Alignment alignment) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setGeometry(place);
    return label;
}

QLabel* frmPassPreview::MakeCaption(const QString& name, const QString& caption,
                                    const QPoint& place) {
    QLabel* label = MakeLabel(name, QRect(place, QSize(1, 1)), kCaptionPoints, true,
                              Qt::AlignLeft | Qt::AlignTop);
    label->setText(caption);
    label->adjustSize();
    return label;
}

void frmPassPreview::MakeLine(const QString& name, int left, int right, int y) {
    auto* line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setGeometry(left, y, right - left + 1, 1);
}
