#include "intake/PhotoListModel.h"
#include "intake/Thumbnail.h"
#include "tests/support/Eventually.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

QString WritePhoto(const QTemporaryDir &dir, const QString &name, QColor color)
{
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(color);
    const QString path = dir.filePath(name);
    photo.save(path, "JPG");
    return path;
}

} // namespace

TEST(PhotoListModel, WorkersSeeTheirChangesAtOnceAndViewsFollowInOrder)
{
    PhotoListModel list(PhotoListModel::PendingHeaders(), QSize(90, 60));
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Warning);

    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            list.InsertRow(list.RowCount(), {QString(), QStringLiteral("%1.jpg").arg(i), QString::number(i)}, {});
            EXPECT_EQ(list.Text(list.RowCount() - 1, 1).toStdString(), QStringLiteral("%1.jpg").arg(i).toStdString());
            if (i % 3 == 0)
                list.RemoveRow(0);
        }
    });
    worker.join();

    ASSERT_EQ(list.RowCount(), 33);
    ASSERT_EVENTUALLY_EQ(list.rowCount(), 33, 5000);
    for (int row = 0; row < list.RowCount(); ++row)
        EXPECT_EQ(list.data(list.index(row, 1), Qt::DisplayRole).toString(), list.Text(row, 1));
    EXPECT_EQ(list.Text(99, 1).toStdString(), "") << "a missing row reads as empty";
}

TEST(PhotoListModel, ThumbnailIsTheWholePhotoStretchedAndArrivesLater)
{
    QTemporaryDir dir;
    PhotoListModel list(PhotoListModel::PrintedHeaders(), QSize(90, 60));
    list.InsertRow(0, {QString(), QStringLiteral("0"), QStringLiteral("red")}, WritePhoto(dir, "red.jpg", Qt::red));
    list.InsertRow(1, {QString(), QStringLiteral("0"), QStringLiteral("gone")}, dir.filePath("missing.jpg"));

    ASSERT_EVENTUALLY(!list.data(list.index(0, 0), Qt::DecorationRole).isNull(), 5000);
    ASSERT_EVENTUALLY(!list.data(list.index(1, 0), Qt::DecorationRole).isNull(), 5000);
    const QImage red = list.data(list.index(0, 0), Qt::DecorationRole).value<QImage>();
    EXPECT_EQ(red.size(), QSize(90, 60));
    EXPECT_GT(qRed(red.pixel(45, 30)), 200);
    EXPECT_LT(qGreen(red.pixel(45, 30)), 60);
    const QImage blank = list.data(list.index(1, 0), Qt::DecorationRole).value<QImage>();
    EXPECT_EQ(blank.pixel(45, 30), qRgb(255, 255, 255)) << "an unreadable photo gives a white thumbnail";
}

// The largest thumbnail scale, or a large paper, once made rows 300 px tall
// that clipped the names beside them: a thumbnail stays within 240 x 160.
TEST(ThumbnailSize, FollowsPaperAndScaleWithinTheLargestThumbnail)
{
    const struct
    {
        int width, height, scale;
        QSize expected;
    } cases[] = {
        {152, 102, 3, {90, 60}},
        {152, 102, 5, {150, 100}},
        {152, 102, 15, {240, 160}},
        {152, 127, 15, {192, 160}},
        {102, 152, 15, {106, 160}},
        {500, 500, 3, {160, 160}},
        {0, 0, 3, {0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ThumbnailSizeFor(c.width, c.height, c.scale), c.expected) << c.width << "x" << c.height << " " << c.scale;
}
