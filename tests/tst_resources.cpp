#include "app/Resources.h"
#include "main/PictureDecoding.h"

#include <QDirIterator>
#include <QPainter>
#include <QtTest>

Q_DECLARE_METATYPE(FrameSet)

namespace {

// The end-to-end tests recognise the desktop behind the windows by this colour.
constexpr QRgb DesktopColour = qRgb(0x10, 0xE0, 0xB0);
constexpr QRgb Magenta = qRgb(0xFF, 0x00, 0xFF);

struct FrameSizes
{
    int side; // width of the left and right pieces
    int cap; // height of the top and bottom pieces
    int lowerLeft; // height of the lower-left corner
};

FrameSizes frameSizes(FrameSet set)
{
    switch (set) {
    case FrameSet::Main:
        return {18, 18, 18};
    case FrameSet::Preview:
        return {12, 12, 13};
    case FrameSet::Highscore:
        return {18, 28, 28};
    }
    return {};
}

const FramePiece Pieces[] = {FramePiece::LinksOben, FramePiece::MitteOben, FramePiece::RechtsOben,
    FramePiece::MitteLinks, FramePiece::RechtsMitte, FramePiece::LinksUnten, FramePiece::MitteUnten,
    FramePiece::RechtsUnten};

// Where a piece belongs in a window of the given size: corners in their corners, edges
// stretched between them.
QRect placeOf(FramePiece piece, QSize window, FrameSizes sizes)
{
    const int w = window.width();
    const int h = window.height();
    switch (piece) {
    case FramePiece::LinksOben:
        return QRect(0, 0, sizes.side, sizes.cap);
    case FramePiece::RechtsOben:
        return QRect(w - sizes.side, 0, sizes.side, sizes.cap);
    case FramePiece::LinksUnten:
        return QRect(0, h - sizes.lowerLeft, sizes.side, sizes.lowerLeft);
    case FramePiece::RechtsUnten:
        return QRect(w - sizes.side, h - sizes.cap, sizes.side, sizes.cap);
    case FramePiece::MitteOben:
        return QRect(sizes.side, 0, w - 2 * sizes.side, sizes.cap);
    case FramePiece::MitteUnten:
        return QRect(sizes.side, h - sizes.cap, w - 2 * sizes.side, sizes.cap);
    case FramePiece::MitteLinks:
        return QRect(0, sizes.cap, sizes.side, h - sizes.cap - sizes.lowerLeft);
    case FramePiece::RechtsMitte:
        return QRect(w - sizes.side, sizes.cap, sizes.side, h - 2 * sizes.cap);
    }
    return {};
}

bool isCorner(FramePiece piece)
{
    return piece == FramePiece::LinksOben || piece == FramePiece::RechtsOben
        || piece == FramePiece::LinksUnten || piece == FramePiece::RechtsUnten;
}

void addFrameSets()
{
    QTest::addColumn<FrameSet>("set");
    QTest::newRow("main") << FrameSet::Main;
    QTest::newRow("preview") << FrameSet::Preview;
    QTest::newRow("highscore") << FrameSet::Highscore;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void framePieces_data() { addFrameSets(); }
    void framePieces();
    void paintFramePlacesPieces_data();
    void paintFramePlacesPieces();
    void builtInPictures_data();
    void builtInPictures();
    void mainIconSizes();
    void pointers_data();
    void pointers();
    void buttonPictures_data();
    void buttonPictures();
    void noResourceHoldsTheDesktopColour();
};

void TestResources::framePieces()
{
    QFETCH(FrameSet, set);
    const FrameSizes sizes = frameSizes(set);
    for (FramePiece piece : Pieces) {
        const QString name = FramePieceName(piece);
        const QImage stored = FrameImage(set, piece);
        const QImage drawn
            = FramePicture(set, piece).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!stored.isNull(), qPrintable(name));
        QCOMPARE(drawn.size(), stored.size());
        // Sizes: edges may have any length, since they are stretched.
        const QRect place = placeOf(piece, QSize(1000, 1000), sizes);
        if (piece != FramePiece::MitteOben && piece != FramePiece::MitteUnten)
            QCOMPARE(stored.width(), place.width());
        if (piece != FramePiece::MitteLinks && piece != FramePiece::RechtsMitte)
            QCOMPARE(stored.height(), place.height());

        if (isCorner(piece)) {
            // The window's own corner pixel lies outside the rounding: magenta when stored,
            // transparent when drawn; the pixel touching the board is frame.
            const QPoint outer(piece == FramePiece::RechtsOben || piece == FramePiece::RechtsUnten
                    ? stored.width() - 1
                    : 0,
                piece == FramePiece::LinksUnten || piece == FramePiece::RechtsUnten
                    ? stored.height() - 1
                    : 0);
            const QPoint inner(stored.width() - 1 - outer.x(), stored.height() - 1 - outer.y());
            QCOMPARE(stored.pixel(outer), Magenta);
            QCOMPARE(qAlpha(drawn.pixel(outer)), 0);
            QCOMPARE(qAlpha(drawn.pixel(inner)), 255);
        }
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb pixel = drawn.pixel(x, y);
                QVERIFY2(qAlpha(pixel) == 0 || (pixel | 0xFF000000) != Magenta, "magenta drawn");
                QVERIFY2(isCorner(piece) || qAlpha(pixel) == 255, "hole in an edge");
            }
        }
        // An edge looks alike all along its length, so stretching does not show.
        if (piece == FramePiece::MitteOben || piece == FramePiece::MitteUnten) {
            for (int x = 1; x < stored.width(); ++x)
                QCOMPARE(
                    stored.copy(x, 0, 1, stored.height()), stored.copy(0, 0, 1, stored.height()));
        } else if (piece == FramePiece::MitteLinks || piece == FramePiece::RechtsMitte) {
            for (int y = 1; y < stored.height(); ++y)
                QCOMPARE(
                    stored.copy(0, y, stored.width(), 1), stored.copy(0, 0, stored.width(), 1));
        }
    }
}

void TestResources::paintFramePlacesPieces_data()
{
    QTest::addColumn<FrameSet>("set");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("main window 5 x 5") << FrameSet::Main << QRect(0, 0, 286, 286);
    QTest::newRow("main window, offset") << FrameSet::Main << QRect(7, 5, 100, 80);
    QTest::newRow("solution window") << FrameSet::Preview << QRect(0, 0, 324, 324);
    QTest::newRow("high score window") << FrameSet::Highscore << QRect(0, 0, 407, 320);
}

void TestResources::paintFramePlacesPieces()
{
    QFETCH(FrameSet, set);
    QFETCH(QRect, rect);
    QImage canvas(rect.right() + 10, rect.bottom() + 10, QImage::Format_RGB32);
    canvas.fill(DesktopColour);
    {
        QPainter painter(&canvas);
        PaintFrame(painter, rect, set);
    }
    for (FramePiece piece : Pieces) {
        QRect place = placeOf(piece, rect.size(), frameSizes(set));
        place.translate(rect.topLeft());
        QImage expected(place.size(), QImage::Format_RGB32);
        expected.fill(DesktopColour);
        QPainter(&expected).drawImage(
            0, 0, FramePicture(set, piece).toImage().scaled(place.size()));
        QVERIFY2(canvas.copy(place) == expected, qPrintable(FramePieceName(piece)));
    }
    // Inside the frame and outside the rectangle nothing is drawn.
    const FrameSizes sizes = frameSizes(set);
    const QRect inside = rect.adjusted(sizes.side, sizes.cap, -sizes.side, -sizes.cap);
    QImage untouched(inside.size(), QImage::Format_RGB32);
    untouched.fill(DesktopColour);
    QVERIFY(canvas.copy(inside) == untouched);
    for (const QPoint &point :
        {QPoint(rect.right() + 1, rect.center().y()), QPoint(rect.center().x(), rect.bottom() + 1)})
        QCOMPARE(canvas.pixel(point), DesktopColour);
}

void TestResources::builtInPictures_data()
{
    QTest::addColumn<int>("motif");
    QTest::addColumn<QSize>("boardSize");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("Motiv A") << 1 << QSize() << QSize(600, 404);
    QTest::newRow("Motiv B") << 2 << QSize() << QSize(600, 450);
    QTest::newRow("Motiv A, large board") << 1 << QSize(1200, 1200) << QSize(600, 404);
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
    if (picture.isNull())
        return;
    // Varied enough to tell the pieces apart: many distinct colours in every region.
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QImage part = picture.copy(column * picture.width() / 3,
                row * picture.height() / 3, picture.width() / 3, picture.height() / 3);
            QSet<QRgb> colours;
            for (int y = 0; y < part.height(); y += 2) {
                for (int x = 0; x < part.width(); x += 2)
                    colours.insert(part.pixel(x, y) & 0xF0F0F0);
            }
            QVERIFY2(colours.size() > 20,
                qPrintable(QStringLiteral("plain region %1,%2").arg(column).arg(row)));
        }
    }
}

void TestResources::mainIconSizes()
{
    const QIcon icon = MainIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 32, 48, 64, 256}) {
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // The middle tile of the 3 x 3 puzzle is coloured, not background.
        const QRgb middle = image.pixel(size / 2, size / 2);
        QCOMPARE(qAlpha(middle), 255);
        QVERIFY(qRed(middle) != qGreen(middle) || qGreen(middle) != qBlue(middle));
    }
}

void TestResources::pointers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hotSpotOpaque");
    QTest::newRow("LUPE") << "LUPE" << false; // the middle of the glass
    QTest::newRow("FINGER1") << "FINGER1" << true;
    QTest::newRow("FINGER2") << "FINGER2" << true;
}

void TestResources::pointers()
{
    QFETCH(QString, name);
    QFETCH(bool, hotSpotOpaque);
    const QCursor cursor = PointerCursor(name);
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(cursor.hotSpot(), PointerHotSpot(name));
    QVERIFY(image.rect().contains(cursor.hotSpot()));
    if (hotSpotOpaque)
        QCOMPARE(qAlpha(image.pixel(cursor.hotSpot())), 255);
    // Black outline and white fill, on a transparent background.
    int black = 0;
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == 0)
                ++black;
            if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == 0xFFFFFF)
                ++white;
        }
    }
    QVERIFY(black > 40);
    QVERIFY(white > 40);
    QCOMPARE(qAlpha(image.pixel(31, 0)), 0);
    QCOMPARE(PointerCursor(QStringLiteral("NOPE")).shape(), Qt::ArrowCursor);
}

void TestResources::buttonPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("gitter") << "gitter" << QSize(10, 10);
    QTest::newRow("lupe") << "lupe" << QSize(12, 12);
}

void TestResources::buttonPictures()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image = ButtonPicture(name).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), size);
    // The button leaves out the bottom-left pixel's colour: the black background.
    QCOMPARE(image.pixel(0, size.height() - 1), qRgb(0, 0, 0));
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            QCOMPARE(qRed(pixel), qGreen(pixel)); // grey shades only
            QCOMPARE(qGreen(pixel), qBlue(pixel));
            // Only the top-left 10 x 10 shows inside a 12 x 12 button.
            if (pixel != qRgb(0, 0, 0) && x < 10 && y < 10)
                ++drawn;
        }
    }
    QVERIFY(drawn >= 16);
}

void TestResources::noResourceHoldsTheDesktopColour()
{
    int files = 0;
    QDirIterator resources(QStringLiteral(":/"), QDirIterator::Subdirectories);
    while (resources.hasNext()) {
        const QString path = resources.next();
        if (!path.endsWith(u".png") && !path.endsWith(u".jpg"))
            continue;
        if (path.startsWith(u":/qt-project.org"))
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
        bool found = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                found = found || (qAlpha(pixel) > 0 && (pixel | 0xFF000000) == DesktopColour);
            }
        }
        QVERIFY2(!found, qPrintable(path));
    }
    // At least the frames, the motifs, the icon sizes, the pointers and the button pictures.
    QVERIFY(files >= 8 * 3 + 2 + 5 + 3 + 2);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
