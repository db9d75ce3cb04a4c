#include "app/TiloraApplication.h"
#include "region/FormRgn.h"

#include <QBackingStore>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <functional>
#include <memory>

// The shaped-window components on real (offscreen) windows.
class TestFormRegion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ownerAndDuplicateErrors();
    void evaluatesAtOnceOrAfterLoading();
    void maskStaysWithoutANewOutline();
    void outlineFollowsResize();
    void clientDrag();
    void externalShapes_data();
    void externalShapes();
    void windowVariables_data();
    void windowVariables();
    void childrenServeTheTCommand();
    void clearsOutsideWhereNotCut_data();
    void clearsOutsideWhereNotCut();

private:
    QStringList m_reports;
    QStringList m_notices;
};

namespace {

const QString RoundedWindow = QStringLiteral("U0,0,W,H,20,20");

// A frameless window at a known place, shown, with its outline component.
struct ShapedWindow
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    TFormRegion *region = new TFormRegion(window.get());

    explicit ShapedWindow(QSize size = QSize(200, 100))
    {
        window->setGeometry(QRect(QPoint(100, 100), size));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
};

class TestShape : public TExternalRegion
{
public:
    TestShape(QWidget *owner, const QString &name, QRegion shape, QSize reference = QSize(-1, -1))
        : TExternalRegion(owner)
        , shape(std::move(shape))
        , reference(reference)
    {
        setObjectName(name);
    }
    std::optional<QRegion> CreateRegion() override
    {
        ++creations;
        return shape;
    }
    QSize GetReferenceSize() const override { return reference; }

    QRegion shape;
    QSize reference;
    int creations = 0;
};

// The message of the error that doing raises, or an empty text.
template <typename Error> QString raised(const std::function<void()> &doing)
{
    try {
        doing();
    } catch (const Error &error) {
        return error.message();
    }
    return QString();
}

} // namespace

void TestFormRegion::init()
{
    m_reports.clear();
    m_notices.clear();
    SetErrorReporter([this](const QString &text) { m_reports << text; });
    SetRegionNoticeHandler([this](const QString &text) { m_notices << text; });
}

void TestFormRegion::cleanup()
{
    SetErrorReporter({});
    SetRegionNoticeHandler({});
}

void TestFormRegion::ownerAndDuplicateErrors()
{
    ShapedWindow shaped;
    auto *child = new QWidget(shaped.window.get());
    QCOMPARE(raised<EOwnerMustBeForm>([&] { TFormRegion region(child); }),
        "The owner of TFormRegion component must be the TForm descendant");
    QCOMPARE(raised<EOwnerMustBeForm>([] { TestShape(nullptr, "ABC", QRegion()); }),
        "The owner of TExternalRegion component must be the TForm descendant");
    QVERIFY(child->children().isEmpty());
    // The second component is refused before it joins the window.
    QCOMPARE(raised<EDuplicateComponent>([&] { TFormRegion second(shaped.window.get()); }),
        "Only one TFormRegion component on a form is allowed");
    QCOMPARE(TFormRegion::ofWindow(shaped.window.get()), shaped.region);
}

void TestFormRegion::evaluatesAtOnceOrAfterLoading()
{
    ShapedWindow shaped;
    // Every evaluation of a missing name tells about it once.
    const QString text = QStringLiteral("R0,0,30,40\r\nTLT0,0,NOPE");
    shaped.region->BeginLoading();
    shaped.region->setRegion(text);
    shaped.window->resize(220, 120);
    QVERIFY(m_notices.isEmpty() && shaped.window->mask().isEmpty());
    shaped.region->EndLoading();
    QCOMPARE(m_notices.size(), 1);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 30, 40));
    shaped.region->setRegion(QStringLiteral("R0,0,10,10"));
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 10, 10));
    shaped.region->setRegion(text);
    shaped.window->resize(210, 110);
    QCOMPARE(m_notices, QStringList(3, QStringLiteral("External region NOPE not found")));
    QCOMPARE(shaped.region->Region(), text);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 30, 40));
}

void TestFormRegion::maskStaysWithoutANewOutline()
{
    ShapedWindow shaped;
    // An empty outline hides the whole window; it is no lack of a mask.
    shaped.region->setRegion(QStringLiteral("R0,0,0,0"));
    QVERIFY(!shaped.window->mask().isEmpty());
    QVERIFY(shaped.window->mask().intersected(shaped.window->rect()).isEmpty());
    // An empty text leaves the mask as it is, also through a resize.
    shaped.region->setRegion(QStringLiteral("R0,0,50,50"));
    shaped.region->setRegion(QString());
    shaped.window->resize(300, 300);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));

    // So does a bad text; its error reaches the caller, or the report when a resize evaluates.
    const QString text = QStringLiteral("U0,0,W,H,20,20\r\nQ1,2");
    const QString message = raised<ETiloraError>([&] { shaped.region->setRegion(text); });
    QVERIFY(!message.isEmpty());
    QCOMPARE(shaped.region->Region(), text);
    QVERIFY(!shaped.region->builtRegion());
    shaped.window->resize(260, 160);
    QTRY_COMPARE(m_reports, QStringList {message});
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
    QCOMPARE(shaped.window->size(), QSize(260, 160));

    // So does a component that goes away.
    shaped.region->setRegion(RoundedWindow);
    const QRegion before = shaped.window->mask();
    delete shaped.region;
    shaped.window->resize(200, 100);
    QCOMPARE(shaped.window->mask(), before);
    QVERIFY(!TFormRegion::ofWindow(shaped.window.get()));
}

// Also through the size handler, which may change the text for good.
void TestFormRegion::outlineFollowsResize()
{
    ShapedWindow shaped;
    shaped.region->setRegion(RoundedWindow);
    shaped.window->resize(320, 250);
    const QRegion mask = shaped.window->mask();
    QVERIFY(!mask.contains(QPoint(0, 0)) && !mask.contains(QPoint(319, 249)));
    QVERIFY(mask.contains(QPoint(10, 10)) && mask.contains(QPoint(309, 239)));
    QVERIFY(mask.contains(QPoint(316, 125)) && !mask.contains(QPoint(320, 125)));

    const QString square = QStringLiteral("R0,0,100,100");
    QStringList seen;
    shaped.region->setOnSizeChanged([&](TFormRegion *sender, QString &text) {
        QCOMPARE(sender, shaped.region);
        seen << text;
        text = square;
    });
    shaped.window->resize(250, 150);
    shaped.window->resize(260, 160);
    QCOMPARE(seen, QStringList({RoundedWindow, square}));
    QCOMPARE(shaped.region->Region(), square);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 100, 100));
}

void TestFormRegion::clientDrag()
{
    ShapedWindow shaped(QSize(300, 200));
    auto *label = new QLabel(QStringLiteral("Text"), shaped.window.get());
    label->setGeometry(150, 20, 100, 30);
    auto *button = new QPushButton(QStringLiteral("Knopf"), shaped.window.get());
    button->setGeometry(120, 100, 150, 60);
    label->show();
    button->show();
    QSignalSpy clicks(button, &QPushButton::clicked);
    // Drags by delta and moves the pointer back after the release; returns how far it went.
    QWindow *handle = shaped.window->windowHandle();
    const QPoint delta(37, -21);
    const auto drag = [&](QPoint press) {
        const QPoint start = shaped.window->pos();
        const QPoint target = handle->mapToGlobal(press + delta);
        QTest::mousePress(handle, Qt::LeftButton, {}, press);
        QTest::mouseMove(handle, press + delta);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(target));
        QTest::mouseMove(handle, press);
        return shaped.window->pos() - start;
    };
    QCOMPARE(drag(QPoint(30, 150)), QPoint());
    shaped.region->setClientDrag(true);
    QCOMPARE(drag(QPoint(30, 150)), delta);
    QCOMPARE(drag(label->geometry().center()), delta);
    QCOMPARE(clicks.size(), 0);
    QCOMPARE(drag(button->geometry().center()), QPoint());
    QCOMPARE(clicks.size(), 1);

    // Where the window system takes the drag over, it does so from the press, so that the
    // pointer's way until then counts.
    QPoint handedOverFrom;
    shaped.region->startSystemMove = [&](QWidget &, QPoint pressed) {
        handedOverFrom = pressed;
        return true;
    };
    drag(QPoint(30, 150));
    QCOMPARE(handedOverFrom, handle->mapToGlobal(QPoint(30, 150)));
}

void TestFormRegion::externalShapes_data()
{
    QTest::addColumn<bool>("own");
    QTest::newRow("keeps its region") << true;
    QTest::newRow("creates it every time") << false;
}

void TestFormRegion::externalShapes()
{
    QFETCH(bool, own);
    ShapedWindow shaped(QSize(300, 200));
    auto *other = new TestShape(shaped.window.get(), QStringLiteral("Other"), QRegion(0, 0, 5, 5));
    auto *shape = new TestShape(shaped.window.get(), QStringLiteral("AB"), QRegion(0, 0, 10, 10));
    shape->setOwnRegion(own);
    shaped.region->setRegion(QStringLiteral("TLT20,0,ab"));
    shaped.window->resize(310, 200);
    QCOMPARE(shape->creations, own ? 1 : 2);
    QCOMPARE(shaped.window->mask(), QRegion(20, 0, 10, 10));
    // A new name goes into the text, also where it contains the old one.
    shape->setName(QStringLiteral("XABAB"));
    QCOMPARE(shaped.region->Region(), QStringLiteral("TLT20,0,XABAB"));
    // A change of the named shape evaluates again, a change of another one does not.
    const int creations = shape->creations;
    shape->shape = QRegion(0, 0, 30, 20);
    other->RegionChanged();
    QCOMPARE(shape->creations, creations);
    shape->RegionChanged();
    QCOMPARE(shape->creations, creations + 1);
    QCOMPARE(shaped.window->mask(), QRegion(20, 0, 30, 20));
    QVERIFY(m_notices.isEmpty());
}

void TestFormRegion::windowVariables_data()
{
    QTest::addColumn<bool>("tool");
    QTest::newRow("normal window") << false;
    QTest::newRow("tool window") << true;
}

// Counted from the window's outer corner: the client area, the caption bar above it (as high
// as the window's kind has it), the whole window.
void TestFormRegion::windowVariables()
{
    QFETCH(bool, tool);
    SetRegionCaptionHeights({23, 17});
    QWidget window(nullptr, tool ? Qt::Tool : Qt::Window);
    window.setGeometry(100, 100, 200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    QVERIFY(frame != client);
    const QPoint offset = client.topLeft() - frame.topLeft();
    const auto evaluate = [&](const char *text) {
        return EvaluateRegion(QString::fromLatin1(text), window).value_or(QRegion());
    };
    QCOMPARE(evaluate("RX,C,R,B"), QRegion(QRect(offset, client.size())));
    const int caption = offset.y() - (tool ? 17 : 23);
    QCOMPARE(evaluate("RY,Y,W,H"),
        QRegion(QRect(QPoint(caption, caption), QPoint(frame.width() - 1, frame.height() - 1))));
}

void TestFormRegion::childrenServeTheTCommand()
{
    // Names match in any case, and the shape's reference box comes along: Wide is placed by
    // the centre of a 100 pixels wide box.
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    new TestShape(window.get(), QStringLiteral("Wide"), QRegion(10, 20, 30, 40), QSize(100, -1));
    const QString text = QStringLiteral("TCT0,0,wide\r\nTLT0,0,NONE\r\nR0,0,5,5");
    QCOMPARE(EvaluateRegion(text, *window).value_or(QRegion()),
        QRegion(-40, 0, 30, 40).united(QRegion(0, 0, 5, 5)));
    QCOMPARE(m_notices, QStringList {"External region NONE not found"});

    // The window closed while the notice was open: nothing more to evaluate against.
    SetRegionNoticeHandler([&](const QString &) { window.reset(); });
    QVERIFY(!EvaluateRegion(text, *window));
}

void TestFormRegion::clearsOutsideWhereNotCut_data()
{
    QTest::addColumn<bool>("cuts");
    QTest::newRow("window system cuts (X11)") << true;
    QTest::newRow("window system cuts nothing (Wayland)") << false;
}

// Where the window system cuts nothing, the window shows the desktop outside its outline by
// itself: its corners and a hole over a child are clear in its drawing, also when the hole
// moves on. Where the window system cuts, the window stays opaque and the mask alone does it.
void TestFormRegion::clearsOutsideWhereNotCut()
{
    QFETCH(bool, cuts);
    SetWindowSystemCutsWindows(cuts);
    const auto restore = qScopeGuard([] { SetWindowSystemCutsWindows(true); });
    ShapedWindow shaped;
    shaped.window->setAutoFillBackground(true);
    // The bottom rows show the window's own background.
    auto *board = new QWidget(shaped.window.get());
    board->setGeometry(0, 0, 200, 80);
    board->setAutoFillBackground(true);
    board->show();
    QCOMPARE(shaped.window->testAttribute(Qt::WA_TranslucentBackground), !cuts);

    // What the window system gets: the window's buffer once Qt has painted what it marked,
    // and only that, as it does on a screen. Cleared pixels are transparent black (black in
    // a buffer without alpha); the window and the child are grey.
    const auto cleared = [&](QPoint point) {
        QCoreApplication::sendPostedEvents(shaped.window.get(), QEvent::UpdateRequest);
        const auto *drawn = dynamic_cast<QImage *>(shaped.window->backingStore()->paintDevice());
        return drawn
            && (drawn->pixel(point * drawn->devicePixelRatio()) | 0xFF000000) == qRgb(0, 0, 0);
    };
    const auto holeAt = [&](int left) {
        shaped.region->setRegion(RoundedWindow
            + QStringLiteral("\r\nX\r\nR%1,40,%2,60").arg(left).arg(left + 20));
    };
    holeAt(40);
    QCOMPARE(cleared(QPoint(50, 50)), !cuts);
    QCOMPARE(cleared(QPoint(1, 1)), !cuts);
    QVERIFY(!cleared(QPoint(100, 50)) && !cleared(QPoint(100, 90)));
    // The hole moves on: the child shows again where it was.
    holeAt(140);
    QCOMPARE(cleared(QPoint(150, 50)), !cuts);
    QVERIFY(!cleared(QPoint(50, 50)));
    // The outline still keeps the pointer from what is cut out.
    const QRegion pointer = cuts ? shaped.window->mask() : shaped.window->windowHandle()->mask();
    QVERIFY(!pointer.contains(QPoint(150, 50)) && pointer.contains(QPoint(50, 50)));
}

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    TestFormRegion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_formregion.moc"
