#include "logic/RegionExpression.h"

#include <QList>
#include <QStringView>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// Notes on the choices made here:
// - Every shape is clipped to the pixels -32768..32767 on both axes before it is built; no
//   window can show more, and clipping every operand the same way does not change the union,
//   intersection or differences inside that area. So huge coordinates cost no more than a
//   screen full of pixels.
// - Ellipses and rounded corners follow a midpoint walk (Zingl's ellipse rasteriser) and
//   cover their box exactly as a rectangle does: columns left..right-1 and rows top..bottom-1.
//   Very large corner ellipses (beyond any screen) are computed row by row from the ellipse
//   equation instead, so only the visible rows cost time.
// - Polygons are scan-converted at integer sample points as X11 and Win32 do: a pixel belongs
//   to the polygon when its top-left corner point lies inside (left and top edges inside,
//   right and bottom edges outside).
// - Numbers are read as unsigned 32-bit values and taken as two's complement, so 0xFFFFFFFF
//   is -1 and -2147483648 can be written; a number that does not fit in 32 bits is a syntax
//   error at its first character. All arithmetic wraps.
// - Empty lines are skipped (they still count for line numbers).

namespace {

constexpr int kMaxLevels = 15; // the whole text plus 14 open groups
constexpr int kMaxParenthesisDepth = 256;
constexpr int kMaxNumberLength = 255;
constexpr std::int64_t kVisibleMin = -32768;
constexpr std::int64_t kVisibleEnd = 32768; // exclusive
// Corner ellipses up to this size are walked exactly; larger ones use the ellipse equation.
constexpr std::int64_t kExactCornerLimit = 1 << 17;

RegionNoticeHandler g_noticeHandler;

QString inLine(const QString &detail, int line)
{
    return detail + QStringLiteral(" in line ") + QString::number(line);
}

[[noreturn]] void failInLine(const QString &detail, int line)
{
    throw ECannotTranslate(inLine(detail, line));
}

// Two's complement arithmetic without undefined behaviour.
std::int32_t wrap(std::uint32_t value)
{
    return static_cast<std::int32_t>(value);
}
std::int32_t wrappedAdd(std::int32_t a, std::int32_t b)
{
    return wrap(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrappedSubtract(std::int32_t a, std::int32_t b)
{
    return wrap(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t wrappedMultiply(std::int32_t a, std::int32_t b)
{
    return wrap(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
std::int32_t wrappedNegate(std::int32_t a)
{
    return wrap(0u - static_cast<std::uint32_t>(a));
}

std::int64_t clampVisible(std::int64_t value)
{
    return std::clamp(value, kVisibleMin, kVisibleEnd);
}

// The value of a variable letter, or none for any other character.
std::optional<std::int32_t> variableValue(const RegionVariables &variables, QChar letter)
{
    switch (letter.unicode()) {
    case 'X':
        return variables.x;
    case 'C':
        return variables.c;
    case 'Y':
        return variables.y;
    case 'R':
        return variables.r;
    case 'B':
        return variables.b;
    case 'W':
        return variables.w;
    case 'H':
        return variables.h;
    default:
        return std::nullopt;
    }
}

// Reads one argument: an expression by recursive descent over the piece of text, which is
// followed by one virtual blank.
class ExpressionReader
{
public:
    ExpressionReader(QStringView piece, int line, const RegionVariables &variables)
        : m_piece(piece)
        , m_line(line)
        , m_variables(variables)
    { }

    std::int32_t read() { return expression(); }

private:
    QChar current() const { return m_position < m_piece.size() ? m_piece[m_position] : u' '; }
    QString position() const { return QString::number(m_position + 1); }

    [[noreturn]] void syntaxError() const
    {
        failInLine(QStringLiteral("Syntax error in position ") + position(), m_line);
    }

    std::int32_t expression()
    {
        std::int32_t value = term();
        for (;;) {
            const QChar op = current();
            if (op == u'+') {
                ++m_position;
                value = wrappedAdd(value, term());
            } else if (op == u'-') {
                ++m_position;
                value = wrappedSubtract(value, term());
            } else {
                return value;
            }
        }
    }

    std::int32_t term()
    {
        std::int32_t value = factor();
        for (;;) {
            const QChar op = current();
            if (op == u'*') {
                ++m_position;
                value = wrappedMultiply(value, factor());
            } else if (op == u'/') {
                ++m_position;
                value = divide(value, factor());
            } else {
                return value;
            }
        }
    }

    std::int32_t divide(std::int32_t dividend, std::int32_t divisor) const
    {
        if (divisor == 0)
            throw EDivisionByZero(inLine(QStringLiteral("Division by zero"), m_line));
        // The one quotient that does not fit wraps like every other overflow.
        if (dividend == std::numeric_limits<std::int32_t>::min() && divisor == -1)
            return dividend;
        return dividend / divisor;
    }

    std::int32_t factor()
    {
        // A run of unary minus signs is counted rather than recursed, so that any number of
        // them costs no stack.
        bool negate = false;
        while (current() == u'-') {
            negate = !negate;
            ++m_position;
        }
        const std::int32_t value = operand();
        return negate ? wrappedNegate(value) : value;
    }

    std::int32_t operand()
    {
        const QChar c = current();
        if (c == u'(') {
            if (m_depth >= kMaxParenthesisDepth)
                syntaxError();
            ++m_depth;
            ++m_position;
            const std::int32_t value = expression();
            if (current() != u')')
                failInLine(QStringLiteral("')' expected in position ") + position(), m_line);
            ++m_position;
            --m_depth;
            return value;
        }
        if (c >= u'0' && c <= u'9')
            return number();
        if (const std::optional<std::int32_t> value = variableValue(m_variables, c)) {
            ++m_position;
            return *value;
        }
        syntaxError();
    }

    static int digitValue(QChar c, bool hexadecimal)
    {
        if (c >= u'0' && c <= u'9')
            return c.unicode() - u'0';
        if (hexadecimal && c >= u'A' && c <= u'F')
            return c.unicode() - u'A' + 10;
        return -1;
    }

    std::int32_t number()
    {
        const qsizetype start = m_position;
        const qsizetype limit = std::min(m_piece.size(), start + kMaxNumberLength);
        const bool hexadecimal = current() == u'0' && start + 2 < limit
            && m_piece[start + 1] == u'X' && digitValue(m_piece[start + 2], true) >= 0;
        const std::uint64_t base = hexadecimal ? 16 : 10;
        if (hexadecimal)
            m_position += 2;
        std::uint64_t value = 0;
        bool tooLarge = false;
        while (m_position < limit) {
            const int digit = digitValue(m_piece[m_position], hexadecimal);
            if (digit < 0)
                break;
            value = value * base + static_cast<std::uint64_t>(digit);
            if (value > std::numeric_limits<std::uint32_t>::max()) {
                tooLarge = true;
                value = 0;
            }
            ++m_position;
        }
        if (tooLarge) {
            m_position = start;
            syntaxError();
        }
        return wrap(static_cast<std::uint32_t>(value));
    }

    QStringView m_piece;
    qsizetype m_position = 0;
    int m_line;
    int m_depth = 0;
    const RegionVariables &m_variables;
};

// Collects rows of pixel spans from top to bottom and turns them into a QRegion, merging
// equal neighbouring rows into one band as QRegion itself would.
class RegionBuilder
{
public:
    using Span = std::pair<std::int64_t, std::int64_t>; // left, right (exclusive)

    // Adds rows top..bottom-1 (bottom exclusive), all with the same spans. Rows must come in
    // increasing order; spans sorted by left edge. Everything is clipped to the visible area.
    void addRows(std::int64_t top, std::int64_t bottom, const std::vector<Span> &spans)
    {
        top = clampVisible(top);
        bottom = clampVisible(bottom);
        if (top >= bottom)
            return;
        m_clipped.clear();
        for (const Span &span : spans) {
            const std::int64_t left = clampVisible(span.first);
            const std::int64_t right = clampVisible(span.second);
            if (left >= right)
                continue;
            if (!m_clipped.empty() && left <= m_clipped.back().second)
                m_clipped.back().second = std::max(m_clipped.back().second, right);
            else
                m_clipped.push_back({left, right});
        }
        if (m_clipped.empty())
            return;
        if (m_bandTop < m_bandBottom && m_bandBottom == top && m_clipped == m_bandSpans) {
            m_bandBottom = bottom;
            return;
        }
        flush();
        m_bandTop = top;
        m_bandBottom = bottom;
        std::swap(m_bandSpans, m_clipped);
    }

    void addRow(std::int64_t top, const std::vector<Span> &spans) { addRows(top, top + 1, spans); }

    QRegion region()
    {
        flush();
        QRegion result;
        if (!m_rects.empty())
            result.setRects(m_rects.data(), static_cast<int>(m_rects.size()));
        return result;
    }

private:
    void flush()
    {
        if (m_bandTop >= m_bandBottom)
            return;
        for (const Span &span : m_bandSpans) {
            m_rects.emplace_back(static_cast<int>(span.first), static_cast<int>(m_bandTop),
                static_cast<int>(span.second - span.first),
                static_cast<int>(m_bandBottom - m_bandTop));
        }
        m_bandTop = m_bandBottom = 0;
    }

    std::vector<QRect> m_rects;
    std::int64_t m_bandTop = 0;
    std::int64_t m_bandBottom = 0;
    std::vector<Span> m_bandSpans;
    std::vector<Span> m_clipped;
};

struct Box
{
    std::int64_t left, top, right, bottom;
};

// A box with its corners in the usual order, as Win32 accepts boxes given either way.
Box normalised(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Box box {left, top, right, bottom};
    if (box.left > box.right)
        std::swap(box.left, box.right);
    if (box.top > box.bottom)
        std::swap(box.top, box.bottom);
    return box;
}

QRegion rectangleRegion(const Box &box)
{
    RegionBuilder builder;
    builder.addRows(box.top, box.bottom, {{box.left, box.right}});
    return builder.region();
}

// How far a corner ellipse of the given size has moved in from the side, for each row of its
// lower half (index height/2 .. height-1; the upper half mirrors it). Zingl's midpoint walk
// along the quarter ellipse between the pixel centres 0..width-1 and 0..height-1.
std::vector<std::int64_t> walkedCornerInsets(std::int64_t width, std::int64_t height)
{
    std::vector<std::int64_t> insets(static_cast<std::size_t>(height), 0);
    const std::int64_t a = width - 1;
    const std::int64_t b = height - 1;
    const std::int64_t oddHeight = b % 2;
    std::int64_t stepX = 4 * b * b * (1 - a); // error change of a step inwards
    std::int64_t stepY = 4 * a * a * (1 + oddHeight); // error change of a step down
    std::int64_t error = stepX + stepY + a * a * oddHeight;
    std::int64_t inset = 0;
    std::int64_t row = height / 2;
    while (inset <= width / 2 && row < height - 1) {
        const std::int64_t twice = 2 * error;
        if (twice >= stepX) {
            ++inset;
            stepX += 8 * b * b;
            error += stepX;
        }
        if (twice <= stepY) {
            ++row;
            stepY += 8 * a * a;
            error += stepY;
            insets[static_cast<std::size_t>(row)] = inset;
        }
    }
    // A tall, narrow ellipse reaches its middle column before its last row; the rows left
    // form its tip, one or two columns wide.
    const std::int64_t tip = (width - 1) / 2;
    for (++row; row < height; ++row)
        insets[static_cast<std::size_t>(row)] = tip;
    return insets;
}

// The same quantity for corner ellipses too large to walk, from the ellipse equation: the
// ellipse's extent at the row's edge nearer the centre, rounded. It agrees with the walk to a
// few pixels, which cannot be told apart on ellipses this large.
std::int64_t computedCornerInset(std::int64_t width, std::int64_t height, std::int64_t row)
{
    const double semiX = (width - 1) / 2.0;
    const double semiY = (height - 1) / 2.0;
    const double dy = (row - 0.5 - semiY) / semiY;
    const double half = semiX * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    const double inset = std::ceil(semiX - half - 0.5);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(inset), 0, width / 2 + 1);
}

// A box with its corners rounded by quarter-ellipses of cornerWidth x cornerHeight (an ellipse
// is the case where the corners are as large as the box).
QRegion roundRectRegion(const Box &box, std::int64_t cornerWidth, std::int64_t cornerHeight)
{
    if (box.left == box.right || box.top == box.bottom)
        return QRegion();
    const std::int64_t width = std::min(box.right - box.left, std::abs(cornerWidth));
    const std::int64_t height = std::min(box.bottom - box.top, std::abs(cornerHeight));
    if (width < 2 || height < 2)
        return rectangleRegion(box);

    const bool walk = width <= kExactCornerLimit && height <= kExactCornerLimit;
    std::vector<std::int64_t> walked;
    if (walk)
        walked = walkedCornerInsets(width, height);
    const auto inset = [&](std::int64_t row) {
        return walk ? walked[static_cast<std::size_t>(row)]
                    : computedCornerInset(width, height, row);
    };

    RegionBuilder builder;
    std::vector<RegionBuilder::Span> span(1);
    const auto addRow = [&](std::int64_t y, std::int64_t row) {
        const std::int64_t in = inset(row);
        span[0] = {box.left + in, box.right - in};
        builder.addRow(y, span);
    };
    // Only rows inside the visible area are worth computing.
    const auto firstVisible = [](std::int64_t from) { return std::max(from, kVisibleMin); };
    const auto endVisible = [](std::int64_t end) { return std::min(end, kVisibleEnd); };

    const std::int64_t half = height / 2;
    // Upper corners: row i mirrors row height-1-i of the lower half.
    for (std::int64_t y = firstVisible(box.top); y < endVisible(box.top + half); ++y)
        addRow(y, height - 1 - (y - box.top));
    // The straight middle part.
    const std::int64_t lowerStart = box.bottom - height; // y of row index 0 of the lower half
    span[0] = {box.left, box.right};
    builder.addRows(box.top + half, lowerStart + half + 1, span);
    // Lower corners.
    for (std::int64_t y = firstVisible(lowerStart + half + 1); y < endVisible(box.bottom); ++y)
        addRow(y, y - lowerStart);
    return builder.region();
}

struct PolygonPoint
{
    std::int64_t x, y;
};

// Ceiling of numerator / denominator for a positive denominator.
std::int64_t ceilDivide(__int128 numerator, __int128 denominator)
{
    __int128 quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator > 0)
        ++quotient;
    const __int128 limit = std::numeric_limits<std::int64_t>::max() / 2;
    return static_cast<std::int64_t>(std::clamp(quotient, -limit, limit));
}

// Scan conversion with integer sample points: on scanline y an edge from (x0,y0) down to
// (x1,y1) is crossed when y0 <= y < y1, at x0 + (y-y0)(x1-x0)/(y1-y0); the pixels from the
// ceiling of one crossing up to (not including) the ceiling of the next are filled according
// to the fill rule.
QRegion polygonRegion(const std::vector<PolygonPoint> &points, Qt::FillRule rule)
{
    struct Edge
    {
        std::int64_t topX, topY, bottomX, bottomY;
        int direction; // +1 when the polygon runs downwards along it
    };
    std::vector<Edge> edges;
    edges.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PolygonPoint &from = points[i == 0 ? points.size() - 1 : i - 1];
        const PolygonPoint &to = points[i];
        if (from.y == to.y)
            continue;
        if (from.y < to.y)
            edges.push_back({from.x, from.y, to.x, to.y, 1});
        else
            edges.push_back({to.x, to.y, from.x, from.y, -1});
    }
    if (edges.empty())
        return QRegion();
    std::sort(
        edges.begin(), edges.end(), [](const Edge &a, const Edge &b) { return a.topY < b.topY; });

    std::int64_t top = edges.front().topY;
    std::int64_t bottom = top;
    for (const Edge &edge : edges)
        bottom = std::max(bottom, edge.bottomY);
    top = std::max(top, kVisibleMin);
    bottom = std::min(bottom, kVisibleEnd);

    RegionBuilder builder;
    std::vector<const Edge *> active;
    std::vector<std::pair<std::int64_t, int>> crossings;
    std::vector<RegionBuilder::Span> spans;
    std::size_t next = 0;
    for (std::int64_t y = top; y < bottom; ++y) {
        while (next < edges.size() && edges[next].topY <= y)
            active.push_back(&edges[next++]);
        std::erase_if(active, [y](const Edge *edge) { return edge->bottomY <= y; });
        crossings.clear();
        for (const Edge *edge : active) {
            const __int128 run
                = static_cast<__int128>(y - edge->topY) * (edge->bottomX - edge->topX);
            const std::int64_t x = edge->topX + ceilDivide(run, edge->bottomY - edge->topY);
            crossings.push_back({x, edge->direction});
        }
        std::sort(crossings.begin(), crossings.end());
        spans.clear();
        int winding = 0;
        for (std::size_t i = 0; i < crossings.size(); ++i) {
            const bool insideBefore = rule == Qt::OddEvenFill ? (i % 2) == 1 : winding != 0;
            winding += crossings[i].second;
            const bool insideAfter = rule == Qt::OddEvenFill ? (i % 2) == 0 : winding != 0;
            if (!insideBefore && insideAfter)
                spans.push_back({crossings[i].first, crossings[i].first});
            else if (insideBefore && !insideAfter)
                spans.back().second = crossings[i].first;
        }
        builder.addRow(y, spans);
    }
    return builder.region();
}

// Moves a shape by (dx, dy), dropping what would land outside the visible area.
QRegion movedRegion(const QRegion &shape, std::int64_t dx, std::int64_t dy)
{
    const QRect bounds = shape.boundingRect();
    const std::int64_t left = std::max<std::int64_t>(bounds.left(), kVisibleMin - dx);
    const std::int64_t top = std::max<std::int64_t>(bounds.top(), kVisibleMin - dy);
    const std::int64_t right = std::min<std::int64_t>(bounds.right(), kVisibleEnd - 1 - dx);
    const std::int64_t bottom = std::min<std::int64_t>(bounds.bottom(), kVisibleEnd - 1 - dy);
    if (shape.isEmpty() || left > right || top > bottom)
        return QRegion();
    const QRect keep(QPoint(static_cast<int>(left), static_cast<int>(top)),
        QPoint(static_cast<int>(right), static_cast<int>(bottom)));
    return shape.intersected(keep).translated(static_cast<int>(dx), static_cast<int>(dy));
}

enum class CombineMode { Union, Intersection, SymmetricDifference, Difference };

struct Level
{
    std::optional<QRegion> accumulator;
    CombineMode mode = CombineMode::Union;
    bool firstShape = true;
};

void combine(Level &level, QRegion shape)
{
    if (level.firstShape) {
        level.accumulator = std::move(shape);
        level.firstShape = false;
        return;
    }
    QRegion &accumulator = *level.accumulator;
    switch (level.mode) {
    case CombineMode::Union:
        accumulator = accumulator.united(shape);
        break;
    case CombineMode::Intersection:
        accumulator = accumulator.intersected(shape);
        break;
    case CombineMode::SymmetricDifference:
        accumulator = accumulator.xored(shape);
        break;
    case CombineMode::Difference:
        accumulator = accumulator.subtracted(shape);
        break;
    }
}

qsizetype countCommas(QStringView text)
{
    return std::count(text.begin(), text.end(), u',');
}

class Evaluator
{
public:
    Evaluator(const RegionVariables &variables, const ExternalRegions &externals)
        : m_variables(variables)
        , m_externals(externals)
    { }

    std::optional<QRegion> run(const QString &text)
    {
        QString upper = text;
        for (QChar &c : upper) {
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - ('a' - 'A'));
        }
        m_levels.emplace_back();
        const QStringView all(upper);
        qsizetype start = 0;
        for (;;) {
            const qsizetype end = all.indexOf(u"\r\n", start);
            const QStringView line = all.mid(start, end < 0 ? all.size() - start : end - start);
            if (!line.isEmpty() && !runLine(line))
                return std::nullopt; // the window went away while the notice was open
            if (end < 0)
                break;
            start = end + 2;
            ++m_line;
        }
        return m_levels.front().accumulator;
    }

private:
    std::int32_t evaluate(QStringView piece)
    {
        return ExpressionReader(piece, m_line, m_variables).read();
    }

    std::vector<std::int32_t> arguments(QStringView text, bool (*countIsValid)(qsizetype))
    {
        if (!countIsValid(countCommas(text)))
            failInLine(QStringLiteral("Invalid number of parameters"), m_line);
        std::vector<std::int32_t> values;
        for (QStringView piece : text.split(u','))
            values.push_back(evaluate(piece));
        return values;
    }

    bool runLine(QStringView line)
    {
        const QStringView rest = line.mid(1);
        std::optional<QRegion> shape;
        switch (line.front().unicode()) {
        case 'R': {
            const auto v = arguments(rest, [](qsizetype c) { return c == 3; });
            shape = rectangleRegion(normalised(v[0], v[1], v[2], v[3]));
            break;
        }
        case 'E': {
            const auto v = arguments(rest, [](qsizetype c) { return c == 3; });
            const Box box = normalised(v[0], v[1], v[2], v[3]);
            shape = roundRectRegion(box, box.right - box.left, box.bottom - box.top);
            break;
        }
        case 'U': {
            const auto v = arguments(rest, [](qsizetype c) { return c == 5; });
            shape = roundRectRegion(normalised(v[0], v[1], v[2], v[3]), v[4], v[5]);
            break;
        }
        case 'L':
        case 'W': {
            const auto v = arguments(rest, [](qsizetype c) { return c >= 5 && c % 2 == 1; });
            std::vector<PolygonPoint> points;
            for (std::size_t i = 0; i + 1 < v.size(); i += 2)
                points.push_back({v[i], v[i + 1]});
            const bool evenOdd = line.front() == u'L';
            shape = polygonRegion(points, evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
            break;
        }
        case 'T':
            if (!externalRegion(rest, shape))
                return false;
            break;
        case 'O':
            level().mode = CombineMode::Union;
            break;
        case 'A':
            level().mode = CombineMode::Intersection;
            break;
        case 'X':
            level().mode = CombineMode::SymmetricDifference;
            break;
        case 'D':
            level().mode = CombineMode::Difference;
            break;
        case '{':
            if (m_levels.size() >= kMaxLevels)
                failInLine(QStringLiteral("Too many brackets"), m_line);
            m_levels.emplace_back();
            break;
        case '}':
            if (m_levels.size() <= 1)
                failInLine(QStringLiteral("'}' without '{'"), m_line);
            shape = std::move(level().accumulator);
            m_levels.pop_back();
            break;
        default:
            failInLine(QStringLiteral("Unknown command"), m_line);
        }
        if (shape)
            combine(level(), std::move(*shape));
        return true;
    }

    // The T command: h v x,y,name. Returns false when the window is gone.
    bool externalRegion(QStringView text, std::optional<QRegion> &shape)
    {
        if (text.size() < 3)
            failInLine(QStringLiteral("Syntax error"), m_line);
        const QChar horizontal = text[0];
        const QChar vertical = text[1];
        QStringView rest = text.mid(2);
        std::int32_t xy[2] = {0, 0};
        for (std::int32_t &value : xy) {
            const qsizetype comma = rest.indexOf(u',');
            if (comma < 0)
                failInLine(QStringLiteral("Invalid number of parameters"), m_line);
            value = evaluate(rest.left(comma));
            rest = rest.mid(comma + 1);
        }
        const QString name = rest.toString();

        const std::optional<ExternalShape> found
            = m_externals.find ? m_externals.find(name) : std::nullopt;
        if (!found) {
            ShowRegionNotice(
                QStringLiteral("External region ") + name + QStringLiteral(" not found"));
            return !m_externals.windowAlive || m_externals.windowAlive();
        }

        const std::optional<QRegion> &own = found->shape;
        const QSize reference = found->reference;
        if (!own)
            return true;
        const QRect bounds = own->boundingRect();
        std::int64_t left = bounds.x();
        std::int64_t right = left + bounds.width();
        std::int64_t top = bounds.y();
        std::int64_t bottom = top + bounds.height();
        if (reference.width() != -1) {
            left = 0;
            right = reference.width();
        }
        if (reference.height() != -1) {
            top = 0;
            bottom = reference.height();
        }
        const std::int64_t dx = alignment(horizontal, u'L', u'R', xy[0], left, right);
        const std::int64_t dy = alignment(vertical, u'T', u'B', xy[1], top, bottom);
        shape = movedRegion(*own, dx, dy);
        return true;
    }

    std::int64_t alignment(QChar letter, QChar start, QChar end, std::int64_t target,
        std::int64_t low, std::int64_t high) const
    {
        if (letter == start)
            return target - low;
        if (letter == end)
            return target - high;
        if (letter == u'C')
            return target - (low + high) / 2;
        failInLine(QStringLiteral("Syntax error"), m_line);
    }

    Level &level() { return m_levels.back(); }

    const RegionVariables &m_variables;
    const ExternalRegions &m_externals;
    std::vector<Level> m_levels;
    int m_line = 1;
};

} // namespace

std::optional<QRegion> EvaluateRegion(
    const QString &text, const RegionVariables &variables, const ExternalRegions &externals)
{
    if (text.isEmpty())
        return std::nullopt;
    return Evaluator(variables, externals).run(text);
}

void SetRegionNoticeHandler(RegionNoticeHandler handler)
{
    g_noticeHandler = std::move(handler);
}

void ShowRegionNotice(const QString &message)
{
    if (g_noticeHandler)
        g_noticeHandler(message);
    else
        qWarning("%s", qUtf8Printable(message));
}
