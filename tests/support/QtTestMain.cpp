// The main of every test program whose tests make widgets: one QApplication
// for the whole run, made before any test and after the static set-up of the
// test files (a file that needs the environment changed before the
// application exists does it at static initialisation). CTest runs the
// programs with QT_QPA_PLATFORM=offscreen; run by hand, they are offscreen too
// unless another platform is asked for.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
