#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // The window needs a display; the tests never need a real one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
