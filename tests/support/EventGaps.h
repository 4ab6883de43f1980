#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <chrono>

// Keeps this thread's events going while `running` holds (for at most 30 s)
// and returns the longest this thread was kept from them: how long a window
// on this thread would not have answered.
template <typename Running>
std::chrono::milliseconds LongestEventGapWhile(Running running)
{
    QElapsedTimer gap;
    gap.start();
    QElapsedTimer total;
    total.start();
    qint64 longest = 0;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        longest = std::max(longest, gap.restart());
        QThread::msleep(5);
    } while (running() && total.elapsed() < 30000);
    return std::chrono::milliseconds(longest);
}
