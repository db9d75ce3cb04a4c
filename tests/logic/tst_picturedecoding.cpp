#include "logic/PictureChecks.h"
#include "logic/PictureDecoding.h"
#include "logic/MetafileModule.h"
#include "metafiles/MetafileRendering.h"
#include "support/HostilePictures.h"
#include "support/Metafiles.h"

#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

namespace {

// A picture of flat coloured blocks, so that JPEG's losses stay small in each block's middle.
const QRgb BlockColours[] = {qRgb(220, 30, 40), qRgb(30, 160, 60), qRgb(40, 60, 200),
    qRgb(240, 220, 40), qRgb(250, 250, 250), qRgb(20, 20, 20), qRgb(140, 70, 180),
    qRgb(250, 140, 30), qRgb(90, 200, 220)};

QImage blockPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            painter.fillRect(QRect(column * size.width() / 3, row * size.height() / 3,
                                 size.width() / 3 + 1, size.height() / 3 + 1),
                QColor(BlockColours[row * 3 + column]));
        }
    }
    return image;
}

// Sets the picture size in a JPEG's frame header (SOF0..SOF2), leaving the data as it is.
QByteArray withFrameSize(QByteArray data, int width, int height)
{
    qsizetype at = 2;
    while (uchar(data.at(at + 1)) < 0xC0 || uchar(data.at(at + 1)) > 0xC2)
        at += 2 + qFromBigEndian<quint16>(data.constData() + at + 2);
    qToBigEndian(quint16(height), data.data() + at + 5);
    qToBigEndian(quint16(width), data.data() + at + 7);
    return data;
}

// Sets the size in a bitmap's info header.
QByteArray withBitmapSize(QByteArray data, qint32 width, qint32 height)
{
    qToLittleEndian(width, data.data() + 18);
    qToLittleEndian(height, data.data() + 22);
    return data;
}

// A progressive JPEG with its last scan repeated; libjpeg only warns about the repeats.
QByteArray withRepeatedScan(const QByteArray &jpeg, int copies)
{
    const qsizetype last = jpeg.lastIndexOf("\xFF\xDA");
    const qsizetype end = jpeg.size() - 2; // the end marker
    return jpeg.left(end) + jpeg.mid(last, end - last).repeated(copies) + jpeg.mid(end);
}

// Each block's middle in the decoded picture is within tolerance of the block's colour.
void compareBlocks(const QImage &decoded, bool grey, int tolerance)
{
    for (int block = 0; block < 9; ++block) {
        // A grey picture holds the grey that Qt made of the colour when it was written.
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.fill(BlockColours[block]);
        const QColor expected = grey
            ? pixel.convertToFormat(QImage::Format_Grayscale8).pixelColor(0, 0)
            : pixel.pixelColor(0, 0);
        const QColor actual = decoded.pixelColor(decoded.width() * (2 * (block % 3) + 1) / 6,
            decoded.height() * (2 * (block / 3) + 1) / 6);
        const int error = std::max(
            {std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                std::abs(actual.blue() - expected.blue())});
        QVERIFY2(error <= tolerance, qPrintable(actual.name() + " instead of " + expected.name()));
    }
}

// A bitmap as Qt writes it (24 bits, bottom-up) stored top-down, as the negative height says.
QByteArray topDownBitmap(const QImage &picture)
{
    QByteArray bitmap = hostile::encoded(picture, "bmp");
    const qint32 height = qFromLittleEndian<qint32>(bitmap.constData() + 22);
    const qsizetype pixels = qFromLittleEndian<quint32>(bitmap.constData() + 10);
    const qsizetype line = (bitmap.size() - pixels) / height;
    QByteArray flipped = bitmap.left(pixels);
    for (qint32 row = height - 1; row >= 0; --row)
        flipped += bitmap.mid(pixels + row * line, line);
    qToLittleEndian(-height, flipped.data() + 22);
    return flipped;
}

// A 32-bit bitmap with the newer header and an alpha mask, every alpha byte 0.
QByteArray bitmapWithEmptyAlpha(const QImage &picture)
{
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    QByteArray header(14 + 124, 0);
    char *bytes = header.data();
    bytes[0] = 'B';
    bytes[1] = 'M';
    const quint32 size = quint32(header.size() + 4 * pixels.width() * pixels.height());
    qToLittleEndian(size, bytes + 2);
    qToLittleEndian(quint32(header.size()), bytes + 10);
    qToLittleEndian(quint32(124), bytes + 14);
    qToLittleEndian(qint32(pixels.width()), bytes + 18);
    qToLittleEndian(qint32(-pixels.height()), bytes + 22);
    qToLittleEndian(quint16(1), bytes + 26);
    qToLittleEndian(quint16(32), bytes + 28);
    qToLittleEndian(quint32(3), bytes + 30); // bit fields
    const quint32 masks[] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
    for (int i = 0; i < 4; ++i)
        qToLittleEndian(masks[i], bytes + 54 + 4 * i);
    QByteArray data = header;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x)
            data += hostile::littleEndian(pixels.pixel(x, y) & 0x00FFFFFFu, 4);
    }
    return data;
}

bool readerInstalled(const char *format)
{
    return QImageReader::supportedImageFormats().contains(format);
}

enum class Outcome { Picture, Unreadable, Refused, PictureOrNone };

// The picture stored as the Exif orientation says, so that a viewer that honours it shows
// the upright picture: where each stored pixel is seen.
QImage storedAs(const QImage &upright, int orientation)
{
    const int w = upright.width();
    const int h = upright.height();
    QImage stored(orientation >= 5 ? QSize(h, w) : QSize(w, h), QImage::Format_RGB32);
    for (int r = 0; r < stored.height(); ++r) {
        for (int c = 0; c < stored.width(); ++c) {
            const QPoint seen[] = {{c, r}, {w - 1 - c, r}, {w - 1 - c, h - 1 - r},
                {c, h - 1 - r}, {r, c}, {w - 1 - r, c}, {w - 1 - r, h - 1 - c}, {r, h - 1 - c}};
            stored.setPixel(c, r, upright.pixel(seen[orientation - 1]));
        }
    }
    return stored;
}

// Colours a picture shows at points given as fractions of its sides.
using Looks = QList<std::pair<QPointF, QRgb>>;

} // namespace

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(PictureProblem)
Q_DECLARE_METATYPE(Looks)

class TestPictureDecoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFormats_data();
    void decodesFormats();
    void honestFilesAsSeen_data();
    void honestFilesAsSeen();
    void jpegScale_data();
    void jpegScale();
    void damagedOrHostileFiles_data();
    void damagedOrHostileFiles();
    void fileCapHoldsForEveryFormat_data();
    void fileCapHoldsForEveryFormat();
    void keptPictureIsTakenWhileItFits_data();
    void keptPictureIsTakenWhileItFits();
    void onlyPlainFilesAreRead();

private:
    QString writeFile(const QString &name, const QByteArray &data);

    QTemporaryDir m_folder;
};

void TestPictureDecoding::initTestCase()
{
    QVERIFY(m_folder.isValid());
    UseMetafileModule(MetafileRendering());
}

QString TestPictureDecoding::writeFile(const QString &name, const QByteArray &data)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPictureDecoding::decodesFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<int>("tolerance");

    const QSize size(240, 180);
    const QImage picture = blockPicture(size);
    using Colours = JpegEncoding::Colours;
    QTest::newRow("baseline, upper-case extension")
        << "a.JPG" << EncodeJpeg(picture, {95}) << QSize() << size << false << 12;
    QTest::newRow("progressive") << "b.jpg" << EncodeJpeg(picture, {95, true}) << QSize() << size
                                 << false << 12;
    QTest::newRow("grayscale") << "c.jpg" << EncodeJpeg(picture, {95, false, Colours::Grey})
                               << QSize() << size << true << 6;
    QTest::newRow("Adobe CMYK") << "d.jpg" << EncodeJpeg(picture, {95, false, Colours::Cmyk})
                                << QSize() << size << false << 14;
    QTest::newRow("bitmap") << "e.bmp" << hostile::encoded(picture, "bmp") << QSize() << size << false
                            << 0;
    QTest::newRow("PNG") << "e.png" << hostile::encoded(picture, "png") << QSize() << size << false << 0;
    QTest::newRow("icon") << "f.ico" << hostile::encoded(blockPicture(QSize(96, 96)), "ico") << QSize()
                          << QSize(96, 96) << false << 0;
    QTest::newRow("PNG in an icon") << "f2.ico" << hostile::icon(hostile::encoded(picture, "png"))
                                    << QSize() << size << false << 0;
    QTest::newRow("top-down bitmap")
        << "e2.bmp" << topDownBitmap(picture) << QSize() << size << false << 0;
    QTest::newRow("32-bit bitmap, alpha all 0")
        << "e3.bmp" << bitmapWithEmptyAlpha(picture) << QSize() << size << false << 0;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    if (readerInstalled("tiff")) {
        QTest::newRow("TIFF of JPEG strips")
            << "k.tif" << hostile::tiffOfJpegStrips(size, 16, [&](int top, QSize strip) {
                   return EncodeJpeg(grey.copy(QRect(QPoint(0, top), strip)), {95, false,
                       Colours::Grey});
               }) << QSize() << size << true << 6;
    }
    // JPEGs are decoded at the smallest M eighths, ceil(size * M / 8), that cover the board.
    QTest::newRow("one pixel short of an eighth")
        << "h.jpg" << EncodeJpeg(blockPicture({799, 600})) << QSize(100, 75) << QSize(100, 75)
        << false << 16;
    QTest::newRow("smaller than the board") << "i.jpg" << EncodeJpeg(blockPicture({300, 200}))
                                            << QSize(1200, 1200) << QSize(300, 200) << false << 16;
}

// Honest files of every kind come out in the shape and the orientation that a viewer shows,
// or, where they give no picture, say why.
void TestPictureDecoding::honestFilesAsSeen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<QSize>("size"); // none where no picture comes out
    QTest::addColumn<Looks>("looks");
    QTest::addColumn<PictureProblem>("problem");

    const QSize board(250, 250);
    const auto none = PictureProblem::None;
    using metafile::Ground;
    QTest::newRow("WMF: two squares in one POLYPOLYGON")
        << "squares.wmf" << metafile::polyPolygonWmf() << board << QSize(500, 250)
        << Looks{{{0.25, 0.5}, metafile::Blue}, {{0.75, 0.5}, metafile::Blue},
               {{0.5, 0.5}, Ground}} << none;
    QTest::newRow("WMF: 2:1 window, pie from three to twelve o'clock")
        << "pie.wmf" << metafile::wideWmfWithPie() << board << QSize(500, 250)
        << Looks{{{0.375, 0.35}, metafile::Red}, {{0.225, 0.35}, Ground},
               {{0.225, 0.65}, Ground}, {{0.375, 0.65}, Ground}, {{0.8, 0.5}, Ground}} << none;
    QTest::newRow("EMF: a line of text as one outline in a thin band")
        << "text.emf" << metafile::textAsPathEmf() << board << QSize(333, 250)
        << Looks{{{0.256, 0.512}, qRgb(0, 0, 0)}, {{0.256, 0.45}, metafile::White}} << none;

    // 16-bit grey with a transparent grey, matched at all 16 bits as libpng matches it: the
    // left half has that grey and shows white, the right half differs in the low byte only.
    QByteArray rows;
    for (int y = 0; y < 2; ++y)
        rows += '\0' + QByteArray("\x12\x34", 2).repeated(4) + QByteArray("\x12\x00", 2).repeated(4);
    QTest::newRow("PNG: 16-bit grey with a transparent grey")
        << "grey16.png"
        << QByteArray("\x89PNG\r\n\x1a\n", 8)
            + hostile::pngChunk("IHDR", hostile::bigEndian32(8) + hostile::bigEndian32(2)
                    + QByteArray("\x10\0\0\0\0", 5))
            + hostile::pngChunk("tRNS", QByteArray("\x12\x34", 2))
            + hostile::pngChunk("IDAT", hostile::deflatedWithZeros(rows, 0))
            + hostile::pngChunk("IEND", {})
        << QSize() << QSize(8, 2)
        << Looks{{{0.25, 0.5}, qRgb(255, 255, 255)}, {{0.75, 0.5}, qRgb(0x12, 0x12, 0x12)}}
        << none;

    const QImage upright = blockPicture(QSize(240, 180));
    Looks blocks;
    for (int block = 0; block < 9; ++block)
        blocks.append({{(2 * (block % 3) + 1) / 6.0, (2 * (block / 3) + 1) / 6.0},
            BlockColours[block]});
    const bool tiff = readerInstalled("tiff");
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QImage stored = storedAs(upright, orientation);
        if (tiff) {
            QTest::addRow("TIFF, orientation %d", orientation)
                << "turned.tif" << hostile::tiff(stored, orientation) << QSize()
                << upright.size() << blocks << none;
        }
        QTest::addRow("JPEG, orientation %d", orientation)
            << "turned.jpg" << EncodeJpeg(stored, {95, false, {}, false, orientation}) << QSize()
            << upright.size() << blocks << none;
    }
    if (tiff && readerInstalled("webp")) {
        QTest::newRow("TIFF of WebP") << "webp.tif"
            << hostile::tiff(upright, 1, 50001, hostile::encoded(upright, "webp", 100))
            << QSize() << upright.size() << blocks << none;
    }
    if (tiff) {
        QTest::newRow("TIFF of a compression no reader knows")
            << "unknown.tif" << hostile::tiff(upright, 1, 60000, QByteArray(1000, 1)) << QSize()
            << QSize() << Looks() << PictureProblem::UnknownKind;
    }
}

void TestPictureDecoding::honestFilesAsSeen()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, board);
    QFETCH(QSize, size);
    QFETCH(Looks, looks);
    const DecodedPicture decoded = DecodePictureFile(writeFile(name, data), board);
    QTEST(decoded.problem, "problem");
    QCOMPARE(decoded ? decoded->size() : QSize(), size);
    for (const auto &[at, colour] : looks) {
        const QColor seen = decoded->pixelColor(int(at.x() * size.width()),
            int(at.y() * size.height()));
        QVERIFY2(metafile::colourError(seen, QColor(colour)) <= 24,
            qPrintable(seen.name() + " instead of " + QColor(colour).name()));
    }
}

void TestPictureDecoding::jpegScale_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<int>("eighths");
    // A 24-megapixel photo on the largest board: 2250 x 1500 covers 1200 x 1200.
    QTest::newRow("photo, largest board") << QSize(6000, 4000) << QSize(1200, 1200) << 3;
    QTest::newRow("photo, small board") << QSize(6000, 4000) << QSize(140, 140) << 1;
    QTest::newRow("portrait") << QSize(3000, 4500) << QSize(1200, 1200) << 4;
    QTest::newRow("exactly an eighth") << QSize(800, 600) << QSize(100, 75) << 1;
    QTest::newRow("an eighth, rounded up") << QSize(799, 593) << QSize(100, 75) << 1;
    QTest::newRow("two eighths, rounded up") << QSize(1599, 1200) << QSize(400, 300) << 2;
    QTest::newRow("smaller than the board") << QSize(300, 200) << QSize(1200, 1200) << 8;
}

// Which eighth a JPEG is decoded at; the decode itself is checked on small files above.
void TestPictureDecoding::jpegScale()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, board);
    QTEST(JpegScaleEighths(picture, board), "eighths");
}

void TestPictureDecoding::decodesFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, board);
    QFETCH(QSize, size);
    QFETCH(bool, grey);
    QFETCH(int, tolerance);
    const DecodedPicture decoded = DecodePictureFile(writeFile(name, data), board);
    QCOMPARE(decoded.problem, PictureProblem::None);
    QVERIFY(decoded.has_value());
    QCOMPARE(decoded->format(), QImage::Format_RGB32);
    QCOMPARE(decoded->size(), size);
    compareBlocks(*decoded, grey, tolerance);
}

static quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header claims another size (its checksum mended, so that readers trust it).
static QByteArray withPngSize(QByteArray png, quint32 width, quint32 height)
{
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = char(width >> (24 - 8 * i));
        png[20 + i] = char(height >> (24 - 8 * i));
    }
    const quint32 crc = crc32Of(png.mid(12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

void TestPictureDecoding::damagedOrHostileFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<Outcome>("outcome");

    const QSize board(600, 600);
    const QImage picture = blockPicture(QSize(320, 240));
    const QByteArray baseline = EncodeJpeg(picture);
    const QByteArray progressive = EncodeJpeg(picture, {85, true});
    const QByteArray bitmap = hostile::encoded(picture, "bmp");
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char &byte : noise)
        byte = char(random.bounded(256));

    QTest::newRow("noise after the start marker")
        << "noise.jpg" << QByteArray("\xFF\xD8", 2) + noise << board << Outcome::Unreadable;
    QTest::newRow("progressive cut in half")
        << "cut.jpg" << progressive.left(progressive.size() / 2) << board << Outcome::PictureOrNone;
    QTest::newRow("zero width") << "zero.jpg" << withFrameSize(baseline, 0, 240) << board
                                << Outcome::Unreadable;
    // More pixels than the limits allow.
    QTest::newRow("claims 10000 x 10000, full size")
        << "huge.jpg" << withFrameSize(baseline, 10000, 10000) << QSize() << Outcome::Refused;
    QTest::newRow("claims as many pixels as allowed") << "most.jpg"
        << withFrameSize(baseline, 8000, MaxDecodedPixels / 8000) << QSize() << Outcome::Picture;
    QTest::newRow("claims a row more") << "most.jpg"
        << withFrameSize(baseline, 8000, MaxDecodedPixels / 8000 + 1) << QSize()
        << Outcome::Refused;
    // Scaled to an eighth, the output would fit, but every block is still decoded.
    QTest::newRow("claims 61415 x 64719, scaled to the board")
        << "huge.jpg" << withFrameSize(baseline, 61415, 64719) << board << Outcome::Refused;
    QTest::newRow("one scan claiming 16384 x 16384")
        << "huge.jpg" << CraftJpeg({{16384, 16384}, 1, CraftedJpeg::Scans::Baseline}) << board
        << Outcome::Refused;
    // Scaled down, the output would be small, but a progressive picture holds all its
    // coefficients at full size.
    QTest::newRow("progressive claims 16000 x 16000")
        << "huge.jpg" << withFrameSize(progressive, 16000, 16000) << board << Outcome::Refused;
    // Each scan is a pass over the whole picture; a small file can hold hundreds.
    const int scans = int(progressive.count("\xFF\xDA"));
    QTest::newRow("as many scans as allowed") << "scans.jpg"
        << withRepeatedScan(progressive, MaxJpegScans - scans) << board << Outcome::Picture;
    QTest::newRow("a scan more") << "scans.jpg"
        << withRepeatedScan(progressive, MaxJpegScans - scans + 1) << board << Outcome::Refused;
    // Data after the end marker costs nothing, but the size alone decides.
    const QByteArray tail(MaxProgressiveJpegBytes - progressive.size(), 0);
    QTest::newRow("progressive at its size limit")
        << "long.jpg" << progressive + tail << board << Outcome::Picture;
    QTest::newRow("progressive a byte beyond")
        << "long.jpg" << progressive + tail + '\0' << board << Outcome::Refused;
    QTest::newRow("500 scans of empty blocks, 16000 x 16000")
        << "scans.jpg" << CraftJpeg({{16000, 16000}, 500}) << board << Outcome::Refused;
    // Few scans of a picture whose coefficients fit, but each costly to decode.
    QTest::newRow("10 refinement scans, 9000 x 9000")
        << "scans.jpg" << CraftJpeg({{9000, 9000}, 10, CraftedJpeg::Scans::Refinements}) << board
        << Outcome::Refused;
    QTest::newRow("3 arithmetic refinement scans, 9000 x 9000")
        << "scans.jpg" << CraftJpeg({{9000, 9000}, 3, CraftedJpeg::Scans::Refinements, true})
        << board << Outcome::Refused;
    QTest::newRow("4 arithmetic DC scans, a restart at each block")
        << "scans.jpg" << CraftJpeg({{9000, 9000}, 4, CraftedJpeg::Scans::DcFirst, true, 1})
        << board << Outcome::Refused;
    QTest::newRow("bitmap claims 8000 x 8000")
        << "huge.bmp" << withBitmapSize(bitmap, 8000, 8000) << board << Outcome::Refused;
    QTest::newRow("bitmap claims negative width")
        << "negative.bmp" << withBitmapSize(bitmap, -5000, 300) << board << Outcome::Unreadable;
    QTest::newRow("noise as icon") << "noise.ico" << noise << board << Outcome::Unreadable;
    QTest::newRow("svg is not offered")
        << "picture.svg" << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>") << board
        << Outcome::Unreadable;
    QTest::newRow("png claiming 20000 x 20000")
        << "huge.png" << withPngSize(hostile::encoded(picture, "png"), 20000, 20000) << board
        << Outcome::Refused;

    // Work beyond what the picture needs, in any format: the readers do all of it.
    const QSize tiny(100, 100);
    // PNG's reader inflates the rows and nothing after them, and leaves texts unread.
    QTest::newRow("PNG data inflating far beyond its rows")
        << "zeros.png" << hostile::png(tiny, 64 << 20) << board << Outcome::Picture;
    QTest::newRow("PNG data ending with its rows")
        << "rows.png" << hostile::png(tiny) << board << Outcome::Picture;
    QTest::newRow("icon of a PNG inflating far beyond its rows")
        << "zeros.ico" << hostile::icon(hostile::png(tiny, 64 << 20)) << board << Outcome::Picture;
    QTest::newRow("PNG of one row longer than the reader may hold")
        << "row.png" << hostile::png(QSize(MaxPngRowBytes + 1, 1)) << board << Outcome::Refused;
    QTest::newRow("PNG of one row as long as the reader may hold")
        << "row.png" << hostile::png(QSize(MaxPngRowBytes, 1)) << board << Outcome::Picture;
    QTest::newRow("PNG text inflating beyond the limit")
        << "text.png" << hostile::png(tiny, 0, hostile::pngText(MaxPngTextBytes + 1)) << board
        << Outcome::Picture;
    QTest::newRow("PNG text within the limit")
        << "text.png" << hostile::png(tiny, 0, hostile::pngText(MaxPngTextBytes / 2)) << board
        << Outcome::Picture;
    QTest::newRow("GIF codes expanding far beyond the picture")
        << "codes.gif" << hostile::gifExpanding(tiny, 2000) << board << Outcome::Refused;
    QTest::newRow("GIF, a code a pixel") << "plain.gif" << hostile::gif(tiny) << board
                                         << Outcome::Picture;
    if (readerInstalled("tiff")) {
        using Scans = CraftedJpeg::Scans;
        QTest::newRow("TIFF of a JPEG strip in 99 costly scans")
            << "scans.tif"
            << hostile::tiffOfCraftedStrips({5600, 5600}, 5600, {{}, 99, Scans::Refinements})
            << board << Outcome::Refused;
        QTest::newRow("TIFF of 16-row JPEG strips in 99 scans")
            << "strips.tif"
            << hostile::tiffOfCraftedStrips({5600, 5600}, 16, {{}, 99, Scans::Refinements})
            << board << Outcome::Refused;
        QTest::newRow("TIFF of JPEG strips in one scan each")
            << "strips.tif"
            << hostile::tiffOfCraftedStrips({2000, 2000}, 16, {{}, 1, Scans::Baseline}) << board
            << Outcome::Picture;
    }
}

void TestPictureDecoding::damagedOrHostileFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, board);
    QFETCH(Outcome, outcome);
    const QString path = writeFile(name, data);
    const DecodedPicture decoded = DecodePictureFile(path, board);
    QCOMPARE(decoded.has_value(), decoded.problem == PictureProblem::None);
    if (outcome != Outcome::PictureOrNone) {
        QCOMPARE(decoded ? Outcome::Picture
                : IsRefusal(decoded.problem) ? Outcome::Refused : Outcome::Unreadable,
            outcome);
    }
    if (decoded) {
        QCOMPARE(decoded->format(), QImage::Format_RGB32);
        QVERIFY(qint64(decoded->width()) * decoded->height() <= MaxDecodedPixels);
    }
    // The same data straight from memory behaves alike.
    if (name.endsWith(u".jpg"))
        QCOMPARE(DecodeJpeg(data, board).problem, decoded.problem);
}

// Every format's file goes through one cap before any reader sees it: a tail of zeros that no
// reader needs would cost them seconds and gigabytes.
void TestPictureDecoding::fileCapHoldsForEveryFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    const QImage picture = blockPicture(QSize(120, 90));
    QTest::newRow("GIF") << "tail.gif" << hostile::gif(QSize(100, 100));
    QTest::newRow("PNG") << "tail.png" << hostile::png(QSize(100, 100));
    QTest::newRow("bitmap") << "tail.bmp" << hostile::encoded(picture, "bmp");
    if (readerInstalled("webp"))
        QTest::newRow("WebP") << "tail.webp" << hostile::encoded(picture, "webp");
}

void TestPictureDecoding::fileCapHoldsForEveryFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    const QString path = writeFile(name, data);
    QVERIFY(DecodePictureFile(path, QSize(250, 250)).has_value());
    QVERIFY(QFile::resize(path, MaxBitmapFileBytes + 1)); // beyond every format's cap
    QCOMPARE(DecodePictureFile(path, QSize(250, 250)).problem, PictureProblem::TooLarge);
}

// A chosen picture is decoded once: the check that it gives a picture keeps it for the build.
void TestPictureDecoding::keptPictureIsTakenWhileItFits_data()
{
    QTest::addColumn<QString>("change"); // what happens between keeping and taking
    QTest::addColumn<QSize>("board");
    QTest::addColumn<bool>("kept");
    QTest::newRow("nothing") << "" << QSize(250, 250) << true;
    QTest::newRow("smaller board") << "" << QSize(100, 100) << true;
    QTest::newRow("larger board") << "" << QSize(600, 600) << false;
    QTest::newRow("file written again") << "write" << QSize(250, 250) << false;
    QTest::newRow("another file") << "other" << QSize(250, 250) << false;
    QTest::newRow("taken before") << "take" << QSize(250, 250) << false;
}

void TestPictureDecoding::keptPictureIsTakenWhileItFits()
{
    QFETCH(QString, change);
    QFETCH(QSize, board);
    QFETCH(bool, kept);
    const QByteArray data = EncodeJpeg(blockPicture(QSize(2400, 2400)));
    const QString path = writeFile("kept.jpg", data);
    const QString other = writeFile("other.jpg", data);
    KeptPicture keeper;
    const DecodedPicture first = keeper.decodeAndKeep(path, QSize(250, 250));
    QVERIFY(first.has_value());
    if (change == "write") {
        QTest::qWait(10); // a new modification time
        writeFile("kept.jpg", data);
    } else if (change == "take") {
        keeper.take(path, board);
    }
    const DecodedPicture taken = keeper.take(change == "other" ? other : path, board);
    QVERIFY(taken.has_value());
    QCOMPARE(taken->cacheKey() == first->cacheKey(), kept);
}

void TestPictureDecoding::onlyPlainFilesAreRead()
{
    QVERIFY(!DecodePictureFile(m_folder.filePath("missing.jpg"), QSize(300, 300)).has_value());
    // A named pipe would block the reader until someone writes to it.
    const QByteArray pipe = QFile::encodeName(m_folder.filePath("pipe.jpg"));
    QCOMPARE(mkfifo(pipe.constData(), 0600), 0);
    QVERIFY(!DecodePictureFile(QFile::decodeName(pipe), QSize(300, 300)).has_value());
}

QTEST_GUILESS_MAIN(TestPictureDecoding)
#include "tst_picturedecoding.moc"
