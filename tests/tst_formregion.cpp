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
    void emptyTextLeavesMask();
    void emptyOutlineHidesWholeWindow();
    void outlineFollowsResize_data();
    void outlineFollowsResize();
    void sizeChangedHandlerKeepsItsText();
    void badTextRaisesAndKeepsMask_data();
    void badTextRaisesAndKeepsMask();
    void clientDrag_data();
    void clientDrag();
    void destroyedComponentLeavesMask();
    void externalRegionIsPlaced();
    void regionChangedReevaluates_data();
    void regionChangedReevaluates();
    void renameUpdatesText_data();
    void renameUpdatesText();
    void ownRegionCreatesOnce_data();
    void ownRegionCreatesOnce();
    void missingExternalNoticedAtEveryEvaluation();

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
    QTest::newRow("TFormRegion without owner") << false << false << formMessage;
    QTest::newRow("TFormRegion on a child") << false << true << formMessage;
    QTest::newRow("TExternalRegion without owner") << true << false << externalMessage;
    QTest::newRow("TExternalRegion on a child") << true << true << externalMessage;
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

    // A window that became a child fails both checks; the duplicate is named.
    QWidget parent;
    shaped.window->setParent(&parent);
    QVERIFY_THROWS_EXCEPTION(EDuplicateComponent, TFormRegion(shaped.window.get()));
    shaped.window->setParent(nullptr);
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
    QCOMPARE(m_notices.size(), 1);
    QCOMPARE(shaped.region->Region(), text);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 30, 40));
}

void TestFormRegion::emptyTextLeavesMask()
{
    ShapedWindow shaped;
    shaped.region->setRegion(QStringLiteral("R0,0,50,50"));
    shaped.region->setRegion(QString());
    QVERIFY(!shaped.region->builtRegion());
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
    shaped.window->resize(300, 300);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
}

void TestFormRegion::emptyOutlineHidesWholeWindow()
{
    ShapedWindow shaped;
    shaped.region->setRegion(QStringLiteral("R0,0,0,0"));
    QVERIFY(shaped.region->builtRegion());
    QVERIFY(!shaped.window->mask().isEmpty());
    QVERIFY(shaped.window->mask().intersected(shaped.window->rect()).isEmpty());
}

void TestFormRegion::outlineFollowsResize_data()
{
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("second");
    QTest::newRow("grow") << QSize(200, 100) << QSize(320, 250);
    QTest::newRow("shrink") << QSize(300, 200) << QSize(120, 80);
}

void TestFormRegion::outlineFollowsResize()
{
    QFETCH(QSize, first);
    QFETCH(QSize, second);
    ShapedWindow shaped(first);
    shaped.region->setRegion(RoundedWindow);
    for (const QSize size : {first, second, first}) {
        shaped.window->resize(size);
        const QRegion mask = shaped.window->mask();
        const int right = size.width() - 1;
        const int bottom = size.height() - 1;
        for (const QPoint corner :
            {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
            QVERIFY2(!mask.contains(corner),
                qPrintable(QStringLiteral("%1,%2 of %3x%4")
                               .arg(corner.x())
                               .arg(corner.y())
                               .arg(size.width())
                               .arg(size.height())));
        for (const QPoint inside : {QPoint(10, 10), QPoint(right - 10, bottom - 10),
                 QPoint(right - 3, size.height() / 2), QPoint(size.width() / 2, 0)})
            QVERIFY(mask.contains(inside));
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
    QTest::newRow("parameter count") << QStringLiteral("R0,0,10");
    QTest::newRow("syntax") << QStringLiteral("R0,0, 5,10");
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

void TestFormRegion::destroyedComponentLeavesMask()
{
    ShapedWindow shaped;
    shaped.region->setRegion(RoundedWindow);
    const QRegion before = shaped.window->mask();
    delete shaped.region;
    shaped.window->resize(300, 300);
    QCOMPARE(shaped.window->mask(), before);
    QVERIFY(!TFormRegion::ofWindow(shaped.window.get()));
    new TFormRegion(shaped.window.get());
}

void TestFormRegion::externalRegionIsPlaced()
{
    ShapedWindow shaped(QSize(300, 200));
    new TestShape(shaped.window.get(), QStringLiteral("ABC"), QRegion(5, 5, 20, 10));
    shaped.region->setRegion(QStringLiteral("tcc100,50,abc"));
    QCOMPARE(shaped.window->mask(), QRegion(90, 45, 20, 10));
}

void TestFormRegion::regionChangedReevaluates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("namedOneChanges");
    QTest::newRow("named in the text") << "XYZ" << true;
    QTest::newRow("named in other case") << "xYz" << true;
    QTest::newRow("not in the text") << "XYZ" << false;
}

void TestFormRegion::regionChangedReevaluates()
{
    QFETCH(QString, name);
    QFETCH(bool, namedOneChanges);
    ShapedWindow shaped(QSize(300, 200));
    auto *other = new TestShape(shaped.window.get(), QStringLiteral("ABC"), QRegion(0, 0, 5, 5));
    auto *named = new TestShape(shaped.window.get(), name, QRegion(0, 0, 10, 10));
    named->setOwnRegion(false);
    shaped.region->setRegion(QStringLiteral("TLT0,0,XYZ"));
    QCOMPARE(named->creations, 1);

    named->shape = QRegion(0, 0, 30, 20);
    if (namedOneChanges)
        named->RegionChanged();
    else
        other->RegionChanged();
    QCOMPARE(named->creations, namedOneChanges ? 2 : 1);
    QCOMPARE(shaped.window->mask(), namedOneChanges ? named->shape : QRegion(0, 0, 10, 10));
}

void TestFormRegion::renameUpdatesText_data()
{
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("notices");
    QTest::newRow("plain") << "ABC"
                           << "DEF"
                           << "TLT0,0,abc\r\nTLT40,0,ABC"
                           << "TLT0,0,DEF\r\nTLT40,0,DEF" << 0;
    QTest::newRow("new name contains old") << "AB"
                                           << "XABAB"
                                           << "TLT0,0,AB\r\nTLT40,0,aB"
                                           << "TLT0,0,XABAB\r\nTLT40,0,XABAB" << 0;
    QTest::newRow("not in the text, evaluated anyway") << "ABC"
                                                       << "DEF"
                                                       << "TLT0,0,GHI"
                                                       << "TLT0,0,GHI" << 2;
    QTest::newRow("no previous name, nothing happens") << ""
                                                       << "GHI"
                                                       << "TLT0,0,GHI"
                                                       << "TLT0,0,GHI" << 1;
}

void TestFormRegion::renameUpdatesText()
{
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(int, notices);
    ShapedWindow shaped(QSize(300, 200));
    auto *shape = new TestShape(shaped.window.get(), oldName, QRegion(0, 0, 10, 10));
    shaped.region->setRegion(text);
    shape->setName(newName);
    QCOMPARE(shape->objectName(), newName);
    QVERIFY(shape->previousName().isEmpty());
    QCOMPARE(shaped.region->Region(), expected);
    QCOMPARE(m_notices.size(), notices);
    if (notices == 0)
        QCOMPARE(shaped.window->mask(), QRegion(0, 0, 10, 10) + QRegion(40, 0, 10, 10));
}

void TestFormRegion::ownRegionCreatesOnce_data()
{
    QTest::addColumn<bool>("own");
    QTest::addColumn<int>("creations");
    QTest::newRow("kept") << true << 1;
    QTest::newRow("fresh every time") << false << 3;
}

void TestFormRegion::ownRegionCreatesOnce()
{
    QFETCH(bool, own);
    QFETCH(int, creations);
    ShapedWindow shaped(QSize(300, 200));
    auto *shape = new TestShape(shaped.window.get(), QStringLiteral("ABC"), QRegion(0, 0, 10, 10));
    shape->setOwnRegion(own);
    shaped.region->setRegion(QStringLiteral("TLT0,0,ABC"));
    shaped.window->resize(310, 200);
    shaped.region->setRegion(QStringLiteral("TLT20,0,ABC"));
    QCOMPARE(shape->creations, creations);
    QCOMPARE(shaped.window->mask(), QRegion(20, 0, 10, 10));
    // A changed shape is created anew either way.
    shape->RegionChanged();
    QCOMPARE(shape->creations, creations + 1);
}

void TestFormRegion::missingExternalNoticedAtEveryEvaluation()
{
    ShapedWindow shaped;
    shaped.region->setRegion(QStringLiteral("R0,0,50,50\r\nTCC100,50,ABC"));
    QCOMPARE(m_notices.size(), 1);
    QVERIFY(m_notices.first().contains(QStringLiteral("ABC")));
    shaped.window->resize(210, 110);
    shaped.window->resize(220, 120);
    QCOMPARE(m_notices.size(), 3);
    QCOMPARE(shaped.window->mask(), QRegion(0, 0, 50, 50));
}

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    TestFormRegion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_formregion.moc"
