#include "tests/support/CrashBacktrace.h"
#include "tests/support/FreshState.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

// Every test starts on the state a program start finds, whatever ran before it in this process.
class FreshStateForEveryTest final : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo &) override { ResetProcessWideState(); }
};

} // namespace

// Every test program runs with a Qt application on the offscreen platform,
// so models, timers and widgets behave as in the program.
int main(int argc, char **argv)
{
    PrintBacktraceOnCrash();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshStateForEveryTest);
    return RUN_ALL_TESTS();
}
