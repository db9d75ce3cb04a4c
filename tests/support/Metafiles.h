#pragma once

// Metafiles written from scratch, for the tests, the fuzz corpus and the benchmarks: a sample
// picture in both formats (filled rectangle, ellipse, polygon, a bitmap and text), and the
// records to build hostile ones from.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace metafile {

inline QByteArray le(qint64 value, int size)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(quint64(value) >> (8 * i));
    return bytes;
}

inline QByteArray words(std::initializer_list<qint64> values)
{
    QByteArray bytes;
    for (qint64 value : values)
        bytes += le(value, 2);
    return bytes;
}

inline QByteArray longs(std::initializer_list<qint64> values)
{
    QByteArray bytes;
    for (qint64 value : values)
        bytes += le(value, 4);
    return bytes;
}

// Colour references are 0x00BBGGRR.
inline qint64 colourRef(QRgb colour)
{
    return qRed(colour) | qGreen(colour) << 8 | qBlue(colour) << 16;
}

// The sample picture, in a frame of 400 x 300 units: a red rectangle top left, a blue ellipse
// top right, a green diamond below the rectangle, a bitmap of four coloured pixels beside it,
// and black text along the bottom.
constexpr QSize Frame(400, 300);
const QRgb Red = qRgb(220, 30, 40);
const QRgb Blue = qRgb(40, 60, 200);
const QRgb Green = qRgb(30, 160, 60);
const QRgb White = qRgb(255, 255, 255);
// The bitmap's pixels as they show, top left, top right, bottom left, bottom right.
const QRgb BitmapPixels[4] = {qRgb(250, 220, 40), qRgb(200, 40, 200), qRgb(40, 200, 220),
    qRgb(30, 30, 30)};
const QRect TextBand(0, 200, 400, 100);
const QString Text = QStringLiteral("Tilora");

// Points of the frame whose colour is known, in units of the frame.
struct KnownColour
{
    QPointF point;
    QRgb colour;
};
inline QList<KnownColour> KnownColours()
{
    return {{{100, 50}, Red}, {{300, 50}, Blue}, {{210, 8}, White}, {{100, 150}, Green},
        {{15, 110}, White}, {{250, 125}, BitmapPixels[0]}, {{350, 125}, BitmapPixels[1]},
        {{250, 175}, BitmapPixels[2]}, {{350, 175}, BitmapPixels[3]}, {{395, 295}, White}};
}

// How far a colour drawn is from the known one: its largest difference in one channel.
inline int colourError(const QColor &actual, const QColor &expected)
{
    return std::max({std::abs(actual.red() - expected.red()),
        std::abs(actual.green() - expected.green()), std::abs(actual.blue() - expected.blue())});
}

// A bitmap info header and bottom-up rows of 24-bit pixels: 8 x 8, a colour in each quarter,
// so that the quarters' middles keep their colours however the bitmap is smoothed.
constexpr int BitmapSide = 8;
inline QByteArray sampleBitmap()
{
    QByteArray bitmap = longs({40, BitmapSide, BitmapSide}) + words({1, 24})
        + longs({0, 3 * BitmapSide * BitmapSide, 3780, 3780, 0, 0});
    for (int row = BitmapSide - 1; row >= 0; --row) {
        for (int column = 0; column < BitmapSide; ++column) {
            const QRgb colour = BitmapPixels[2 * (2 * row / BitmapSide) + 2 * column / BitmapSide];
            bitmap += char(qBlue(colour));
            bitmap += char(qGreen(colour));
            bitmap += char(qRed(colour));
        }
    }
    return bitmap;
}

// ---- WMF

class Wmf
{
public:
    // Records of 16-bit words: size in words, function, parameters.
    Wmf &record(int function, const QByteArray &parameters)
    {
        QByteArray padded = parameters;
        if (padded.size() % 2)
            padded += char(0);
        const qint64 size = 3 + padded.size() / 2;
        m_largest = std::max(m_largest, size);
        m_records += le(size, 4) + le(function, 2) + padded;
        ++m_count;
        return *this;
    }
    qint64 count() const { return m_count; } // records, the end record left out
    Wmf &brush(QRgb colour) { return record(0x02FC, words({0}) + le(colourRef(colour), 4) + words({0})); }
    Wmf &select(int object) { return record(0x012D, words({object})); }
    Wmf &remove(int object) { return record(0x01F0, words({object})); }

    // The file: a placeable header with the frame, the standard header, the records, the end.
    QByteArray file(QRect frame = QRect(QPoint(0, 0), Frame), int objects = 2,
        qint64 claimedLargest = -1) const
    {
        const QByteArray records = m_records + le(3, 4) + le(0, 2);
        QByteArray placeable = longs({0x9AC6CDD7}) + words({0, frame.left(), frame.top(),
            frame.left() + frame.width(), frame.top() + frame.height(), 96}) + longs({0});
        quint16 checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= quint16(uchar(placeable[i]) | uchar(placeable[i + 1]) << 8);
        placeable += le(checksum, 2);
        const qint64 words = (18 + records.size()) / 2;
        const QByteArray header = metafile::words({1, 9, 0x0300}) + le(words, 4)
            + metafile::words({objects})
            + le(claimedLargest >= 0 ? claimedLargest : m_largest, 4) + metafile::words({0});
        return placeable + header + records;
    }

private:
    QByteArray m_records;
    qint64 m_largest = 3;
    qint64 m_count = 0;
};

// The records of the sample picture; repeats draws its shapes that many times.
inline Wmf sampleWmfRecords(int repeats = 1)
{
    Wmf wmf;
    wmf.record(0x020B, words({0, 0})).record(0x020C, words({Frame.height(), Frame.width()}));
    wmf.record(0x0102, words({1})); // transparent text background
    wmf.record(0x02FA, words({5, 0, 0}) + longs({0})).select(0); // no outlines
    for (int i = 0; i < repeats; ++i) {
        wmf.brush(Red).select(1).record(0x041B, words({100, 200, 0, 0})).remove(1);
        wmf.brush(Blue).select(1).record(0x0418, words({100, 400, 0, 200})).remove(1);
        wmf.brush(Green).select(1);
        wmf.record(0x0324, words({4, 100, 100, 200, 150, 100, 200, 0, 150})).remove(1);
    }
    // The bitmap: raster operation, colour use, source size and place, target size and place.
    wmf.record(0x0F43, longs({0x00CC0020})
            + words({0, BitmapSide, BitmapSide, 0, 0, 100, 200, 100, 200})
            + sampleBitmap());
    QByteArray face("Liberation Sans");
    face.resize(32, 0);
    wmf.record(0x02FB, words({-80, 0, 0, 0, 700}) + QByteArray(8, 0) + face).select(1);
    wmf.record(0x0209, longs({0}));
    QByteArray text = Text.toLatin1();
    wmf.record(0x0521, words({text.size()}) + text + QByteArray(text.size() % 2, 0)
            + words({TextBand.top() + 5, 20}));
    return wmf;
}

inline QByteArray sampleWmf(int repeats = 1)
{
    return sampleWmfRecords(repeats).file();
}

// ---- EMF

class Emf
{
public:
    Emf &record(int type, const QByteArray &payload)
    {
        QByteArray padded = payload;
        while (padded.size() % 4)
            padded += char(0);
        m_records += le(type, 4) + le(8 + padded.size(), 4) + padded;
        ++m_count;
        return *this;
    }
    Emf &brush(int handle, QRgb colour)
    {
        return record(39, longs({handle, 0, colourRef(colour), 0}));
    }
    Emf &select(qint64 handle) { return record(37, longs({handle})); }

    // The file: header with the bounds in device units, the records, the end.
    QByteArray file(QRect bounds = QRect(QPoint(0, 0), Frame)) const
    {
        const QByteArray end = longs({14, 20, 0, 16, 20});
        const qint64 size = 88 + m_records.size() + end.size();
        // Frame in hundredths of a millimetre at 96 pixels an inch.
        const auto hundredths = [](qint64 pixels) { return pixels * 2540 / 96; };
        const QByteArray header = longs({1, 88, bounds.left(), bounds.top(), bounds.right(),
            bounds.bottom(), hundredths(bounds.left()), hundredths(bounds.top()),
            hundredths(bounds.right()), hundredths(bounds.bottom()), 0x464D4520, 0x10000, size,
            m_count + 2}) + words({8, 0}) + longs({0, 0, 0, 1024, 768, 271, 203});
        return header + m_records + end;
    }

private:
    QByteArray m_records;
    qint64 m_count = 0;
};

inline Emf sampleEmfRecords(int repeats = 1)
{
    Emf emf;
    emf.record(17, longs({1})); // one unit a pixel
    emf.record(18, longs({1})); // transparent text background
    emf.select(0x80000008); // no outlines
    for (int i = 0; i < repeats; ++i) {
        emf.brush(1, Red).select(1).record(43, longs({0, 0, 200, 100}));
        emf.brush(2, Blue).select(2).record(42, longs({200, 0, 400, 100}));
        emf.brush(3, Green).select(3);
        emf.record(86, longs({0, 100, 200, 200, 4}) + words({100, 100, 200, 150, 100, 200, 0, 150}));
        emf.select(0x80000000).record(40, longs({1})).record(40, longs({2})).record(40, longs({3}));
    }
    // The bitmap: bounds, target place, source place and size, where its header and bits lie,
    // colour use, raster operation, target size.
    const QByteArray bitmap = sampleBitmap();
    emf.record(81, longs({200, 100, 400, 200, 200, 100, 0, 0, BitmapSide, BitmapSide, 80, 40, 120,
        bitmap.size() - 40, 0, 0x00CC0020, 200, 100}) + bitmap);
    QByteArray face = QStringLiteral("Liberation Sans").toUtf8();
    QByteArray wideFace;
    for (char c : face)
        wideFace += QByteArray(1, c) + char(0);
    wideFace.resize(64, 0);
    emf.record(82, longs({4, -80, 0, 0, 0, 700}) + QByteArray(8, 0) + wideFace).select(4);
    emf.record(24, longs({0}));
    QByteArray text;
    for (QChar c : Text)
        text += le(c.unicode(), 2);
    while (text.size() % 4)
        text += char(0);
    const qint64 chars = Text.size();
    // Bounds, graphics mode, scales, then the text: reference point, length, where the string
    // lies, options, clipping rectangle, where the advances lie.
    QByteArray advances;
    for (qint64 i = 0; i < chars; ++i)
        advances += le(50, 4);
    const QByteArray floats = QByteArray::fromHex("0000803f0000803f");
    emf.record(84, longs({-1, -1, -1, -1, 1}) + floats + longs({20, TextBand.top() + 5, chars, 76,
        0, 0, 0, -1, -1, 76 + text.size()}) + text + advances);
    return emf;
}

inline QByteArray sampleEmf(int repeats = 1)
{
    return sampleEmfRecords(repeats).file();
}

const QRgb Ground = qRgb(250, 230, 120); // of the honest pictures below

// Two squares in one POLYPOLYGON record on a yellow ground, in a frame of 200 x 100.
inline QByteArray polyPolygonWmf()
{
    Wmf wmf;
    wmf.record(0x02FA, words({5, 0, 0}) + longs({0})).select(0); // no outlines
    wmf.brush(Ground).select(1).record(0x041B, words({100, 200, 0, 0})).remove(1);
    wmf.brush(Blue).select(1);
    wmf.record(0x0538, words({2, 4, 4, 20, 20, 80, 20, 80, 80, 20, 80, 120, 20, 180, 20, 180,
        80, 120, 80}));
    return wmf.file(QRect(0, 0, 200, 100));
}

// A window of 400 x 200 in the anisotropic mode, which libwmf maps onto a square, with a
// placeable header of that shape: a yellow ground and a red pie of the quarter from three to
// twelve o'clock, of a circle around (120, 100).
inline QByteArray wideWmfWithPie()
{
    Wmf wmf;
    wmf.record(0x0103, words({8})).record(0x020B, words({0, 0}));
    wmf.record(0x020C, words({200, 400}));
    wmf.record(0x02FA, words({5, 0, 0}) + longs({0})).select(0);
    wmf.brush(Ground).select(1).record(0x041B, words({200, 400, 0, 0})).remove(1);
    // End point, start point, then the box, each y before x and the box bottom up.
    wmf.brush(Red).select(1).record(0x081A, words({10, 120, 100, 210, 190, 210, 10, 30}));
    return wmf.file(QRect(0, 0, 400, 200));
}

// A line of text drawn as one outline, as many programs store text: 30 letters, each a wavy
// outline of 70 points, in a band of 1920 x 70 units of a frame of 4000 x 3000.
inline QByteArray textAsPathEmf()
{
    Emf emf;
    emf.select(0x80000008).brush(1, qRgb(0, 0, 0)).select(1); // no outlines, black
    QByteArray counts;
    QByteArray points;
    for (int letter = 0; letter < 30; ++letter) {
        counts += le(70, 4);
        for (int step = 0; step < 70; ++step) {
            const int along = step < 35 ? step : 69 - step;
            points += words({1000 + 64 * letter + 48 * along / 34,
                step < 35 ? 1500 + 10 * (along % 2) : 1570 - 10 * (along % 2)});
        }
    }
    emf.record(91, longs({1000, 1500, 2920, 1570, 30, 30 * 70}) + counts + points);
    return emf.file(QRect(0, 0, 4000, 3000));
}

} // namespace metafile
