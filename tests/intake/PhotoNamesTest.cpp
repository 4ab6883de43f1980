#include "desk/WorkingFolders.h"
#include "intake/DistinctNames.h"
#include "intake/PhotoNames.h"
#include "tests/support/ProgramFolder.h"

#include <fstream>

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
        {"party.2024.jpg", "20240305090745.2024.jpg"}, // digits after the stem never make a hidden name
        {".jpg", "20240305090745.jpg"},       // all extension: still a JPEG the folder scans see
        {".JPEG", "20240305090745.JPEG"},
        {"photo..jpg", "20240305090745..jpg"},
        {"婚礼.jpg", "20240305090745.jpg"},
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
        {"/in/photo..jpg", true},     {"/in/..jpg", true},         {"/in.jpg/photo", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HasJpegExtension(QString::fromUtf8(c.path)), c.taken) << c.path;
}

TEST(PhotoNames, ATakenNameGetsTheNextFreeCopyNumberBeforeItsFirstDot)
{
    const ProgramFolder folder;
    CreateWorkingFolders();
    // Same key as 1234.JPG: in the queue as 1234.jpg, printed as 1234-2.jpeg.
    for (const char *file : {"Pic_P/1234.jpg", "Pic_R/1234-2.jpeg", "Pic_R/77", "Pic_S/IMG_5.JPG", "Pic_R/12345.JPG"})
        std::ofstream(file) << "x";
    const struct
    {
        const char *name;
        const char *distinct;
    } pending[] = {
        {"1234.JPG", "1234-3.JPG"},      // the key counts, not the extension or its case
        {"12.34.JPG", "12.34.JPG"},      // key 12: free
        {"77.jpg", "77-2.jpg"},          // a file without extension has its whole name as key
        {"5.jpg", "5.jpg"},              // Pic_S does not take pending names
        {"123.JPG", "123.JPG"},          // 12345 is another key
    };
    for (const auto &c : pending)
        EXPECT_EQ(DistinctPendingName(QString::fromUtf8(c.name)).toStdString(), c.distinct) << c.name;
    EXPECT_EQ(WithCopyNumber(QStringLiteral(".5.jpg"), 2).toStdString(), ".5-2.jpg") << "a leading dot is part of the name";
    EXPECT_EQ(WithCopyNumber(QStringLiteral("jpg"), 3).toStdString(), "jpg-3");
}
