// Test entry point: a headless Qt application, so widget tests run without a display.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests that start the program's executables find them under this folder.
    if (!qEnvironmentVariableIsSet("TIRELON_BIN_DIR"))
        qputenv("TIRELON_BIN_DIR", TIRELON_BIN_DIR_DEFAULT);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
