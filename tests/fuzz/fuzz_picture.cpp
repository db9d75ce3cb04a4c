// Picture files as the player chooses them. The input is the file's content; its first bytes
// choose the name it gets, as a player's file would be named: "BM" a bitmap, 00 00 01 00 an
// icon, anything else a JPEG (read once from memory and once as a file). A picture that comes
// out must be opaque and no larger than the decoder promises, and under libFuzzer no decode may
// take longer than a second of processor time.

#include "FuzzSupport.h"

#include "logic/PictureDecoding.h"

#include <QImage>

#include <ctime>
#include <optional>

// Defined by libFuzzer only: the replay in the test build does not hold decoding to a time,
// since the tests never assert on speed.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerMutate(
    std::uint8_t *, std::size_t, std::size_t);

namespace {

// The default board: 5 x 5 tiles of 50 pixels.
const QSize Board(250, 250);

// Processor time rather than wall time, so that a busy machine does not make findings. The
// decoders themselves are system libraries without sanitisers, as fast as in a release build.
constexpr double MaxDecodeSeconds = 1.0;

double processorSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

template <typename Decode> DecodedPicture timed(Decode decode, const char *format)
{
    const double started = processorSeconds();
    DecodedPicture picture = decode();
    const double seconds = processorSeconds() - started;
    if (LLVMFuzzerMutate)
        fuzz::check(seconds < MaxDecodeSeconds, "a decode takes less than a second",
            QStringLiteral("%1: %2 s").arg(QLatin1String(format)).arg(seconds));
    return picture;
}

void checkPicture(const DecodedPicture &picture, const char *format)
{
    fuzz::check(picture.has_value() == (picture.problem == PictureProblem::None),
        "a picture comes with no problem, and no picture with one", format);
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
