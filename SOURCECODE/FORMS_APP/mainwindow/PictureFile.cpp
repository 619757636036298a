#include "PictureFile.h"

#include <QImageReader>

namespace PictureFile {

QPixmap Load(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

} // namespace PictureFile
