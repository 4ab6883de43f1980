#include "platform/Clock.h"
#include "platform/Pause.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(Pause, ScaleZeroSkipsThePause)
{
    const double previous = PauseScale();
    SetPauseScale(0.0);
    EXPECT_EQ(PauseScale(), 0.0);
    Pause(std::chrono::hours(1)); // would hang the test if it slept
    SetPauseScale(previous);
}

TEST(Clock, FixedSourceUntilReset)
{
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 5, 7, 42));
    std::atomic<int> calls{0};
    Clock::Fix([&] { return start.addMSecs(calls++); });
    EXPECT_EQ(Clock::Now(), start);
    EXPECT_EQ(Clock::Now(), start.addMSecs(1));

    Clock::Reset();
    EXPECT_LE(qAbs(Clock::Now().secsTo(QDateTime::currentDateTime())), 1);
}

} // namespace
