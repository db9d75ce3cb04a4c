#include "logic/PictureDecoding.h"

#include "logic/MetafileChecks.h"
#include "logic/MetafileModule.h"
#include "logic/PictureChecks.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <variant>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>
#include <png.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Damaged unless the jump came from one of our limits.
    PictureProblem problem = PictureProblem::Damaged;
};

[[noreturn]] void jumpOut(j_common_ptr info)
{
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    // libjpeg runs out of memory only at our limit on its coefficient buffer.
    const int code = errors->manager.msg_code;
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE)
        errors->problem = PictureProblem::TooCostly;
    std::longjmp(errors->jump, 1);
}

void stayQuiet(j_common_ptr) { }

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
    int orientation = 1; // Exif's: how the stored picture is turned to be seen upright
    qint64 work = 0; // in the units of MaxJpegWork, for the scans seen so far
    int scansCounted = 0;
};

// Stops libjpeg at one of our limits.
[[noreturn]] void refuse(JpegReading &reading, PictureProblem problem = PictureProblem::TooCostly)
{
    reading.errors.problem = problem;
    std::longjmp(reading.errors.jump, 1);
}

// MCUs of a scan of several components, as libjpeg counts them.
qint64 interleavedMcus(const jpeg_decompress_struct &info)
{
    const auto mcus = [](qint64 length, int samplingMax) {
        return (length + 8 * samplingMax - 1) / (8 * samplingMax);
    };
    return mcus(info.image_width, info.max_h_samp_factor)
        * mcus(info.image_height, info.max_v_samp_factor);
}

// Blocks of a component as libjpeg stores them, padded to whole MCUs.
qint64 paddedBlocks(const jpeg_decompress_struct &info, const jpeg_component_info &component)
{
    return interleavedMcus(info) * component.h_samp_factor * component.v_samp_factor;
}

// Adds the cost of the scan libjpeg has just started (see MaxJpegWork) and refuses the picture
// once the work or the number of scans is beyond its limit, before the scan's data is decoded.
void countScan(JpegReading &reading)
{
    const jpeg_decompress_struct &info = reading.info;
    const int band = info.progressive_mode ? std::max(info.Se - info.Ss + 1, 1) : 64;
    qint64 blocks = 0;
    qint64 mcus = 0;
    if (info.comps_in_scan == 1) {
        // One block an MCU, and no padding.
        const jpeg_component_info &component = *info.cur_comp_info[0];
        blocks = qint64(component.width_in_blocks) * component.height_in_blocks;
        mcus = blocks;
    } else {
        mcus = interleavedMcus(info);
        for (int i = 0; i < info.comps_in_scan; ++i)
            blocks += paddedBlocks(info, *info.cur_comp_info[i]);
    }
    reading.work
        += JpegScanWork(blocks, mcus, band, int(info.restart_interval), info.arith_code != 0);
    reading.scansCounted = info.input_scan_number;
    if (reading.work > MaxJpegWork || info.input_scan_number > MaxJpegScans)
        refuse(reading);
}

// Called by libjpeg between steps of its work: reading an MCU row of the current scan, or
// writing rows of the output.
void watchScans(j_common_ptr info)
{
    auto &reading = *static_cast<JpegReading *>(info->client_data);
    if (reading.info.input_scan_number > reading.scansCounted)
        countScan(reading);
}

// The output layout that fits QImage::Format_RGB32 (0xffRRGGBB in native byte order).
constexpr J_COLOR_SPACE Rgb32ColourSpace
    = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

bool readJpegHeader(
    JpegReading &reading, const unsigned char *data, unsigned long size, QSize boardSize)
{
    if (setjmp(reading.errors.jump))
        return false;
    jpeg_create_decompress(&reading.info);
    reading.info.client_data = &reading;
    // A backstop: libjpeg-turbo fails rather than allocate more than this for its buffers of
    // whole-picture coefficients; others are small. Checked below before anything is allocated.
    reading.info.mem->max_memory_to_use = long(MaxJpegCoefficientBytes + 16 * 1024 * 1024);
    reading.progress.progress_monitor = watchScans;
    reading.info.progress = &reading.progress;
    jpeg_mem_src(&reading.info, data, size);
    jpeg_save_markers(&reading.info, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&reading.info, TRUE) != JPEG_HEADER_OK)
        return false;
    for (jpeg_saved_marker_ptr marker = reading.info.marker_list; marker; marker = marker->next) {
        const QByteArrayView segment(marker->data, qsizetype(marker->data_length));
        if (const std::optional<int> orientation = ExifOrientation(segment)) {
            reading.orientation = *orientation;
            break;
        }
    }
    // A picture stored on its side covers the board on its side.
    if (reading.orientation >= 5)
        boardSize.transpose();

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

    // A picture in several scans is held whole as coefficients, whatever the output scale.
    const bool severalScans
        = reading.info.progressive_mode || reading.info.comps_in_scan < reading.info.num_components;
    if (severalScans) {
        qint64 blocks = 0;
        for (int i = 0; i < reading.info.num_components; ++i)
            blocks += paddedBlocks(reading.info, reading.info.comp_info[i]);
        if (blocks * qint64(sizeof(JBLOCK)) > MaxJpegCoefficientBytes
            || qint64(size) > MaxProgressiveJpegBytes)
            refuse(reading);
    }
    // The first scan is known already; a picture in one scan is refused here or never.
    countScan(reading);

    const QSize pictureSize(int(reading.info.image_width), int(reading.info.image_height));
    reading.info.scale_num = unsigned(JpegScaleEighths(pictureSize, boardSize));
    reading.info.scale_denom = 8;
    jpeg_calc_output_dimensions(&reading.info);
    const qint64 pixels = qint64(reading.info.output_width) * qint64(reading.info.output_height);
    if (pixels > MaxDecodedPixels)
        refuse(reading, PictureProblem::TooLarge);
    return pixels > 0;
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

DecodedPicture opaqueOnWhite(QImage image)
{
    if (image.isNull())
        return PictureProblem::Damaged;
    if (!image.hasAlphaChannel()) {
        image.convertTo(QImage::Format_RGB32);
        return image;
    }
    // On white in place, so that a large picture is never held twice.
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int white = 255 - qAlpha(pixel);
            line[x] = qRgb(qRed(pixel) + white, qGreen(pixel) + white, qBlue(pixel) + white);
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

// ---- PNG

// PNGs are decoded by libpng itself, whose own limits bound the work inside the one decode:
// the chunks that only describe the picture (text, profiles) are skipped unread, sides beyond
// any allowed picture fail in the header, and the data is fed in pieces only until the last
// row is out, so a stream inflating far beyond its rows costs no more than its picture (libpng
// reading a whole file would inflate the rest to its end). As with JPEG, the functions that
// call setjmp hold no C++ object with a destructor.
struct PngReading
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    QImage picture;
    bool alpha = false;
    bool done = false;
    PictureProblem problem = PictureProblem::Damaged;
};

[[noreturn]] void pngFailed(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) { }

// Once the header is read: libpng set to give rows of Format_ARGB32 (0xAARRGGBB in native
// order), and the picture to take them.
void pngHeaderRead(png_structp png, png_infop info)
{
    auto &reading = *static_cast<PngReading *>(png_get_progressive_ptr(png));
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (qint64(width) * qint64(height) > MaxDecodedPixels
        || qint64(png_get_rowbytes(png, info)) > MaxPngRowBytes) {
        reading.problem = PictureProblem::TooLarge;
        png_error(png, "too large");
    }
    const int colour = png_get_color_type(png, info);
    reading.alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    // The transparent colour of tRNS is matched at the file's own depth, before its samples
    // are cut to eight bits.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        png_set_bgr(png);
    if (!reading.alpha)
        png_set_filler(
            png, 0xFF, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
    else if (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        png_set_swap_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != 4 * size_t(width))
        png_error(png, "unexpected rows");
    reading.picture = QImage(int(width), int(height), QImage::Format_ARGB32);
    if (reading.picture.isNull()) {
        reading.problem = PictureProblem::TooCostly; // no memory for it
        png_error(png, "no memory");
    }
    // Rows an interlaced picture has not reached yet stay white.
    reading.picture.fill(Qt::white);
}

void pngRowRead(png_structp png, png_bytep row, png_uint_32 number, int pass)
{
    auto &reading = *static_cast<PngReading *>(png_get_progressive_ptr(png));
    if (row && number < png_uint_32(reading.picture.height()))
        png_progressive_combine_row(png, reading.picture.scanLine(int(number)), row);
    // Of the seven passes of an interlaced picture, the last one that holds pixels.
    const int width = reading.picture.width();
    const int height = reading.picture.height();
    const int lastPass = height > 1 ? 6 : width > 1 ? 5 : 0;
    const bool interlaced = png_get_interlace_type(png, reading.info) != PNG_INTERLACE_NONE;
    if ((!interlaced || pass == lastPass) && number + 1 == png_uint_32(height))
        reading.done = true;
}

void pngEnded(png_structp png, png_infop)
{
    auto &reading = *static_cast<PngReading *>(png_get_progressive_ptr(png));
    reading.done = !reading.picture.isNull();
}

// Feeds the file in pieces until the last row is out: what follows is never inflated.
bool readPng(PngReading &reading, const QByteArray &data)
{
    if (setjmp(png_jmpbuf(reading.png)))
        return reading.done;
    // Sides beyond any allowed picture fail in the header already.
    png_set_user_limits(reading.png, MaxDecodedPixels, MaxDecodedPixels);
    png_set_chunk_malloc_max(reading.png, MaxPngTextBytes);
    static const png_byte Skipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0";
    png_set_keep_unknown_chunks(reading.png, PNG_HANDLE_CHUNK_NEVER, Skipped, 7);
    png_set_progressive_read_fn(reading.png, &reading, pngHeaderRead, pngRowRead, pngEnded);
    constexpr qsizetype Piece = 64 * 1024;
    auto *bytes = reinterpret_cast<png_bytep>(const_cast<char *>(data.constData()));
    for (qsizetype at = 0; at < data.size() && !reading.done; at += Piece)
        png_process_data(reading.png, reading.info, bytes + at,
            size_t(std::min(Piece, data.size() - at)));
    return reading.done;
}

DecodedPicture decodePng(const QByteArray &data)
{
    if (data.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(data.constData()), 0, 8))
        return PictureProblem::Damaged;
    PngReading reading;
    reading.png
        = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarning);
    if (!reading.png)
        return PictureProblem::TooCostly;
    reading.info = png_create_info_struct(reading.png);
    const bool read = reading.info && readPng(reading, data);
    png_destroy_read_struct(&reading.png, reading.info ? &reading.info : nullptr, nullptr);
    if (!read)
        return reading.problem;
    if (!reading.alpha)
        reading.picture.reinterpretAsFormat(QImage::Format_RGB32);
    return opaqueOnWhite(std::move(reading.picture));
}

// Many programs write 32-bit bitmaps with every alpha byte 0, meaning no transparency at all;
// the system they come from draws them opaque, and so do we.
void opaqueWhenAllTransparent(QImage &image)
{
    if (image.format() != QImage::Format_ARGB32)
        return;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(), [](QRgb pixel) { return qAlpha(pixel); }))
            return;
    }
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

// Not empty, and no larger than any picture may be.
PictureProblem sizeProblem(QSize size)
{
    if (!size.isValid() || size.isEmpty())
        return PictureProblem::Damaged;
    if (qint64(size.width()) * qint64(size.height()) > MaxDecodedPixels)
        return PictureProblem::TooLarge;
    return PictureProblem::None;
}

PictureProblem problemOf(CheckResult result)
{
    switch (result) {
    case CheckResult::Fine:
        return PictureProblem::None;
    case CheckResult::Damaged:
        return PictureProblem::Damaged;
    case CheckResult::UnknownKind:
        return PictureProblem::UnknownKind;
    case CheckResult::TooLarge:
        return PictureProblem::TooLarge;
    case CheckResult::TooCostly:
        break;
    }
    return PictureProblem::TooCostly;
}

// What the formats read by the toolkit's readers would cost, where it is more than their size.
PictureProblem costProblem(QByteArrayView data, const QByteArray &format)
{
    if (format == "gif")
        return problemOf(CheckGif(data));
    if (format == "tiff")
        return problemOf(CheckTiff(data));
    return PictureProblem::None;
}

// The icon's picture that makes the best board: the largest its directory names.
std::optional<int> largestIcon(QImageReader &reader, PictureProblem &problem)
{
    std::optional<int> best;
    qint64 bestArea = 0;
    problem = PictureProblem::Damaged;
    const int count = std::min(reader.imageCount(), 64);
    for (int index = 0; index < count; ++index) {
        if (!reader.jumpToImage(index))
            break;
        const QSize size = reader.size();
        const qint64 area = qint64(size.width()) * qint64(size.height());
        const PictureProblem sizeIs = sizeProblem(size);
        if (sizeIs == PictureProblem::TooLarge)
            problem = PictureProblem::TooLarge;
        else if (sizeIs == PictureProblem::None && area > bestArea) {
            best = index;
            bestArea = area;
        }
    }
    return best;
}

// Everything but JPEG goes through the toolkit's readers, after the checks of its cost and
// limited before they allocate anything.
DecodedPicture decodeWithQt(const QByteArray &data, const QByteArray &format)
{
    if (const PictureProblem cost = costProblem(data, format); cost != PictureProblem::None)
        return cost;
    // The limit holds for every reader in the program (whose own pictures are small); 128 MB
    // is as much as the largest picture allowed needs (MaxDecodedPixels, four bytes each).
    QImageReader::setAllocationLimit(128);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    // The board is cut from the picture as any viewer shows it.
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return PictureProblem::Damaged;

    if (format == "ico") {
        PictureProblem problem = PictureProblem::Damaged;
        const std::optional<int> best = largestIcon(reader, problem);
        if (!best)
            return problem;
        // A PNG picture in an icon is read as any PNG file is, with its checks.
        if (const std::optional<IconEntry> entry = IconEntryAt(data, *best)) {
            const QByteArray picture = data.mid(entry->offset, entry->size);
            if (picture.startsWith("\x89PNG"))
                return decodePng(picture);
        }
        if (!reader.jumpToImage(*best))
            return PictureProblem::Damaged;
    }

    QSize size = reader.size();
    // A bitmap stored top to bottom says so with a negative height.
    if (format == "bmp")
        size.setHeight(std::abs(size.height()));
    if (const PictureProblem problem = sizeProblem(size); problem != PictureProblem::None)
        return problem;
    QImage picture = reader.read();
    if (format == "bmp")
        opaqueWhenAllTransparent(picture);
    return opaqueOnWhite(std::move(picture));
}

// Metafiles are checked before their library sees them. An EMF becomes SVG, which is checked
// in turn before it is drawn; libwmf draws a WMF itself, under its own watch.
DecodedPicture decodeMetafile(const QByteArray &data, MetafileKind kind, QSize boardSize)
{
    const CheckResult structure = kind == MetafileKind::Wmf ? CheckWmf(data) : CheckEmf(data);
    if (structure != CheckResult::Fine)
        return problemOf(structure);
    const MetafileModule *module = LoadedMetafileModule();
    if (!module)
        return PictureProblem::UnknownKind;
    QImage picture;
    MetafileDrawing drawing = MetafileDrawing::Unreadable;
    if (kind == MetafileKind::Wmf) {
        drawing = module->drawWmf(data, boardSize, &picture);
    } else {
        QByteArray svg;
        if (!module->emfToSvg(data, &svg))
            return PictureProblem::Damaged;
        QSizeF size;
        if (const PictureProblem problem = problemOf(CheckMetafileSvg(svg, &size));
            problem != PictureProblem::None)
            return problem;
        drawing = module->renderSvg(svg, MetafilePictureSize(size, boardSize), &picture);
    }
    switch (drawing) {
    case MetafileDrawing::Drawn:
        return picture;
    case MetafileDrawing::TooCostly:
        return PictureProblem::TooCostly;
    case MetafileDrawing::Unreadable:
        break;
    }
    return PictureProblem::Damaged;
}

} // namespace

QImage OrientedPicture(QImage picture, int orientation)
{
    // Orientations 5 to 8 are stored a quarter turn off, 2 to 4 mirrored or upside down.
    if (orientation >= 5)
        picture = picture.transformed(QTransform().rotate(orientation <= 6 ? 90 : 270));
    switch (orientation) {
    case 2:
    case 5:
    case 7:
        picture.mirror(true, false);
        break;
    case 3:
        picture.mirror(true, true);
        break;
    case 4:
        picture.mirror(false, true);
        break;
    default:
        break;
    }
    return picture;
}

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

DecodedPicture DecodeJpeg(const QByteArray &data, QSize boardSize)
{
    if (data.isEmpty())
        return PictureProblem::Unreadable;
    if (data.size() > MaxPictureFileBytes)
        return PictureProblem::TooLarge;
    JpegReading reading {};
    useQuietErrors(reading.errors, reading.info.err);

    std::optional<QImage> result;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    if (readJpegHeader(reading, bytes, static_cast<unsigned long>(data.size()), boardSize)) {
        QImage picture(
            int(reading.info.output_width), int(reading.info.output_height), QImage::Format_RGB32);
        if (picture.isNull())
            reading.errors.problem = PictureProblem::TooCostly; // no memory for it
        else if (readJpegScanlines(reading, picture.bits(), picture.bytesPerLine()))
            result = OrientedPicture(std::move(picture), reading.orientation);
    }
    jpeg_destroy_decompress(&reading.info);
    if (result)
        return *std::move(result);
    return reading.errors.problem;
}

namespace {

struct FurtherFormat
{
    const char *reader;      // the toolkit's name of the format
    const char *description; // as the file dialog shows it
    QStringList extensions;
};

const QList<FurtherFormat> &furtherFormats()
{
    static const QList<FurtherFormat> formats{
        {"png", "PNG Bilder", {QStringLiteral("png")}},
        {"gif", "GIF Bilder", {QStringLiteral("gif")}},
        {"webp", "WebP Bilder", {QStringLiteral("webp")}},
        {"tiff", "TIFF Bilder", {QStringLiteral("tif"), QStringLiteral("tiff")}},
    };
    return formats;
}

// The format of a further extension whose reader is installed; empty otherwise.
QByteArray furtherFormatOf(const QString &extension)
{
    const QList<QByteArray> installed = QImageReader::supportedImageFormats();
    for (const FurtherFormat &format : furtherFormats()) {
        if (format.extensions.contains(extension) && installed.contains(format.reader))
            return format.reader;
    }
    return {};
}

} // namespace

QList<PictureFormat> FurtherPictureFormats()
{
    QList<PictureFormat> result;
    const QList<QByteArray> installed = QImageReader::supportedImageFormats();
    for (const FurtherFormat &format : furtherFormats()) {
        if (!installed.contains(format.reader))
            continue;
        QStringList patterns;
        for (const QString &extension : format.extensions)
            patterns << QStringLiteral("*.") + extension;
        result.append({QStringLiteral("%1 (%2)")
                           .arg(QLatin1String(format.description), patterns.join(u';')),
                       patterns});
    }
    return result;
}

namespace {

// The file's bytes, no more than cap of them: a larger file is refused before anything is
// read, and a file that grows while it is read (still being written) ends at the cap too.
std::variant<QByteArray, PictureProblem> readPictureFile(const QString &path, qint64 cap)
{
    // Only plain files, and no waiting: a named pipe or a device could wait or run forever.
    const int fd = ::open(QFile::encodeName(path).constData(),
        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return PictureProblem::Unreadable;
    QByteArray data;
    struct stat info = {};
    PictureProblem problem = PictureProblem::None;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        problem = PictureProblem::Unreadable;
    else if (info.st_size > cap)
        problem = PictureProblem::TooLarge;
    else {
        data.resize(qsizetype(info.st_size) + 1); // one more, to see a file that grew
        qsizetype length = 0;
        for (;;) {
            if (length == data.size()) {
                if (length > cap)
                    break;
                data.resize(std::min<qint64>(2 * length + 4096, cap + 1));
            }
            const ssize_t count
                = ::read(fd, data.data() + length, size_t(data.size() - length));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                problem = count < 0 ? PictureProblem::Unreadable : PictureProblem::None;
                break;
            }
            length += count;
        }
        if (length > cap)
            problem = PictureProblem::TooLarge;
        data.truncate(length);
    }
    ::close(fd);
    if (problem != PictureProblem::None)
        return problem;
    return data;
}

} // namespace

qint64 PictureFileCap(const QByteArray &format)
{
    if (format == "wmf" || format == "emf")
        return MaxMetafileFileBytes;
    // A PNG of a grainy photograph stores about as many bytes as its pixels have.
    if (format == "bmp" || format == "tiff" || format == "png")
        return MaxBitmapFileBytes;
    return MaxPictureFileBytes;
}

QByteArray PictureFormatOf(const QString &path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"jpg" || extension == u"jpeg")
        return "jpeg";
    if (extension == u"bmp" || extension == u"ico" || extension == u"wmf" || extension == u"emf")
        return extension.toLatin1();
    return furtherFormatOf(extension);
}

DecodedPicture DecodePictureData(
    const QByteArray &data, const QByteArray &format, QSize boardSize)
{
    if (data.isEmpty())
        return PictureProblem::Unreadable;
    if (data.size() > PictureFileCap(format))
        return PictureProblem::TooLarge;
    if (format == "jpeg")
        return DecodeJpeg(data, boardSize);
    if (format == "wmf")
        return decodeMetafile(data, MetafileKind::Wmf, boardSize);
    if (format == "emf")
        return decodeMetafile(data, MetafileKind::Emf, boardSize);
    if (format.isEmpty())
        return PictureProblem::UnknownKind;
    if (format == "png")
        return decodePng(data);
    return decodeWithQt(data, format);
}

DecodedPicture DecodePictureFile(const QString &path, QSize boardSize)
{
    const QByteArray format = PictureFormatOf(path);
    if (format.isEmpty())
        return PictureProblem::UnknownKind;
    auto data = readPictureFile(path, PictureFileCap(format));
    if (const auto *problem = std::get_if<PictureProblem>(&data))
        return *problem;
    return DecodePictureData(std::get<QByteArray>(data), format, boardSize);
}

namespace {

// What tells a file apart from its earlier self: a file replaced or written since has another.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;
    bool operator==(const FileStamp &) const = default;
};

std::optional<FileStamp> stampOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const auto nanoseconds
        = [](timespec time) { return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec; };
    return FileStamp {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim),
        nanoseconds(info.st_ctim)};
}

} // namespace

struct KeptPicture::Kept
{
    QString path;
    QSize boardSize;
    FileStamp stamp;
    DecodedPicture picture;
};

KeptPicture::KeptPicture() = default;
KeptPicture::~KeptPicture() = default;

DecodedPicture KeptPicture::decodeAndKeep(const QString &path, QSize boardSize)
{
    m_kept.reset();
    const std::optional<FileStamp> stamp = stampOf(path);
    DecodedPicture picture = DecodePictureFile(path, boardSize);
    // Kept only when the file did not change while it was read.
    if (stamp && stamp == stampOf(path))
        m_kept.reset(new Kept {path, boardSize, *stamp, picture});
    return picture;
}

DecodedPicture KeptPicture::take(const QString &path, QSize boardSize)
{
    const std::unique_ptr<Kept> kept = std::move(m_kept);
    // A picture decoded for a board at least as large covers this one too.
    if (kept && kept->path == path && kept->boardSize.width() >= boardSize.width()
        && kept->boardSize.height() >= boardSize.height() && stampOf(path) == kept->stamp)
        return kept->picture;
    return DecodePictureFile(path, boardSize);
}

QString PictureProblemText(PictureProblem problem, const QString &file)
{
    const QString name = QFileInfo(file).fileName();
    switch (problem) {
    case PictureProblem::Damaged:
        return QStringLiteral("Das Bild %1 ist beschädigt.").arg(name);
    case PictureProblem::UnknownKind:
        return QStringLiteral("Bilder der Art von %1 kann Tilora nicht lesen.").arg(name);
    case PictureProblem::TooLarge:
        return QStringLiteral("Das Bild %1 ist zu groß.").arg(name);
    case PictureProblem::TooCostly:
        return QStringLiteral("Das Bild %1 wäre zu aufwendig zu zeichnen.").arg(name);
    case PictureProblem::None:
    case PictureProblem::Unreadable:
        break;
    }
    return QStringLiteral("Das Bild %1 kann nicht geladen werden.").arg(name);
}
