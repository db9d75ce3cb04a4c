#pragma once

// Turns picture files into pictures for the board. The files are whatever the player chose,
// so nothing here trusts them: a damaged, hostile or absurdly large file gives no picture,
// never a crash, a hang or gigabytes of memory.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

// Decoding must stay well under a second and a few hundred megabytes whatever the file, since
// it runs at every start, every rebuild of the board and in the open-picture dialog's preview.
// The limits below bound the work itself, not only sizes: a small file can claim a large picture
// and make libjpeg visit all of it many times over.

// No picture is decoded to more pixels than this (after JPEG's own scaling): 128 MB as RGB32.
constexpr qint64 MaxDecodedPixels = 32'000'000;
// The work libjpeg may do on a JPEG's data, in units of one coefficient of one block in one
// scan: each scan costs, for every block it covers, the coefficients of its band plus 16, and
// 48 for each restart, and half as much again with arithmetic coding. The costliest data known
// takes about 0.6 ns a unit (crafted refinement scans, arithmetic or not). A 6000 x 4000
// photograph in several scans (progressive) takes 145 million with colour at half resolution
// and 250 million with full-resolution colour; in one scan, 45 and 90 million.
constexpr qint64 MaxJpegWork = 320'000'000;
// The buffer in which libjpeg keeps every coefficient of a JPEG stored in several scans
// (progressive, mostly), at 128 bytes a block whatever the output scale. A 6000 x 4000 picture
// with full-resolution colour needs 144 MB.
constexpr qint64 MaxJpegCoefficientBytes = 160LL * 1024 * 1024;
// Honest JPEGs have about ten scans; each scan costs a pass over the picture and its tables.
constexpr int MaxJpegScans = 500;
// Picture files larger than this are not read at all, and a file still being written is read
// no further: decoding dense data costs time by the byte, about 5 ns a byte for a JPEG in one
// scan (a 24-megapixel photograph takes 5 to 15 MB), and some readers hold the whole file.
constexpr qint64 MaxPictureFileBytes = 48LL * 1024 * 1024;
// The same for a JPEG in several scans, whose data costs about 17 ns a byte.
constexpr qint64 MaxProgressiveJpegBytes = 16LL * 1024 * 1024;
// Bitmaps and TIFFs may store their pixels as they are, and a PNG of a grainy photograph hardly
// smaller: room for the largest picture at three bytes a pixel.
constexpr qint64 MaxBitmapFileBytes = 3 * MaxDecodedPixels + 64 * 1024;

// Why a picture file gives no picture; the player is told which.
enum class PictureProblem {
    None, // there is a picture
    Unreadable, // missing, not a plain file, or empty
    Damaged, // its data breaks the rules of its format
    UnknownKind, // of a type, or a variant of one, that no reader here reads
    TooLarge, // more pixels or bytes than any picture may have
    TooCostly, // decoding or drawing it would take more time or memory than any picture may
};

// The picture was refused for its cost, not for what it is.
constexpr bool IsRefusal(PictureProblem problem)
{
    return problem == PictureProblem::TooLarge || problem == PictureProblem::TooCostly;
}

// What the player is told when a file gives no picture.
QString PictureProblemText(PictureProblem problem, const QString &file);

// A decoded picture, or no picture and why not. It is a std::optional<QImage>, so callers that
// only need the picture use it as one.
struct DecodedPicture : std::optional<QImage>
{
    DecodedPicture(QImage picture)
        : std::optional<QImage>(std::move(picture))
    { }
    DecodedPicture(PictureProblem problem)
        : problem(problem)
    { }
    PictureProblem problem = PictureProblem::None;
};

// Decodes a picture file at no more than the size needed for a board of boardSize; the
// format follows the file's extension (see PictureFormatOf). No picture when the file cannot be
// read or decoded, or costs too much. The picture is opaque (Format_RGB32); transparent parts
// of icons, bitmaps and the further formats come out white, as the tiles under them are.
DecodedPicture DecodePictureFile(const QString &path, QSize boardSize);
// The same for a file's content, its format named as PictureFormatOf names it.
DecodedPicture DecodePictureData(
    const QByteArray &data, const QByteArray &format, QSize boardSize);
// "jpeg", "bmp", "ico", "wmf", "emf", or a further format whose reader is installed ("png",
// "gif", "webp", "tiff"), by the file's extension; empty for anything else.
QByteArray PictureFormatOf(const QString &path);
// The largest file of a format that is read: MaxBitmapFileBytes, MaxMetafileFileBytes or
// MaxPictureFileBytes.
qint64 PictureFileCap(const QByteArray &format);

// The picture of a file chosen by the player is decoded once: to see that it gives a picture,
// and then kept for the board that is built from it. Only one picture is kept, and only until
// it is taken.
class KeptPicture
{
public:
    KeptPicture();
    ~KeptPicture();
    KeptPicture(const KeptPicture &) = delete;
    KeptPicture &operator=(const KeptPicture &) = delete;

    // Decodes, as DecodePictureFile does, and keeps the outcome.
    DecodedPicture decodeAndKeep(const QString &path, QSize boardSize);
    // The kept outcome when it is of this file, unchanged since, decoded for a board at least
    // as large; else a new decode. Nothing stays kept afterwards.
    DecodedPicture take(const QString &path, QSize boardSize);

private:
    struct Kept;
    std::unique_ptr<Kept> m_kept;
};

// Further formats that the toolkit's readers handle here (PNG, GIF, WebP, TIFF, where their
// readers are installed): description and patterns of each, in the file dialog's order.
struct PictureFormat
{
    QString description;
    QStringList patterns;
};
QList<PictureFormat> FurtherPictureFormats();

// Decodes JPEG data, scaled down by libjpeg as far as boardSize allows (an empty boardSize
// asks for the full size). Grayscale, progressive, CMYK and YCCK pictures are read too.
DecodedPicture DecodeJpeg(const QByteArray &data, QSize boardSize);

// A picture stored as an Exif orientation (1 to 8) says, turned upright.
QImage OrientedPicture(QImage picture, int orientation);

// The eighths at which a JPEG of pictureSize is decoded for a board of boardSize: the
// smallest scale (1..8) whose output covers the board in both directions, else 8 (the
// picture is smaller than the board and is stretched up).
int JpegScaleEighths(QSize pictureSize, QSize boardSize);
