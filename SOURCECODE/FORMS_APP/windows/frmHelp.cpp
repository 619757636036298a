#include "frmHelp.h"

#include "ShellOpen.h"
#include "core/AppEnvironment.h"
#include "core/Settings.h"
#include "core/basCommon.h"
#include "mainwindow/ApplicationError.h"
#include "mainwindow/LinkLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <iterator>

namespace {

// Hovered menu row (&HE0E0E0).
const QColor kHoverColour(0xE0, 0xE0, 0xE0);

const char* const kPages[frmHelp::PageCount] = {"NewVisitor.htm", "CheckedInList.htm", "Search.htm",
                                                "Settings.htm", "FAQ.htm"};

// A menu label on the given background, in the system's window text colour.
void SetRowColour(QWidget* widget, const QColor& background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Text));
    widget->setPalette(palette);
}

QPointer<frmHelp>& Instance() {
    static QPointer<frmHelp> instance;
    return instance;
}

} // namespace

frmHelp* frmHelp::ShowHelp() {
    QPointer<frmHelp>& instance = Instance();
    if (instance.isNull()) {
        instance = new frmHelp();
        instance->setAttribute(Qt::WA_DeleteOnClose);
        // A fresh window opens centred on the screen.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            instance->move(screen->availableGeometry().center() - instance->rect().center());
        }
    }
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance.data();
}

frmHelp::frmHelp(QWidget* parent)
    : QWidget(parent) {
    BuildWindow();
    Form_Load();
}

frmHelp::~frmHelp() = default;

QString frmHelp::PagePath(int row) {
    return AppEnvironment::ProgramFolder() + QStringLiteral("/Help/") +
           QString::fromLatin1(kPages[row]);
}

void frmHelp::Form_Load() {
    ResetMenuHighlight();
    ResetLinkImages();
    Navigate(0);
}

// A missing page shows as an empty page; nothing is reported.
void frmHelp::Navigate(int row) {
    brsHelp->setSource(QUrl::fromLocalFile(PagePath(row)));
}

void frmHelp::lblLinkNew_Click() {
    Navigate(0);
}

void frmHelp::lblLnkCheckedInList_Click() {
    Navigate(1);
}

void frmHelp::lblLnkSearch_Click() {
    Navigate(2);
}

void frmHelp::lblLnkSettings_Click() {
    Navigate(3);
}

void frmHelp::lblLnkFAQ_Click() {
    Navigate(4);
}

void frmHelp::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool frmHelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched == Picture1 || watched == Picture3) {
            ResetLinkImages();
        } else if (watched == imgLnkEmailUs) {
            ShowFocusedLink(imgLnkEmailUs, imgLnkEmailUs_Focused);
        } else if (watched == imgLnkSupportSite) {
            ShowFocusedLink(imgLnkSupportSite, imgLnkSupportSite_Focused);
        } else if (const auto row = std::find(std::begin(lblBG), std::end(lblBG), watched);
                   row != std::end(lblBG)) {
            HighlightRow(static_cast<int>(row - std::begin(lblBG)));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmHelp::Form_MouseMove() {
    ResetMenuHighlight();
    ResetLinkImages();
}

// One row at most is highlighted: the one whose background the mouse entered last.
void frmHelp::HighlightRow(int row) {
    ResetMenuHighlight();
    SetRowColour(lblBG[row], kHoverColour);
    SetRowColour(lblLink[row], kHoverColour);
}

void frmHelp::ResetMenuHighlight() {
    const QColor background = QApplication::palette().color(QPalette::Base);
    for (int row = 0; row < PageCount; ++row) {
        SetRowColour(lblBG[row], background);
        SetRowColour(lblLink[row], background);
    }
}

void frmHelp::ResetLinkImages() {
    imgLnkEmailUs->show();
    imgLnkSupportSite->show();
    imgLnkEmailUs_Focused->hide();
    imgLnkSupportSite_Focused->hide();
}

void frmHelp::ShowFocusedLink(QLabel* plain, QWidget* focused) {
    ResetLinkImages();
    plain->hide();
    focused->show();
}

void frmHelp::imgLnkEmailUs_Focused_Click() {
    try {
        ShellOpen::Open(basCommon::GetSupportMailLink());
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()),
                                 QStringLiteral("imgLnkEmailUs_Focused_Click"));
    }
}

void frmHelp::imgLnkSupportSite_Focused_Click() {
    try {
        Settings settings;
        ShellOpen::Open(settings.GetProductSupportURL());
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()),
                                 QStringLiteral("imgLnkSupportSite_Focused_Click"));
    }
}

void frmHelp::lblLinkClose_Click() {
    close();
}
