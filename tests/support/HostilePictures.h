#pragma once

// Picture files made to cost time or memory, for the tests, the fuzz corpus and the benchmarks:
// each is small, or mostly a hole in a sparse file, and each is otherwise well formed, so that
// a reader without limits does all the work it asks for.

#include "logic/PictureDecoding.h"
#include "support/JpegWriting.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QtEndian>

#include <zlib.h>

namespace hostile {

inline QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, 0);
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray littleEndian(quint32 value, int size)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

inline QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray typed = type + data;
    const auto *bytes = reinterpret_cast<const Bytef *>(typed.constData());
    const uLong crc = crc32(0, bytes, uInt(typed.size()));
    return bigEndian32(quint32(data.size())) + typed + bigEndian32(quint32(crc));
}

// One zlib stream of the data followed by surplus zero bytes, fed in pieces so that gigabytes
// of zeros never sit in memory.
inline QByteArray deflatedWithZeros(const QByteArray &data, qint64 zeros)
{
    z_stream stream {};
    deflateInit(&stream, 9);
    QByteArray out;
    QByteArray buffer(1 << 20, 0);
    const QByteArray zeroPiece(1 << 20, 0);
    const auto pump = [&](const QByteArray &input, int flush) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
        stream.avail_in = uInt(input.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            deflate(&stream, flush);
            out.append(buffer.constData(), buffer.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    };
    pump(data, Z_NO_FLUSH);
    for (qint64 left = zeros; left > 0; left -= zeroPiece.size())
        pump(left >= zeroPiece.size() ? zeroPiece : zeroPiece.left(left), Z_NO_FLUSH);
    pump(QByteArray(), Z_FINISH);
    deflateEnd(&stream);
    return out;
}

// A grey 8-bit PNG whose one image data stream holds its rows and then surplus zero bytes;
// chunks go in before the data.
inline QByteArray png(QSize size, qint64 surplus = 0, const QByteArray &chunks = {})
{
    QByteArray header = bigEndian32(quint32(size.width())) + bigEndian32(quint32(size.height()));
    header += QByteArray("\x08\x00\x00\x00\x00", 5);
    QByteArray rows;
    for (int y = 0; y < size.height(); ++y)
        rows += char(0) + QByteArray(size.width(), char(y * 255 / std::max(size.height(), 1)));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + chunks
        + pngChunk("IDAT", deflatedWithZeros(rows, surplus)) + pngChunk("IEND", {});
}

// A compressed text chunk that inflates to that many blanks.
inline QByteArray pngText(qint64 inflated)
{
    return pngChunk("zTXt", QByteArray("Comment\0\0", 9) + deflatedWithZeros({}, inflated));
}

// An icon whose one entry is the given PNG.
inline QByteArray icon(const QByteArray &picture)
{
    QByteArray directory = littleEndian(0, 2) + littleEndian(1, 2) + littleEndian(1, 2);
    directory += QByteArray(4, 0) + littleEndian(1, 2) + littleEndian(32, 2);
    directory += littleEndian(quint32(picture.size()), 4) + littleEndian(6 + 16, 4);
    return directory + picture;
}

// A picture as the toolkit's writer of the format stores it.
inline QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return data;
}

// LZW codes of a GIF with a minimum code size of 2, packed as the format packs them.
class GifCodes
{
public:
    // A new table: the codes grow again from 3 bits.
    void clear()
    {
        put(4);
        m_next = 6;
        m_codeSize = 3;
        m_first = true;
    }
    void put(int code)
    {
        m_bits |= quint32(code) << m_count;
        m_count += m_codeSize;
        while (m_count >= 8) {
            m_data += char(m_bits & 0xFF);
            m_bits >>= 8;
            m_count -= 8;
        }
        if (code == 4)
            return;
        // Every code after the first makes a table entry, as the reader does.
        if (!m_first && m_next < 4096 && ++m_next == (1 << m_codeSize) && m_codeSize < 12)
            ++m_codeSize;
        m_first = false;
    }
    int next() const { return m_next; }

    // The picture's block: its descriptor, then the codes in sub-blocks, then the trailer.
    QByteArray gif(QSize size)
    {
        put(5); // end
        if (m_count > 0)
            m_data += char(m_bits & 0xFF);
        const QByteArray width = littleEndian(quint32(size.width()), 2);
        const QByteArray height = littleEndian(quint32(size.height()), 2);
        QByteArray gif = QByteArray("GIF89a", 6) + width + height + QByteArray("\x81\x00\x00", 3);
        gif += QByteArray("\x00\x00\x00\xff\xff\xff\x80\x80\x80\x40\x40\x40", 12);
        gif += char(0x2C) + littleEndian(0, 4) + width + height + char(0) + char(2);
        for (qsizetype at = 0; at < m_data.size(); at += 255) {
            const QByteArray block = m_data.mid(at, 255);
            gif += char(block.size()) + block;
        }
        return gif + char(0) + char(0x3B);
    }

private:
    QByteArray m_data;
    quint32 m_bits = 0;
    int m_count = 0;
    int m_codeSize = 3;
    int m_next = 6;
    bool m_first = true;
};

// A plain GIF: one code a pixel, the table cleared before its codes grow.
inline QByteArray gif(QSize size)
{
    GifCodes codes;
    const qint64 pixels = qint64(size.width()) * size.height();
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 3 == 0)
            codes.clear();
        codes.put(int((i / size.width() + i) % 4));
    }
    return codes.gif(size);
}

// A GIF of one picture whose codes expand to far more pixels than it has: the code table is
// built up to its longest string (4091 pixels), which is then sent over and over.
inline QByteArray gifExpanding(QSize size, int longCodes)
{
    GifCodes codes;
    codes.clear();
    codes.put(0);
    // Each code the one about to be made: every entry a pixel longer than the one before.
    while (codes.next() < 4096)
        codes.put(codes.next());
    for (int i = 0; i < longCodes; ++i)
        codes.put(4095);
    return codes.gif(size);
}

// A grey TIFF whose strips are JPEG streams made by strip(top, size of the strip).
template <typename Strip> QByteArray tiffOfJpegStrips(QSize size, int rowsPerStrip, Strip strip)
{
    QList<QByteArray> streams;
    for (int top = 0; top < size.height(); top += rowsPerStrip)
        streams << strip(top, QSize(size.width(), std::min(rowsPerStrip, size.height() - top)));
    struct Entry
    {
        quint16 tag;
        quint16 type;
        quint32 count;
        quint32 value;
    };
    const quint32 entries = 9;
    const quint32 directoryEnd = 8 + 2 + entries * 12 + 4;
    const quint32 offsetsAt = directoryEnd;
    const quint32 countsAt = offsetsAt + 4 * quint32(streams.size());
    quint32 dataAt = countsAt + 4 * quint32(streams.size());
    QByteArray offsets;
    QByteArray counts;
    for (const QByteArray &stream : streams) {
        offsets += littleEndian(dataAt, 4);
        counts += littleEndian(quint32(stream.size()), 4);
        dataAt += quint32(stream.size());
    }
    const bool many = streams.size() > 1;
    const QList<Entry> fields {{256, 4, 1, quint32(size.width())},
        {257, 4, 1, quint32(size.height())}, {258, 3, 1, 8}, {259, 3, 1, 7}, {262, 3, 1, 1},
        {273, 4, quint32(streams.size()), many ? offsetsAt : directoryEnd + 8}, {277, 3, 1, 1},
        {278, 4, 1, quint32(rowsPerStrip)},
        {279, 4, quint32(streams.size()), many ? countsAt : quint32(streams.first().size())}};
    QByteArray tiff("II*\0", 4);
    tiff += littleEndian(8, 4) + littleEndian(entries, 2);
    for (const Entry &entry : fields) {
        tiff += littleEndian(entry.tag, 2) + littleEndian(entry.type, 2)
            + littleEndian(entry.count, 4) + littleEndian(entry.value, 4);
    }
    tiff += littleEndian(0, 4);
    if (many)
        tiff += offsets + counts;
    else
        tiff += QByteArray(8, 0); // where the one offset and count would have been
    for (const QByteArray &stream : streams)
        tiff += stream;
    return tiff;
}

// The same with crafted streams (see CraftJpeg).
inline QByteArray tiffOfCraftedStrips(QSize size, int rowsPerStrip, CraftedJpeg crafted)
{
    return tiffOfJpegStrips(size, rowsPerStrip, [crafted](int, QSize strip) mutable {
        crafted.size = strip;
        return CraftJpeg(crafted);
    });
}

// An honest RGB TIFF of one strip, with an orientation tag (1 to 8): the picture's rows as they
// are (its width a multiple of four, so that they are not padded), or a strip given compressed.
inline QByteArray tiff(const QImage &stored, int orientation, quint16 compression = 1,
    QByteArray strip = {})
{
    const QImage rows = stored.convertToFormat(QImage::Format_RGB888);
    if (compression == 1)
        strip = QByteArray(reinterpret_cast<const char *>(rows.constBits()), rows.sizeInBytes());
    const quint32 bitsAt = 8 + 2 + 12 * 10 + 4; // after the directory of ten fields
    const quint32 fields[10][3] = {{256, 4, quint32(stored.width())},
        {257, 4, quint32(stored.height())}, {258, 3, bitsAt}, {259, 3, compression},
        {262, 3, 2}, {273, 4, bitsAt + 6}, {274, 3, quint32(orientation)}, {277, 3, 3},
        {278, 4, quint32(stored.height())}, {279, 4, quint32(strip.size())}};
    QByteArray file = QByteArray("II*\0", 4) + littleEndian(8, 4) + littleEndian(10, 2);
    for (const auto &field : fields) {
        file += littleEndian(field[0], 2) + littleEndian(field[1], 2)
            + littleEndian(field[0] == 258 ? 3 : 1, 4) + littleEndian(field[2], 4);
    }
    return file + littleEndian(0, 4) + littleEndian(8, 2).repeated(3) + strip;
}

} // namespace hostile
