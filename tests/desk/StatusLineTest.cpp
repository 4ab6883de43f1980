#include "desk/StatusLine.h"

#include <gtest/gtest.h>

TEST(StatusLine, MatchesTheDocumentedExampleCharacterForCharacter)
{
    StatusSnapshot status;
    status.selectedPrinters = 2;
    status.composingName = QStringLiteral("1234.JPG");
    EXPECT_EQ(BuildStatusLine(status).toStdString(),
              " 选中：2台打印机 |  正在合成： 1234.JPG |  正在打印处理： |  需要补打的文件：0 个 |  需要补打的总数量：0");
}

// Between hand-overs the line names what the printers' queues print.
TEST(StatusLine, PrintingShowsThePrintersQueuesBetweenHandOvers)
{
    StatusSnapshot status;
    status.printerDocuments = {QStringLiteral("0003.jpg;0005.jpg;"), QStringLiteral("...."), QStringLiteral("NULL"),
                               QStringLiteral("0004.jpg;")};
    EXPECT_TRUE(BuildStatusLine(status).contains(QStringLiteral("正在打印处理：0003.jpg 0005.jpg 0004.jpg |")))
        << BuildStatusLine(status).toStdString();
    status.printingName = QStringLiteral("0006.jpg");
    EXPECT_TRUE(BuildStatusLine(status).contains(QStringLiteral("正在打印处理：0006.jpg |")));
}

TEST(StatusLine, BusyAndManualModeComeFirst)
{
    StatusSnapshot status;
    status.printersBusy = true;
    status.manualMode = true;
    status.printingName = QStringLiteral("7.JPG");
    status.reprintFiles = 3;
    status.reprintTotal = 5;
    EXPECT_EQ(BuildStatusLine(status).toStdString(),
              "Busy |手动模式 | 选中：0台打印机 |  正在合成：  |  正在打印处理：7.JPG |  需要补打的文件：3 个 |  需要补打的总数量：5");
}
