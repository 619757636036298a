#pragma once

#include <QPixmap>
#include <QString>

// Pictures are read by their content, whatever the name's extension: a stored photo is a bitmap
// under a ".jpg" name, the placeholder a GIF.
namespace PictureFile {

// A null pixmap when the file is missing or holds no picture.
QPixmap Load(const QString& path);

} // namespace PictureFile
