#include "TempProgramFolder.h"

#include "mainwindow/frmMain.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"

#include <QFont>
#include <QPalette>
#include <QSize>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The main, help and about windows share one look: laid out for Tahoma 8.25 pt on white, at a
// size the user cannot change.
TEST(WindowLook, TheProgramsWindowsAreFixedTahomaOnWhite) {
    qputenv("QUORVANE_TEST_CAMERA", "0");
    TempProgramFolder folder;
    ASSERT_TRUE(folder.IsValid());
    struct Case {
        const char* window;
        std::function<std::unique_ptr<QWidget>()> make;
        QSize size;
    };
    const Case cases[] = {
        {"frmMain", [] { return std::make_unique<frmMain>(); }, QSize(818, 633)},
        {"frmHelp", [] { return std::make_unique<frmHelp>(); }, QSize(881, 660)},
        {"frmAbout", [] { return std::make_unique<frmAbout>(); }, QSize(465, 330)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        const std::unique_ptr<QWidget> window = c.make();
        EXPECT_EQ(window->objectName(), QString::fromLatin1(c.window));
        EXPECT_EQ(window->size(), c.size);
        EXPECT_EQ(window->minimumSize(), c.size);
        EXPECT_EQ(window->maximumSize(), c.size);
        EXPECT_EQ(window->font().family(), QStringLiteral("Tahoma"));
        EXPECT_DOUBLE_EQ(window->font().pointSizeF(), 8.25);
        EXPECT_TRUE(window->autoFillBackground());
        EXPECT_EQ(window->palette().color(QPalette::Window).name(), QStringLiteral("#ffffff"));
        EXPECT_TRUE(window->hasMouseTracking());
    }
}

} // namespace
