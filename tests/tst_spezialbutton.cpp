#include "controls/SpezialButton.h"

#include <QBitmap>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The caption button, driven with real mouse events and checked on its rendered pixels.
class TestSpezialButton : public QObject
{
    Q_OBJECT

private slots:
    void pointer_data();
    void pointer();
    void bevelAndInside_data();
    void bevelAndInside();
    void contentSinksInHover_data();
    void contentSinksInHover();
    void pictureBackgroundLeftOut_data();
    void pictureBackgroundLeftOut();
};

namespace {

const QColor kHighlight(240, 230, 140);
const QColor kShadow(30, 60, 120);
const QColor kHostColour(255, 0, 255);

// A window with a button at (20, 10), the bevel colours made unmistakable.
struct Fixture
{
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    TSpezialButton *button = new TSpezialButton(host.get());

    explicit Fixture(QSize size = QSize(12, 12), const QString &text = QString())
    {
        QPalette colours = host->palette();
        colours.setColor(QPalette::Light, kHighlight);
        colours.setColor(QPalette::Dark, kShadow);
        colours.setColor(QPalette::Window, kHostColour);
        host->setPalette(colours);
        host->setAutoFillBackground(true);
        host->resize(140, 60);
        button->setGeometry(QRect(QPoint(20, 10), size));
        button->setBeschriftung(text);
        button->setBeschriftungLeft(4);
        button->setBeschriftungTop(-1);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        // Qt drops a move to where the pointer already is; start every case off the button.
        QTest::mouseMove(host.get(), QPoint(130, 50));
    }
};

// Grey shades on black like the magnifier, with marks in the last two rows and columns,
// which a 12 x 12 button must never show.
QPixmap magnifier()
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const int ring = (x - 4) * (x - 4) + (y - 4) * (y - 4);
            if ((ring >= 7 && ring <= 16) || (x == y && x > 6))
                image.setPixel(x, y, qRgb(96 + 10 * x, 96 + 10 * y, 128));
            if (x >= 10 || y >= 10)
                image.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    image.setPixel(0, 0, qRgb(128, 128, 128)); // only the bottom-left pixel names the background
    return QPixmap::fromImage(image);
}

QImage rendered(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Caption "×" at (4, -1) and the picture sink together, or neither does.
void verifyHover(TSpezialButton *button, bool hover)
{
    QCOMPARE(button->isHovering(), hover);
    QCOMPARE(QWidget::mouseGrabber() == button, hover);
    QCOMPARE(button->CaptionLabel()->pos(), QPoint(4, hover ? 0 : -1));
    QCOMPARE(button->PictureImage()->geometry(), QRect(1, hover ? 2 : 1, 10, 10));
}

} // namespace

void TestSpezialButton::pointer_data()
{
    // Steps in button coordinates: m moves, p/r press/release the left button, P/R the right
    // one; a trailing + or - checks that the button hovers or is normal afterwards.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("clicks");
    QTest::newRow("enters on first move, stays") << "m5,5+ m6,6+ m11,11+ m0,0+ m5,5+" << 0;
    // Without the grab a move there goes to the window behind: the far edge counts while
    // hovering.
    QTest::newRow("far edge stays inside") << "m5,5+ m12,12+ m13,12- m5,-1-" << 0;
    QTest::newRow("leaves on first move out") << "m5,5+ m13,5- m14,5- m5,5+" << 0;
    QTest::newRow("each click counts once") << "m5,5 p5,5+ r5,5- p5,5 r5,5- m6,6+" << 2;
    QTest::newRow("press, leave, release outside") << "m5,5 p5,5 m20,5- r20,5-" << 0;
    QTest::newRow("right button") << "m5,5 P5,5 R5,5-" << 0;
}

void TestSpezialButton::pointer()
{
    QFETCH(QString, steps);
    QFETCH(int, clicks);
    Fixture fixture(QSize(12, 12), QStringLiteral("×"));
    TSpezialButton *button = fixture.button;
    button->setBild(magnifier());
    // Both children lie under (5,5), yet presses there must work the button.
    QVERIFY(button->CaptionLabel()->geometry().contains(5, 5));
    QSignalSpy spy(button, &TSpezialButton::clicked);

    for (QString step : steps.split(u' ')) {
        const QChar check = step.back();
        if (check == u'+' || check == u'-')
            step.chop(1);
        const QStringList xy = step.mid(1).split(u',');
        const QPoint at(xy[0].toInt(), xy[1].toInt());
        const Qt::MouseButton which = step[0].isUpper() ? Qt::RightButton : Qt::LeftButton;
        if (step[0] == u'm')
            QTest::mouseMove(button, at);
        else if (step[0].toLower() == u'p')
            QTest::mousePress(button, which, {}, at);
        else
            QTest::mouseRelease(button, which, {}, at);
        if (check == u'+' || check == u'-')
            verifyHover(button, check == u'+');
    }
    QCOMPARE(spy.count(), clicks);
}

void TestSpezialButton::bevelAndInside_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("hover");
    QTest::newRow("raised 12x12") << QSize(12, 12) << false;
    QTest::newRow("lowered 20x7") << QSize(20, 7) << true;
}

void TestSpezialButton::bevelAndInside()
{
    QFETCH(QSize, size);
    QFETCH(bool, hover);
    Fixture fixture(size);
    fixture.button->setColor(QColor(10, 200, 20));
    if (hover)
        QTest::mouseMove(fixture.button, QPoint(2, 2));
    QCOMPARE(fixture.button->isHovering(), hover);

    const QImage image = rendered(fixture.button);
    const QColor upper = hover ? kShadow : kHighlight;
    const QColor lower = hover ? kHighlight : kShadow;
    // The right column and the bottom row own the top-right and bottom-left corners.
    const QPoint last(size.width() - 1, size.height() - 1);
    QCOMPARE(image.pixelColor(0, 0), upper);
    QCOMPARE(image.pixelColor(last.x() - 1, 0), upper);
    QCOMPARE(image.pixelColor(last.x(), 0), lower);
    QCOMPARE(image.pixelColor(0, last.y()), lower);
    QCOMPARE(image.pixelColor(last), lower);
    QCOMPARE(image.pixelColor(1, 1), QColor(10, 200, 20));
    QCOMPARE(image.pixelColor(last - QPoint(1, 1)), QColor(10, 200, 20));
}

void TestSpezialButton::contentSinksInHover_data()
{
    QTest::addColumn<int>("content");
    QTest::addColumn<int>("sink");
    QTest::newRow("text at (4,-1)") << 0 << 1;
    QTest::newRow("panel caption OK") << 2 << 0;
}

void TestSpezialButton::contentSinksInHover()
{
    QFETCH(int, content);
    QFETCH(int, sink);
    Fixture fixture(content == 2 ? QSize(89, 17) : QSize(12, 12),
        content == 0 ? QStringLiteral("×") : QString());
    TSpezialButton *button = fixture.button;
    if (content == 1)
        button->setBild(magnifier());
    if (content == 2) {
        QFont bold(QStringLiteral("Arial"));
        bold.setPixelSize(12);
        bold.setBold(true);
        button->setFont(bold);
        button->setCaption(QStringLiteral("OK"));
    }

    const QImage normal = rendered(button);
    QTest::mouseMove(button, QPoint(3, 3));
    QVERIFY(button->isHovering());
    const QImage hovered = rendered(button);

    // The inside only: the bevel changes by design.
    int drawn = 0;
    for (int y = 1; y + 1 + sink < button->height(); ++y) {
        for (int x = 1; x + 1 < button->width(); ++x) {
            QCOMPARE(hovered.pixelColor(x, y + sink), normal.pixelColor(x, y));
            drawn += normal.pixelColor(x, y) != button->Color();
        }
    }
    QVERIFY2(drawn > 4, "the content must show inside the button");
}

void TestSpezialButton::pictureBackgroundLeftOut_data()
{
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<QColor>("leftOut");
    QTest::addColumn<bool>("hover");
    QTest::newRow("magnifier, hover") << magnifier() << QColor(Qt::black) << true;

    // Monochrome: white goes, although the bottom-left pixel is black.
    QImage mono(10, 10, QImage::Format_RGB32);
    mono.fill(Qt::white);
    for (int i = 0; i < 10; ++i)
        mono.setPixel(i, 9 - i, qRgb(0, 0, 0));
    const QPixmap monochrome = QBitmap::fromImage(mono.convertToFormat(QImage::Format_Mono));
    QTest::newRow("monochrome") << monochrome << QColor(Qt::white) << false;
}

void TestSpezialButton::pictureBackgroundLeftOut()
{
    QFETCH(QPixmap, picture);
    QFETCH(QColor, leftOut);
    QFETCH(bool, hover);
    Fixture fixture;
    TSpezialButton *button = fixture.button;
    button->setBild(picture);
    if (hover)
        QTest::mouseMove(button, QPoint(6, 6));
    const QImage withPicture = rendered(button);
    button->setBild(QPixmap());
    const QImage plain = rendered(button);

    // Unscaled at the inside's top-left (one lower in hover), clipped to 10 x 10.
    const QRect shown(1, hover ? 2 : 1, 10, 10);
    const QImage source = picture.toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const QPoint inPicture = QPoint(x, y) - shown.topLeft();
            const bool opaque = shown.contains(x, y) && source.rect().contains(inPicture)
                && source.pixelColor(inPicture) != leftOut;
            QCOMPARE(withPicture.pixelColor(x, y),
                opaque ? source.pixelColor(inPicture) : plain.pixelColor(x, y));
        }
    }
}

QTEST_MAIN(TestSpezialButton)
#include "tst_spezialbutton.moc"
