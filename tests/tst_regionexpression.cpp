#include "region/FormRgn.h"
#include "region/RegionExpression.h"

#include <QPolygon>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <memory>

class TestRegionExpression : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void languageErrors_data();
    void languageErrors();
    void arithmetic_data();
    void arithmetic();
    void noRegion();
    void shapesModesAndGroups_data();
    void shapesModesAndGroups();
    void ellipsesAndRoundedCorners_data();
    void ellipsesAndRoundedCorners();
    void roundedRectangleWithHole();
    void groupLimit();
    void missingExternalRegionNotice();
    void windowClosedDuringNotice();
    void divisionByZero_data();
    void divisionByZero();
    void hugeInputsStayBounded_data();
    void hugeInputsStayBounded();
    void longTexts();

private:
    std::unique_ptr<QWidget> m_window;
    QStringList m_notices;
};

namespace {

QString lines(const QStringList &list)
{
    return list.join(QStringLiteral("\r\n"));
}

class TestShape : public TExternalRegion
{
public:
    TestShape(QWidget *owner, const QString &name, std::optional<QRegion> shape,
        QSize reference = QSize(-1, -1))
        : TExternalRegion(owner)
        , m_shape(std::move(shape))
        , m_reference(reference)
    {
        setObjectName(name);
    }
    std::optional<QRegion> CreateRegion() override { return m_shape; }
    QSize GetReferenceSize() const override { return m_reference; }

private:
    std::optional<QRegion> m_shape;
    QSize m_reference;
};

} // namespace

void TestRegionExpression::init()
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    m_window->resize(200, 100);
    // The external shape is the box 10,20,40,60; "Wide" measures from a 100 pixels wide box.
    new TestShape(m_window.get(), QStringLiteral("Other"), QRegion(0, 0, 1, 1));
    new TestShape(m_window.get(), QStringLiteral("Shape"), QRegion(10, 20, 30, 40));
    new TestShape(m_window.get(), QStringLiteral("Wide"), QRegion(10, 20, 30, 40), QSize(100, -1));
    m_notices.clear();
    SetRegionNoticeHandler([this](const QString &message) { m_notices << message; });
}

void TestRegionExpression::cleanup()
{
    SetRegionNoticeHandler(nullptr);
    m_window.reset();
}

void TestRegionExpression::languageErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString params = QStringLiteral("Invalid number of parameters in line 1");
    QTest::newRow("R three values") << "R0,0,10" << params;
    QTest::newRow("lone LF is no separator") << "R0,0,5,5\nR9,9,1,1" << params;
    QTest::newRow("open parenthesis") << "R0,0,(5,10"
                                      << "')' expected in position 3 in line 1";
    QTest::newRow("dangling plus") << "R0,0,5+,10"
                                   << "Syntax error in position 3 in line 1";
    QTest::newRow("second line") << "R0,0,1,1\r\nR0,0,1, 1"
                                 << "Syntax error in position 1 in line 2";
    QTest::newRow("parentheses too deep") << "R0,0," + QString(300, u'(') + "1,1"
                                          << "Syntax error in position 257 in line 1";
    QTest::newRow("empty lines count") << "R0,0,1,1\r\n\r\nQ"
                                       << "Unknown command in line 3";
    QTest::newRow("close too often") << "{\r\n}\r\n}"
                                     << "'}' without '{' in line 3";
}

void TestRegionExpression::languageErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        EvaluateRegion(text, *m_window);
        QFAIL("no error");
    } catch (const ECannotTranslate &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestRegionExpression::arithmetic_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("toolWindow");
    QTest::newRow("precedence") << "2*(3+4)-1" << 13 << false;
    QTest::newRow("truncates") << "-7/2" << -3 << false;
    QTest::newRow("0xFFFFFFFF") << "0xFFFFFFFF" << -1 << false;
    QTest::newRow("add overflow") << "(2147483647+1)/65536" << -32768 << false;
    QTest::newRow("multiply overflow") << "2147483647*2" << -2 << false;
    QTest::newRow("minimum over -1") << "(-2147483648/-1)/65536" << -32768 << false;
    // The window is a frameless 200 x 100 window; captions 23 and 17 pixels high.
    QTest::newRow("Y normal") << "Y" << -23 << false;
    QTest::newRow("Y tool window") << "Y" << -17 << true;
}

// The value shows as the one-pixel column R(v),0,(v)+1,1.
void TestRegionExpression::arithmetic()
{
    QFETCH(QString, expression);
    QFETCH(int, value);
    QFETCH(bool, toolWindow);
    SetRegionCaptionHeights({23, 17});
    if (toolWindow)
        m_window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    const QString e = "(" + expression + ")";
    const auto region = EvaluateRegion("R" + e + ",0," + e + "+1,1", *m_window);
    QVERIFY(region);
    QCOMPARE(region->boundingRect(), QRect(value, 0, 1, 1));
}

void TestRegionExpression::noRegion()
{
    for (const char *text : {"", "X", "{\r\nR0,0,5,5"})
        QVERIFY(!EvaluateRegion(QString::fromLatin1(text), *m_window));
}

void TestRegionExpression::shapesModesAndGroups_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRegion>("expected");
    const QRegion square(0, 0, 10, 10);
    const QRegion other(5, 5, 10, 10);
    const QString two = QStringLiteral("R0,0,10,10\r\n%1\r\nR5,5,15,15");
    QTest::newRow("reversed box") << "R10,10,0,0" << square;
    QTest::newRow("client area") << "RX,C,R,B" << QRegion(0, 0, 200, 100);
    QTest::newRow("trailing text ignored") << "r0,0,0xa 5,10" << square;
    QTest::newRow("union by default") << "R0,0,10,10\r\n\r\nR5,5,15,15" << square.united(other);
    QTest::newRow("O") << two.arg("A\r\nO") << square.united(other);
    QTest::newRow("A") << two.arg("A") << square.intersected(other);
    QTest::newRow("X") << two.arg("X") << square.xored(other);
    QTest::newRow("D") << two.arg("D") << square.subtracted(other);
    QTest::newRow("first shape taken unchanged") << "D\r\nR0,0,10,10" << square;
    QTest::newRow("mode stays") << "R0,0,10,10\r\nD\r\nR0,0,2,10\r\nR8,0,10,10"
                                << QRegion(2, 0, 6, 10);
    QTest::newRow("group") << "R0,0,10,10\r\nD\r\n{\r\nR2,2,8,8\r\nA\r\nR0,0,5,10\r\n}"
                           << square.subtracted(QRegion(2, 2, 3, 6));
    QTest::newRow("group starts with union")
        << "R0,0,10,10\r\nA\r\n{\r\nR0,0,2,2\r\nR8,8,12,12\r\n}"
        << QRegion(0, 0, 2, 2).united(QRegion(8, 8, 2, 2));
    QTest::newRow("open group ignored")
        << "R10,10,20,20\r\n{\r\nR0,0,5,5" << QRegion(10, 10, 10, 10);

    // Qt's own polygon regions follow the same X11 scan conversion rule. Even-odd leaves the
    // star's centre open, winding fills it.
    const QPolygon star(
        {QPoint(50, 0), QPoint(79, 90), QPoint(2, 35), QPoint(97, 35), QPoint(20, 90)});
    QTest::newRow("star even-odd")
        << "L50,0,79,90,2,35,97,35,20,90" << QRegion(star, Qt::OddEvenFill);
    QTest::newRow("star winding") << "W50,0,79,90,2,35,97,35,20,90"
                                  << QRegion(star, Qt::WindingFill);
    QTest::newRow("flat polygon") << "L0,5,10,5,20,5" << QRegion();
    // Self-crossing polygons with shared and collinear points, from a fixed pseudo-random
    // sequence.
    quint32 seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(range));
    };
    for (int i = 0; i < 12; ++i) {
        QPolygon polygon;
        QStringList values;
        for (int point = 3 + next(6); point > 0; --point) {
            polygon << QPoint(next(50) - 10, next(50) - 10);
            values << QString::number(polygon.last().x()) << QString::number(polygon.last().y());
        }
        const bool winding = i % 2 == 1;
        QTest::addRow("random polygon %d", i)
            << QString(winding ? "W" : "L") + values.join(u',')
            << QRegion(polygon, winding ? Qt::WindingFill : Qt::OddEvenFill);
    }

    // External shapes, placed by a corner or the centre of their box.
    QTest::newRow("T centre") << "TCC100,50,SHAPE" << QRegion(85, 30, 30, 40);
    QTest::newRow("T reference width") << "TCT0,0,wide" << QRegion(-40, 0, 30, 40);
    QTest::newRow("T combined") << "R0,0,300,300\r\nD\r\nTLT0,0,shape"
                                << QRegion(0, 0, 300, 300).subtracted(QRegion(0, 0, 30, 40));
    QTest::newRow("T far away") << "TLT2147483647,0,shape" << QRegion();
}

// Compared pixel by pixel over both boxes and a margin.
void TestRegionExpression::shapesModesAndGroups()
{
    QFETCH(QString, text);
    QFETCH(QRegion, expected);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    QVERIFY(m_notices.isEmpty());
    const QRect area
        = region->boundingRect().united(expected.boundingRect()).adjusted(-2, -2, 2, 2);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (region->contains(QPoint(x, y)) != expected.contains(QPoint(x, y)))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }
}

void TestRegionExpression::ellipsesAndRoundedCorners_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QSize>("corner");
    QTest::newRow("E moved") << "E10,20,111,71" << QRect(10, 20, 101, 51) << QSize(101, 51);
    QTest::newRow("unequal corners")
        << "U0,0,200,90,60,20" << QRect(0, 0, 200, 90) << QSize(60, 20);
    QTest::newRow("corners larger than box")
        << "U0,0,50,40,100,100" << QRect(0, 0, 50, 40) << QSize(100, 100);
}

// Checked against the ideal ellipses: the shape keeps inside box minus its right column and
// bottom row (Win32's rounded shapes), is symmetric, and agrees with the ideal corner
// ellipses wherever a pixel is more than a pixel away from their outline.
void TestRegionExpression::ellipsesAndRoundedCorners()
{
    QFETCH(QString, text);
    QFETCH(QRect, box);
    QFETCH(QSize, corner);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    const QRect shapeBox = box.adjusted(0, 0, -1, -1);
    const double width = std::min(shapeBox.width(), corner.width());
    const double height = std::min(shapeBox.height(), corner.height());
    const bool rounded = width >= 2 && height >= 2;
    const auto problemAt = [&](int x, int y) -> const char * {
        const bool inside = region->contains(QPoint(x, y));
        if (!shapeBox.contains(x, y))
            return inside ? "outside the box" : nullptr;
        const int mirroredX = shapeBox.left() + shapeBox.right() - x;
        const int mirroredY = shapeBox.top() + shapeBox.bottom() - y;
        if (inside != region->contains(QPoint(mirroredX, y))
            || inside != region->contains(QPoint(x, mirroredY)))
            return "not symmetric";
        // Distance from the centre of the nearest corner ellipse.
        const double px = x + 0.5 - shapeBox.left();
        const double py = y + 0.5 - shapeBox.top();
        const double dx = std::max(0.0, width / 2 - std::min(px, shapeBox.width() - px));
        const double dy = std::max(0.0, height / 2 - std::min(py, shapeBox.height() - py));
        if (!rounded || dx == 0 || dy == 0)
            return inside ? nullptr : "straight part missing";
        // Distance from the ellipse's outline in pixels along its smaller radius.
        const double radius = std::hypot(dx / (width / 2), dy / (height / 2));
        const double pixels = (radius - 1) * std::min(width, height) / 2;
        if (std::abs(pixels) > 1 && inside != (pixels < 0))
            return "corner";
        return nullptr;
    };
    for (int y = box.top() - 2; y <= box.bottom() + 2; ++y) {
        for (int x = box.left() - 2; x <= box.right() + 2; ++x) {
            if (const char *problem = problemAt(x, y))
                QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(problem).arg(x).arg(y)));
        }
    }
}

void TestRegionExpression::roundedRectangleWithHole()
{
    const auto plain = EvaluateRegion(QStringLiteral("U0,0,342,400,34,34"), *m_window);
    const auto holed
        = EvaluateRegion(lines({"U0,0,342,400,34,34", "X", "R40,60,90,110"}), *m_window);
    QVERIFY(plain && holed);
    QCOMPARE(*holed, plain->subtracted(QRegion(40, 60, 50, 50)));
    QVERIFY(!holed->contains(QPoint(40, 60)) && !holed->contains(QPoint(89, 109)));
    QVERIFY(holed->contains(QPoint(39, 60)) && holed->contains(QPoint(40, 59)));
    QVERIFY(holed->contains(QPoint(90, 109)) && holed->contains(QPoint(89, 110)));
}

void TestRegionExpression::groupLimit()
{
    // Fourteen groups deep are accepted, the fifteenth is one too many.
    for (const int groups : {14, 15}) {
        const QString text = lines(QStringList(groups, QStringLiteral("{")))
            + QStringLiteral("\r\nR0,0,4,4\r\n") + lines(QStringList(groups, QStringLiteral("}")));
        try {
            const auto region = EvaluateRegion(text, *m_window);
            QCOMPARE(groups, 14);
            QVERIFY(region && *region == QRegion(0, 0, 4, 4));
        } catch (const ECannotTranslate &error) {
            QCOMPARE(groups, 15);
            QCOMPARE(error.message(), QStringLiteral("Too many brackets in line 15"));
        }
    }
}

void TestRegionExpression::missingExternalRegionNotice()
{
    new TestShape(m_window.get(), QStringLiteral("Empty"), std::nullopt);
    QVERIFY(!EvaluateRegion(QStringLiteral("tcc100,50,abc"), *m_window));
    QCOMPARE(m_notices, QStringList {"External region ABC not found"});
    QVERIFY(!EvaluateRegion(QStringLiteral("TCC0,0,EMPTY"), *m_window));

    // Evaluation goes on after the notice, and a nested evaluation leaves it alone.
    std::optional<QRegion> nested;
    SetRegionNoticeHandler([&](const QString &) {
        nested = EvaluateRegion(QStringLiteral("R50,50,60,60"), *m_window);
    });
    const QString text = lines({"R0,0,5,5", "TQQ0,0,NONE", "R5,5,10,10"});
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region && nested);
    QCOMPARE(*region, QRegion(0, 0, 5, 5).united(QRegion(5, 5, 5, 5)));
    QCOMPARE(*nested, QRegion(50, 50, 10, 10));
}

void TestRegionExpression::windowClosedDuringNotice()
{
    SetRegionNoticeHandler([this](const QString &) { m_window.reset(); });
    QWidget &window = *m_window;
    QVERIFY(!EvaluateRegion(lines({"R0,0,5,5", "TCC0,0,NONE", "R0,0,W,H"}), window));
}

void TestRegionExpression::divisionByZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("literal") << "R0,0,1/0,1"
                             << "Division by zero in line 1";
    QTest::newRow("computed") << "R0,0,1,1\r\nR0,0,W/(H-100),1"
                              << "Division by zero in line 2";
}

void TestRegionExpression::divisionByZero()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        EvaluateRegion(text, *m_window);
        QFAIL("no error");
    } catch (const EDivisionByZero &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestRegionExpression::hugeInputsStayBounded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    const QString min = QStringLiteral("-2147483647-1");
    const QString max = QStringLiteral("2147483647");
    QTest::newRow("rectangle") << "R" + min + "," + min + "," + max + "," + max
                               << QPoint(-32768, 32767) << QPoint(32768, 0);
    // Everything left of the diagonal y = x.
    QTest::newRow("polygon") << QStringLiteral("L%1,%1,%2,%2,%1,%2").arg(min, max) << QPoint(4, 5)
                             << QPoint(5, 5);
    QTest::newRow("ellipse") << "E" + min + "," + min + "," + max + "," + max
                             << QPoint(32767, -32768) << QPoint(-32769, 0);
}

void TestRegionExpression::hugeInputsStayBounded()
{
    QFETCH(QString, text);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    QVERIFY(QRect(-32768, -32768, 65536, 65536).contains(region->boundingRect()));
    QVERIFY(region->contains(inside));
    QVERIFY(!region->contains(outside));
}

void TestRegionExpression::longTexts()
{
    // Ten thousand lines: columns side by side, every tenth one cut away again.
    QStringList text;
    for (int i = 0; i < 10000; ++i) {
        text << QStringLiteral("R%1,0,%2,1").arg(i).arg(i + 1);
        if (i % 10 == 9)
            text << QStringLiteral("D") << QStringLiteral("R%1,0,%2,1").arg(i).arg(i + 1)
                 << QStringLiteral("O");
    }
    QCOMPARE(text.size(), 13000);
    const auto region = EvaluateRegion(lines(text), *m_window);
    QVERIFY(region);
    QCOMPARE(region->boundingRect(), QRect(0, 0, 9999, 1));
    QVERIFY(region->contains(QPoint(9998, 0)) && !region->contains(QPoint(9989, 0)));
    QCOMPARE(region->rectCount(), 1000);

    const QString minuses(100000, u'-');
    const auto negated = EvaluateRegion("R0,0," + minuses + "5,1", *m_window);
    QVERIFY(negated);
    QCOMPARE(negated->boundingRect(), QRect(0, 0, 5, 1));
}

QTEST_MAIN(TestRegionExpression)
#include "tst_regionexpression.moc"
