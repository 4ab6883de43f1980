#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <filesystem>
#include <memory>
#include <optional>

// JPEG decoding straight through libjpeg-turbo, for photos of any size the
// camera writes: no allocation cap, scaled while decoding (1/2, 1/4, 1/8),
// only the part of the picture that is asked for held in memory, turned
// upright by its EXIF orientation, with correct colours for grey, CMYK
// (Adobe's inverted kind too) and progressive files.

struct JpegHeader final
{
    QSize stored;        // pixels as stored in the file
    int orientation = 1; // EXIF orientation, 1 to 8

    QSize Upright() const;
};

// The header of a JPEG file; empty when the file is no JPEG or cannot be read.
std::optional<JpegHeader> ReadJpegHeader(const std::filesystem::path &path);

// The upright size of the picture decoded at 1/`reduction`.
QSize ReducedUprightSize(const JpegHeader &header, int reduction);

struct JpegPicture final
{
    QImage pixels;         // upright, 32-bit RGB
    QRect region;          // what `pixels` covers in the upright picture at 1/`reduction`
    int reduction = 1;
    bool complete = false; // the decoder found the image data whole, up to its end
};

// Decodes the JPEG at 1/`reduction` (1, 2, 4 or 8). `region` (in upright
// pixels at that scale; empty for the whole picture) limits what is kept;
// the result may cover a little more, rounded out to the file's blocks.
// The whole of the image data is read either way, so `complete` tells a file
// cut short or still being written. Empty when the file cannot be decoded.
std::optional<JpegPicture> DecodeJpeg(const std::filesystem::path &path, int reduction = 1, QRect region = {});

// True when the file's markers lead from its start to its end-of-image
// marker: a quick look, without decoding, that it is not cut short.
bool JpegMarkersReachEnd(const std::filesystem::path &path);

// True when the file is a JPEG whose image data the decoder reads whole, up
// to its end; bytes after the end do not matter. Costs about a decode at 1/8.
bool JpegIsWhole(const std::filesystem::path &path);

// Reads a JPEG's rows top to bottom as stored (its orientation is left to
// the caller), for a picture made while the photo is still being decoded.
class JpegRowReader final
{
public:
    explicit JpegRowReader(const std::filesystem::path &path); // reads the header
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader &) = delete;
    JpegRowReader &operator=(const JpegRowReader &) = delete;

    bool IsOpen() const; // false once anything failed
    QSize StoredSize() const;
    int Orientation() const;

    // Starts at 1/`reduction`, keeping the stored rectangle `stored` (at that
    // scale; empty for all), widened to whole blocks: Decoded().
    bool Start(int reduction, QRect stored);
    QRect Decoded() const;
    // The next `count` rows, each Decoded().width() 32-bit RGB pixels.
    bool Read(uchar *const *rows, int count);
    // Reads the rest of the image data; Whole() then tells whether it was.
    bool Finish();
    bool Whole() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
