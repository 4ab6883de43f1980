#include "intake/PhotoNames.h"

#include <gtest/gtest.h>

TEST(PhotoNames, PendingNameKeepsDigitsAndTheTail)
{
    const QDateTime now(QDate(2024, 3, 5), QTime(9, 7, 12, 45));
    const struct
    {
        const char *fileName;
        const char *pendingName;
    } cases[] = {
        {"IMG_1234.JPG", "1234.JPG"},
        {"DSC-0042.jpg", "0042.jpg"},
        {"photo.jpg", "20240305090745.jpg"},   // no digit: intake time, seconds left out
        {"photo7.jpeg", "7.jpeg"},
        {"12.34.JPG", "12.34.JPG"},           // the tail starts at the first dot
        {".5abc.jpg", "5.jpg"},               // a leading dot does not start the tail
        {"IMG_0001.jpg", "0001.jpg"},
        {"DSC0001.jpg", "0001.jpg"},          // same pending name as the one above
    };
    for (const auto &c : cases)
        EXPECT_EQ(MakePendingName(QString::fromUtf8(c.fileName), now).toStdString(), c.pendingName) << c.fileName;
}

TEST(PhotoNames, OnlyJpegExtensionsAreTaken)
{
    const struct
    {
        const char *path;
        bool taken;
    } cases[] = {
        {"/in/photo.jpg", true},      {"/in/photo.JPEG", true},    {"/in/photo.JpG", true},
        {"/in/photo.jpg.tmp", false}, {"/in/photo.png", false},    {"/in/jpg", false},
        {"/in/a.b.jpg", true},        {".jpg", true},              {"/in/photo.jpgx", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HasJpegExtension(QString::fromUtf8(c.path)), c.taken) << c.path;
}
