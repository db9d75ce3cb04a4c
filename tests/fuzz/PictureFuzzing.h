#pragma once

// What the picture targets share: a decode held to a second of processor time under libFuzzer,
// and the properties of every picture that comes out.

#include "FuzzSupport.h"

#include "logic/PictureDecoding.h"

#include <QImage>

#include <ctime>

// Defined by libFuzzer only: the replay in the test build does not hold decoding to a time,
// since the tests never assert on speed.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerMutate(
    std::uint8_t *, std::size_t, std::size_t);

namespace fuzz {

// The default board: 5 x 5 tiles of 50 pixels.
inline const QSize Board(250, 250);

// Processor time rather than wall time, so that a busy machine does not make findings. The
// decoders themselves are system libraries without sanitisers, as fast as in a release build.
constexpr double MaxDecodeSeconds = 1.0;

inline double processorSeconds()
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
        check(seconds < MaxDecodeSeconds, "a decode takes less than a second",
            QStringLiteral("%1: %2 s").arg(QLatin1String(format)).arg(seconds));
    return picture;
}

inline void checkPicture(const DecodedPicture &picture, const char *format)
{
    check(picture.has_value() == (picture.problem == PictureProblem::None),
        "a picture comes with no problem, and no picture with one", format);
    if (!picture)
        return;
    check(!picture->isNull(), "a picture that comes out has pixels", format);
    check(picture->format() == QImage::Format_RGB32, "pictures are opaque RGB32", format);
    check(qint64(picture->width()) * picture->height() <= MaxDecodedPixels,
        "no picture beyond MaxDecodedPixels", format);
}

// One input as a file of one format: decoded in time, with a picture that keeps the promises.
inline void decodeAs(const QByteArray &data, const char *format)
{
    checkPicture(timed([&] { return DecodePictureData(data, format, Board); }, format), format);
}

} // namespace fuzz

// A target whose input is a whole file of one format, with what its process needs first.
#define TILORA_DECODE_TARGET(format, prepare)                                                      \
    extern "C" int LLVMFuzzerInitialize(int *, char ***)                                           \
    {                                                                                              \
        prepare;                                                                                   \
        return 0;                                                                                  \
    }                                                                                              \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)              \
    {                                                                                              \
        fuzz::decodeAs(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), format); \
        return 0;                                                                                  \
    }

#define TILORA_PICTURE_FORMAT_TARGET(format) TILORA_DECODE_TARGET(format, fuzz::quietQtMessages())
