#include "widgets/Application.h"

#include <gtest/gtest.h>

// Every test runs headless, with the program's own application object for the windows.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
