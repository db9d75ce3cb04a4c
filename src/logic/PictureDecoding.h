#pragma once

// Turns picture files into pictures for the board. The files are whatever the player chose,
// so nothing here trusts them: a damaged, hostile or absurdly large file gives no picture,
// never a crash, a hang or gigabytes of memory.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// No picture is decoded to more pixels than this (after JPEG's own scaling).
constexpr qint64 MaxDecodedPixels = 64'000'000;
// A JPEG claiming more pixels than this is not decoded, however far it could be scaled
// down: even at an eighth, every one of its blocks is decoded, which takes many seconds
// for the largest sizes the format allows (a file of a few hundred bytes can claim them).
constexpr qint64 MaxJpegSourcePixels = 16384LL * 16384;
// Working memory libjpeg may take for a picture stored in several scans (progressive JPEG),
// whose coefficients are all held at once.
constexpr long MaxJpegWorkingMemory = 512L * 1024 * 1024;
// A JPEG with more scans than this is taken for a crafted file: each scan costs a pass over
// the whole picture.
constexpr int MaxJpegScans = 500;
// Files larger than this are not read at all.
constexpr qint64 MaxPictureFileBytes = 256LL * 1024 * 1024;

// Decodes a picture file at no more than the size needed for a board of boardSize; the
// format follows the file's extension (.jpg/.jpeg, .bmp, .ico; metafiles are not read).
// No picture when the file cannot be read or decoded. The picture is opaque
// (Format_RGB32); transparent parts of icons and bitmaps come out white, as the tiles
// under them are.
std::optional<QImage> DecodePictureFile(const QString &path, QSize boardSize);

// Decodes JPEG data, scaled down by libjpeg as far as boardSize allows (an empty boardSize
// asks for the full size). Grayscale, progressive, CMYK and YCCK pictures are read too.
std::optional<QImage> DecodeJpeg(const QByteArray &data, QSize boardSize);

// The eighths at which a JPEG of pictureSize is decoded for a board of boardSize: the
// smallest scale (1..8) whose output covers the board in both directions, else 8 (the
// picture is smaller than the board and is stretched up).
int JpegScaleEighths(QSize pictureSize, QSize boardSize);

// Writing JPEG files, for the resource generator, the tests and the benchmarks.
struct JpegEncoding
{
    enum class Colours { Rgb, Grey, Cmyk, Ycck };
    int quality = 85;
    bool progressive = false;
    // Cmyk and Ycck write Adobe-style inverted CMYK converted from the picture's colours.
    Colours colours = Colours::Rgb;
};
QByteArray EncodeJpeg(const QImage &image, const JpegEncoding &encoding = {});
