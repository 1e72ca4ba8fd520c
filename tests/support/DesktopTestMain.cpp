#include "widgets/Application.h"

#include <cstdio>
#include <gtest/gtest.h>

// Tests of window activation and focus run on a real display with a window manager
// (scripts/run-under-wm.sh), where the offscreen platform would not show the faults.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs a display with a window manager: run it through scripts/run-under-wm.sh\n");
        return 77;
    }
    qunsetenv("QT_QPA_PLATFORM");
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
