#include "TahomaFont.h"

#include <QFile>
#include <QFontDatabase>

const QString& TahomaFont::Family() {
    static const QString family = QStringLiteral("Tahoma");
    return family;
}

QStringList TahomaFont::FallbackFiles() {
    return {QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
            QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")};
}

bool TahomaFont::Register() {
    if (QFontDatabase::hasFamily(Family())) {
        return true;
    }
    for (const QString& file : FallbackFiles()) {
        if (QFile::exists(file)) {
            QFontDatabase::addApplicationFont(file);
        }
    }
    return QFontDatabase::hasFamily(Family());
}
