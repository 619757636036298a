#include "frmAbout.h"

#include "ShellOpen.h"
#include "core/AppEnvironment.h"
#include "core/Settings.h"
#include "core/basCommon.h"
#include "mainwindow/ApplicationError.h"
#include "mainwindow/KeyboardKeys.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QMouseEvent>
#include <QTimer>

#include <exception>
#include <functional>

namespace {

// A configuration value the window can do without: a failure is logged and leaves it empty.
QString OptionalConfigValue(const std::function<QString()>& getter) {
    try {
        return getter();
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromUtf8(error.what()), QStringLiteral("frmAbout.Form_Load"));
        return QString();
    }
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent) {
    KeyboardKeys::KeepOpenOnEscape(this);
    BuildWindow();
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() {
    lblQVLiteVersionInfo->setText(QStringLiteral("Version 1.0 (1006)"));
    {
        Settings settings;
        lblLnkQuorvaneSite->setText(OptionalConfigValue([&] { return settings.GetQuorvaneURL(); }));
        lblLinkWebSite->setText(OptionalConfigValue([&] { return settings.GetProductURL(); }));
        strSupportURL = OptionalConfigValue([&] { return settings.GetProductSupportURL(); });
        strAwardURL = OptionalConfigValue([&] { return settings.GetAwardURL(); });
        blnScrollText = settings.IsScrollTextEnabled();
    }
    // A long address stops short of the award picture; a click still opens all of it.
    for (LinkLabel* link : {lblLnkQuorvaneSite, lblLinkWebSite}) {
        link->adjustSize();
        link->resize(qMin(link->width(), LinkMaxWidth), link->height());
    }

    if (blnScrollText) {
        LoadScrollTexts();
        lblScrollText->setText(GetNextScrollText());
        // Without a text there is nothing to cycle.
        if (intScrollCount > 0) {
            tmrScroller->start();
        }
    } else {
        tmrScroller->stop();
        tmrScroller->setInterval(0);
        QPalette hidden = lblScrollText->palette();
        hidden.setColor(QPalette::WindowText, hidden.color(QPalette::Window));
        lblScrollText->setPalette(hidden);
    }
}

// Reads "SYSLIST/TEXT" of the scrolling-text file, in file order. A file that cannot be read is
// reported; the window then has no text to show.
void frmAbout::LoadScrollTexts() {
    arScrollText.clear();
    intScrollCount = 0;
    QFile file(AppEnvironment::ProgramFolder() + QStringLiteral("/system/adrotlist.config"));
    QDomDocument document;
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file)) {
        MsgBox::Show(this,
                     QStringLiteral("Required application and configuration files are missing!"
                                    "\r\n\r\nPlease re-install Quorvane Lite!"),
                     MsgBox::Buttons::OK, MsgBox::Icon::Critical, QStringLiteral("Quorvane Lite"));
        return;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QStringLiteral("SYSLIST")) {
        return;
    }
    for (QDomElement text = root.firstChildElement(QStringLiteral("TEXT")); !text.isNull();
         text = text.nextSiblingElement(QStringLiteral("TEXT"))) {
        // The line breaks and indentation around a text belong to the file's layout.
        arScrollText.append(text.text().trimmed());
    }
    intScrollCount = static_cast<int>(arScrollText.size());
}

// The text after the one shown last, the first again after the last; "" when there is none.
QString frmAbout::GetNextScrollText() {
    if (intScrollCount <= 0) {
        return QString();
    }
    intScrollIndex = (intScrollIndex + 1) % intScrollCount;
    return arScrollText.at(intScrollIndex);
}

void frmAbout::tmrScroller_Timer() {
    lblScrollText->setText(GetNextScrollText());
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblScrollText && event->type() == QEvent::MouseMove) {
        lblScrollText_MouseMove();
    }
    return QDialog::eventFilter(watched, event);
}

// Over the bare window the cycle resumes, when it runs at all; a running timer keeps its count.
void frmAbout::Form_MouseMove() {
    if (blnScrollText && intScrollCount > 0) {
        if (!tmrScroller->isActive()) {
            tmrScroller->start();
        }
    } else {
        tmrScroller->stop();
    }
}

// The text holds still while the mouse is over it.
void frmAbout::lblScrollText_MouseMove() {
    tmrScroller->stop();
}

void frmAbout::btnEmailSupport_Click() {
    try {
        ShellOpen::Open(basCommon::GetSupportMailLink());
    } catch (const std::exception& error) {
        ApplicationError::Report(QString::fromUtf8(error.what()),
                                 QStringLiteral("btnEmailSupport_Click"));
    }
}

void frmAbout::btnWebSupport_Click() {
    ShellOpen::Open(strSupportURL);
}

void frmAbout::imgAward_Click() {
    ShellOpen::Open(strAwardURL);
}

void frmAbout::lblEula_Click() {
    ShellOpen::Open(AppEnvironment::ProgramFolder() + QStringLiteral("/system/EULA.txt"));
}

void frmAbout::lblLnkQuorvaneSite_Click() {
    ShellOpen::Open(lblLnkQuorvaneSite->text());
}

void frmAbout::lblLinkWebSite_Click() {
    ShellOpen::Open(lblLinkWebSite->text());
}

void frmAbout::lblLinkClose_Click() {
    close();
}

// However the window closes, the cycle ends with it.
void frmAbout::done(int result) {
    tmrScroller->stop();
    QDialog::done(result);
}
