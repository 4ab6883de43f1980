#include <QApplication>

#include <gtest/gtest.h>

// Every test program runs with a Qt application on the offscreen platform,
// so models, timers and widgets behave as in the program.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
