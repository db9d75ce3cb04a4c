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
    void captionHeightsComeFromTheStyle();
    void languageErrors_data();
    void languageErrors();
    void arithmetic_data();
    void arithmetic();
    void noRegion_data();
    void noRegion();
    void rectanglesModesAndGroups_data();
    void rectanglesModesAndGroups();
    void ellipsesAndRoundedCorners_data();
    void ellipsesAndRoundedCorners();
    void roundedRectangleWithHole();
    void polygons_data();
    void polygons();
    void groupLimit_data();
    void groupLimit();
    void externalRegions_data();
    void externalRegions();
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

// The first pixel where two regions differ, looked for over both boxes and a margin.
QString firstDifference(const QRegion &actual, const QRegion &expected)
{
    const QRect both = actual.boundingRect().united(expected.boundingRect());
    const QRect area = both.adjusted(-2, -2, 2, 2);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (actual.contains(QPoint(x, y)) != expected.contains(QPoint(x, y)))
                return QStringLiteral("pixel %1,%2 differs").arg(x).arg(y);
        }
    }
    return QString();
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
    m_notices.clear();
    SetRegionNoticeHandler([this](const QString &message) { m_notices << message; });
}

void TestRegionExpression::cleanup()
{
    SetRegionNoticeHandler(nullptr);
    m_window.reset();
}

void TestRegionExpression::captionHeightsComeFromTheStyle()
{
    // Runs before any test sets the heights.
    QVERIFY(RegionCaptionHeights().normal > 0);
    QVERIFY(RegionCaptionHeights().tool > 0);
}

void TestRegionExpression::languageErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString params = QStringLiteral("Invalid number of parameters in line 1");
    QTest::newRow("R three values") << "R0,0,10" << params;
    QTest::newRow("R five values") << "R0,0,10,10,5" << params;
    QTest::newRow("E three values") << "E0,0,10" << params;
    QTest::newRow("U five values") << "U0,0,10,10,5" << params;
    QTest::newRow("L five values") << "L0,0,10,0,10" << params;
    QTest::newRow("L two points") << "L0,0,10,0" << params;
    QTest::newRow("W seven values") << "W0,0,10,0,10,10,5" << params;
    QTest::newRow("T without y") << "TCC100" << params;
    QTest::newRow("T without name") << "TCC100,50" << params;
    QTest::newRow("lone LF is no separator") << "R0,0,5,5\nR9,9,1,1" << params;
    QTest::newRow("lone CR is no separator") << "R0,0,5,5\rR9,9,1,1" << params;
    QTest::newRow("open parenthesis") << "R0,0,(5,10" << "')' expected in position 3 in line 1";
    QTest::newRow("in T") << "TCC1,(2 ,N" << "')' expected in position 3 in line 1";
    QTest::newRow("blank first") << "R0,0, 5,10" << "Syntax error in position 1 in line 1";
    QTest::newRow("empty value") << "R0,0,,10" << "Syntax error in position 1 in line 1";
    QTest::newRow("dangling plus") << "R0,0,5+,10" << "Syntax error in position 3 in line 1";
    QTest::newRow("no unary plus") << "R0,0,+5,10" << "Syntax error in position 1 in line 1";
    QTest::newRow("not a variable") << "R0,0,5*Z,10" << "Syntax error in position 3 in line 1";
    QTest::newRow("end of last value") << "R0,0,5,10-" << "Syntax error in position 4 in line 1";
    QTest::newRow("second line") << "R0,0,1,1\r\nR0,0,1, 1"
                                 << "Syntax error in position 1 in line 2";
    QTest::newRow("number over 32 bits") << "R0,0,4294967296,1"
                                         << "Syntax error in position 1 in line 1";
    QTest::newRow("hex over 32 bits") << "R0,0,1+0x100000000,1"
                                      << "Syntax error in position 3 in line 1";
    QTest::newRow("parentheses too deep") << "R0,0," + QString(300, u'(') + "1,1"
                                          << "Syntax error in position 257 in line 1";
    QTest::newRow("unknown") << "Q1,2" << "Unknown command in line 1";
    QTest::newRow("blank command") << " R0,0,1,1" << "Unknown command in line 1";
    QTest::newRow("empty lines count") << "R0,0,1,1\r\n\r\nQ" << "Unknown command in line 3";
    QTest::newRow("close first") << "}" << "'}' without '{' in line 1";
    QTest::newRow("close too often") << "{\r\n}\r\n}" << "'}' without '{' in line 3";
    QTest::newRow("T too short") << "TCC" << "Syntax error in line 1";
    QTest::newRow("T bad horizontal") << "TQT0,0,SHAPE" << "Syntax error in line 1";
    QTest::newRow("T bad vertical") << "TLL0,0,shape" << "Syntax error in line 1";
}

void TestRegionExpression::languageErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    new TestShape(m_window.get(), QStringLiteral("Shape"), QRegion(0, 0, 5, 5));
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
    QTest::newRow("precedence") << "2*3+4" << 10 << false;
    QTest::newRow("parentheses") << "2*(3+4)" << 14 << false;
    QTest::newRow("left to right") << "1-2-3" << -4 << false;
    QTest::newRow("division chain") << "100/10/5" << 2 << false;
    QTest::newRow("truncates") << "-7/2" << -3 << false;
    QTest::newRow("negative divisor") << "7/-2" << -3 << false;
    QTest::newRow("unary minus binds one factor") << "-2*3" << -6 << false;
    QTest::newRow("double minus") << "--5" << 5 << false;
    QTest::newRow("hex") << "0x10" << 16 << false;
    QTest::newRow("hex lower case") << "0x1f" << 31 << false;
    QTest::newRow("0xFFFFFFFF") << "0xFFFFFFFF" << -1 << false;
    QTest::newRow("add overflow") << "(2147483647+1)/65536" << -32768 << false;
    QTest::newRow("subtract overflow") << "(0-2147483647-2)/65536" << 32767 << false;
    QTest::newRow("multiply overflow") << "2147483647*2" << -2 << false;
    QTest::newRow("multiply to zero") << "65536*65536" << 0 << false;
    QTest::newRow("negate minimum") << "-(-2147483647-1)/65536" << -32768 << false;
    QTest::newRow("minimum over -1") << "(-2147483648/-1)/65536" << -32768 << false;
    // The window is a frameless 200 x 100 window; captions 23 and 17 pixels high.
    QTest::newRow("X") << "X" << 0 << false;
    QTest::newRow("C") << "C" << 0 << false;
    QTest::newRow("R") << "R" << 200 << false;
    QTest::newRow("B") << "B" << 100 << false;
    QTest::newRow("W") << "W" << 200 << false;
    QTest::newRow("H") << "H" << 100 << false;
    QTest::newRow("variables in lower case") << "h-w" << -100 << false;
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

void TestRegionExpression::noRegion_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty text") << "";
    QTest::newRow("only a mode") << "X";
    QTest::newRow("only empty lines") << "\r\n\r\n";
    QTest::newRow("shape in an open group") << "{\r\nR0,0,5,5";
    QTest::newRow("empty group") << "{\r\n}";
}

void TestRegionExpression::noRegion()
{
    QFETCH(QString, text);
    QVERIFY(!EvaluateRegion(text, *m_window));
}

void TestRegionExpression::rectanglesModesAndGroups_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRegion>("expected");
    const QRegion square(0, 0, 10, 10);
    const QRegion other(5, 5, 10, 10);
    QTest::newRow("box rule") << "R0,0,10,10" << square;
    QTest::newRow("reversed box") << "R10,10,0,0" << square;
    QTest::newRow("empty box is a shape") << "R5,5,5,10" << QRegion();
    QTest::newRow("whole window") << "R0,0,W,H" << QRegion(0, 0, 200, 100);
    QTest::newRow("client area") << "RX,C,R,B" << QRegion(0, 0, 200, 100);
    QTest::newRow("trailing text ignored") << "R0,0,10 5,10" << square;
    QTest::newRow("trailing parenthesis") << "R0,0,10),10" << square;
    QTest::newRow("lower case") << "r0,0,0xa,10" << square;
    QTest::newRow("text ending in CR LF") << "R0,0,10,10\r\n" << square;
    QTest::newRow("empty lines skipped") << "R0,0,10,10\r\n\r\nR5,5,15,15" << square.united(other);
    QTest::newRow("union by default") << "R0,0,10,10\r\nR5,5,15,15" << square.united(other);
    QTest::newRow("OR") << "R0,0,10,10\r\nA\r\nOR\r\nR5,5,15,15" << square.united(other);
    QTest::newRow("A") << "R0,0,10,10\r\nA\r\nR5,5,15,15" << square.intersected(other);
    QTest::newRow("AND") << "R0,0,10,10\r\nAND\r\nR5,5,15,15" << square.intersected(other);
    QTest::newRow("X") << "R0,0,10,10\r\nX\r\nR5,5,15,15" << square.xored(other);
    QTest::newRow("XOR") << "R0,0,10,10\r\nXOR\r\nR5,5,15,15" << square.xored(other);
    QTest::newRow("D") << "R0,0,10,10\r\nD\r\nR0,0,5,10" << QRegion(5, 0, 5, 10);
    QTest::newRow("DIFF") << "R0,0,10,10\r\nDIFF\r\nR5,5,15,15" << square.subtracted(other);
    QTest::newRow("first shape taken unchanged") << "D\r\nR0,0,10,10" << square;
    QTest::newRow("mode stays") << "R0,0,10,10\r\nD\r\nR0,0,2,10\r\nR8,0,10,10"
                                << QRegion(2, 0, 6, 10);
    QTest::newRow("group") << "R0,0,10,10\r\nD\r\n{\r\nR2,2,8,8\r\nA\r\nR0,0,5,10\r\n}"
                           << square.subtracted(QRegion(2, 2, 3, 6));
    QTest::newRow("group starts with union")
        << "R0,0,10,10\r\nA\r\n{\r\nR0,0,2,2\r\nR8,8,12,12\r\n}"
        << QRegion(0, 0, 2, 2).united(QRegion(8, 8, 2, 2));
    QTest::newRow("group first shape") << "{\r\nD\r\nR0,0,10,10\r\n}" << square;
    QTest::newRow("empty group changes nothing") << "R0,0,10,10\r\nD\r\n{\r\n}" << square;
    QTest::newRow("open group ignored")
        << "R10,10,20,20\r\n{\r\nR0,0,5,5" << QRegion(10, 10, 10, 10);
}

void TestRegionExpression::rectanglesModesAndGroups()
{
    QFETCH(QString, text);
    QFETCH(QRegion, expected);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    const QString difference = firstDifference(*region, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestRegionExpression::ellipsesAndRoundedCorners_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QSize>("corner");
    QTest::newRow("E") << "E0,0,40,30" << QRect(0, 0, 40, 30) << QSize(40, 30);
    QTest::newRow("E moved") << "E10,20,111,71" << QRect(10, 20, 101, 51) << QSize(101, 51);
    QTest::newRow("high score window")
        << "U0,0,340,340,34,34" << QRect(0, 0, 340, 340) << QSize(34, 34);
    QTest::newRow("U 288x286") << "U0,0,288,286,34,34" << QRect(0, 0, 288, 286) << QSize(34, 34);
    QTest::newRow("preview window")
        << "U0,0,300,300,18,18" << QRect(0, 0, 300, 300) << QSize(18, 18);
    QTest::newRow("small corners") << "U5,5,100,60,8,8" << QRect(5, 5, 95, 55) << QSize(8, 8);
    QTest::newRow("unequal corners")
        << "U0,0,200,90,60,20" << QRect(0, 0, 200, 90) << QSize(60, 20);
    QTest::newRow("negative corners")
        << "U0,0,50,40,-20,-20" << QRect(0, 0, 50, 40) << QSize(20, 20);
    QTest::newRow("corners larger than box")
        << "U0,0,50,40,100,100" << QRect(0, 0, 50, 40) << QSize(100, 100);
    QTest::newRow("tiny corners") << "U0,0,50,40,1,1" << QRect(0, 0, 50, 40) << QSize(1, 1);
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
    const QString difference = firstDifference(*holed, plain->subtracted(QRegion(40, 60, 50, 50)));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(!holed->contains(QPoint(40, 60)));
    QVERIFY(holed->contains(QPoint(39, 60)) && holed->contains(QPoint(40, 59)));
    QVERIFY(holed->contains(QPoint(90, 109)) && holed->contains(QPoint(89, 110)));
}

void TestRegionExpression::polygons_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRegion>("expected");
    const QPolygon triangle({QPoint(0, 0), QPoint(10, 0), QPoint(10, 10)});
    const QPolygon star(
        {QPoint(50, 0), QPoint(79, 90), QPoint(2, 35), QPoint(97, 35), QPoint(20, 90)});
    const QPolygon slanted({QPoint(3, 1), QPoint(40, 7), QPoint(33, 51), QPoint(-5, 30)});
    const QString starPoints = QStringLiteral("50,0,79,90,2,35,97,35,20,90");
    QTest::newRow("triangle") << "L0,0,10,0,10,10" << QRegion(triangle, Qt::OddEvenFill);
    // Even-odd leaves the star's centre open, winding fills it.
    QTest::newRow("star even-odd") << "L" + starPoints << QRegion(star, Qt::OddEvenFill);
    QTest::newRow("star winding") << "W" + starPoints << QRegion(star, Qt::WindingFill);
    QTest::newRow("slanted") << "W3,1,40,7,33,51,-5,30" << QRegion(slanted, Qt::WindingFill);
    QTest::newRow("flat") << "L0,5,10,5,20,5" << QRegion();
    // Self-crossing polygons with shared and collinear points, from a fixed pseudo-random
    // sequence.
    quint32 seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(range));
    };
    for (int i = 0; i < 60; ++i) {
        QPolygon polygon;
        QStringList values;
        for (int point = 3 + next(6); point > 0; --point) {
            polygon << QPoint(next(50) - 10, next(50) - 10);
            values << QString::number(polygon.last().x()) << QString::number(polygon.last().y());
        }
        const bool winding = i % 2 == 1;
        QTest::addRow("random %d", i)
            << QString(winding ? "W" : "L") + values.join(u',')
            << QRegion(polygon, winding ? Qt::WindingFill : Qt::OddEvenFill);
    }
}

// Qt's own polygon regions follow the same X11 scan conversion rule.
void TestRegionExpression::polygons()
{
    QFETCH(QString, text);
    QFETCH(QRegion, expected);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    const QString difference = firstDifference(*region, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestRegionExpression::groupLimit_data()
{
    QTest::addColumn<int>("groups");
    QTest::newRow("14 groups") << 14;
    QTest::newRow("15 groups") << 15;
}

void TestRegionExpression::groupLimit()
{
    QFETCH(int, groups);
    QStringList text;
    for (int i = 0; i < groups; ++i)
        text << QStringLiteral("{");
    text << QStringLiteral("R0,0,4,4");
    for (int i = 0; i < groups; ++i)
        text << QStringLiteral("}");
    try {
        const auto region = EvaluateRegion(lines(text), *m_window);
        QVERIFY(groups <= 14);
        QVERIFY(region);
        QCOMPARE(*region, QRegion(0, 0, 4, 4));
    } catch (const ECannotTranslate &error) {
        QVERIFY(groups > 14);
        QCOMPARE(error.message(), QStringLiteral("Too many brackets in line 15"));
    }
}

void TestRegionExpression::externalRegions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("reference");
    QTest::addColumn<QRegion>("expected");
    const QSize own(-1, -1);
    // The shape is the box 10,20,40,60.
    QTest::newRow("left top") << "TLT100,50,Shape" << own << QRegion(100, 50, 30, 40);
    QTest::newRow("right bottom") << "TRB100,50,shape" << own << QRegion(70, 10, 30, 40);
    QTest::newRow("centre") << "TCC100,50,SHAPE" << own << QRegion(85, 30, 30, 40);
    QTest::newRow("expressions") << "TLTW/2,H-10,shape" << own << QRegion(100, 90, 30, 40);
    QTest::newRow("reference width")
        << "TCT0,0,shape" << QSize(100, -1) << QRegion(-40, 0, 30, 40);
    QTest::newRow("reference height")
        << "TLB0,0,shape" << QSize(-1, 200) << QRegion(0, -180, 30, 40);
    QTest::newRow("combined") << "R0,0,300,300\r\nD\r\nTLT0,0,shape" << own
                              << QRegion(0, 0, 300, 300).subtracted(QRegion(0, 0, 30, 40));
    QTest::newRow("far away") << "TLT2147483647,0,shape" << own << QRegion();
}

void TestRegionExpression::externalRegions()
{
    QFETCH(QString, text);
    QFETCH(QSize, reference);
    QFETCH(QRegion, expected);
    new TestShape(m_window.get(), QStringLiteral("Other"), QRegion(0, 0, 1, 1));
    new TestShape(m_window.get(), QStringLiteral("Shape"), QRegion(10, 20, 30, 40), reference);
    const auto region = EvaluateRegion(text, *m_window);
    QVERIFY(region);
    QVERIFY(m_notices.isEmpty());
    const QString difference = firstDifference(*region, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
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
    QTest::newRow("literal") << "R0,0,1/0,1" << "Division by zero in line 1";
    QTest::newRow("computed") << "R0,0,1,1\r\nR0,0,W/(H-100),1" << "Division by zero in line 2";
    QTest::newRow("in T") << "TCC1/0,0,SHAPE" << "Division by zero in line 1";
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
    QTest::newRow("polygon") << QStringLiteral("L%1,%1,%2,%2,%1,%2").arg(min, max)
                             << QPoint(4, 5) << QPoint(5, 5);
    QTest::newRow("winding polygon") << "W0,0," + max + ",0," + max + "," + max + ",0," + max
                                     << QPoint(32767, 32767) << QPoint(-1, 0);
    QTest::newRow("ellipse") << "E" + min + "," + min + "," + max + "," + max
                             << QPoint(32767, -32768) << QPoint(-32769, 0);
    QTest::newRow("computed ellipse")
        << "E0,0,200000,200000" << QPoint(32767, 32767) << QPoint(20000, 32767);
    QTest::newRow("rounded") << QStringLiteral("U0,0,%1,%1,%1,100").arg(max)
                             << QPoint(30000, 60) << QPoint(30000, 0);
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
