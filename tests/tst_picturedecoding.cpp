#include "main/PictureDecoding.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
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

QByteArray qtEncoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", format, qPrintable(writer.errorString()));
    return data;
}

// Sets the picture size in a JPEG's frame header (SOF0..SOF2), leaving the data as it is.
QByteArray withFrameSize(QByteArray data, int width, int height)
{
    int at = 2;
    while (at + 9 < data.size() && uchar(data[at]) == 0xFF) {
        const uchar marker = uchar(data[at + 1]);
        const int length = (uchar(data[at + 2]) << 8) | uchar(data[at + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            data[at + 5] = char(height >> 8);
            data[at + 6] = char(height & 0xFF);
            data[at + 7] = char(width >> 8);
            data[at + 8] = char(width & 0xFF);
            return data;
        }
        at += 2 + length;
    }
    qFatal("no frame header");
    return data;
}

QByteArray bitmapHeader(qint32 width, qint32 height)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.writeRawData("BM", 2);
    stream << quint32(54) << quint32(0) << quint32(54); // file header
    stream << quint32(40) << width << height << quint16(1) << quint16(24) // info header
           << quint32(0) << quint32(0) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
    data.append(64, char(0x55));
    return data;
}

// A valid progressive JPEG of 64 × (firstBit + 1) scans: every coefficient sent on its own,
// bit by bit from firstBit down.
QByteArray manyScansJpeg(int firstBit)
{
    std::vector<jpeg_scan_info> scans;
    for (int coefficient = 0; coefficient < 64; ++coefficient) {
        for (int bit = firstBit; bit >= 0; --bit)
            scans.push_back({1, {0}, coefficient, coefficient, bit == firstBit ? 0 : bit + 1, bit});
    }
    std::vector<uchar> pixels(64 * 64);
    for (int i = 0; i < 64 * 64; ++i)
        pixels[size_t(i)] = uchar((i * 37) % 251);
    // libjpeg's own error handler ends the program, which suits a fixture that cannot fail.
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    jpeg_mem_dest(&info, &output, &outputSize);
    info.image_width = 64;
    info.image_height = 64;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.scan_info = scans.data();
    info.num_scans = int(scans.size());
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels.data() + info.next_scanline * 64;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray result(reinterpret_cast<const char *>(output), qsizetype(outputSize));
    std::free(output);
    return result;
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
        QVERIFY2(std::abs(actual.red() - expected.red()) <= tolerance
                && std::abs(actual.green() - expected.green()) <= tolerance
                && std::abs(actual.blue() - expected.blue()) <= tolerance,
            qPrintable(QStringLiteral("block %1: %2 instead of %3")
                           .arg(block)
                           .arg(actual.name(), expected.name())));
    }
}

// The decoding scale as libjpeg's documentation states it: output = ceil(size * M / 8);
// the smallest M whose output is at least the board in both directions, else full size.
QSize expectedJpegSize(QSize picture, QSize board)
{
    const auto scaled = [](int length, int eighths) { return (length * eighths + 7) / 8; };
    if (!board.isEmpty()) {
        for (int eighths = 1; eighths <= 8; ++eighths) {
            const QSize size(scaled(picture.width(), eighths), scaled(picture.height(), eighths));
            if (size.width() >= board.width() && size.height() >= board.height())
                return size;
        }
    }
    return picture;
}

enum class Outcome { Picture, NoPicture, PictureOrNone };

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestPictureDecoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFormats_data();
    void decodesFormats();
    void scalesJpegToTheSmallestSufficientSize_data();
    void scalesJpegToTheSmallestSufficientSize();
    void damagedOrHostileFiles_data();
    void damagedOrHostileFiles();
    void onlyPlainFilesAreRead();

private:
    QString writeFile(const QString &name, const QByteArray &data);

    QTemporaryDir m_folder;
};

void TestPictureDecoding::initTestCase()
{
    QVERIFY(m_folder.isValid());
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
    QTest::addColumn<bool>("grey");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QSize>("size");

    const QSize size(240, 180);
    const QImage picture = blockPicture(size);
    const auto jpeg = [&picture](JpegEncoding::Colours colours, bool progressive) {
        JpegEncoding encoding;
        encoding.quality = 95;
        encoding.colours = colours;
        encoding.progressive = progressive;
        return EncodeJpeg(picture, encoding);
    };
    using Colours = JpegEncoding::Colours;
    QTest::newRow("baseline, upper-case extension")
        << "a.JPG" << jpeg(Colours::Rgb, false) << false << 12 << size;
    QTest::newRow("progressive") << "d.jpg" << jpeg(Colours::Rgb, true) << false << 12 << size;
    QTest::newRow("grayscale") << "e.jpg" << jpeg(Colours::Grey, false) << true << 6 << size;
    QTest::newRow("Adobe CMYK") << "g.jpg" << jpeg(Colours::Cmyk, false) << false << 14 << size;
    QTest::newRow("bitmap") << "j.bmp" << qtEncoded(picture, "bmp") << false << 0 << size;
    QTest::newRow("icon") << "l.ico" << qtEncoded(blockPicture(QSize(96, 96)), "ico") << false << 0
                          << QSize(96, 96);
}

void TestPictureDecoding::decodesFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, grey);
    QFETCH(int, tolerance);
    QFETCH(QSize, size);
    const std::optional<QImage> decoded = DecodePictureFile(writeFile(name, data), QSize());
    QVERIFY(decoded.has_value());
    QCOMPARE(decoded->format(), QImage::Format_RGB32);
    QCOMPARE(decoded->size(), size);
    compareBlocks(*decoded, grey, tolerance);
}

void TestPictureDecoding::scalesJpegToTheSmallestSufficientSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("board");
    QTest::newRow("large photo, largest board") << QSize(6000, 4000) << QSize(1200, 1200);
    QTest::newRow("large photo, full size") << QSize(6000, 4000) << QSize();
    QTest::newRow("one pixel short of an eighth") << QSize(799, 600) << QSize(100, 75);
    QTest::newRow("smaller than the board") << QSize(300, 200) << QSize(1200, 1200);
}

void TestPictureDecoding::scalesJpegToTheSmallestSufficientSize()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, board);
    const QByteArray data = EncodeJpeg(blockPicture(picture), JpegEncoding {90});
    const std::optional<QImage> decoded = DecodeJpeg(data, board);
    QVERIFY(decoded.has_value());
    const QSize expected = expectedJpegSize(picture, board);
    QCOMPARE(decoded->size(), expected);
    if (!board.isEmpty() && picture.width() >= board.width()
        && picture.height() >= board.height()) {
        QVERIFY(decoded->width() >= board.width());
        QVERIFY(decoded->height() >= board.height());
    }
    compareBlocks(*decoded, false, 16);
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
    JpegEncoding progressiveEncoding;
    progressiveEncoding.progressive = true;
    const QByteArray progressive = EncodeJpeg(picture, progressiveEncoding);
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char &byte : noise)
        byte = char(random.bounded(256));

    QTest::newRow("noise after the start marker")
        << "noise.jpg" << QByteArray("\xFF\xD8", 2) + noise << board << Outcome::NoPicture;
    QTest::newRow("baseline cut at 200")
        << "cut.jpg" << baseline.left(200) << board << Outcome::PictureOrNone;
    QTest::newRow("progressive cut in half")
        << "cut.jpg" << progressive.left(progressive.size() / 2) << board << Outcome::PictureOrNone;
    // Sizes that would need more than the limits allow.
    QTest::newRow("claims 65000 x 65000, full size")
        << "huge.jpg" << withFrameSize(baseline, 65000, 65000) << QSize() << Outcome::NoPicture;
    // Scaled to an eighth, the output would fit, but every block is still decoded.
    QTest::newRow("claims 61415 x 64719, scaled to the board")
        << "huge.jpg" << withFrameSize(baseline, 61415, 64719) << board << Outcome::NoPicture;
    // Scaled down, the output would be small, but a progressive picture holds all its
    // coefficients at full size: gigabytes, unless libjpeg keeps to its memory limit.
    QTest::newRow("progressive claims 30000 x 30000")
        << "huge.jpg" << withFrameSize(progressive, 30000, 30000) << board << Outcome::NoPicture;
    QTest::newRow("zero width") << "zero.jpg" << withFrameSize(baseline, 0, 240) << board
                                << Outcome::NoPicture;
    // Each scan is a pass over the whole picture; a file of very many is refused.
    QTest::newRow("320 scans") << "scans.jpg" << manyScansJpeg(4) << board << Outcome::Picture;
    QTest::newRow("704 scans") << "scans.jpg" << manyScansJpeg(10) << board << Outcome::NoPicture;
    QTest::newRow("bitmap claims 100000 x 100000")
        << "huge.bmp" << bitmapHeader(100000, 100000) << board << Outcome::NoPicture;
    QTest::newRow("bitmap claims negative width")
        << "negative.bmp" << bitmapHeader(-5000, 300) << board << Outcome::NoPicture;
    QTest::newRow("bitmap cut in its header")
        << "cut.bmp" << qtEncoded(picture, "bmp").left(30) << board << Outcome::NoPicture;
    QTest::newRow("noise as icon") << "noise.ico" << noise << board << Outcome::NoPicture;
    QTest::newRow("png is not offered")
        << "picture.png" << qtEncoded(picture, "png") << board << Outcome::NoPicture;
    QTest::newRow("no extension") << "picture" << baseline << board << Outcome::NoPicture;
}

void TestPictureDecoding::damagedOrHostileFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, board);
    QFETCH(Outcome, outcome);
    const QString path = writeFile(name, data);
    const std::optional<QImage> decoded = DecodePictureFile(path, board);
    if (outcome == Outcome::NoPicture)
        QVERIFY(!decoded.has_value());
    if (outcome == Outcome::Picture)
        QVERIFY(decoded.has_value());
    if (decoded) {
        QVERIFY(!decoded->isNull());
        QCOMPARE(decoded->format(), QImage::Format_RGB32);
        QVERIFY(qint64(decoded->width()) * decoded->height() <= MaxDecodedPixels);
    }
    // The same data straight from memory behaves alike.
    if (name.endsWith(u".jpg"))
        QCOMPARE(DecodeJpeg(data, board).has_value(), decoded.has_value());
}

void TestPictureDecoding::onlyPlainFilesAreRead()
{
    QVERIFY(!DecodePictureFile(m_folder.filePath("missing.jpg"), QSize(300, 300)).has_value());
    QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("folder.jpg")));
    QVERIFY(!DecodePictureFile(m_folder.filePath("folder.jpg"), QSize(300, 300)).has_value());
    // A named pipe would block the reader until someone writes to it.
    const QByteArray pipe = QFile::encodeName(m_folder.filePath("pipe.jpg"));
    QCOMPARE(mkfifo(pipe.constData(), 0600), 0);
    QVERIFY(!DecodePictureFile(QFile::decodeName(pipe), QSize(300, 300)).has_value());
}

QTEST_MAIN(TestPictureDecoding)
#include "tst_picturedecoding.moc"
