#include "app/TiloraApplication.h"
#include "region/FormRgn.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The shaped-window components on real (offscreen) windows: their errors, when they evaluate,
// the mask they leave on the window, dragging by the bare area and the named external shapes.
class TestFormRegion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ownerMustBeForm_data();
    void ownerMustBeForm();
    void duplicateIsRejectedBeforeOwner();
    void evaluatesAtOnceOrAfterLoading_data();
    void evaluatesAtOnceOrAfterLoading();
    void maskStaysWithoutAnOutline();
    void outlineFollowsResize();
    void sizeChangedHandlerKeepsItsText();
    void badTextRaisesAndKeepsMask_data();
    void badTextRaisesAndKeepsMask();
    void clientDrag_data();
    void clientDrag();
    void externalShapes_data();
    void externalShapes();

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
    TestShape(QWidget *owner, const QString &name, QRegion shape)
        : TExternalRegion(owner)
        , shape(std::move(shape))
    {
        setObjectName(name);
    }
    std::optional<QRegion> CreateRegion() override
    {
        ++creations;
        return shape;
    }

    QRegion shape;
    int creations = 0;
};

} // namespace

void TestFormRegion::init()
{
    m_reports.clear();
    m_notices.clear();
    TiloraApplication::setErrorReporter([this](const QString &text) { m_reports << text; });
    SetRegionNoticeHandler([this](const QString &text) { m_notices << text; });
}

void TestFormRegion::cleanup()
{
    TiloraApplication::setErrorReporter({});
    SetRegionNoticeHandler({});
}

void TestFormRegion::ownerMustBeForm_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<bool>("childOwner");
    QTest::addColumn<QString>("message");
    const QString formMessage
        = QStringLiteral("The owner of TFormRegion component must be the TForm descendant");
    const QString externalMessage
        = QStringLiteral("The owner of TExternalRegion component must be the TForm descendant");
    QTest::newRow("TFormRegion on a child") << false << true << formMessage;
    QTest::newRow("TExternalRegion without owner") << true << false << externalMessage;
}

void TestFormRegion::ownerMustBeForm()
{
    QFETCH(bool, external);
    QFETCH(bool, childOwner);
    QFETCH(QString, message);

    QWidget window;
    auto *child = new QWidget(&window);
    QWidget *owner = childOwner ? child : nullptr;
    QString caught;
    try {
        if (external)
            TestShape(owner, QStringLiteral("ABC"), QRegion());
        else
            TFormRegion region(owner);
    } catch (const EOwnerMustBeForm &error) {
        caught = error.message();
    }
    QCOMPARE(caught, message);
    QVERIFY(child->children().isEmpty());
}

void TestFormRegion::duplicateIsRejectedBeforeOwner()
{
    ShapedWindow shaped;
    QString caught;
    try {
        TFormRegion second(shaped.window.get());
    } catch (const EDuplicateComponent &error) {
        caught = error.message();
    }
    QCOMPARE(caught, QStringLiteral("Only one TFormRegion component on a form is allowed"));
    QCOMPARE(TFormRegion::ofWindow(shaped.window.get()), shaped.region);
    shaped.region->setRegion(QStringLiteral("R0,0,50,50"));
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
}

void TestFormRegion::evaluatesAtOnceOrAfterLoading_data()
{
    QTest::addColumn<bool>("loading");
    QTest::newRow("set later") << false;
    QTest::newRow("set while loading") << true;
}

void TestFormRegion::evaluatesAtOnceOrAfterLoading()
{
    QFETCH(bool, loading);
    ShapedWindow shaped;
    // Every evaluation of a missing name tells about it once.
    const QString text = QStringLiteral("R0,0,30,40\r\nTLT0,0,NOPE");
    if (loading)
        shaped.region->BeginLoading();
    shaped.region->setRegion(QStringLiteral("R0,0,10,10"));
    shaped.region->setRegion(text);
    QCOMPARE(m_notices.size(), loading ? 0 : 1);
    QCOMPARE(shaped.window->mask().isEmpty(), loading);
    if (loading) {
        shaped.window->resize(220, 120);
        QVERIFY(shaped.window->mask().isEmpty());
        shaped.region->EndLoading();
    }
    QCOMPARE(m_notices, QStringList {QStringLiteral("External region NOPE not found")});
    QCOMPARE(shaped.region->Region(), text);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 30, 40));
    shaped.window->resize(210, 110);
    shaped.window->resize(230, 130);
    QCOMPARE(m_notices.size(), 3);
}

void TestFormRegion::maskStaysWithoutAnOutline()
{
    ShapedWindow shaped;
    // An empty outline hides the whole window; it is no lack of a mask.
    shaped.region->setRegion(QStringLiteral("R0,0,0,0"));
    QVERIFY(!shaped.window->mask().isEmpty());
    QVERIFY(shaped.window->mask().intersected(shaped.window->rect()).isEmpty());
    // An empty text leaves the mask as it is, also through a resize.
    shaped.region->setRegion(QStringLiteral("R0,0,50,50"));
    shaped.region->setRegion(QString());
    QVERIFY(!shaped.region->builtRegion());
    shaped.window->resize(300, 300);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
    // So does a component that goes away.
    shaped.region->setRegion(RoundedWindow);
    const QRegion before = shaped.window->mask();
    delete shaped.region;
    shaped.window->resize(200, 100);
    QCOMPARE(shaped.window->mask(), before);
    QVERIFY(!TFormRegion::ofWindow(shaped.window.get()));
    new TFormRegion(shaped.window.get());
}

void TestFormRegion::outlineFollowsResize()
{
    ShapedWindow shaped;
    shaped.region->setRegion(RoundedWindow);
    for (const QSize size : {QSize(320, 250), QSize(120, 80), QSize(200, 100)}) {
        shaped.window->resize(size);
        const QRegion mask = shaped.window->mask();
        const QPoint last(size.width() - 1, size.height() - 1);
        QVERIFY(!mask.contains(QPoint(0, 0)) && !mask.contains(last));
        QVERIFY(mask.contains(QPoint(10, 10)) && mask.contains(last - QPoint(10, 10)));
        QVERIFY(mask.contains(QPoint(last.x() - 3, size.height() / 2)));
        QVERIFY(!mask.contains(QPoint(size.width(), size.height() / 2)));
    }
    QVERIFY(m_reports.isEmpty());
}

void TestFormRegion::sizeChangedHandlerKeepsItsText()
{
    ShapedWindow shaped;
    shaped.region->setRegion(RoundedWindow);
    int calls = 0;
    shaped.region->setOnSizeChanged([&](TFormRegion *sender, QString &text) {
        QCOMPARE(sender, shaped.region);
        QCOMPARE(text, calls == 0 ? RoundedWindow : QStringLiteral("R0,0,100,100"));
        ++calls;
        text = QStringLiteral("R0,0,100,100");
    });
    shaped.window->resize(250, 150);
    QCOMPARE(calls, 1);
    QCOMPARE(shaped.region->Region(), QStringLiteral("R0,0,100,100"));
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 100, 100));
    shaped.window->resize(260, 160);
    QCOMPARE(calls, 2);
}

void TestFormRegion::badTextRaisesAndKeepsMask_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown command") << QStringLiteral("U0,0,W,H,20,20\r\nQ1,2");
    QTest::newRow("division by zero") << QStringLiteral("R0,0,W/0,H");
}

void TestFormRegion::badTextRaisesAndKeepsMask()
{
    QFETCH(QString, text);
    ShapedWindow shaped;
    shaped.region->setRegion(RoundedWindow);
    const QRegion before = shaped.window->mask();
    QString raised;
    try {
        shaped.region->setRegion(text);
    } catch (const ETiloraError &error) {
        raised = error.message();
    }
    QVERIFY(!raised.isEmpty());
    QCOMPARE(shaped.region->Region(), text);
    QVERIFY(!shaped.region->builtRegion());
    QCOMPARE(shaped.window->mask(), before);

    shaped.window->resize(260, 160);
    QTRY_COMPARE(m_reports, QStringList {raised});
    QCOMPARE(shaped.window->mask(), before);
    QCOMPARE(shaped.window->size(), QSize(260, 160));
}

void TestFormRegion::clientDrag_data()
{
    QTest::addColumn<bool>("clientDrag");
    QTest::addColumn<QString>("pressOn");
    QTest::addColumn<bool>("moves");
    QTest::newRow("bare area") << true << "bare" << true;
    QTest::newRow("label") << true << "label" << true;
    QTest::newRow("button") << true << "button" << false;
    QTest::newRow("bare area, drag off") << false << "bare" << false;
    QTest::newRow("button, drag off") << false << "button" << false;
}

void TestFormRegion::clientDrag()
{
    QFETCH(bool, clientDrag);
    QFETCH(QString, pressOn);
    QFETCH(bool, moves);

    ShapedWindow shaped(QSize(300, 200));
    shaped.region->setClientDrag(clientDrag);
    auto *label = new QLabel(QStringLiteral("Text"), shaped.window.get());
    label->setGeometry(150, 20, 100, 30);
    auto *button = new QPushButton(QStringLiteral("Knopf"), shaped.window.get());
    button->setGeometry(120, 100, 150, 60);
    label->show();
    button->show();
    QSignalSpy clicks(button, &QPushButton::clicked);

    QPoint press(30, 150);
    if (pressOn == QLatin1String("label"))
        press = label->geometry().center();
    else if (pressOn == QLatin1String("button"))
        press = button->geometry().center();
    const QPoint start = shaped.window->pos();
    const QPoint delta(37, -21);
    QWindow *handle = shaped.window->windowHandle();
    const QPoint target = handle->mapToGlobal(press + delta);
    QTest::mousePress(handle, Qt::LeftButton, {}, press);
    QTest::mouseMove(handle, press + delta);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(target));

    QCOMPARE(shaped.window->pos(), moves ? start + delta : start);
    QCOMPARE(clicks.size(), pressOn == QLatin1String("button") ? 1 : 0);

    // After the release the window stays where it is.
    QTest::mouseMove(handle, press);
    QCOMPARE(shaped.window->pos(), moves ? start + delta : start);
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

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    TestFormRegion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_formregion.moc"
