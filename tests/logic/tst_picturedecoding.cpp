#include "logic/PictureDecoding.h"

#include <QBuffer>
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

QByteArray qtEncoded(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
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

enum class Outcome { Picture, Unreadable, Refused, PictureOrNone };

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestPictureDecoding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesFormats_data();
    void decodesFormats();
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
    QTest::newRow("bitmap") << "e.bmp" << qtEncoded(picture, "bmp") << QSize() << size << false
                            << 0;
    QTest::newRow("PNG") << "e.png" << qtEncoded(picture, "png") << QSize() << size << false << 0;
    QTest::newRow("icon") << "f.ico" << qtEncoded(blockPicture(QSize(96, 96)), "ico") << QSize()
                          << QSize(96, 96) << false << 0;
    // JPEGs are decoded at the smallest M eighths, ceil(size * M / 8), that cover the board.
    QTest::newRow("large photo, largest board")
        << "g.jpg" << EncodeJpeg(blockPicture({6000, 4000})) << QSize(1200, 1200)
        << QSize(2250, 1500) << false << 16;
    QTest::newRow("one pixel short of an eighth")
        << "h.jpg" << EncodeJpeg(blockPicture({799, 600})) << QSize(100, 75) << QSize(100, 75)
        << false << 16;
    QTest::newRow("smaller than the board") << "i.jpg" << EncodeJpeg(blockPicture({300, 200}))
                                            << QSize(1200, 1200) << QSize(300, 200) << false << 16;
    // Within the limits on the work and on the coefficients held at once.
    QTest::newRow("large progressive photo, largest board")
        << "j.jpg" << EncodeJpeg(blockPicture({6000, 4000}), {90, true}) << QSize(1200, 1200)
        << QSize(2250, 1500) << false << 16;
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
    const QByteArray bitmap = qtEncoded(picture, "bmp");
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
    QTest::newRow("300 scans more")
        << "scans.jpg" << withRepeatedScan(progressive, 300) << board << Outcome::Picture;
    QTest::newRow("600 scans more")
        << "scans.jpg" << withRepeatedScan(progressive, 600) << board << Outcome::Refused;
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
        << "huge.png" << withPngSize(qtEncoded(picture, "png"), 20000, 20000) << board
        << Outcome::Refused;
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
        QCOMPARE(decoded.problem,
            outcome == Outcome::Picture       ? PictureProblem::None
                : outcome == Outcome::Refused ? PictureProblem::Refused
                                              : PictureProblem::Unreadable);
    }
    if (decoded) {
        QCOMPARE(decoded->format(), QImage::Format_RGB32);
        QVERIFY(qint64(decoded->width()) * decoded->height() <= MaxDecodedPixels);
    }
    // The same data straight from memory behaves alike.
    if (name.endsWith(u".jpg"))
        QCOMPARE(DecodeJpeg(data, board).problem, decoded.problem);
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
