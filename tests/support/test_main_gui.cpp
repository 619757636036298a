#include "FreshTestHome.h"

#include "mainwindow/TahomaFont.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const FreshTestHome home;
    QApplication app(argc, argv);
    // Windows are measured with the font the program itself registers at start.
    TahomaFont::Register();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
