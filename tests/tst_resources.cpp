#include "desktop/Resources.h"
#include "logic/PictureDecoding.h"
#include "main/BoardPicture.h"

#include <QDirIterator>
#include <QPainter>
#include <QtTest>

Q_DECLARE_METATYPE(FrameSet)

namespace {

// The end-to-end tests recognise the desktop behind the windows by this colour.
constexpr QRgb DesktopColour = qRgb(0x10, 0xE0, 0xB0);
constexpr QRgb Magenta = qRgb(0xFF, 0x00, 0xFF);

const FramePiece Corners[] = {
    FramePiece::LinksOben, FramePiece::RechtsOben, FramePiece::LinksUnten, FramePiece::RechtsUnten};

bool isRight(FramePiece piece)
{
    return piece == FramePiece::RechtsOben || piece == FramePiece::RechtsUnten;
}

bool isBottom(FramePiece piece)
{
    return piece == FramePiece::LinksUnten || piece == FramePiece::RechtsUnten;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void artworkNeedsNoImagePlugin(); // first: no picture of unknown format read before
    void frames_data();
    void frames();
    void builtInPictures_data();
    void builtInPictures();
    void boardPictureAtTheScreensRatio_data();
    void boardPictureAtTheScreensRatio();
    void pointersAndButtonPictures_data();
    void pointersAndButtonPictures();
    void noResourceHoldsTheDesktopColour();
};

// The artwork is read as what it is: the search for a reader of unknown pictures would load
// every image plug-in installed, and the libraries behind them, at every start.
void TestResources::artworkNeedsNoImagePlugin()
{
    for (int scale : {1, 2}) {
        QVERIFY(!MainIcon().pixmap(QSize(32, 32), qreal(scale)).isNull());
        QVERIFY(!FramePicture(FrameSet::Main, FramePiece::LinksOben, scale).isNull());
        QVERIFY(!ButtonPicture(QStringLiteral("lupe"), scale).isNull());
        QVERIFY(!PointerCursor(QStringLiteral("LUPE"), scale).pixmap().isNull());
    }
    QVERIFY(!BuiltInPicture(1).isNull());
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QVERIFY(!maps.readAll().contains("/imageformats/"));
}

void TestResources::frames_data()
{
    // Widths of the side pieces, heights of the top and bottom pieces and of the lower-left
    // corner, in logical pixels; the scale of the pictures drawn.
    QTest::addColumn<FrameSet>("set");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("cap");
    QTest::addColumn<int>("lowerLeft");
    QTest::addColumn<int>("scale");
    QTest::newRow("main") << FrameSet::Main << 18 << 18 << 18 << 1;
    QTest::newRow("preview") << FrameSet::Preview << 12 << 12 << 13 << 1;
    QTest::newRow("highscore") << FrameSet::Highscore << 18 << 28 << 28 << 1;
    QTest::newRow("main at 2x") << FrameSet::Main << 18 << 18 << 18 << 2;
    QTest::newRow("preview at 2x") << FrameSet::Preview << 12 << 12 << 13 << 2;
    QTest::newRow("highscore at 2x") << FrameSet::Highscore << 18 << 28 << 28 << 2;
}

void TestResources::frames()
{
    QFETCH(FrameSet, set);
    QFETCH(int, side);
    QFETCH(int, cap);
    QFETCH(int, lowerLeft);
    QFETCH(int, scale);
    QCOMPARE(FrameImage(set, FramePiece::MitteLinks, scale).width(), side * scale);
    QCOMPARE(FrameImage(set, FramePiece::MitteOben, scale).height(), cap * scale);
    // A device of the scale's pixel ratio: the frame is given in logical pixels, the canvas
    // is read in device pixels.
    const QRect rect(7, 5, 200, 150);
    QImage canvas(QSize(220, 170) * scale, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(scale);
    canvas.fill(DesktopColour);
    {
        QPainter painter(&canvas);
        PaintFrame(painter, rect, set);
    }
    for (const FramePiece piece : Corners) {
        const QImage stored = FrameImage(set, piece, scale);
        const QPixmap picture = FramePicture(set, piece, scale);
        const QImage drawn = picture.toImage().convertToFormat(QImage::Format_ARGB32);
        const int height = piece == FramePiece::LinksUnten ? lowerLeft : cap;
        QCOMPARE(stored.size(), QSize(side, height) * scale);
        QCOMPARE(drawn.size(), stored.size());
        QCOMPARE(picture.devicePixelRatio(), qreal(scale));
        // The window's own corner pixel lies outside the rounding: magenta when stored,
        // transparent when drawn, and the screen shows there; the pixel touching the board is
        // frame, painted unscaled in its corner.
        const QPoint outer(
            isRight(piece) ? stored.width() - 1 : 0, isBottom(piece) ? stored.height() - 1 : 0);
        const QPoint inner(stored.width() - 1 - outer.x(), stored.height() - 1 - outer.y());
        QCOMPARE(stored.pixel(outer), Magenta);
        QCOMPARE(qAlpha(drawn.pixel(outer)), 0);
        const QPoint at(isRight(piece) ? rect.right() + 1 - side : rect.left(),
            isBottom(piece) ? rect.bottom() + 1 - height : rect.top());
        QCOMPARE(canvas.pixel(at * scale + outer), DesktopColour);
        QCOMPARE(canvas.pixel(at * scale + inner), drawn.pixel(inner));
        // The window's outline is scaled as a whole, in blocks of scale × scale: the larger
        // corner leaves out just the blocks of the pixels the smaller one leaves out.
        const QImage single = FrameImage(set, piece);
        for (int y = 0; y < stored.height(); ++y) {
            for (int x = 0; x < stored.width(); ++x) {
                QCOMPARE(stored.pixel(x, y) == Magenta,
                    single.pixel(x / scale, y / scale) == Magenta);
            }
        }
    }
    // The edges are stretched between the corners; the inside and the outside stay as they
    // were.
    const QImage top = FrameImage(set, FramePiece::MitteOben, scale);
    QCOMPARE(canvas.pixel(rect.center().x() * scale, (rect.top() + cap) * scale - 1),
        top.pixel(0, cap * scale - 1));
    QCOMPARE(canvas.pixel(rect.center() * scale), DesktopColour);
    QCOMPARE(canvas.pixel((rect.right() + 1) * scale, rect.center().y() * scale), DesktopColour);
}

void TestResources::builtInPictures_data()
{
    QTest::addColumn<int>("motif");
    QTest::addColumn<QSize>("boardSize");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("Motiv A") << 1 << QSize() << QSize(600, 404);
    // A small board: libjpeg scales down to the smallest eighth that still covers it, here
    // 3/8 (rounded up); 2/8 would give 150 x 113, lower than the board.
    QTest::newRow("Motiv B, 4 x 35") << 2 << QSize(140, 140) << QSize(225, 169);
    QTest::newRow("no such motif") << 3 << QSize() << QSize(0, 0);
}

void TestResources::builtInPictures()
{
    QFETCH(int, motif);
    QFETCH(QSize, boardSize);
    QFETCH(QSize, expected);
    const QImage picture = BuiltInPicture(motif, boardSize);
    QCOMPARE(picture.size(), expected);
    // Varied enough to tell the pieces apart: many distinct colours in a corner region.
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height() / 3; y += 2) {
        for (int x = 0; x < picture.width() / 3; x += 2)
            colours.insert(picture.pixel(x, y) & 0xF0F0F0);
    }
    QVERIFY(picture.isNull() || colours.size() > 20);
}

void TestResources::boardPictureAtTheScreensRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("tileSize");
    QTest::addColumn<QPoint>("home");
    QTest::newRow("1x") << 1.0 << 50 << QPoint(1, 2);
    QTest::newRow("2x") << 2.0 << 50 << QPoint(1, 2);
    // A tile covers 52.5 device pixels: it starts at the rounded place and covers 53.
    QTest::newRow("1.5x, odd tile size") << 1.5 << 35 << QPoint(1, 3);
    QTest::newRow("1.5x, last column") << 1.5 << 35 << QPoint(4, 0);
}

// The board's picture holds a device pixel for each one of the screen, and a tile's piece is
// cut where the tile lies in device pixels.
void TestResources::boardPictureAtTheScreensRatio()
{
    QFETCH(qreal, ratio);
    QFETCH(int, tileSize);
    QFETCH(QPoint, home);
    const QSize boardSize(5 * tileSize, 5 * tileSize);
    // A picture as large as the board in device pixels, each pixel telling where it lies.
    const QSize device = DeviceSize(boardSize, ratio);
    QImage picture(device, QImage::Format_RGB32);
    for (int y = 0; y < device.height(); ++y) {
        for (int x = 0; x < device.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, x / 256 * 16 + y / 256));
    }
    const auto placeOf = [](QRgb pixel) {
        return QPoint(
            qRed(pixel) + qBlue(pixel) / 16 * 256, qGreen(pixel) + qBlue(pixel) % 16 * 256);
    };

    const QPixmap board = BoardPicture(picture, boardSize, ratio);
    QCOMPARE(board.size(), device);
    QCOMPARE(board.devicePixelRatio(), ratio);
    QImage expected = picture;
    expected.setDevicePixelRatio(ratio);
    QCOMPARE(board.toImage().convertToFormat(QImage::Format_RGB32), expected);

    const QPixmap piece = CutTile(board, home, tileSize);
    QCOMPARE(piece.devicePixelRatio(), ratio);
    QCOMPARE(piece.size(), QSize(qRound(tileSize * ratio), qRound(tileSize * ratio)));
    const QImage pixels = piece.toImage();
    const QPoint start(qRound(home.x() * tileSize * ratio), qRound(home.y() * tileSize * ratio));
    QCOMPARE(placeOf(pixels.pixel(0, 0)), start);
    QCOMPARE(placeOf(pixels.pixel(pixels.width() - 1, pixels.height() - 1)),
        start + QPoint(pixels.width() - 1, pixels.height() - 1));
}

void TestResources::pointersAndButtonPictures_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("1x") << 1;
    QTest::newRow("2x") << 2;
}

void TestResources::pointersAndButtonPictures()
{
    QFETCH(int, scale);
    for (const char *name : {"LUPE", "FINGER1", "FINGER2"}) {
        const QCursor cursor = PointerCursor(QString::fromLatin1(name), scale);
        const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        const int side = 32 * scale;
        QCOMPARE(image.size(), QSize(side, side));
        QCOMPARE(cursor.pixmap().devicePixelRatio(), qreal(scale));
        // The hot spot is logical, whatever the picture's scale.
        QCOMPARE(cursor.hotSpot(), PointerHotSpot(QString::fromLatin1(name)));
        // Black outline and white fill on a transparent background.
        int black = 0;
        int white = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                black += image.pixel(x, y) == qRgb(0, 0, 0);
                white += image.pixel(x, y) == qRgb(255, 255, 255);
            }
        }
        QVERIFY(black > 40 * scale * scale && white > 40 * scale * scale);
        QCOMPARE(qAlpha(image.pixel(side - 1, 0)), 0);
    }
    QCOMPARE(PointerCursor(QStringLiteral("NOPE"), scale).shape(), Qt::ArrowCursor);
    // The button leaves out the bottom-left pixel's colour: the black background.
    const QPixmap lupe = ButtonPicture(QStringLiteral("lupe"), scale);
    QCOMPARE(lupe.deviceIndependentSize(), QSizeF(12, 12));
    QCOMPARE(lupe.size(), QSize(12, 12) * scale);
    QCOMPARE(lupe.toImage().pixel(0, lupe.height() - 1), qRgb(0, 0, 0));
    QCOMPARE(ButtonPicture(QStringLiteral("gitter"), scale).size(), QSize(10, 10) * scale);
    for (const int size : {16, 32, 48, 64})
        QVERIFY(MainIcon().availableSizes().contains(QSize(size, size)));
    // The large one is there for the desktop's application menu; the larger two of the
    // window's sizes have pictures of twice their size.
    QCOMPARE(QImage(QStringLiteral(":/icons/mainicon_256.png")).size(), QSize(256, 256));
    QCOMPARE(QImage(QStringLiteral(":/icons/mainicon_64@2x.png")).size(), QSize(128, 128));
}

void TestResources::noResourceHoldsTheDesktopColour()
{
    int files = 0;
    QDirIterator resources(QStringLiteral(":/"), QDirIterator::Subdirectories);
    while (resources.hasNext()) {
        const QString path = resources.next();
        if ((!path.endsWith(u".png") && !path.endsWith(u".jpg"))
            || path.startsWith(u":/qt-project.org"))
            continue;
        ++files;
        QImage image;
        if (path.endsWith(u".jpg")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            image = DecodeJpeg(file.readAll(), QSize()).value_or(QImage());
        } else {
            image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        }
        QVERIFY2(!image.isNull(), qPrintable(path));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) > 0 && (pixel | 0xFF000000) == DesktopColour)
                    QFAIL(qPrintable(path));
            }
        }
    }
    // At least the frames, the motifs, the icon sizes, the pointers and the button pictures,
    // and all but the motifs and the smaller icons at twice the size.
    QVERIFY(files >= 2 * (8 * 3 + 3 + 2) + 2 + 5 + 2);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
