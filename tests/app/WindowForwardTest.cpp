#include "app/WindowForward.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <future>

// A second start asks the first program's window to come forward: a
// minimised window is shown again, and a folder where nothing runs gets no answer.
TEST(WindowForward, ASecondStartBringsTheFirstWindowBack)
{
    QTemporaryDir running;
    QTemporaryDir idle;
    const std::filesystem::path folder = running.path().toStdString();
    WindowForward forward(folder);
    QWidget window;
    forward.Serve(&window);
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());

    auto asked = std::async(std::launch::async, [&] { return WindowForward::Ask(folder); });
    while (asked.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(20);
    EXPECT_TRUE(asked.get());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(WindowForward::Ask(idle.path().toStdString()));
}
