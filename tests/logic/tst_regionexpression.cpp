#include "logic/RegionExpression.h"

#include <QPolygon>
#include <QTest>
#include <QTransform>

#include <cmath>

class TestRegionExpression : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void errors_data();
    void errors();
    void noRegion();
    void shapes_data();
    void shapes();
    void ellipsesAndRoundedCorners_data();
    void ellipsesAndRoundedCorners();
    void hugePolygon();
    void noticeDuringEvaluation();

private:
    std::optional<QRegion> evaluate(const QString &text);

    QStringList m_notices;
    bool m_windowAlive = true;
};

namespace {

// A 4 x 4 square inside the given number of nested groups.
QString nested(int groups)
{
    const QStringList text = QStringList(groups, "{") + QStringList {"R0,0,4,4"};
    return (text + QStringList(groups, "}")).join(QStringLiteral("\r\n"));
}

// The value of an expression as the one-pixel column at x = value.
QString column(const QString &expression)
{
    const QString e = "(" + expression + ")";
    return "R" + e + ",0," + e + "+1,1";
}

// Borders, a caption bar and a client area of 200 x 100, so that every variable differs.
const RegionVariables WindowVariables {4, 30, 7, 204, 130, 208, 134};

// Shape is the box 10,20,40,60, Wide measures from a 100 pixels wide box, Empty has no shape.
std::optional<ExternalShape> findShape(const QString &name)
{
    const QRegion box(10, 20, 30, 40);
    if (name == QStringLiteral("SHAPE"))
        return ExternalShape {box};
    if (name == QStringLiteral("WIDE"))
        return ExternalShape {box, QSize(100, -1)};
    if (name == QStringLiteral("EMPTY"))
        return ExternalShape {};
    return std::nullopt;
}

} // namespace

void TestRegionExpression::init()
{
    m_notices.clear();
    m_windowAlive = true;
    SetRegionNoticeHandler([this](const QString &message) { m_notices << message; });
}

void TestRegionExpression::cleanup()
{
    SetRegionNoticeHandler(nullptr);
}

std::optional<QRegion> TestRegionExpression::evaluate(const QString &text)
{
    return EvaluateRegion(text, WindowVariables, {findShape, [this] { return m_windowAlive; }});
}

void TestRegionExpression::errors_data()
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
    QTest::newRow("parentheses too deep") << "R0,0," + QString(300, u'(') + "1,1"
                                          << "Syntax error in position 257 in line 1";
    QTest::newRow("empty lines count") << "R0,0,1,1\r\n\r\nQ"
                                       << "Unknown command in line 3";
    QTest::newRow("close too often") << "{\r\n}\r\n}"
                                     << "'}' without '{' in line 3";
    QTest::newRow("15 groups") << nested(15) << "Too many brackets in line 15";
    QTest::newRow("division by zero") << "R0,0,1,1\r\nR0,0,W/(H-134),1"
                                      << "Division by zero in line 2";
}

void TestRegionExpression::errors()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    const bool division = message.startsWith(QStringLiteral("Division"));
    try {
        evaluate(text);
        QFAIL("no error");
    } catch (const ETiloraError &error) {
        QCOMPARE(error.message(), message);
        QCOMPARE(dynamic_cast<const EDivisionByZero *>(&error) != nullptr, division);
        QCOMPARE(dynamic_cast<const ECannotTranslate *>(&error) != nullptr, !division);
    }
}

void TestRegionExpression::noRegion()
{
    for (const char *text : {"", "X", "TCC0,0,EMPTY", "tcc100,50,abc"})
        QVERIFY(!evaluate(QString::fromLatin1(text)));
    QCOMPARE(m_notices, QStringList {"External region ABC not found"});
}

void TestRegionExpression::shapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRegion>("expected");
    const QRegion square(0, 0, 10, 10);
    const QRegion other(5, 5, 10, 10);
    const QString two = QStringLiteral("R0,0,10,10\r\n%1\r\nR5,5,15,15");
    QTest::newRow("precedence") << column("2*(3+4)-1") << QRegion(13, 0, 1, 1);
    QTest::newRow("truncates") << column("-7/2") << QRegion(-3, 0, 1, 1);
    QTest::newRow("0xFFFFFFFF") << column("0xFFFFFFFF") << QRegion(-1, 0, 1, 1);
    QTest::newRow("overflow wraps") << column("2147483647*2") << QRegion(-2, 0, 1, 1);
    QTest::newRow("minimum over -1")
        << column("(-2147483648/-1)/65536") << QRegion(-32768, 0, 1, 1);
    QTest::newRow("many minus signs")
        << column(QString(100001, u'-') + "5") << QRegion(-5, 0, 1, 1);
    QTest::newRow("reversed box") << "R10,10,0,0" << square;
    QTest::newRow("client area") << "RX,C,R,B" << QRegion(4, 30, 200, 100);
    QTest::newRow("caption and window") << "RY,Y,W,H" << QRegion(7, 7, 201, 127);
    QTest::newRow("trailing text ignored") << "r0,0,0xa 5,10" << square;
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
    QTest::newRow("14 groups") << nested(14) << QRegion(0, 0, 4, 4);
    QTest::newRow("open group ignored")
        << "R10,10,20,20\r\n{\r\nR0,0,5,5" << QRegion(10, 10, 10, 10);

    // Qt's polygon regions follow the same X11 scan conversion rule: a star, a flat polygon,
    // a bow tie with collinear points, triangles meeting at a point, a self-crossing polygon.
    for (const char *points :
        {"50,0,79,90,2,35,97,35,20,90", "0,5,10,5,20,5", "0,0,10,0,20,0,0,20,20,20",
            "-10,-10,10,-10,0,0,10,10,-10,10,0,0", "3,-7,31,22,-9,15,26,-4,8,30,12,5"}) {
        const QStringList values = QString::fromLatin1(points).split(u',');
        QPolygon polygon;
        for (qsizetype i = 0; i + 1 < values.size(); i += 2)
            polygon << QPoint(values[i].toInt(), values[i + 1].toInt());
        QTest::addRow("even-odd %s", points)
            << "L" + values.join(u',') << QRegion(polygon, Qt::OddEvenFill);
        QTest::addRow("winding %s", points)
            << "W" + values.join(u',') << QRegion(polygon, Qt::WindingFill);
    }

    // Shape is the box 10,20,40,60, placed by a corner or the centre of its box.
    QTest::newRow("T centre") << "TCC100,50,SHAPE" << QRegion(85, 30, 30, 40);
    QTest::newRow("T reference width") << "TCT0,0,wide" << QRegion(-40, 0, 30, 40);
    QTest::newRow("T left top") << "TLT0,0,shape" << QRegion(0, 0, 30, 40);
    QTest::newRow("T far away") << "TLT2147483647,0,shape" << QRegion();

    // Only the pixels a window can show are built.
    const QString huge = QStringLiteral("%1,%1,%2,%2").arg("-2147483647-1", "2147483647");
    const QRegion visible(-32768, -32768, 65536, 65536);
    QTest::newRow("huge rectangle") << "R" + huge << visible;
    QTest::newRow("huge ellipse") << "E" + huge << visible;
}

void TestRegionExpression::shapes()
{
    QFETCH(QString, text);
    QFETCH(QRegion, expected);
    const auto region = evaluate(text);
    QVERIFY(region);
    QVERIFY(m_notices.isEmpty());
    // Where the pixels differ.
    QCOMPARE(region->xored(expected).boundingRect(), QRect());
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
    QTest::newRow("small ellipse") << "E0,0,10,10" << QRect(0, 0, 10, 10) << QSize(10, 10);
    QTest::newRow("high score window")
        << "U0,0,340,340,34,34" << QRect(0, 0, 340, 340) << QSize(34, 34);
}

void TestRegionExpression::ellipsesAndRoundedCorners()
{
    QFETCH(QString, text);
    QFETCH(QRect, box);
    QFETCH(QSize, corner);
    const auto region = evaluate(text);
    QVERIFY(region);
    // Rounded shapes cover their box as a rectangle does, last column and row included.
    const QRect shape = box;
    QCOMPARE(region->boundingRect(), shape);
    const int mirrorX = shape.left() + shape.right() + 1;
    const int mirrorY = shape.top() + shape.bottom() + 1;
    QVERIFY(region->xored(QTransform(-1, 0, 0, 1, mirrorX, 0).map(*region)).isEmpty());
    QVERIFY(region->xored(QTransform(1, 0, 0, -1, 0, mirrorY).map(*region)).isEmpty());
    // The ideal corner ellipses decide, but for pixels within a pixel of their outline.
    const double width = std::min(shape.width(), corner.width());
    const double height = std::min(shape.height(), corner.height());
    for (int y = shape.top(); y <= shape.bottom(); ++y) {
        for (int x = shape.left(); x <= shape.right(); ++x) {
            // Offset from the centre of the nearest corner ellipse.
            const double px = x + 0.5 - shape.left();
            const double py = y + 0.5 - shape.top();
            const double dx = std::max(0.0, width / 2 - std::min(px, shape.width() - px));
            const double dy = std::max(0.0, height / 2 - std::min(py, shape.height() - py));
            const bool straight = dx == 0 || dy == 0;
            // Distance from the outline in pixels along the smaller radius.
            const double radius = std::hypot(dx / (width / 2), dy / (height / 2));
            const double pixels = (radius - 1) * std::min(width, height) / 2;
            if ((straight || std::abs(pixels) > 1)
                && region->contains(QPoint(x, y)) != (straight || pixels < 0))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

// Everything left of the diagonal y = x, as far as a window can show it.
void TestRegionExpression::hugePolygon()
{
    const QString text = QStringLiteral("L%1,%1,%2,%2,%1,%2").arg("-2147483647-1", "2147483647");
    const auto region = evaluate(text);
    QVERIFY(region);
    QCOMPARE(region->boundingRect(), QRect(-32768, -32767, 65535, 65535));
    QVERIFY(region->contains(QPoint(4, 5)) && !region->contains(QPoint(5, 5)));
}

void TestRegionExpression::noticeDuringEvaluation()
{
    // Evaluation goes on after the notice, and a nested evaluation leaves it alone.
    std::optional<QRegion> inner;
    SetRegionNoticeHandler(
        [&](const QString &) { inner = evaluate(QStringLiteral("R50,50,60,60")); });
    const QString text = QStringLiteral("R0,0,5,5\r\nTQQ0,0,NONE\r\nR5,5,10,10");
    const auto region = evaluate(text);
    QVERIFY(region && inner);
    QCOMPARE(*region, QRegion(0, 0, 5, 5).united(QRegion(5, 5, 5, 5)));
    QCOMPARE(*inner, QRegion(50, 50, 10, 10));

    // The window closed while the notice was open: nothing more to evaluate against.
    SetRegionNoticeHandler([this](const QString &) { m_windowAlive = false; });
    QVERIFY(!evaluate(text));

    // With no handler the notice goes to the log, and with no shapes every name is missing.
    SetRegionNoticeHandler(nullptr);
    QTest::ignoreMessage(QtWarningMsg, "External region SHAPE not found");
    const QString missing = QStringLiteral("TLT0,0,shape\r\nR0,0,5,5");
    QCOMPARE(EvaluateRegion(missing, WindowVariables).value_or(QRegion()), QRegion(0, 0, 5, 5));
}

QTEST_GUILESS_MAIN(TestRegionExpression)
#include "tst_regionexpression.moc"
