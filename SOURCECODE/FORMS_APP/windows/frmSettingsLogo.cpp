#include "frmSettings.h"

#include "core/basCommon.h"
#include "mainwindow/FileDialog.h"
#include "mainwindow/MsgBox.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace {

// Pictures are read by their content, whatever their extension.
QImage ReadPicture(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

} // namespace

void frmSettings::ShowStoredLogo() {
    const QString logo = LogoFile();
    const QImage picture = basCommon::FileExists(logo) ? ReadPicture(logo) : QImage();
    if (picture.isNull()) {
        imgLogo->clear();
    } else {
        imgLogo->setPixmap(QPixmap::fromImage(picture));
    }
}

void frmSettings::QVLogo_Click() {
    const std::optional<QString> chosen = FileDialog::Choose(
        this, {FileDialog::Mode::Open, QString(), QStringLiteral("JPEG FIle (*.jpg)"), QString()});
    if (!chosen) {
        return;
    }
    const QImage picture = ReadPicture(*chosen);
    if (picture.isNull()) {
        // Not a readable picture: the choice ends without a word.
        return;
    }
    imgLogo->setPixmap(QPixmap::fromImage(picture));
    if (picture.height() > LogoMaxHeight || picture.width() > LogoMaxWidth) {
        MsgBox::Inform(
            this, QStringLiteral("Allowed image size within 180 * 50 pixels (Width * Height)"));
        // A rejected picture also drops an earlier accepted one, so the preview and what Save
        // stores agree: both are the stored logo.
        strLogoFile.clear();
        ShowStoredLogo();
        return;
    }
    strLogoFile = *chosen;
}
