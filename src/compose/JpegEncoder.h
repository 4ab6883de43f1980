#pragma once

#include <QImage>

#include <filesystem>
#include <memory>

// Writes a JPEG row by row straight through libjpeg-turbo from 32-bit RGB
// rows, so a picture can be encoded while the rows below are still being
// made. The file appears complete or not at all: it is written beside its
// final name and renamed by Commit.
class JpegRowWriter final
{
public:
    JpegRowWriter(const std::filesystem::path &path, QSize size, int quality);
    ~JpegRowWriter(); // an uncommitted file is removed
    JpegRowWriter(const JpegRowWriter &) = delete;
    JpegRowWriter &operator=(const JpegRowWriter &) = delete;

    bool IsOpen() const;
    // Rows [first, first + count) of `image`, whose width is the picture's,
    // in 32-bit RGB; they follow the rows written before. False on an error.
    bool Write(const QImage &image, int first, int count);
    // Ends the picture and puts the file in place; false when that failed.
    bool Commit();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
