// The one main of every test executable: widget tests run headless.
#include "framework/forms/Application.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/TempRegistry.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so events that throw are shown as the program shows them.
    TApplication app(argc, argv);
    // No test may read or write the user's settings.
    TTempRegistry registry;
    // Nor reach a printer of the machine: a test that prints starts a scheduler of its own.
    IsolateFromSystemPrinters();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
