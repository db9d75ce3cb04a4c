// Picture files as the player chooses them. The input is the file's content; its first bytes
// choose the name it gets, as a player's file would be named: "BM" a bitmap, 00 00 01 00 an
// icon, anything else a JPEG (read once from memory and once as a file). A picture that comes
// out must be opaque and no larger than the decoder promises, and under libFuzzer no decode may
// take longer than a second of processor time.

#include "PictureFuzzing.h"

using fuzz::Board;
using fuzz::checkPicture;
using fuzz::timed;

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
        checkPicture(timed([&] { return DecodePictureFile(path, Board); }, "bmp"), "bmp");
    } else if (bytes.startsWith(QByteArrayView("\0\0\1\0", 4))) {
        const QString path = fuzz::workFolder() + QStringLiteral("/picture.ico");
        fuzz::writeFile(path, bytes);
        checkPicture(timed([&] { return DecodePictureFile(path, Board); }, "ico"), "ico");
    } else {
        const DecodedPicture picture = timed([&] { return DecodeJpeg(bytes, Board); }, "jpeg");
        checkPicture(picture, "jpeg");
        const QString path = fuzz::workFolder() + QStringLiteral("/picture.jpg");
        fuzz::writeFile(path, bytes);
        const DecodedPicture fromFile
            = timed([&] { return DecodePictureFile(path, Board); }, "jpeg file");
        fuzz::check(picture.problem == fromFile.problem && (!picture || *picture == *fromFile),
            "a JPEG file decodes as its bytes do");
    }
    return 0;
}
