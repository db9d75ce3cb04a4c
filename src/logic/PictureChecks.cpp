#include "logic/PictureChecks.h"

#include "logic/PictureDecoding.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace {

// Reads numbers at offsets of a file, in either byte order; zero beyond its end, which the
// callers check for before they trust a number.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data, bool bigEndian = true)
        : m_data(data)
        , m_bigEndian(bigEndian)
    { }
    qint64 size() const { return m_data.size(); }
    bool holds(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= size() && length <= size() - offset;
    }
    quint8 u8(qint64 offset) const { return holds(offset, 1) ? quint8(m_data[offset]) : 0; }
    quint64 number(qint64 offset, int length) const
    {
        if (!holds(offset, length))
            return 0;
        quint64 value = 0;
        for (int i = 0; i < length; ++i) {
            const int at = m_bigEndian ? i : length - 1 - i;
            value = (value << 8) | quint8(m_data[offset + at]);
        }
        return value;
    }
    quint32 u16(qint64 offset) const { return quint32(number(offset, 2)); }
    quint32 u32(qint64 offset) const { return quint32(number(offset, 4)); }
    quint64 u64(qint64 offset) const { return number(offset, 8); }
    // As much of the range as the file holds.
    QByteArrayView part(qint64 offset, qint64 length) const
    {
        if (offset < 0 || offset >= size() || length <= 0)
            return {};
        return m_data.sliced(offset, std::min(length, size() - offset));
    }

private:
    QByteArrayView m_data;
    bool m_bigEndian;
};

qint64 ceilingDivision(qint64 a, qint64 b)
{
    return b > 0 ? (a + b - 1) / b : 0;
}

// ---- PNG

// Counts what a zlib stream inflates to, fed in pieces, without keeping any of it.
class InflatedCount
{
public:
    InflatedCount() { m_ready = inflateInit(&m_stream) == Z_OK; }
    ~InflatedCount()
    {
        if (m_ready)
            inflateEnd(&m_stream);
    }
    InflatedCount(const InflatedCount &) = delete;
    InflatedCount &operator=(const InflatedCount &) = delete;

    // Feeds a piece and stops once more than limit bytes have come out altogether.
    void feed(QByteArrayView input, qint64 limit)
    {
        if (!m_ready || m_ended)
            return;
        m_stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
        m_stream.avail_in = uInt(input.size());
        while (m_stream.avail_in > 0 && count() <= limit) {
            m_stream.next_out = m_scratch.data();
            m_stream.avail_out = uInt(m_scratch.size());
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            if (result != Z_OK) {
                // The end of the stream, or damage that the reader will meet as well.
                m_ended = true;
                return;
            }
        }
    }
    qint64 count() const { return qint64(m_stream.total_out); }

private:
    z_stream m_stream {};
    std::array<Bytef, 64 * 1024> m_scratch {};
    bool m_ready = false;
    bool m_ended = false;
};

// The bytes of all rows of a PNG, one filter byte each included, interlaced or not.
qint64 pngRawBytes(qint64 width, qint64 height, int bitsPerPixel, bool interlaced)
{
    const auto rows = [&](qint64 columns, qint64 count) {
        return columns > 0 && count > 0 ? count * (1 + ceilingDivision(columns * bitsPerPixel, 8))
                                        : 0;
    };
    if (!interlaced)
        return rows(width, height);
    // Adam7: first column and row, and steps, of the seven passes.
    static constexpr int Passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    qint64 total = 0;
    for (const auto &pass : Passes) {
        total += rows(
            ceilingDivision(width - pass[0], pass[2]), ceilingDivision(height - pass[1], pass[3]));
    }
    return total;
}

// Where the compressed part of a text or profile chunk begins; none when it holds none.
std::optional<qint64> compressedTextStart(QByteArrayView type, QByteArrayView chunk)
{
    const qint64 keywordEnd = chunk.indexOf('\0');
    if (keywordEnd < 0)
        return std::nullopt;
    if (type == "zTXt" || type == "iCCP")
        return keywordEnd + 2; // after the method byte
    // iTXt: a flag, the method, then a language tag and a translated keyword.
    if (chunk.size() <= keywordEnd + 2 || chunk[keywordEnd + 1] != 1)
        return std::nullopt;
    qint64 at = keywordEnd + 3;
    for (int field = 0; field < 2; ++field) {
        const qint64 end = chunk.sliced(std::min(at, qint64(chunk.size()))).indexOf('\0');
        if (end < 0)
            return std::nullopt;
        at += end + 1;
    }
    return at;
}

// ---- GIF

// Skips a run of sub-blocks; the data of each is handed to take. Returns the offset after the
// terminator, or -1 when the file ends first.
template <typename Take> qint64 subBlocks(const Bytes &gif, qint64 at, Take take)
{
    while (gif.holds(at, 1)) {
        const int length = gif.u8(at);
        if (length == 0)
            return at + 1;
        take(gif.part(at + 1, length));
        at += 1 + length;
    }
    return -1;
}

// Follows an LZW code stream as a GIF reader expands it and counts the pixels it gives. Only
// each table entry's length is kept, so this costs a few operations a code.
class LzwCount
{
public:
    explicit LzwCount(int minimumCodeSize, qint64 limit)
        : m_minimum(minimumCodeSize)
        , m_limit(limit)
    {
        reset();
    }
    bool tooMany() const { return m_pixels > m_limit; }

    // Data after the end code, or once there are too many pixels, is left unread.
    void feed(QByteArrayView data)
    {
        for (const char byte : data) {
            if (m_ended || tooMany())
                return;
            m_bits |= quint32(quint8(byte)) << m_bitCount;
            m_bitCount += 8;
            while (m_bitCount >= m_codeSize && !m_ended && !tooMany()) {
                const int code = int(m_bits & ((1u << m_codeSize) - 1));
                m_bits >>= m_codeSize;
                m_bitCount -= m_codeSize;
                take(code);
            }
        }
    }

private:
    void reset()
    {
        m_codeSize = m_minimum + 1;
        m_next = (1 << m_minimum) + 2;
        m_previous = 0;
        for (int code = 0; code < (1 << m_minimum); ++code)
            m_lengths[code] = 1;
    }
    void take(int code)
    {
        const int clear = 1 << m_minimum;
        if (code == clear) {
            reset();
            return;
        }
        if (code == clear + 1) {
            m_ended = true;
            return;
        }
        // A code beyond the table is taken as the entry about to be made, as readers do.
        const int length = code < m_next ? m_lengths[code] : m_previous + 1;
        m_pixels += length;
        if (m_previous > 0 && m_next < 4096) {
            m_lengths[m_next] = std::min(m_previous + 1, 4096);
            ++m_next;
            if (m_next == (1 << m_codeSize) && m_codeSize < 12)
                ++m_codeSize;
        }
        m_previous = std::min(length, 4096);
    }

    int m_minimum;
    qint64 m_limit;
    std::array<int, 4096> m_lengths {};
    int m_codeSize = 0;
    int m_next = 0;
    int m_previous = 0; // length of the previous code's string; 0 after a clear
    quint32 m_bits = 0;
    int m_bitCount = 0;
    qint64 m_pixels = 0;
    bool m_ended = false;
};

// ---- TIFF

struct TiffField
{
    int type = 0;
    quint64 count = 0;
    qint64 valueOffset = 0; // where the values are, inline or not
};

int tiffTypeSize(int type)
{
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
    case 16:
    case 17:
    case 18:
        return 8;
    default:
        return 0;
    }
}

class TiffDirectory
{
public:
    TiffDirectory(const Bytes &file, bool big)
        : m_file(file)
        , m_big(big)
    { }

    bool read(qint64 offset)
    {
        const int countSize = m_big ? 8 : 2;
        const int entrySize = m_big ? 20 : 12;
        const quint64 count = m_big ? m_file.u64(offset) : m_file.u16(offset);
        if (!m_file.holds(offset, countSize) || count > quint64(m_file.size() / entrySize))
            return false;
        for (quint64 i = 0; i < count; ++i) {
            const qint64 entry = offset + countSize + qint64(i) * entrySize;
            if (!m_file.holds(entry, entrySize))
                return false;
            TiffField field;
            field.type = int(m_file.u16(entry + 2));
            field.count = m_big ? m_file.u64(entry + 4) : m_file.u32(entry + 4);
            const qint64 valueAt = entry + (m_big ? 12 : 8);
            const int inlineBytes = m_big ? 8 : 4;
            const quint64 bytes = field.count * quint64(tiffTypeSize(field.type));
            if (tiffTypeSize(field.type) == 0 || field.count > quint64(m_file.size()))
                continue; // libtiff skips what it cannot read, and so do we
            field.valueOffset = bytes <= quint64(inlineBytes)
                ? valueAt
                : qint64(m_big ? m_file.u64(valueAt) : m_file.u32(valueAt));
            m_fields.emplace_back(int(m_file.u16(entry)), field);
        }
        return true;
    }

    const TiffField *field(int tag) const
    {
        for (const auto &[fieldTag, field] : m_fields) {
            if (fieldTag == tag)
                return &field;
        }
        return nullptr;
    }
    quint64 count(int tag) const
    {
        const TiffField *found = field(tag);
        return found ? found->count : 0;
    }
    // The index-th value of an integer field; the default when the field is missing.
    quint64 value(int tag, quint64 index = 0, quint64 defaultValue = 0) const
    {
        const TiffField *found = field(tag);
        if (!found || index >= found->count)
            return defaultValue;
        const int size = tiffTypeSize(found->type);
        return m_file.number(found->valueOffset + qint64(index) * size, size);
    }
    QByteArrayView bytes(int tag) const
    {
        const TiffField *found = field(tag);
        if (!found)
            return {};
        return m_file.part(found->valueOffset, qint64(found->count) * tiffTypeSize(found->type));
    }

private:
    const Bytes &m_file;
    bool m_big;
    std::vector<std::pair<int, TiffField>> m_fields;
};

enum TiffTag {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    StripOffsets = 273,
    Orientation = 274,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    PlanarConfiguration = 284,
    TileWidth = 322,
    TileLength = 323,
    TileOffsets = 324,
    TileByteCounts = 325,
    JpegTables = 347,
    JpegInterchangeFormat = 513,
    JpegInterchangeFormatLength = 514,
};

// The compressions that libtiff decodes. Their work follows the bytes they decode to, which
// the strips' limits bound, and the bytes of the file; JPEG, old (6) and new (7), is measured
// apart, since a scan can visit every block again.
bool readTiffCompression(quint64 compression)
{
    switch (compression) {
    case 1: // none
    case 2: // fax, in all its forms
    case 3:
    case 4:
    case 32771:
    case 5: // LZW
    case 6: // JPEG
    case 7:
    case 8: // deflate
    case 32946:
    case 32773: // PackBits
    case 32766: // NeXT
    case 32809: // ThunderScan
    case 32908: // Pixar's
    case 32909:
    case 34676: // LogLuv
    case 34677:
    case 34661: // JBIG
    case 34887: // LERC
    case 34925: // LZMA
    case 50000: // Zstandard
    case 50001: // WebP
        return true;
    default:
        return false;
    }
}

// libjpeg's set-up for each stream, in the units of MaxJpegWork: libtiff starts every JPEG
// strip or tile as a picture of its own.
constexpr qint64 JpegStreamSetUpWork = 20'000;

} // namespace

CheckResult CheckPng(QByteArrayView data)
{
    const Bytes png(data);
    if (data.size() < 8 || std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) != 0)
        return CheckResult::Damaged;
    std::optional<qint64> rawBytes;
    InflatedCount image;
    qint64 textBytes = 0;
    for (qint64 at = 8; png.holds(at, 8);) {
        const quint32 length = png.u32(at);
        const QByteArrayView type = data.sliced(at + 4, 4);
        if (length > 0x7FFFFFFFu)
            return CheckResult::Damaged;
        // The reader allocates what a chunk claims before it reads it.
        if (!png.holds(at + 8, qint64(length) + 4))
            return CheckResult::Damaged;
        const QByteArrayView chunk = png.part(at + 8, length);
        if (type == "IHDR") {
            const qint64 width = png.u32(at + 8);
            const qint64 height = png.u32(at + 12);
            const int depth = png.u8(at + 16);
            static constexpr int Channels[] = {1, 0, 3, 1, 2, 0, 4};
            const int colour = png.u8(at + 17);
            if (chunk.size() < 13 || colour > 6 || Channels[colour] == 0 || depth == 0
                || depth > 16)
                return CheckResult::Damaged;
            // The reader holds two rows at a time, however few there are.
            const int bitsPerPixel = depth * Channels[colour];
            if (width > MaxDecodedPixels || height > MaxDecodedPixels
                || width * height > MaxDecodedPixels || width * bitsPerPixel > 8 * MaxPngRowBytes)
                return CheckResult::TooLarge;
            rawBytes = pngRawBytes(width, height, bitsPerPixel, png.u8(at + 20) != 0);
        } else if (type == "IDAT") {
            if (!rawBytes)
                return CheckResult::Damaged;
            image.feed(chunk, *rawBytes);
            if (image.count() > *rawBytes)
                return CheckResult::TooCostly;
        } else if (type == "zTXt" || type == "iTXt" || type == "iCCP") {
            if (const auto start = compressedTextStart(type, chunk);
                start && *start < chunk.size()) {
                InflatedCount text;
                text.feed(chunk.sliced(*start), MaxPngTextBytes - textBytes);
                textBytes += text.count();
                if (textBytes > MaxPngTextBytes)
                    return CheckResult::TooCostly;
            }
        } else if (type == "IEND") {
            break;
        }
        at += 12 + qint64(length);
    }
    return rawBytes ? CheckResult::Fine : CheckResult::Damaged;
}

CheckResult CheckGif(QByteArrayView data)
{
    const Bytes gif(data, false);
    if (data.size() < 13 || (!data.startsWith("GIF87a") && !data.startsWith("GIF89a")))
        return CheckResult::Damaged;
    const auto colourTable = [&](int flags) { return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0; };
    qint64 at = 13 + colourTable(gif.u8(10));
    while (gif.holds(at, 1)) {
        const int block = gif.u8(at);
        if (block == 0x21) {
            at = subBlocks(gif, at + 2, [](QByteArrayView) {});
            if (at < 0)
                return CheckResult::Fine; // cut short: the reader meets no picture data
            continue;
        }
        if (block != 0x2C)
            return block == 0x3B ? CheckResult::Fine : CheckResult::Damaged;
        const qint64 pixels = qint64(gif.u16(at + 5)) * gif.u16(at + 7);
        at += 10 + colourTable(gif.u8(at + 9));
        const int minimumCodeSize = gif.u8(at);
        if (minimumCodeSize < 1 || minimumCodeSize > 11)
            return CheckResult::Damaged;
        // Encoders may end on a partial code; one code's string more is within any reader.
        LzwCount codes(minimumCodeSize, pixels + 4096);
        subBlocks(gif, at + 1, [&codes](QByteArrayView part) { codes.feed(part); });
        return codes.tooMany() ? CheckResult::TooCostly : CheckResult::Fine;
    }
    return CheckResult::Fine;
}

CheckResult CheckTiff(QByteArrayView data)
{
    if (data.size() < 8 || (!data.startsWith("II") && !data.startsWith("MM")))
        return CheckResult::Damaged;
    const Bytes file(data, data.startsWith("MM"));
    const bool big = file.u16(2) == 43;
    if (!big && file.u16(2) != 42)
        return CheckResult::Damaged;
    TiffDirectory directory(file, big);
    if (!directory.read(qint64(big ? file.u64(8) : file.u32(4))))
        return CheckResult::Damaged;

    const quint64 fullWidth = directory.value(ImageWidth);
    const quint64 fullHeight = directory.value(ImageLength);
    if (fullWidth == 0 || fullHeight == 0)
        return CheckResult::Damaged;
    if (fullWidth > quint64(MaxDecodedPixels) || fullHeight > quint64(MaxDecodedPixels))
        return CheckResult::TooLarge;
    const qint64 width = qint64(fullWidth);
    const qint64 height = qint64(fullHeight);
    if (width * height > MaxDecodedPixels)
        return CheckResult::TooLarge;
    const quint64 compression = directory.value(Compression, 0, 1);
    if (!readTiffCompression(compression))
        return CheckResult::UnknownKind;
    const qint64 samples = qint64(directory.value(SamplesPerPixel, 0, 1));
    qint64 bits = 0;
    for (qint64 i = 0; i < std::max<qint64>(samples, 1) && i < 64; ++i)
        bits = std::max<qint64>(bits, qint64(directory.value(BitsPerSample, quint64(i), 1)));
    if (samples <= 0 || samples > 64 || bits <= 0 || bits > 64)
        return CheckResult::UnknownKind;
    const bool planes = directory.value(PlanarConfiguration, 0, 1) == 2;
    const qint64 bitsPerPixel = planes ? bits : bits * samples;

    const bool tiled = directory.field(TileWidth) != nullptr;
    qint64 strips = 0;
    qint64 stripBytes = 0;
    if (tiled) {
        const quint64 tileWidth = directory.value(TileWidth);
        const quint64 tileLength = directory.value(TileLength);
        if (tileWidth == 0 || tileLength == 0)
            return CheckResult::Damaged;
        // A tile larger than the picture decodes all of itself all the same.
        if (tileWidth > quint64(MaxTiffStripBytes) || tileLength > quint64(MaxTiffStripBytes))
            return CheckResult::TooCostly;
        strips = ceilingDivision(width, qint64(tileWidth))
            * ceilingDivision(height, qint64(tileLength));
        stripBytes = qint64(tileLength) * ceilingDivision(qint64(tileWidth) * bitsPerPixel, 8);
    } else {
        const qint64 rows
            = std::min<qint64>(qint64(directory.value(RowsPerStrip, 0, 0xFFFFFFFFu)), height);
        if (rows <= 0)
            return CheckResult::Damaged;
        strips = ceilingDivision(height, rows);
        stripBytes = rows * ceilingDivision(width * bitsPerPixel, 8);
    }
    if (planes)
        strips *= samples;
    if (strips > MaxTiffStrips || stripBytes > MaxTiffStripBytes
        || strips * stripBytes > MaxTiffDecodedBytes)
        return CheckResult::TooCostly;
    if (compression != 6 && compression != 7)
        return CheckResult::Fine;

    const int offsetsTag = tiled ? TileOffsets : StripOffsets;
    const int countsTag = tiled ? TileByteCounts : StripByteCounts;
    const quint64 streams = std::min<quint64>(
        {quint64(strips), directory.count(offsetsTag), directory.count(countsTag)});
    const QByteArrayView tables = directory.bytes(JpegTables);
    qint64 work = 0;
    // Old-style JPEG mostly keeps the whole stream in one place, its strips inside it.
    if (compression == 6 && directory.field(JpegInterchangeFormat)) {
        const QByteArrayView stream = file.part(qint64(directory.value(JpegInterchangeFormat)),
            qint64(directory.value(JpegInterchangeFormatLength, 0, quint64(file.size()))));
        work = JpegStreamSetUpWork + JpegStreamWork(stream).value_or(0);
        return work > MaxJpegWork ? CheckResult::TooCostly : CheckResult::Fine;
    }
    for (quint64 i = 0; i < streams; ++i) {
        const QByteArrayView stream = file.part(
            qint64(directory.value(offsetsTag, i)), qint64(directory.value(countsTag, i)));
        work += JpegStreamSetUpWork + JpegStreamWork(stream, tables).value_or(0);
        if (work > MaxJpegWork)
            return CheckResult::TooCostly;
    }
    return CheckResult::Fine;
}

qint64 JpegScanWork(qint64 blocks, qint64 mcus, int band, int restartInterval, bool arithmetic)
{
    const qint64 restarts = restartInterval > 0 ? ceilingDivision(mcus, restartInterval) : 0;
    const qint64 work = blocks * (band + 16) + restarts * 48;
    return arithmetic ? work * 3 / 2 : work;
}

std::optional<qint64> JpegStreamWork(QByteArrayView stream, QByteArrayView tables)
{
    struct Component
    {
        int id;
        int horizontal;
        int vertical;
    };
    std::vector<Component> components;
    qint64 width = 0;
    qint64 height = 0;
    bool progressive = false;
    bool arithmetic = false;
    int restartInterval = 0;
    qint64 work = 0;
    bool scanned = false;

    // Returns false when a scan comes before any frame header.
    const auto walk = [&](QByteArrayView data) {
        const Bytes jpeg(data);
        qint64 at = 0;
        while (jpeg.holds(at, 2)) {
            if (jpeg.u8(at) != 0xFF) {
                ++at;
                continue;
            }
            const int marker = jpeg.u8(at + 1);
            at += 2;
            if (marker == 0xFF) {
                --at; // fill byte
                continue;
            }
            if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
                continue;
            if (marker == 0xD9)
                break;
            const qint64 length = jpeg.u16(at);
            if (length < 2)
                break;
            const qint64 segment = at + 2;
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                && marker != 0xCC;
            if (frame) {
                height = jpeg.u16(segment + 1);
                width = jpeg.u16(segment + 3);
                const int count = jpeg.u8(segment + 5);
                components.clear();
                for (int i = 0; i < count; ++i) {
                    const int sampling = jpeg.u8(segment + 7 + 3 * i);
                    components.push_back({jpeg.u8(segment + 6 + 3 * i), std::max(sampling >> 4, 1),
                        std::max(sampling & 15, 1)});
                }
                progressive = (marker & 3) == 2;
                arithmetic = marker >= 0xC9;
            } else if (marker == 0xDD) {
                restartInterval = int(jpeg.u16(segment));
            } else if (marker == 0xDA) {
                if (components.empty())
                    return false;
                scanned = true;
                int maxHorizontal = 1;
                int maxVertical = 1;
                for (const Component &component : components) {
                    maxHorizontal = std::max(maxHorizontal, component.horizontal);
                    maxVertical = std::max(maxVertical, component.vertical);
                }
                const int inScan = jpeg.u8(segment);
                const int start = jpeg.u8(segment + 1 + 2 * inScan);
                const int end = jpeg.u8(segment + 2 + 2 * inScan);
                const int band = progressive ? std::max(end - start + 1, 1) : 64;
                const qint64 mcus = ceilingDivision(width, 8 * maxHorizontal)
                    * ceilingDivision(height, 8 * maxVertical);
                qint64 blocks = 0;
                qint64 scanMcus = mcus;
                for (int i = 0; i < inScan; ++i) {
                    const int id = jpeg.u8(segment + 1 + 2 * i);
                    const auto found = std::find_if(components.begin(), components.end(),
                        [id](const Component &component) { return component.id == id; });
                    if (found == components.end())
                        continue;
                    if (inScan == 1) {
                        // One block an MCU, and no padding.
                        blocks = ceilingDivision(width * found->horizontal, 8 * maxHorizontal)
                            * ceilingDivision(height * found->vertical, 8 * maxVertical);
                        scanMcus = blocks;
                    } else {
                        blocks += mcus * found->horizontal * found->vertical;
                    }
                }
                work += JpegScanWork(blocks, scanMcus, band, restartInterval, arithmetic);
                // Past the entropy-coded data, to the next marker that is not a restart.
                at = segment + length - 2;
                while (jpeg.holds(at, 2)
                    && !(jpeg.u8(at) == 0xFF && jpeg.u8(at + 1) != 0
                        && (jpeg.u8(at + 1) < 0xD0 || jpeg.u8(at + 1) > 0xD7)))
                    ++at;
                continue;
            }
            at = segment + length - 2;
        }
        return true;
    };
    if (!walk(tables) || !walk(stream) || !scanned)
        return std::nullopt;
    return work;
}

std::optional<int> ExifOrientation(QByteArrayView exif)
{
    if (!exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        return std::nullopt;
    const QByteArrayView tiff = exif.sliced(6);
    if (!tiff.startsWith("II") && !tiff.startsWith("MM"))
        return std::nullopt;
    const Bytes file(tiff, tiff.startsWith("MM"));
    TiffDirectory directory(file, false);
    if (file.u16(2) != 42 || !directory.read(qint64(file.u32(4))))
        return std::nullopt;
    const quint64 orientation = directory.value(Orientation);
    if (orientation < 1 || orientation > 8)
        return std::nullopt;
    return int(orientation);
}

std::optional<IconEntry> IconEntryAt(QByteArrayView icon, int index)
{
    const Bytes file(icon, false);
    if (index < 0 || index >= int(file.u16(4)) || !file.holds(6 + 16 * index, 16))
        return std::nullopt;
    const IconEntry entry {file.u32(6 + 16 * index + 12), file.u32(6 + 16 * index + 8)};
    if (entry.offset >= file.size())
        return std::nullopt;
    return entry;
}
