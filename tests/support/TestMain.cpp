// The one main of every test executable: widget tests run headless.
#include "tests/support/TempRegistry.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No test may read or write the user's settings.
    TTempRegistry registry;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
