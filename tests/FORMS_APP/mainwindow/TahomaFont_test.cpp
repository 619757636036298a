#include "mainwindow/TahomaFont.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

bool FallbackFilesPresent() {
    for (const QString& file : TahomaFont::FallbackFiles()) {
        if (!QFile::exists(file)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(TahomaFont, AWidgetAskingForTahomaGetsTahomaInRegularAndBold) {
    if (!FallbackFilesPresent() && !QFontDatabase::hasFamily(TahomaFont::Family())) {
        GTEST_SKIP() << "neither an installed Tahoma nor the fallback files";
    }
    ASSERT_TRUE(TahomaFont::Register());
    // A second registration adds nothing and still answers True.
    ASSERT_TRUE(TahomaFont::Register());
    for (bool bold : {false, true}) {
        QLabel label(QStringLiteral("(No Device Available)"));
        QFont font(TahomaFont::Family());
        font.setPointSizeF(8.25);
        font.setBold(bold);
        label.setFont(font);
        const QFontInfo info(label.font());
        EXPECT_EQ(info.family().toStdString(), "Tahoma") << "bold " << bold;
        EXPECT_EQ(info.bold(), bold);
    }
}
