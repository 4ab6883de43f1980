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

// What a decoding does when the picture's data turns out damaged (it ends
// early, or is corrupt, so the decoder would make up the rest): go on, as a
// thumbnail or a preview may, noting it; or stop at once, for a print.
enum class JpegDamage { Note, Refuse };

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
// cut short, still being written or damaged. Empty when the file cannot be
// decoded.
std::optional<JpegPicture> DecodeJpeg(const std::filesystem::path &path, int reduction = 1, QRect region = {});

class JpegRowReader;
// The same from a reader whose header is read and that has not started:
// a file opened once for its header and its pixels. Empty, with a reader
// that refuses damage, when the data is damaged.
std::optional<JpegPicture> DecodeJpeg(JpegRowReader &reader, int reduction = 1, QRect region = {});

// True when the file is a JPEG whose image data the decoder reads whole and
// undamaged, up to its end; bytes after the end do not matter. Costs about a
// decode at 1/8.
bool JpegIsWhole(const std::filesystem::path &path);

// Reads a JPEG's rows top to bottom as stored (its orientation is left to
// the caller), for a picture made while the photo is still being decoded.
// One reader opens the file once: its header, orientation, pixels and
// whether its data was whole all come from that one opening.
class JpegRowReader final
{
public:
    JpegRowReader(const std::filesystem::path &path, JpegDamage onDamage); // reads the header
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader &) = delete;
    JpegRowReader &operator=(const JpegRowReader &) = delete;

    bool IsOpen() const; // false once anything failed
    QSize StoredSize() const;
    int Orientation() const;
    JpegHeader Header() const;

    // Starts at 1/`reduction`, keeping the stored rectangle `stored` (at that
    // scale; empty for all), widened to whole blocks: Decoded().
    bool Start(int reduction, QRect stored);
    QRect Decoded() const;
    // The next `count` rows, each Decoded().width() 32-bit RGB pixels.
    bool Read(uchar *const *rows, int count);
    // Reads the rest of the image data; Whole() then tells whether it was,
    // undamaged.
    bool Finish();
    bool Whole() const;
    bool Started() const; // Start was called: the reader cannot serve another decoding
    bool Damaged() const; // damage was seen (a reader that refuses it failed there)

private:
    struct State;
    std::unique_ptr<State> m_state;
};
