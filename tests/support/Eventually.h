#pragma once

#include <QTest>

#include <gtest/gtest.h>

// Waits with the event loop going (so the window's timers and queued calls
// run) until a condition holds, and fails the test when it never does.
// QTest's own QTRY_* report their failures to QTest alone: under GoogleTest
// they only return from the test, which then passes.
#define ASSERT_EVENTUALLY(condition, timeoutMs)                                                                  \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, timeoutMs))                        \
        << "still false after " << (timeoutMs) << " ms: " #condition

#define ASSERT_EVENTUALLY_EQ(actual, expected, timeoutMs)                                                        \
    do {                                                                                                         \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, timeoutMs);                                \
        ASSERT_EQ(actual, expected) << "after " << (timeoutMs) << " ms";                                         \
    } while (false)
