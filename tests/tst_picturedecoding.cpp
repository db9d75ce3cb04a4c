#include "main/PictureDecoding.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csetjmp>
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

struct ScanWriter
{
    jpeg_error_mgr errors;
    std::jmp_buf jump;
};

[[noreturn]] void scanWriterFailed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ScanWriter *>(info->err)->jump, 1);
}

bool compressManyScans(jpeg_compress_struct &info, const jpeg_scan_info *scans, int count,
    const uchar *pixels, unsigned char **output, unsigned long *outputSize)
{
    if (setjmp(reinterpret_cast<ScanWriter *>(info.err)->jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, outputSize);
    info.image_width = 64;
    info.image_height = 64;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.scan_info = scans;
    info.num_scans = count;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(pixels + info.next_scanline * 64);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

// A valid progressive JPEG of 64 × (firstBit + 1) scans: every coefficient sent on its own,
// bit by bit from firstBit down.
QByteArray manyScansJpeg(int firstBit)
{
    std::vector<jpeg_scan_info> scans;
    for (int coefficient = 0; coefficient < 64; ++coefficient) {
        for (int bit = firstBit; bit >= 0; --bit) {
            jpeg_scan_info scan {};
            scan.comps_in_scan = 1;
            scan.component_index[0] = 0;
            scan.Ss = coefficient;
            scan.Se = coefficient;
            scan.Ah = bit == firstBit ? 0 : bit + 1;
            scan.Al = bit;
            scans.push_back(scan);
        }
    }
    std::vector<uchar> pixels(64 * 64);
    for (int i = 0; i < 64 * 64; ++i)
        pixels[size_t(i)] = uchar((i * 37) % 251);
    jpeg_compress_struct info {};
    ScanWriter writer {};
    info.err = jpeg_std_error(&writer.errors);
    writer.errors.error_exit = scanWriterFailed;
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    QByteArray result;
    if (compressManyScans(
            info, scans.data(), int(scans.size()), pixels.data(), &output, &outputSize))
        result = QByteArray(reinterpret_cast<const char *>(output), qsizetype(outputSize));
    jpeg_destroy_compress(&info);
    if (result.isEmpty())
        qFatal("cannot write the many-scan file");
    std::free(output);
    return result;
}

// Each block's middle in the decoded picture is within tolerance of the block's colour.
void compareBlocks(const QImage &decoded, bool grey, int tolerance)
{
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            QRgb expected = BlockColours[row * 3 + column];
            if (grey) {
                // The grey that Qt made of the colour when the test picture was written.
                QImage pixel(1, 1, QImage::Format_RGB32);
                pixel.fill(expected);
                expected = pixel.convertToFormat(QImage::Format_Grayscale8).pixel(0, 0);
            }
            const QRgb actual = decoded.pixel(
                decoded.width() * (2 * column + 1) / 6, decoded.height() * (2 * row + 1) / 6);
            const int difference = std::max({std::abs(qRed(actual) - qRed(expected)),
                std::abs(qGreen(actual) - qGreen(expected)),
                std::abs(qBlue(actual) - qBlue(expected))});
            QVERIFY2(difference <= tolerance,
                qPrintable(QStringLiteral("block %1,%2: %3 instead of %4")
                               .arg(column)
                               .arg(row)
                               .arg(actual, 6, 16)
                               .arg(expected, 6, 16)));
        }
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
    void transparentIconPartsTurnWhite();
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
    const QByteArray baseline = jpeg(Colours::Rgb, false);
    QTest::newRow("baseline") << "a.jpg" << baseline << false << 12 << size;
    QTest::newRow("written by Qt")
        << "b.jpeg" << qtEncoded(picture, "jpeg", 95) << false << 12 << size;
    QTest::newRow("upper-case extension") << "c.JPG" << baseline << false << 12 << size;
    QTest::newRow("progressive") << "d.jpg" << jpeg(Colours::Rgb, true) << false << 12 << size;
    QTest::newRow("grayscale") << "e.jpg" << jpeg(Colours::Grey, false) << true << 6 << size;
    QTest::newRow("grayscale progressive")
        << "f.jpg" << jpeg(Colours::Grey, true) << true << 6 << size;
    QTest::newRow("Adobe CMYK") << "g.jpg" << jpeg(Colours::Cmyk, false) << false << 14 << size;
    QTest::newRow("Adobe YCCK") << "h.jpg" << jpeg(Colours::Ycck, false) << false << 14 << size;
    QTest::newRow("YCCK progressive")
        << "i.jpg" << jpeg(Colours::Ycck, true) << false << 14 << size;
    QTest::newRow("bitmap") << "j.bmp" << qtEncoded(picture, "bmp") << false << 0 << size;
    QTest::newRow("bitmap, upper case")
        << "k.BMP" << qtEncoded(picture, "bmp") << false << 0 << size;
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
    QTest::newRow("large photo, small board") << QSize(6000, 4000) << QSize(140, 140);
    QTest::newRow("same size as the board") << QSize(640, 480) << QSize(640, 480);
    QTest::newRow("one pixel short of an eighth") << QSize(799, 600) << QSize(100, 75);
    QTest::newRow("rounding up reaches the board") << QSize(1603, 1201) << QSize(201, 151);
    QTest::newRow("smaller than the board") << QSize(300, 200) << QSize(1200, 1200);
    QTest::newRow("wide and flat") << QSize(2000, 160) << QSize(250, 250);
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

    QTest::newRow("empty jpeg") << "empty.jpg" << QByteArray() << board << Outcome::NoPicture;
    QTest::newRow("noise as jpeg") << "noise.jpg" << noise << board << Outcome::NoPicture;
    QTest::newRow("noise after the start marker")
        << "noise2.jpg" << QByteArray("\xFF\xD8", 2) + noise << board << Outcome::NoPicture;
    for (int length : {2, 20, 200, 600}) {
        QTest::addRow("baseline cut at %d", length)
            << "cut.jpg" << baseline.left(length) << board << Outcome::PictureOrNone;
    }
    for (int part : {3, 2}) {
        QTest::addRow("baseline cut to 1/%d", part)
            << "cut.jpg" << baseline.left(baseline.size() / part) << board
            << Outcome::PictureOrNone;
        QTest::addRow("progressive cut to 1/%d", part)
            << "cut.jpg" << progressive.left(progressive.size() / part) << board
            << Outcome::PictureOrNone;
    }
    QTest::newRow("baseline without its last bytes")
        << "cut.jpg" << baseline.left(baseline.size() - 2) << board << Outcome::PictureOrNone;
    QByteArray scrambled = baseline;
    for (int at = baseline.size() / 2; at < baseline.size() - 2; at += 7)
        scrambled[at] = char(random.bounded(256));
    QTest::newRow("scrambled data")
        << "scrambled.jpg" << scrambled << board << Outcome::PictureOrNone;
    // Sizes that would need more than the limits allow.
    QTest::newRow("claims 65000 x 65000")
        << "huge.jpg" << withFrameSize(baseline, 65000, 65000) << board << Outcome::NoPicture;
    QTest::newRow("claims 65000 x 65000, full size")
        << "huge.jpg" << withFrameSize(baseline, 65000, 65000) << QSize() << Outcome::NoPicture;
    QTest::newRow("claims 20000 x 20000, full size")
        << "huge.jpg" << withFrameSize(baseline, 20000, 20000) << QSize() << Outcome::NoPicture;
    // Scaled down, the output would be small, but a progressive picture holds all its
    // coefficients at full size: gigabytes, unless libjpeg keeps to its memory limit.
    QTest::newRow("progressive claims 30000 x 30000")
        << "huge.jpg" << withFrameSize(progressive, 30000, 30000) << board << Outcome::NoPicture;
    QTest::newRow("claims 8000 x 8000 with little data")
        << "big.jpg" << withFrameSize(baseline, 8000, 8000) << board << Outcome::PictureOrNone;
    QTest::newRow("zero width") << "zero.jpg" << withFrameSize(baseline, 0, 240) << board
                                << Outcome::NoPicture;
    // Each scan is a pass over the whole picture; a file of very many is refused.
    QTest::newRow("320 scans") << "scans.jpg" << manyScansJpeg(4) << board << Outcome::Picture;
    QTest::newRow("704 scans") << "scans.jpg" << manyScansJpeg(10) << board << Outcome::NoPicture;
    QTest::newRow("bitmap named jpeg")
        << "bitmap.jpg" << qtEncoded(picture, "bmp") << board << Outcome::NoPicture;

    const QByteArray bitmap = qtEncoded(picture, "bmp");
    QTest::newRow("empty bitmap") << "empty.bmp" << QByteArray() << board << Outcome::NoPicture;
    QTest::newRow("noise as bitmap") << "noise.bmp" << noise << board << Outcome::NoPicture;
    QTest::newRow("bitmap claims 100000 x 100000")
        << "huge.bmp" << bitmapHeader(100000, 100000) << board << Outcome::NoPicture;
    QTest::newRow("bitmap claims negative width")
        << "negative.bmp" << bitmapHeader(-5000, 300) << board << Outcome::NoPicture;
    QTest::newRow("bitmap cut in half")
        << "cut.bmp" << bitmap.left(bitmap.size() / 2) << board << Outcome::PictureOrNone;
    QTest::newRow("bitmap cut in its header")
        << "cut.bmp" << bitmap.left(30) << board << Outcome::NoPicture;
    QTest::newRow("noise as icon") << "noise.ico" << noise << board << Outcome::NoPicture;
    QTest::newRow("icon cut") << "cut.ico"
                              << qtEncoded(blockPicture(QSize(64, 64)), "ico").left(300) << board
                              << Outcome::PictureOrNone;
    QTest::newRow("enhanced metafile") << "picture.emf" << noise << board << Outcome::NoPicture;
    QTest::newRow("metafile") << "picture.wmf" << noise << board << Outcome::NoPicture;
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

void TestPictureDecoding::transparentIconPartsTurnWhite()
{
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(32, 0, 32, 64, QColor(20, 40, 200));
    const std::optional<QImage> decoded
        = DecodePictureFile(writeFile("half.ico", qtEncoded(icon, "ico")), QSize(300, 300));
    QVERIFY(decoded.has_value());
    QCOMPARE(decoded->pixel(10, 30), qRgb(255, 255, 255));
    QCOMPARE(decoded->pixel(50, 30), qRgb(20, 40, 200));
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
