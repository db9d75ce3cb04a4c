#include "logic/PictureDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return; the default
// one ends the process. Ours jumps back to the function that started the libjpeg call.
// Every function that calls setjmp below holds no C++ object with a destructor, so the
// jump skips nothing that needs cleaning up; libjpeg's own memory goes with
// jpeg_destroy_*.
struct JpegErrors
{
    jpeg_error_mgr manager; // first, so that the library's pointer leads back to us
    std::jmp_buf jump;
};

[[noreturn]] void jumpOut(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->jump, 1);
}

void stayQuiet(j_common_ptr) { }

// Called by libjpeg while it reads a picture stored in several scans.
void limitScans(j_common_ptr info)
{
    if (info->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxJpegScans)
        jumpOut(info);
}

void useQuietErrors(JpegErrors &errors, jpeg_error_mgr *&target)
{
    target = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOut;
    errors.manager.output_message = stayQuiet;
}

struct JpegReading
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
};

// The output layout that fits QImage::Format_RGB32 (0xffRRGGBB in native byte order).
constexpr J_COLOR_SPACE Rgb32ColourSpace
    = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

bool readJpegHeader(
    JpegReading &reading, const unsigned char *data, unsigned long size, QSize boardSize)
{
    if (setjmp(reading.errors.jump))
        return false;
    jpeg_create_decompress(&reading.info);
    // libjpeg-turbo keeps to this limit for the buffers that hold a whole picture's
    // coefficients (it fails rather than allocate more); other buffers are small.
    reading.info.mem->max_memory_to_use = MaxJpegWorkingMemory;
    reading.progress.progress_monitor = limitScans;
    reading.info.progress = &reading.progress;
    jpeg_mem_src(&reading.info, data, size);
    if (jpeg_read_header(&reading.info, TRUE) != JPEG_HEADER_OK)
        return false;

    switch (reading.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        reading.info.out_color_space = Rgb32ColourSpace;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // libjpeg turns YCCK into CMYK; the step to RGB is ours.
        reading.info.out_color_space = JCS_CMYK;
        break;
    default:
        return false;
    }

    const QSize pictureSize(int(reading.info.image_width), int(reading.info.image_height));
    if (qint64(pictureSize.width()) * qint64(pictureSize.height()) > MaxJpegSourcePixels)
        return false;
    reading.info.scale_num = unsigned(JpegScaleEighths(pictureSize, boardSize));
    reading.info.scale_denom = 8;
    jpeg_calc_output_dimensions(&reading.info);
    const qint64 pixels = qint64(reading.info.output_width) * qint64(reading.info.output_height);
    return pixels > 0 && pixels <= MaxDecodedPixels;
}

void cmykToRgb32(const JSAMPLE *cmyk, uchar *target, int width, bool inverted)
{
    auto *pixels = reinterpret_cast<QRgb *>(target);
    for (int x = 0; x < width; ++x, cmyk += 4) {
        // Adobe's files store 255 - ink; plain CMYK stores the ink.
        const int c = inverted ? cmyk[0] : 255 - cmyk[0];
        const int m = inverted ? cmyk[1] : 255 - cmyk[1];
        const int y = inverted ? cmyk[2] : 255 - cmyk[2];
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        pixels[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

bool readJpegScanlines(JpegReading &reading, uchar *bits, qsizetype bytesPerLine)
{
    if (setjmp(reading.errors.jump))
        return false;
    const JDIMENSION width = reading.info.output_width;
    const JDIMENSION height = reading.info.output_height;
    // A picture in several scans is read whole here, so this is where the scan limit and
    // the memory limit strike.
    jpeg_start_decompress(&reading.info);
    if (reading.info.output_width != width || reading.info.output_height != height)
        return false;

    constexpr int RowsAtOnce = 16;
    const bool cmyk = reading.info.out_color_space == JCS_CMYK;
    const bool inverted = reading.info.saw_Adobe_marker;
    JSAMPARRAY cmykRows = nullptr;
    if (cmyk)
        cmykRows = (*reading.info.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&reading.info), JPOOL_IMAGE, width * 4, RowsAtOnce);
    while (reading.info.output_scanline < height) {
        const JDIMENSION first = reading.info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(RowsAtOnce, height - first);
        JSAMPROW rows[RowsAtOnce];
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = cmyk ? cmykRows[i] : bits + (first + i) * bytesPerLine;
        const JDIMENSION read = jpeg_read_scanlines(&reading.info, rows, count);
        if (read == 0)
            return false; // cannot happen with data in memory; never loop on it
        if (cmyk) {
            for (JDIMENSION i = 0; i < read; ++i)
                cmykToRgb32(cmykRows[i], bits + (first + i) * bytesPerLine, int(width), inverted);
        }
    }
    // The rest of the file (jpeg_finish_decompress) holds nothing the picture needs.
    return true;
}

std::optional<QImage> opaqueOnWhite(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        return std::nullopt;
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return opaque;
}

bool acceptableSize(QSize size)
{
    return size.isValid() && !size.isEmpty()
        && qint64(size.width()) * qint64(size.height()) <= MaxDecodedPixels;
}

// Bitmaps and icons go through Qt's readers, limited before they allocate anything.
std::optional<QImage> decodeWithQt(const QString &path, const QByteArray &format)
{
    // The limit holds for every reader in the program; 256 MB is more than any picture
    // below MaxDecodedPixels needs.
    QImageReader::setAllocationLimit(256);
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead())
        return std::nullopt;

    if (format == "ico") {
        // An icon file holds several pictures; the largest makes the best board.
        int best = -1;
        qint64 bestArea = 0;
        const int count = std::min(reader.imageCount(), 64);
        for (int index = 0; index < count; ++index) {
            if (!reader.jumpToImage(index))
                break;
            const QSize size = reader.size();
            const qint64 area = qint64(size.width()) * qint64(size.height());
            if (acceptableSize(size) && area > bestArea) {
                best = index;
                bestArea = area;
            }
        }
        if (best < 0 || !reader.jumpToImage(best))
            return std::nullopt;
    }

    if (!acceptableSize(reader.size()))
        return std::nullopt;
    return opaqueOnWhite(reader.read());
}

bool writeJpeg(jpeg_compress_struct &info, JpegErrors &errors, const JpegEncoding &encoding,
    const uchar *pixels, QSize size, qsizetype bytesPerLine, unsigned char **output,
    unsigned long *outputSize)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, outputSize);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    switch (encoding.colours) {
    case JpegEncoding::Colours::Rgb:
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        break;
    case JpegEncoding::Colours::Grey:
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case JpegEncoding::Colours::Cmyk:
    case JpegEncoding::Colours::Ycck:
        info.input_components = 4;
        info.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&info);
    if (encoding.colours == JpegEncoding::Colours::Ycck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, encoding.quality, TRUE);
    if (encoding.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(pixels + info.next_scanline * bytesPerLine);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

int JpegScaleEighths(QSize pictureSize, QSize boardSize)
{
    if (boardSize.isEmpty())
        return 8;
    const auto scaled = [](int length, int eighths) {
        return (qint64(length) * eighths + 7) / 8; // libjpeg rounds up
    };
    for (int eighths = 1; eighths < 8; ++eighths) {
        if (scaled(pictureSize.width(), eighths) >= boardSize.width()
            && scaled(pictureSize.height(), eighths) >= boardSize.height())
            return eighths;
    }
    return 8;
}

std::optional<QImage> DecodeJpeg(const QByteArray &data, QSize boardSize)
{
    if (data.isEmpty())
        return std::nullopt;
    JpegReading reading {};
    useQuietErrors(reading.errors, reading.info.err);

    std::optional<QImage> result;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    if (readJpegHeader(reading, bytes, static_cast<unsigned long>(data.size()), boardSize)) {
        QImage picture(
            int(reading.info.output_width), int(reading.info.output_height), QImage::Format_RGB32);
        const bool read = !picture.isNull()
            && readJpegScanlines(reading, picture.bits(), picture.bytesPerLine());
        if (read)
            result = std::move(picture);
    }
    jpeg_destroy_decompress(&reading.info);
    return result;
}

std::optional<QImage> DecodePictureFile(const QString &path, QSize boardSize)
{
    const QFileInfo info(path);
    // Only plain files: reading a named pipe or a device could wait or run forever.
    if (!info.isFile())
        return std::nullopt;
    const QString extension = info.suffix().toLower();
    if (extension == u"bmp" || extension == u"ico")
        return decodeWithQt(path, extension.toLatin1());
    if (extension != u"jpg" && extension != u"jpeg")
        return std::nullopt; // metafiles and anything else: the caller draws a motif

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxPictureFileBytes)
        return std::nullopt;
    return DecodeJpeg(file.readAll(), boardSize);
}

QByteArray EncodeJpeg(const QImage &image, const JpegEncoding &encoding)
{
    if (image.isNull())
        return {};
    QImage source;
    switch (encoding.colours) {
    case JpegEncoding::Colours::Rgb:
        source = image.convertToFormat(QImage::Format_RGB888);
        break;
    case JpegEncoding::Colours::Grey:
        source = image.convertToFormat(QImage::Format_Grayscale8);
        break;
    case JpegEncoding::Colours::Cmyk:
    case JpegEncoding::Colours::Ycck: {
        // Four bytes a pixel, stored as 255 - ink the way Adobe's files do.
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        source = QImage(rgb.size(), QImage::Format_RGBA8888);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            uchar *out = source.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x, out += 4) {
                const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
                const int light = std::max({r, g, b});
                if (light == 0) {
                    out[0] = out[1] = out[2] = 255;
                    out[3] = 0;
                    continue;
                }
                out[0] = uchar((r * 255 + light / 2) / light);
                out[1] = uchar((g * 255 + light / 2) / light);
                out[2] = uchar((b * 255 + light / 2) / light);
                out[3] = uchar(light);
            }
        }
        break;
    }
    }

    jpeg_compress_struct info {};
    JpegErrors errors {};
    useQuietErrors(errors, info.err);
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    QByteArray result;
    if (writeJpeg(info, errors, encoding, source.constBits(), source.size(), source.bytesPerLine(),
            &output, &outputSize)) {
        result = QByteArray(reinterpret_cast<const char *>(output), qsizetype(outputSize));
        std::free(output);
    }
    // After a failure the buffer may already have been replaced inside libjpeg; leaking it
    // is safer than freeing a stale pointer.
    jpeg_destroy_compress(&info);
    return result;
}
