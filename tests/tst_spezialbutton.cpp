#include "controls/Panel.h"
#include "controls/SpezialButton.h"

#include <QBitmap>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <memory>

// The caption button, driven with real mouse events and checked on its rendered pixels.
class TestSpezialButton : public QObject
{
    Q_OBJECT

private slots:
    void pointer_data();
    void pointer();
    void bevelAndContentInHover_data();
    void bevelAndContentInHover();
    void pictureBackgroundLeftOut_data();
    void pictureBackgroundLeftOut();
};

namespace {

const QColor kHighlight(240, 230, 140);
const QColor kShadow(30, 60, 120);
const QColor kInside(10, 200, 20);

// A window with a close button "×" at (4, -1), the bevel colours made unmistakable.
struct Fixture
{
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    std::unique_ptr<QWidget> otherWindow = std::make_unique<QWidget>();
    QMenu popup;
    TSpezialButton *button = CreateCloseButton(host.get(), QPoint(20, 10));
    TPanel *panel = new TPanel(host.get()); // beside the button, as large

    explicit Fixture(QSize size = QSize(12, 12))
    {
        QPalette colours = host->palette();
        colours.setColor(QPalette::Light, kHighlight);
        colours.setColor(QPalette::Dark, kShadow);
        host->setPalette(colours);
        host->resize(140, 60);
        button->resize(size);
        button->setColor(kInside);
        panel->setGeometry(QRect(QPoint(80, 10), size));
        host->show();
        otherWindow->setGeometry(host->geometry().translated(0, host->height() + 40));
        otherWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        QVERIFY(QTest::qWaitForWindowExposed(otherWindow.get()));
        popup.addAction(QStringLiteral("Eintrag"));
        // Qt drops a move to where the pointer already is; start every case off the button.
        QTest::mouseMove(host.get(), QPoint(130, 50));
    }
};

// Shades on black with marks in the last two rows and columns, which a 12 x 12 button must
// never show; only the bottom-left pixel names the background.
QPixmap magnifier()
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            if ((x + y) % 3 == 0 || x >= 10 || (y >= 10 && x > 0))
                image.setPixel(x, y, qRgb(20 * x, 20 * y, 128));
        }
    }
    return QPixmap::fromImage(image);
}

QImage rendered(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Caption and picture sink together, or neither does. No grab is needed for it: Wayland
// refuses grabs outside popups, and says so on the terminal at every click.
void verifyHover(TSpezialButton *button, bool hover)
{
    QCOMPARE(button->isHovering(), hover);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    QCOMPARE(QPoint(button->BeschriftungLeft(), button->BeschriftungTop()),
        QPoint(4, hover ? 0 : -1));
    QCOMPARE(button->pictureArea(), QRect(1, hover ? 2 : 1, 10, 10));
}

} // namespace

void TestSpezialButton::pointer_data()
{
    // Steps in button coordinates: m moves, p/r press/release the left button, P/R the right
    // one; L the pointer leaves the window, W it moves over another window. A trailing + or -
    // checks that the button hovers or is normal afterwards. Steps after "panel" go to a panel.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("clicks");
    // Without the grab a move there goes to the window behind: the far edge counts.
    QTest::newRow("hover") << "m5,5+ m11,11+ m12,12+ m13,12- m14,5- m5,-1- m0,0+" << 0;
    QTest::newRow("each click counts once") << "m5,5 p5,5+ r5,5- p5,5 r5,5- m6,6+" << 2;
    QTest::newRow("press, leave, release outside") << "m5,5 p5,5 m20,5- r20,5-" << 0;
    QTest::newRow("right button") << "m5,5 P5,5 R5,5-" << 0;
    QTest::newRow("one button pressed, the other released")
        << "m5,5 p5,5 R5,5- r20,5 m5,5 P5,5 r5,5 R20,5" << 0;
    QTest::newRow("release on the last pixel") << "m5,5 p5,5 r11,11" << 1;
    QTest::newRow("release just past it") << "m5,5 p5,5 r12,5" << 0;
    QTest::newRow("panel: click, release outside, right button")
        << "panel p5,5 r11,11 p5,5 r12,5 P5,5 r5,5 p5,5 R5,5 r20,5" << 1;
    QTest::newRow("out of the window at once") << "m5,5+ L- m6,6+" << 0;
    QTest::newRow("over another window") << "m5,5+ W- m5,5+" << 0;
    QTest::newRow("a popup takes the pointer") << "m5,5+ M m6,6- m7,7-" << 0;
}

void TestSpezialButton::pointer()
{
    QFETCH(QString, steps);
    QFETCH(int, clicks);
    Fixture fixture;
    TSpezialButton *button = fixture.button;
    QSignalSpy spy(button, &TSpezialButton::clicked);
    QSignalSpy panelSpy(fixture.panel, &TPanel::clicked);
    QWidget *target = button;

    for (QString step : steps.split(u' ')) {
        const QChar check = step.back();
        if (check == u'+' || check == u'-')
            step.chop(1);
        if (step == u"panel") {
            target = fixture.panel;
            continue;
        }
        if (step == u"L") {
            // What the window system says when the pointer leaves the window.
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(fixture.host->windowHandle(), &leave);
        } else if (step == u"W")
            QTest::mouseMove(fixture.otherWindow.get(), QPoint(5, 5));
        else if (step == u"M")
            fixture.popup.popup(fixture.host->mapToGlobal(QPoint(60, 30)));
        if (step == u"L" || step == u"W" || step == u"M") {
            if (check == u'+' || check == u'-')
                verifyHover(button, check == u'+');
            continue;
        }
        const QStringList xy = step.mid(1).split(u',');
        const QPoint at(xy[0].toInt(), xy[1].toInt());
        const Qt::MouseButton which = step[0].isUpper() ? Qt::RightButton : Qt::LeftButton;
        if (step[0] == u'm')
            QTest::mouseMove(target, at);
        else if (step[0].toLower() == u'p')
            QTest::mousePress(target, which, {}, at);
        else
            QTest::mouseRelease(target, which, {}, at);
        if (check == u'+' || check == u'-')
            verifyHover(button, check == u'+');
    }
    QCOMPARE(spy.count() + panelSpy.count(), clicks);
}

void TestSpezialButton::bevelAndContentInHover_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("sink");
    QTest::newRow("text at (4,-1)") << QSize(12, 12) << QString() << 1;
    QTest::newRow("panel caption OK") << QSize(89, 17) << QStringLiteral("OK") << 0;
}

// The bevel turns over in hover; the text sinks by one pixel, the panel caption stays.
void TestSpezialButton::bevelAndContentInHover()
{
    QFETCH(QSize, size);
    QFETCH(QString, caption);
    QFETCH(int, sink);
    Fixture fixture(size);
    TSpezialButton *button = fixture.button;
    if (!caption.isEmpty()) {
        QFont bold(QStringLiteral("Arial"));
        bold.setPixelSize(12);
        bold.setBold(true);
        button->setFont(bold);
        button->setBeschriftung(QString());
        button->setCaption(caption);
    }
    const QImage normal = rendered(button);
    QTest::mouseMove(button, QPoint(3, 3));
    QVERIFY(button->isHovering());
    const QImage hovered = rendered(button);

    // The right column and the bottom row own the top-right and bottom-left corners.
    const QPoint last(size.width() - 1, size.height() - 1);
    for (const bool hover : {false, true}) {
        const QImage &image = hover ? hovered : normal;
        const QColor upper = hover ? kShadow : kHighlight;
        const QColor lower = hover ? kHighlight : kShadow;
        QCOMPARE(image.pixelColor(0, 0), upper);
        QCOMPARE(image.pixelColor(last.x() - 1, 0), upper);
        QCOMPARE(image.pixelColor(last.x(), 0), lower);
        QCOMPARE(image.pixelColor(0, last.y()), lower);
        QCOMPARE(image.pixelColor(last), lower);
        QCOMPARE(image.pixelColor(1, last.y() - 1), kInside);
    }
    int drawn = 0;
    for (int y = 1; y + 1 + sink < size.height(); ++y) {
        for (int x = 1; x + 1 < size.width(); ++x) {
            QCOMPARE(hovered.pixelColor(x, y + sink), normal.pixelColor(x, y));
            drawn += normal.pixelColor(x, y) != kInside;
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
    button->setBeschriftung(QString());
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
