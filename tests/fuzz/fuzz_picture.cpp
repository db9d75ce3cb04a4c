// Picture files as the player chooses them. The input is the file's content; its first bytes
// choose the name it gets, as a player's file would be named: "BM" a bitmap, 00 00 01 00 an
// icon, anything else a JPEG (read once from memory and once as a file). A picture that comes
// out must be opaque and no larger than the decoder promises.

#include "FuzzSupport.h"

#include "logic/PictureDecoding.h"

#include <QImage>

#include <optional>

namespace {

// The default board: 5 x 5 tiles of 50 pixels.
const QSize Board(250, 250);

void checkPicture(const std::optional<QImage> &picture, const char *format)
{
    if (!picture)
        return;
    fuzz::check(!picture->isNull(), "a picture that comes out has pixels", format);
    fuzz::check(picture->format() == QImage::Format_RGB32, "pictures are opaque RGB32", format);
    fuzz::check(qint64(picture->width()) * picture->height() <= MaxDecodedPixels,
        "no picture beyond MaxDecodedPixels", format);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("BM")) {
        const QString path = fuzz::workFolder() + QStringLiteral("/picture.bmp");
        fuzz::writeFile(path, bytes);
        checkPicture(DecodePictureFile(path, Board), "bmp");
    } else if (bytes.startsWith(QByteArrayView("\0\0\1\0", 4))) {
        const QString path = fuzz::workFolder() + QStringLiteral("/picture.ico");
        fuzz::writeFile(path, bytes);
        checkPicture(DecodePictureFile(path, Board), "ico");
    } else {
        const std::optional<QImage> picture = DecodeJpeg(bytes, Board);
        checkPicture(picture, "jpeg");
        const QString path = fuzz::workFolder() + QStringLiteral("/picture.jpg");
        fuzz::writeFile(path, bytes);
        const std::optional<QImage> fromFile = DecodePictureFile(path, Board);
        fuzz::check(
            picture.has_value() == fromFile.has_value() && (!picture || *picture == *fromFile),
            "a JPEG file decodes as its bytes do");
    }
    return 0;
}
