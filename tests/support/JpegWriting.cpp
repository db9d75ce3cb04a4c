#include "support/JpegWriting.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include <jpeglib.h>

namespace {

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
    if (encoding.fullResolutionColour)
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    jpeg_set_quality(&info, encoding.quality, TRUE);
    if (encoding.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (encoding.orientation) { // Exif: a big-endian TIFF header, one field in one directory
        const QByteArray exif = QByteArray("Exif\0\0MM\0*\0\0\0\x08\0\x01"
                                           "\x01\x12\0\x03\0\0\0\x01\0", 25)
            + char(encoding.orientation) + QByteArray(6, 0);
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(exif.data()),
            unsigned(exif.size()));
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(pixels + info.next_scanline * bytesPerLine);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

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
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOut;
    errors.manager.output_message = stayQuiet;
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

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result += char(value);
    return result;
}

void appendMarker(QByteArray &out, uchar marker, const QByteArray &payload = {})
{
    out += char(0xFF);
    out += char(marker);
    if (marker == 0xD8 || marker == 0xD9)
        return;
    const int length = int(payload.size()) + 2;
    out += char(length >> 8);
    out += char(length & 0xFF);
    out += payload;
}

// Entropy-coded bits, with the zero byte that must follow every 0xFF.
class BitWriter
{
public:
    explicit BitWriter(QByteArray &out)
        : m_out(out)
    { }
    void write(quint32 bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = (m_byte << 1) | ((bits >> i) & 1);
            if (++m_count == 8)
                flushByte();
        }
    }
    void finish()
    {
        while (m_count != 0)
            write(1, 1);
    }

private:
    void flushByte()
    {
        m_out += char(m_byte);
        if (m_byte == 0xFF)
            m_out += char(0);
        m_byte = 0;
        m_count = 0;
    }
    QByteArray &m_out;
    quint32 m_byte = 0;
    int m_count = 0;
};

} // namespace

QByteArray CraftJpeg(const CraftedJpeg &crafted)
{
    using Scans = CraftedJpeg::Scans;
    const bool progressive = crafted.kind != Scans::Baseline;
    QByteArray out;
    appendMarker(out, 0xD8);
    appendMarker(out, 0xDB, QByteArray(1, 0) + QByteArray(64, 1)); // table 0, all ones
    if (crafted.restartInterval > 0) {
        appendMarker(
            out, 0xDD, bytes({crafted.restartInterval >> 8, crafted.restartInterval & 0xFF}));
    }
    const QByteArray frame = bytes({8, crafted.size.height() >> 8, crafted.size.height() & 0xFF,
        crafted.size.width() >> 8, crafted.size.width() & 0xFF, 1, 1, 0x11, 0});
    const uchar frameMarker
        = crafted.arithmetic ? (progressive ? 0xCA : 0xC9) : (progressive ? 0xC2 : 0xC0);
    appendMarker(out, frameMarker, frame);
    if (!crafted.arithmetic) {
        // One code of one bit in each table: DC difference 0, and AC "run of 2^14 + n
        // empty blocks".
        const QByteArray oneCode = bytes({1}) + QByteArray(15, 0);
        appendMarker(out, 0xC4, bytes({0x00}) + oneCode + bytes({0x00}));
        appendMarker(out, 0xC4, bytes({0x10}) + oneCode + bytes({0xE0}));
    }

    const qint64 blocks
        = qint64((crafted.size.width() + 7) / 8) * qint64((crafted.size.height() + 7) / 8);
    for (int scan = 0; scan < crafted.scans; ++scan) {
        const bool refine = crafted.kind == Scans::Refinements;
        const bool dc = crafted.kind == Scans::DcFirst;
        appendMarker(out, 0xDA,
            bytes({1, 1, 0x00, progressive && !dc ? 1 : 0, dc ? 0 : 63, refine ? 0x10 : 0}));
        if (crafted.arithmetic || !progressive || dc)
            continue; // libjpeg reads zeros where the data ends
        BitWriter bits(out);
        constexpr qint64 LongestRun = (1 << 15) - 1;
        for (qint64 done = 0; done < blocks; done += LongestRun)
            bits.write((0u << 14) | 0x3FFF, 15); // the code 0, then 14 bits of run length
        bits.finish();
    }
    appendMarker(out, 0xD9);
    return out;
}
