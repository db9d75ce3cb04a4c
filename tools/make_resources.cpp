// Draws the program's own artwork and writes it under the given resources folder:
//   make_resources <repository>/resources
// Window frames, the two built-in pictures, the icon, the mouse pointers and the caption
// button pictures. Everything is drawn from code with a fixed seed, so running it again
// gives the same files.

#include "desktop/Resources.h"
#include "logic/PictureDecoding.h"
#include "support/JpegWriting.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;
// The test display's root colour: no resource may contain it, so that a test can tell the
// desktop showing through the window from the window's own pixels.
constexpr QRgb ForbiddenColour = qRgb(0x10, 0xE0, 0xB0);
constexpr QRgb Magenta = qRgb(0xFF, 0x00, 0xFF);

QDir g_root;
bool g_failed = false;

void fail(const QString &message)
{
    std::fprintf(stderr, "make_resources: %s\n", qPrintable(message));
    g_failed = true;
}

bool containsForbiddenColour(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qAlpha(line[x]) > 0 && (line[x] | 0xFF000000) == ForbiddenColour)
                return true;
        }
    }
    return false;
}

void writePng(const QString &relativePath, const QImage &image)
{
    const QString path = g_root.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    if (containsForbiddenColour(image))
        fail(relativePath + " contains the forbidden colour");
    if (!image.save(path, "PNG"))
        fail("cannot write " + path);
}

void writeJpeg(const QString &relativePath, const QImage &image, int quality)
{
    const QString path = g_root.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray data = EncodeJpeg(image, JpegEncoding {quality});
    QFile file(path);
    if (data.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        fail("cannot write " + path);
    const std::optional<QImage> decoded = DecodeJpeg(data, QSize());
    if (!decoded || decoded->size() != image.size())
        fail(relativePath + " does not decode to its size");
    else if (containsForbiddenColour(*decoded))
        fail(relativePath + " decodes to the forbidden colour");
    std::printf("%s: %lld bytes\n", qPrintable(relativePath), qlonglong(data.size()));
}

// Random numbers whose sequence does not depend on the standard library's distributions.
class Dice
{
public:
    explicit Dice(unsigned seed)
        : m_engine(seed)
    { }
    double unit() { return double(m_engine()) / 4294967296.0; }
    double between(double low, double high) { return low + (high - low) * unit(); }
    int whole(int low, int high) { return low + int(m_engine() % unsigned(high - low + 1)); }

private:
    std::mt19937 m_engine;
};

QColor grey(double value)
{
    const int level = std::clamp(int(std::lround(value)), 0, 255);
    return QColor(level, level, level);
}

// ---------------------------------------------------------------------------------------
// Window frames

// A bevelled ridge around a window of the given size, lit from the top left, with a thin
// dark line outside and inside. Outside the rounded outline (17-pixel corner radius, as the
// window outlines cut it) the picture is magenta, the colour the windows leave out.
// At scale 2 the ridge is drawn with twice the pixels; the outline stays in whole logical
// pixels, since the window's outline, scaled by the toolkit, is made of 2 × 2 blocks, and
// what lies inside a block but outside the finer arc gets the outer line's colour.
QImage renderFrame(QSize windowSize, int sideWidth, int capHeight, int scale)
{
    const int width = windowSize.width();
    const int height = windowSize.height();
    constexpr double Radius = 17.0;
    // The outlines are cut two pixels wider than the window, so the right-hand corners round
    // a little later; the strip between the two arcs gets the outer line's colour.
    constexpr double RegionWiden = 2.0;
    const QRect board(sideWidth, capHeight, width - 2 * sideWidth, height - 2 * capHeight);

    const auto outerDistance = [&](double px, double py, double widen) {
        const double left = Radius;
        const double right = width + widen - Radius;
        const double top = Radius;
        const double bottom = height - Radius;
        const double cx = px < left ? left : (px > right ? right : px);
        const double cy = py < top ? top : (py > bottom ? bottom : py);
        if (cx != px && cy != py)
            return Radius - std::hypot(px - cx, py - cy);
        return std::min({px, py, width - px, height - py});
    };
    const auto innerDistance = [&](double px, double py) {
        const double dx = std::max({board.left() - px, 0.0, px - (board.left() + board.width())});
        const double dy = std::max({board.top() - py, 0.0, py - (board.top() + board.height())});
        return std::hypot(dx, dy);
    };
    // Position across the ridge: 0 at the outline, 1 at the board.
    const auto across = [&](double px, double py) {
        const double outer = std::max(outerDistance(px, py, 0), 0.0);
        const double inner = innerDistance(px, py);
        return outer + inner > 0 ? outer / (outer + inner) : 1.0;
    };

    // Left out: the logical pixels whose centres lie outside both arcs.
    const auto leftOut = [&](int x, int y) {
        const double px = x / scale + 0.5;
        const double py = y / scale + 0.5;
        return outerDistance(px, py, 0) < 0 && outerDistance(px, py, RegionWiden) < 0;
    };

    QImage image(windowSize * scale, QImage::Format_RGB32);
    const double lightX = -std::sqrt(0.5);
    const double lightY = -std::sqrt(0.5);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double px = (x + 0.5) / scale;
            const double py = (y + 0.5) / scale;
            const double outer = outerDistance(px, py, 0);
            const double inner = innerDistance(px, py);
            if (inner <= 0) {
                line[x] = qRgb(73, 73, 73);
                continue;
            }
            if (leftOut(x, y)) {
                line[x] = Magenta;
                continue;
            }
            if (outer < 0) {
                line[x] = qRgb(30, 30, 30);
                continue;
            }
            if (outer < 1.0) {
                line[x] = qRgb(30, 30, 30);
                continue;
            }
            if (inner < 1.0) {
                line[x] = qRgb(38, 38, 38);
                continue;
            }
            // The ridge's slope faces outwards on its outer half and inwards on its inner
            // half; the side facing the light is brighter.
            const double u = across(px, py);
            const double gx = across(px + 0.5, py) - across(px - 0.5, py);
            const double gy = across(px, py + 0.5) - across(px, py - 0.5);
            const double length = std::hypot(gx, gy);
            const double facing = length > 0 ? -(gx * lightX + gy * lightY) / length : 0.0;
            const double slope = std::cos(Pi * u);
            const double shine
                = std::exp(-std::pow((u - 0.28) / 0.09, 2.0)) * std::max(facing, 0.0);
            const double value = 86 + 40 * slope * facing + 30 * shine - 10 * u;
            line[x] = grey(value).rgb();
        }
    }
    return image;
}

// The name of a picture stored at a scale: "name.png", "name@2x.png".
QString scaledName(const QString &name, int scale)
{
    return scale == 1 ? name + QStringLiteral(".png")
                      : QStringLiteral("%1@%2x.png").arg(name).arg(scale);
}

void writeFrameSet(
    const QString &folder, int sideWidth, int capHeight, int lowerLeftHeight, int scale)
{
    constexpr int Length = 32;
    const QSize windowSize(2 * sideWidth + 4 * Length, 2 * capHeight + 4 * Length);
    const QImage frame = renderFrame(windowSize, sideWidth, capHeight, scale);
    const int right = windowSize.width() - sideWidth;
    const int bottom = windowSize.height() - capHeight;
    const auto piece = [&](const char *name, QRect area) {
        const QRect scaled(area.topLeft() * scale, area.size() * scale);
        writePng(scaledName(QStringLiteral("frame/%1/%2").arg(folder, QLatin1String(name)), scale),
            frame.copy(scaled));
    };
    // Edges come from the middle of the sides, where every row or column is alike, so they
    // stretch without showing it.
    piece("linksoben", QRect(0, 0, sideWidth, capHeight));
    piece("rechtsoben", QRect(right, 0, sideWidth, capHeight));
    piece(
        "linksunten", QRect(0, windowSize.height() - lowerLeftHeight, sideWidth, lowerLeftHeight));
    piece("rechtsunten", QRect(right, bottom, sideWidth, capHeight));
    piece("mitteoben", QRect(sideWidth + Length, 0, Length, capHeight));
    piece("mitteunten", QRect(sideWidth + Length, bottom, Length, capHeight));
    piece("mittelinks", QRect(0, capHeight + Length, sideWidth, Length));
    piece("rechtsmitte", QRect(right, capHeight + Length, sideWidth, Length));
}

// ---------------------------------------------------------------------------------------
// "Motiv A": a landscape

QPainterPath hillPath(
    int width, int bottom, double base, double amplitude, double phase, double waves)
{
    QPainterPath path;
    path.moveTo(0, bottom);
    for (int x = 0; x <= width; x += 4) {
        const double t = double(x) / width;
        const double y = base - amplitude * std::sin(2 * Pi * waves * t + phase)
            - amplitude * 0.35 * std::sin(2 * Pi * waves * 2.7 * t + phase * 1.9);
        path.lineTo(x, y);
    }
    path.lineTo(width, bottom);
    path.closeSubpath();
    return path;
}

void drawCloud(QPainter &painter, Dice &dice, QPointF centre, double size)
{
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const QPointF offset(dice.between(-1.4, 1.4) * size, dice.between(-0.35, 0.25) * size);
        const double radius = size * dice.between(0.45, 0.8);
        QRadialGradient shade(centre + offset + QPointF(0, -radius * 0.3), radius * 1.2);
        shade.setColorAt(0, QColor(255, 255, 255, 235));
        shade.setColorAt(1, QColor(215, 225, 240, 200));
        painter.setBrush(shade);
        painter.drawEllipse(centre + offset, radius * 1.3, radius);
    }
}

void drawConifer(QPainter &painter, QPointF foot, double size, QColor colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 60, 35));
    painter.drawRect(
        QRectF(foot.x() - size * 0.08, foot.y() - size * 0.25, size * 0.16, size * 0.25));
    for (int level = 0; level < 3; ++level) {
        const double bottom = foot.y() - size * (0.18 + 0.25 * level);
        const double half = size * (0.38 - 0.09 * level);
        QPainterPath layer;
        layer.moveTo(foot.x() - half, bottom);
        layer.lineTo(foot.x() + half, bottom);
        layer.lineTo(foot.x(), bottom - size * 0.42);
        layer.closeSubpath();
        painter.setBrush(colour.darker(100 + 12 * level));
        painter.drawPath(layer);
    }
}

void drawLeafTree(QPainter &painter, QPointF foot, double size, QColor colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(100, 70, 40));
    painter.drawRect(
        QRectF(foot.x() - size * 0.07, foot.y() - size * 0.45, size * 0.14, size * 0.45));
    const QPointF crown(foot.x(), foot.y() - size * 0.7);
    QRadialGradient shade(crown + QPointF(-size * 0.15, -size * 0.15), size * 0.45);
    shade.setColorAt(0, colour.lighter(135));
    shade.setColorAt(1, colour.darker(125));
    painter.setBrush(shade);
    painter.drawEllipse(crown, size * 0.34, size * 0.36);
    painter.drawEllipse(crown + QPointF(-size * 0.2, size * 0.1), size * 0.2, size * 0.2);
    painter.drawEllipse(crown + QPointF(size * 0.2, size * 0.08), size * 0.22, size * 0.2);
}

void drawHouse(QPainter &painter, QPointF foot, double width, double height, QColor wall,
    QColor roof, QColor door)
{
    painter.setPen(QPen(wall.darker(160), 1));
    painter.setBrush(wall);
    const QRectF body(foot.x() - width / 2, foot.y() - height, width, height);
    painter.drawRect(body);
    QPainterPath roofPath;
    roofPath.moveTo(body.left() - width * 0.12, body.top());
    roofPath.lineTo(body.right() + width * 0.12, body.top());
    roofPath.lineTo(foot.x(), body.top() - height * 0.7);
    roofPath.closeSubpath();
    painter.setPen(QPen(roof.darker(150), 1));
    painter.setBrush(roof);
    painter.drawPath(roofPath);
    // Chimney, door and windows.
    painter.drawRect(
        QRectF(body.right() - width * 0.3, body.top() - height * 0.55, width * 0.1, height * 0.3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(door);
    painter.drawRect(
        QRectF(foot.x() - width * 0.1, foot.y() - height * 0.5, width * 0.2, height * 0.5));
    painter.setBrush(QColor(255, 236, 140));
    painter.setPen(QPen(QColor(60, 50, 40), 1));
    const double windowSize = std::min(width, height) * 0.22;
    painter.drawRect(
        QRectF(body.left() + width * 0.12, body.top() + height * 0.2, windowSize, windowSize));
    painter.drawRect(QRectF(body.right() - width * 0.12 - windowSize, body.top() + height * 0.2,
        windowSize, windowSize));
}

QImage drawMotifA()
{
    constexpr int Width = 600;
    constexpr int Height = 404;
    Dice dice(1604);
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 230);
    sky.setColorAt(0, QColor(38, 84, 170));
    sky.setColorAt(0.55, QColor(110, 160, 222));
    sky.setColorAt(1, QColor(236, 214, 180));
    painter.fillRect(image.rect(), sky);

    // Sun with rays.
    const QPointF sun(480, 78);
    painter.setPen(Qt::NoPen);
    for (int ray = 0; ray < 16; ++ray) {
        const double angle = ray * 2 * Pi / 16;
        QPainterPath beam;
        beam.moveTo(sun + QPointF(std::cos(angle - 0.07), std::sin(angle - 0.07)) * 44);
        beam.lineTo(sun + QPointF(std::cos(angle), std::sin(angle)) * (ray % 2 ? 70 : 88));
        beam.lineTo(sun + QPointF(std::cos(angle + 0.07), std::sin(angle + 0.07)) * 44);
        painter.setBrush(QColor(255, 214, 90, 170));
        painter.drawPath(beam);
    }
    QRadialGradient sunShade(sun + QPointF(-10, -10), 46);
    sunShade.setColorAt(0, QColor(255, 252, 200));
    sunShade.setColorAt(0.7, QColor(255, 200, 60));
    sunShade.setColorAt(1, QColor(245, 150, 40));
    painter.setBrush(sunShade);
    painter.drawEllipse(sun, 38, 38);

    drawCloud(painter, dice, QPointF(90, 60), 26);
    drawCloud(painter, dice, QPointF(300, 38), 20);
    drawCloud(painter, dice, QPointF(215, 120), 17);
    drawCloud(painter, dice, QPointF(560, 150), 14);

    // A striped balloon and a kite, so that the sky's tiles differ.
    painter.setPen(QPen(QColor(60, 40, 30), 1));
    const QRectF balloon(150, 20, 44, 54);
    const QColor balloonColours[]
        = {QColor(220, 40, 50), QColor(250, 210, 40), QColor(40, 90, 200), QColor(250, 250, 250)};
    QPainterPath envelope;
    envelope.addEllipse(balloon);
    painter.save();
    painter.setClipPath(envelope);
    for (int stripe = 0; stripe < 6; ++stripe) {
        painter.fillRect(QRectF(balloon.left() + stripe * balloon.width() / 6, balloon.top(),
                             balloon.width() / 6 + 1, balloon.height()),
            balloonColours[stripe % 4]);
    }
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(envelope);
    painter.drawLine(QPointF(160, 68), QPointF(165, 86));
    painter.drawLine(QPointF(184, 68), QPointF(179, 86));
    painter.setBrush(QColor(150, 100, 50));
    painter.drawRect(QRectF(163, 86, 18, 12));
    QPainterPath kite;
    kite.moveTo(380, 30);
    kite.lineTo(398, 52);
    kite.lineTo(380, 86);
    kite.lineTo(362, 52);
    kite.closeSubpath();
    painter.setBrush(QColor(230, 60, 160));
    painter.drawPath(kite);
    painter.drawLine(QPointF(362, 52), QPointF(398, 52));
    painter.drawLine(QPointF(380, 30), QPointF(380, 86));
    painter.setPen(QPen(QColor(80, 60, 60), 1));
    painter.drawPolyline(QPolygonF({QPointF(380, 86), QPointF(372, 100), QPointF(386, 112),
        QPointF(374, 126), QPointF(384, 140)}));
    // Birds.
    painter.setPen(QPen(QColor(40, 40, 60), 2));
    for (int bird = 0; bird < 6; ++bird) {
        const QPointF at(dice.between(250, 560), dice.between(100, 170));
        const double span = dice.between(5, 9);
        painter.drawPolyline(
            QPolygonF({at + QPointF(-span, -span * 0.5), at, at + QPointF(span, -span * 0.5)}));
    }

    // Mountains with snow.
    QPainterPath mountains;
    mountains.moveTo(0, 240);
    const double peaks[][2] = {{0, 200}, {70, 150}, {130, 185}, {210, 128}, {290, 180}, {360, 160},
        {430, 196}, {520, 146}, {600, 190}};
    for (const auto &peak : peaks)
        mountains.lineTo(peak[0], peak[1]);
    mountains.lineTo(600, 240);
    mountains.closeSubpath();
    QLinearGradient rock(0, 128, 0, 240);
    rock.setColorAt(0, QColor(120, 112, 160));
    rock.setColorAt(1, QColor(150, 150, 190));
    painter.setPen(Qt::NoPen);
    painter.setBrush(rock);
    painter.drawPath(mountains);
    painter.setBrush(QColor(245, 245, 252));
    for (const auto &peak : {QPointF(70, 150), QPointF(210, 128), QPointF(520, 146)}) {
        QPainterPath snow;
        snow.moveTo(peak);
        snow.lineTo(peak + QPointF(-16, 14));
        snow.lineTo(peak + QPointF(-6, 10));
        snow.lineTo(peak + QPointF(2, 16));
        snow.lineTo(peak + QPointF(9, 9));
        snow.lineTo(peak + QPointF(17, 13));
        snow.closeSubpath();
        painter.drawPath(snow);
    }

    // Three rows of hills, far to near.
    const QColor hillColours[] = {QColor(104, 160, 86), QColor(72, 138, 58), QColor(50, 112, 44)};
    const double hillBases[] = {222, 262, 318};
    for (int row = 0; row < 3; ++row) {
        QLinearGradient grass(0, hillBases[row] - 30, 0, Height);
        grass.setColorAt(0, hillColours[row].lighter(118));
        grass.setColorAt(1, hillColours[row].darker(130));
        painter.setBrush(grass);
        painter.drawPath(
            hillPath(Width, Height, hillBases[row], 12 + 6 * row, row * 1.7, 1.2 + 0.5 * row));
    }

    // A ploughed field on the far hill, in stripes.
    painter.save();
    painter.setClipPath(hillPath(Width, Height, 222, 12, 0, 1.2));
    for (int stripe = 0; stripe < 14; ++stripe) {
        painter.setBrush(stripe % 2 ? QColor(196, 160, 70) : QColor(150, 108, 54));
        QPainterPath band;
        band.moveTo(420 + stripe * 9, 205);
        band.lineTo(429 + stripe * 9, 205);
        band.lineTo(445 + stripe * 11, 250);
        band.lineTo(434 + stripe * 11, 250);
        band.closeSubpath();
        painter.drawPath(band);
    }
    painter.restore();

    // The river, from the mountains to the front.
    QPainterPath river;
    river.moveTo(300, 226);
    river.cubicTo(320, 260, 240, 280, 250, 310);
    river.cubicTo(262, 350, 180, 370, 170, 404);
    river.lineTo(300, 404);
    river.cubicTo(300, 370, 345, 340, 310, 305);
    river.cubicTo(285, 280, 330, 258, 308, 226);
    river.closeSubpath();
    QLinearGradient water(0, 226, 0, 404);
    water.setColorAt(0, QColor(150, 190, 235));
    water.setColorAt(1, QColor(40, 96, 190));
    painter.setBrush(water);
    painter.drawPath(river);
    painter.save();
    painter.setClipPath(river);
    painter.setPen(QPen(QColor(225, 240, 255), 2, Qt::SolidLine, Qt::RoundCap));
    for (int ripple = 0; ripple < 18; ++ripple) {
        const double y = 236 + ripple * 9.5;
        double left = Width;
        double right = 0;
        for (double x = 100; x < 400; x += 1) {
            if (river.contains(QPointF(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        const double length = std::min(dice.between(8, 16), (right - left) * 0.6);
        const double x = left + (right - left - length) * dice.unit();
        painter.drawLine(QPointF(x, y), QPointF(x + length, y));
    }
    painter.restore();

    // A wooden bridge.
    painter.setPen(QPen(QColor(80, 50, 25), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(222, 298, 110, 40), 0, 180 * 16);
    painter.setBrush(QColor(150, 96, 50));
    painter.drawRect(QRectF(222, 314, 110, 6));
    for (int post = 0; post < 7; ++post)
        painter.drawLine(QPointF(228 + post * 16, 314), QPointF(228 + post * 16, 304));

    // Houses on the hills.
    drawHouse(painter, QPointF(92, 262), 44, 30, QColor(240, 226, 190), QColor(176, 50, 40),
        QColor(110, 70, 40));
    drawHouse(painter, QPointF(150, 256), 30, 22, QColor(200, 120, 110), QColor(70, 60, 70),
        QColor(60, 40, 30));
    drawHouse(painter, QPointF(400, 270), 52, 34, QColor(170, 200, 230), QColor(60, 80, 150),
        QColor(90, 60, 40));
    drawHouse(painter, QPointF(470, 262), 36, 26, QColor(230, 190, 80), QColor(150, 40, 60),
        QColor(80, 50, 30));
    drawHouse(painter, QPointF(540, 318), 60, 40, QColor(250, 250, 240), QColor(190, 80, 30),
        QColor(40, 70, 120));

    // A church tower on the far hill.
    painter.setPen(QPen(QColor(70, 70, 80), 1));
    painter.setBrush(QColor(210, 205, 196));
    painter.drawRect(QRectF(34, 190, 14, 36));
    QPainterPath spire;
    spire.moveTo(32, 190);
    spire.lineTo(50, 190);
    spire.lineTo(41, 164);
    spire.closeSubpath();
    painter.setBrush(QColor(60, 110, 100));
    painter.drawPath(spire);

    // Trees, far ones small.
    const QColor leafColours[] = {QColor(40, 120, 40), QColor(90, 150, 40), QColor(210, 120, 30),
        QColor(180, 50, 30), QColor(60, 100, 30)};
    for (int tree = 0; tree < 26; ++tree) {
        const double y = dice.between(235, 395);
        double x = dice.between(8, 592);
        if (x > 160 && x < 330 && y > 250)
            x = x < 245 ? x - 90 : x + 90; // not in the river
        const double size = 14 + (y - 230) * 0.28;
        const QColor colour = leafColours[dice.whole(0, 4)];
        if (dice.unit() < 0.45)
            drawConifer(painter, QPointF(x, y), size * 1.3, QColor(30, 96, 50));
        else
            drawLeafTree(painter, QPointF(x, y), size, colour);
    }

    // A path to the big house, a fence and flowers at the front.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(214, 190, 140));
    QPainterPath track;
    track.moveTo(600, 360);
    track.cubicTo(560, 350, 530, 340, 530, 318);
    track.lineTo(548, 318);
    track.cubicTo(552, 336, 580, 342, 600, 344);
    track.closeSubpath();
    painter.drawPath(track);
    painter.setPen(QPen(QColor(120, 80, 40), 3));
    for (int post = 0; post < 9; ++post)
        painter.drawLine(
            QPointF(340 + post * 18, 372 - post * 2), QPointF(340 + post * 18, 392 - post * 2));
    painter.drawLine(QPointF(336, 378), QPointF(488, 362));
    painter.drawLine(QPointF(336, 386), QPointF(488, 370));
    const QColor flowerColours[] = {QColor(230, 30, 40), QColor(250, 220, 30),
        QColor(255, 255, 255), QColor(160, 60, 200), QColor(250, 130, 180)};
    painter.setPen(Qt::NoPen);
    for (int flower = 0; flower < 90; ++flower) {
        double x = dice.between(4, 596);
        const double y = dice.between(338, 400);
        if (x > 150 && x < 320)
            x = x < 235 ? x - 150 : x + 130;
        painter.setBrush(flowerColours[dice.whole(0, 4)]);
        painter.drawEllipse(QPointF(x, y), 2.6, 2.6);
        painter.setBrush(QColor(250, 200, 40));
        painter.drawEllipse(QPointF(x, y), 0.9, 0.9);
    }
    painter.end();
    return image;
}

// ---------------------------------------------------------------------------------------
// "Motiv B": an abstract composition

QPainterPath starPath(QPointF centre, double outer, double inner, int points, double turn)
{
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const double radius = i % 2 ? inner : outer;
        const double angle = turn + i * Pi / points - Pi / 2;
        const QPointF at = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        if (i == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    path.closeSubpath();
    return path;
}

QImage drawMotifB()
{
    constexpr int Width = 600;
    constexpr int Height = 450;
    Dice dice(4711);
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient ground(0, 0, Width, Height);
    ground.setColorAt(0, QColor(40, 20, 90));
    ground.setColorAt(0.45, QColor(150, 40, 110));
    ground.setColorAt(1, QColor(250, 150, 50));
    painter.fillRect(image.rect(), ground);

    // Checkered corner, bottom left, fading out towards the middle.
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 10 - row; ++column) {
            const bool dark = (row + column) % 2;
            const QRectF square(column * 18, Height - (row + 1) * 18, 18, 18);
            painter.fillRect(square, dark ? QColor(20, 20, 30) : QColor(245, 245, 235));
        }
    }

    // A band of diagonal stripes across the middle.
    painter.save();
    QPainterPath band;
    band.moveTo(0, 170);
    band.lineTo(Width, 90);
    band.lineTo(Width, 170);
    band.lineTo(0, 250);
    band.closeSubpath();
    painter.setClipPath(band);
    const QColor stripes[] = {QColor(250, 220, 40), QColor(30, 140, 220), QColor(240, 70, 50),
        QColor(250, 250, 250), QColor(110, 200, 60)};
    for (int stripe = -10; stripe < 60; ++stripe) {
        QPainterPath bar;
        bar.moveTo(stripe * 14, 80);
        bar.lineTo(stripe * 14 + 8, 80);
        bar.lineTo(stripe * 14 + 8 + 60, 260);
        bar.lineTo(stripe * 14 + 60, 260);
        bar.closeSubpath();
        painter.fillPath(bar, stripes[(stripe + 10) % 5]);
    }
    painter.restore();

    // A target of rings, top right.
    for (int ring = 7; ring >= 0; --ring) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ring % 2 ? QColor(255, 255, 255) : QColor(220, 30, 60));
        painter.drawEllipse(QPointF(520, 70), 8 + ring * 8, 8 + ring * 8);
    }

    // Polka dots, top left.
    painter.setBrush(QColor(255, 230, 120));
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 7; ++column)
            painter.drawEllipse(QPointF(16 + column * 24 + (row % 2) * 12, 16 + row * 22), 5, 5);
    }

    // Many overlapping circles in every colour.
    for (int circle = 0; circle < 70; ++circle) {
        const QPointF centre(dice.between(0, Width), dice.between(0, Height));
        const double radius = dice.between(8, 58);
        const QColor colour = QColor::fromHsv(
            dice.whole(0, 359), dice.whole(120, 255), dice.whole(130, 255), dice.whole(130, 230));
        painter.setPen(QPen(colour.darker(170), dice.between(1, 3)));
        QRadialGradient shade(centre - QPointF(radius, radius) * 0.35, radius * 1.3);
        shade.setColorAt(0, colour.lighter(150));
        shade.setColorAt(1, colour);
        painter.setBrush(shade);
        painter.drawEllipse(centre, radius, radius);
    }

    // Squares and triangles, turned.
    for (int shape = 0; shape < 18; ++shape) {
        painter.save();
        painter.translate(dice.between(20, 580), dice.between(20, 430));
        painter.rotate(dice.between(0, 90));
        const double size = dice.between(12, 34);
        const QColor colour = QColor::fromHsv(dice.whole(0, 359), 220, 230);
        painter.setPen(QPen(QColor(20, 20, 20), 2));
        painter.setBrush(colour);
        if (shape % 2) {
            painter.drawRect(QRectF(-size / 2, -size / 2, size, size));
        } else {
            painter.drawPolygon(QPolygonF({QPointF(0, -size * 0.6),
                QPointF(size * 0.55, size * 0.4), QPointF(-size * 0.55, size * 0.4)}));
        }
        painter.restore();
    }

    // Wavy lines.
    for (int wave = 0; wave < 4; ++wave) {
        QPainterPath path;
        const double base = 300 + wave * 30;
        for (int x = 180; x <= Width; x += 3) {
            const double y = base + 10 * std::sin(x * 0.05 + wave);
            if (x == 180)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        painter.setPen(
            QPen(QColor::fromHsv(40 + wave * 70, 200, 255), 4, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }

    // Stars on top.
    for (int star = 0; star < 16; ++star) {
        const QPointF centre(dice.between(15, 585), dice.between(15, 435));
        const double size = dice.between(9, 26);
        const QColor colours[] = {QColor(255, 240, 80), QColor(255, 255, 255),
            QColor(255, 150, 200), QColor(120, 220, 255)};
        painter.setPen(QPen(QColor(40, 20, 40), 1.5));
        painter.setBrush(colours[star % 4]);
        const int points = star % 3 ? 5 : 6;
        painter.drawPath(starPath(centre, size, size * 0.45, points, dice.between(0, 1)));
    }
    painter.end();
    return image;
}

// ---------------------------------------------------------------------------------------
// Icon: a 3 × 3 sliding puzzle with its bottom-right tile missing

// The icon at one size as shapes, so that the pictures and the scalable drawing agree: a
// rounded plate, then filled rectangles in the order they are painted. The small sizes have
// layouts of their own, so that every edge falls on whole pixels.
struct IconShapes
{
    QRectF plate;
    double corner = 0;
    double outlineWidth = 0; // none at 0
    std::vector<std::pair<QRect, QColor>> fills;
};

const QColor IconPlateColour(73, 73, 73);
const QColor IconOutlineColour(30, 30, 30);

IconShapes iconShapes(int size)
{
    struct Layout
    {
        int size, margin, gap, cell;
    };
    constexpr Layout Layouts[] = {{16, 1, 1, 4}, {32, 2, 2, 8}, {48, 3, 3, 12}, {64, 4, 4, 16},
        {96, 6, 3, 26}, {128, 8, 5, 34}, {256, 16, 10, 68}};
    Layout layout = Layouts[0];
    for (const Layout &candidate : Layouts) {
        if (candidate.size == size)
            layout = candidate;
    }
    const QColor palette[]
        = {QColor(230, 60, 50), QColor(245, 150, 40), QColor(245, 215, 50), QColor(110, 190, 60),
            QColor(40, 150, 220), QColor(90, 80, 210), QColor(200, 70, 180), QColor(240, 120, 150)};

    IconShapes shapes;
    const double inset = size > 16 ? std::max(0.5, size / 96.0) : 0;
    shapes.plate = QRectF(inset, inset, size - 2 * inset, size - 2 * inset);
    shapes.corner = size / 8.0;
    shapes.outlineWidth = size > 16 ? std::max(1.0, size / 48.0) : 0;
    for (int index = 0; index < 9; ++index) {
        const int column = index % 3;
        const int row = index / 3;
        const QRect cell(layout.margin + column * (layout.cell + layout.gap),
            layout.margin + row * (layout.cell + layout.gap), layout.cell, layout.cell);
        if (index == 8) {
            shapes.fills.emplace_back(cell, QColor(40, 40, 40));
            continue;
        }
        const QColor colour = palette[index];
        shapes.fills.emplace_back(cell, colour);
        if (size >= 32) {
            // A raised edge: light top and left, dark bottom and right.
            const int edge = std::max(1, layout.cell / 10);
            shapes.fills.emplace_back(
                QRect(cell.left(), cell.top(), cell.width(), edge), colour.lighter(150));
            shapes.fills.emplace_back(
                QRect(cell.left(), cell.top(), edge, cell.height()), colour.lighter(150));
            shapes.fills.emplace_back(
                QRect(cell.left(), cell.bottom() - edge + 1, cell.width(), edge),
                colour.darker(160));
            shapes.fills.emplace_back(
                QRect(cell.right() - edge + 1, cell.top(), edge, cell.height()),
                colour.darker(160));
        }
    }
    return shapes;
}

QImage drawIcon(int size)
{
    const IconShapes shapes = iconShapes(size);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, size > 16);
    painter.setPen(shapes.outlineWidth > 0 ? QPen(IconOutlineColour, shapes.outlineWidth)
                                           : QPen(Qt::NoPen));
    painter.setBrush(IconPlateColour);
    painter.drawRoundedRect(shapes.plate, shapes.corner, shapes.corner);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const auto &[rectangle, colour] : shapes.fills)
        painter.fillRect(rectangle, colour);
    painter.end();
    return image;
}

// The largest size as SVG, for the desktop's scalable icons. The tiles keep sharp edges, as
// in the pictures.
void writeIconSvg(const QString &relativePath, int size)
{
    const IconShapes shapes = iconShapes(size);
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                          "viewBox=\"0 0 %1 %1\">\n")
               .arg(size)
        << QStringLiteral("  <rect x=\"%1\" y=\"%1\" width=\"%2\" height=\"%2\" rx=\"%3\" "
                          "fill=\"%4\" stroke=\"%5\" stroke-width=\"%6\"/>\n")
               .arg(shapes.plate.x())
               .arg(shapes.plate.width())
               .arg(shapes.corner)
               .arg(IconPlateColour.name(), IconOutlineColour.name())
               .arg(shapes.outlineWidth)
        << "  <g shape-rendering=\"crispEdges\">\n";
    for (const auto &[rectangle, colour] : shapes.fills) {
        out << QStringLiteral("    <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                              "fill=\"%5\"/>\n")
                   .arg(rectangle.x())
                   .arg(rectangle.y())
                   .arg(rectangle.width())
                   .arg(rectangle.height())
                   .arg(colour.name());
    }
    out << "  </g>\n</svg>\n";
    out.flush();

    const QString path = g_root.filePath(relativePath);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(svg.toUtf8()) != svg.toUtf8().size())
        fail("cannot write " + path);
}

// ---------------------------------------------------------------------------------------
// Mouse pointers: white shapes with a black outline, pixel by pixel so they stay sharp. A
// shape is laid out in the 32 × 32 logical pixels of the pointer and drawn at a scale: at 2
// its outline is as thick as at 1, and the corners cut off the shape are cut more finely.

class PointerShape
{
public:
    explicit PointerShape(int scale)
        : m_scale(scale)
        , m_side(32 * scale)
        , m_white(m_side * m_side, false)
        , m_cut(m_side * m_side, false)
    { }

    int scale() const { return m_scale; }
    int side() const { return m_side; }

    // Logical pixels.
    void fillRect(int left, int top, int right, int bottom)
    {
        for (int y = top * m_scale; y < (bottom + 1) * m_scale; ++y) {
            for (int x = left * m_scale; x < (right + 1) * m_scale; ++x)
                setPixel(x, y, true);
        }
    }
    // A corner cut off the shape.
    void clear(int x, int y)
    {
        for (int dy = 0; dy < m_scale; ++dy) {
            for (int dx = 0; dx < m_scale; ++dx) {
                setPixel(x * m_scale + dx, y * m_scale + dy, false);
                if (inside(x * m_scale + dx, y * m_scale + dy))
                    m_cut[(y * m_scale + dy) * m_side + x * m_scale + dx] = true;
            }
        }
    }
    void set(int x, int y, bool white)
    {
        for (int dy = 0; dy < m_scale; ++dy) {
            for (int dx = 0; dx < m_scale; ++dx)
                setPixel(x * m_scale + dx, y * m_scale + dy, white);
        }
    }

    // Device pixels.
    void setPixel(int x, int y, bool white)
    {
        if (inside(x, y))
            m_white[y * m_side + x] = white;
    }
    bool isWhite(int x, int y) const { return inside(x, y) && m_white[y * m_side + x]; }

    // Every pixel next to the white shape becomes part of its black outline.
    QImage image(QColor glass = Qt::transparent,
        const std::vector<bool> &glassArea = std::vector<bool>()) const
    {
        const std::vector<bool> white = finerCorners();
        const auto isWhiteAt = [&](int x, int y) {
            return inside(x, y) && white[y * m_side + x];
        };
        // At scale 1 the eight neighbours; at 2 a rounded reach of two pixels.
        const int reach = m_scale;
        const int reachSquared = m_scale * m_scale + 1;
        QImage result(m_side, m_side, QImage::Format_ARGB32);
        result.fill(Qt::transparent);
        for (int y = 0; y < m_side; ++y) {
            for (int x = 0; x < m_side; ++x) {
                if (isWhiteAt(x, y)) {
                    result.setPixel(x, y, qRgb(255, 255, 255));
                    continue;
                }
                bool touches = false;
                for (int dy = -reach; dy <= reach && !touches; ++dy) {
                    for (int dx = -reach; dx <= reach && !touches; ++dx)
                        touches = dx * dx + dy * dy <= reachSquared && isWhiteAt(x + dx, y + dy);
                }
                if (touches)
                    result.setPixel(x, y, qRgb(0, 0, 0));
                else if (!glassArea.empty() && glassArea[y * m_side + x])
                    result.setPixel(x, y, glass.rgba());
            }
        }
        return result;
    }

private:
    bool inside(int x, int y) const { return x >= 0 && x < m_side && y >= 0 && y < m_side; }

    // A cut corner, drawn with more pixels, keeps those of its pixels that lie between two of
    // the shape's: the step becomes a diagonal.
    std::vector<bool> finerCorners() const
    {
        std::vector<bool> white = m_white;
        if (m_scale == 1)
            return white;
        for (int y = 0; y < m_side; ++y) {
            for (int x = 0; x < m_side; ++x) {
                if (!m_cut[y * m_side + x] || m_white[y * m_side + x])
                    continue;
                const int neighbours = isWhite(x - 1, y) + isWhite(x + 1, y) + isWhite(x, y - 1)
                    + isWhite(x, y + 1);
                if (neighbours >= 2)
                    white[y * m_side + x] = true;
            }
        }
        return white;
    }

    int m_scale;
    int m_side;
    std::vector<bool> m_white;
    std::vector<bool> m_cut;
};

// A hand pointing up; the fingertip's outline lies at (10, fingerTop - 1).
PointerShape handShape(int fingerTop, int scale)
{
    PointerShape hand(scale);
    // Index finger, rounded at the top.
    hand.fillRect(9, fingerTop, 12, 17);
    hand.clear(9, fingerTop);
    hand.clear(12, fingerTop);
    // Folded fingers, a gap between each, which the outline turns into a line.
    hand.fillRect(14, 10, 17, 18);
    hand.clear(14, 10);
    hand.clear(17, 10);
    hand.fillRect(19, 11, 22, 18);
    hand.clear(19, 11);
    hand.clear(22, 11);
    hand.fillRect(24, 13, 26, 18);
    hand.clear(26, 13);
    // Thumb, lying against the index finger on the left.
    hand.fillRect(3, 15, 7, 19);
    hand.clear(3, 15);
    hand.fillRect(5, 20, 8, 21);
    // Palm, narrowing to the wrist.
    hand.fillRect(8, 19, 26, 22);
    hand.fillRect(9, 23, 25, 24);
    hand.fillRect(10, 25, 24, 25);
    // Cuff, apart from the palm.
    hand.fillRect(11, 27, 23, 30);
    return hand;
}

// The hot spot's pixel of a picture at a scale: the first of its device pixels.
QPoint scaledHotSpot(const QString &pointer, int scale)
{
    return PointerHotSpot(pointer) * scale;
}

QImage drawFinger(bool pressing, int scale)
{
    const QString name = pressing ? QStringLiteral("FINGER2") : QStringLiteral("FINGER1");
    const QPoint hotSpot = PointerHotSpot(name);
    PointerShape hand = handShape(hotSpot.y() + 1, scale);
    if (pressing) {
        // Short strokes beside the fingertip: the press.
        const int y = hotSpot.y() + 2;
        hand.fillRect(3, y, 5, y);
        hand.fillRect(16, y, 18, y);
    }
    const QImage image = hand.image();
    if (qAlpha(image.pixel(scaledHotSpot(name, scale))) != 255)
        fail("the finger's hot spot is not on its tip");
    return image;
}

QImage drawMagnifier(int scale)
{
    const QPoint hotSpot = PointerHotSpot(QStringLiteral("LUPE"));
    const QPointF centre(hotSpot.x() + 0.5, hotSpot.y() + 0.5);
    PointerShape lens(scale);
    const int side = lens.side();
    std::vector<bool> glass(side * side, false);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            // The pixel's centre in logical pixels.
            const double px = (x + 0.5) / scale;
            const double py = (y + 0.5) / scale;
            const double distance = std::hypot(px - centre.x(), py - centre.y());
            if (distance >= 7.5 && distance <= 9.8)
                lens.setPixel(x, y, true);
            glass[y * side + x] = distance < 7.5;
            // The handle, from the rim down to the right.
            const double t
                = std::clamp(((px - centre.x()) + (py - centre.y())) / 2.0, 8.5, 14.5);
            const double along = std::hypot(px - centre.x() - t, py - centre.y() - t);
            if (along <= 2.3)
                lens.setPixel(x, y, true);
        }
    }
    // A glint on the glass.
    for (const QPoint &at : {QPoint(-4, -2), QPoint(-4, -3), QPoint(-3, -4), QPoint(-2, -4)})
        lens.set(hotSpot.x() + at.x(), hotSpot.y() + at.y(), true);
    return lens.image(QColor(200, 225, 255, 70), glass);
}

// ---------------------------------------------------------------------------------------
// Caption button pictures, on black (the button leaves the black out)

QRgb level(char shade)
{
    int value = 0;
    switch (shade) {
    case 'W':
        value = 255;
        break;
    case 'L':
        value = 210;
        break;
    case 'M':
        value = 160;
        break;
    case 'D':
        value = 110;
        break;
    default:
        value = 0;
        break;
    }
    return qRgb(value, value, value);
}

QImage pixelArt(const std::vector<const char *> &rows)
{
    const int height = int(rows.size());
    const int width = int(std::strlen(rows.front()));
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, level(rows[y][x]));
    }
    return image;
}

// The sign of straight lines is as sharp at twice the size with every pixel doubled.
QImage drawGridSign(int scale)
{
    const QImage sign = pixelArt({
        "..........",
        "...W..W...",
        "...W..W...",
        ".WWWWWWWW.",
        "...W..W...",
        "...W..W...",
        ".WWWWWWWW.",
        "...W..W...",
        "...W..W...",
        "..........",
    });
    return sign.scaled(sign.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage drawMagnifierSign(int scale)
{
    if (scale == 1) {
        return pixelArt({
            "............",
            "...LLL......",
            "..LDDDL.....",
            ".LDWDDDL....",
            ".LDDDDDL....",
            ".LDDDDDL....",
            "..LDDDL.....",
            "...LLLMM....",
            ".......MM...",
            "........MM..",
            ".........MM.",
            "............",
        });
    }
    // The same lens, rim, glint and handle, with a round rim and a straight handle.
    QImage image(12 * scale, 12 * scale, QImage::Format_RGB32);
    const QPointF centre(4.5, 4.5);
    const QPointF handleStart(6.9, 7.4);
    const QPointF handleEnd(10.9, 10.9);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPointF p((x + 0.5) / scale, (y + 0.5) / scale);
            const double distance = std::hypot(p.x() - centre.x(), p.y() - centre.y());
            const QPointF along = handleEnd - handleStart;
            const double t = std::clamp(QPointF::dotProduct(p - handleStart, along)
                    / QPointF::dotProduct(along, along),
                0.0, 1.0);
            const QPointF nearest = handleStart + t * along;
            const double fromHandle = std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
            char shade = '.';
            if (std::hypot(p.x() - 3.5, p.y() - 3.5) < 0.75)
                shade = 'W';
            else if (distance < 2.9)
                shade = 'D';
            else if (distance <= 3.9)
                shade = 'L';
            else if (fromHandle <= 0.75)
                shade = 'M';
            image.setPixel(x, y, level(shade));
        }
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_resources <resources folder>\n");
        return 2;
    }
    g_root = QDir(QString::fromLocal8Bit(argv[1]));

    for (int scale : {1, 2}) {
        writeFrameSet(QStringLiteral("main"), 18, 18, 18, scale);
        writeFrameSet(QStringLiteral("preview"), 12, 12, 13, scale);
        writeFrameSet(QStringLiteral("highscore"), 18, 28, 28, scale);
    }

    writeJpeg(QStringLiteral("pictures/motiv_a.jpg"), drawMotifA(), 85);
    writeJpeg(QStringLiteral("pictures/motiv_b.jpg"), drawMotifB(), 85);

    for (int size : {16, 32, 48, 64, 256})
        writePng(QStringLiteral("icons/mainicon_%1.png").arg(size), drawIcon(size));
    // The icon's larger sizes at twice the size; the smaller ones have theirs above.
    for (int size : {48, 64})
        writePng(QStringLiteral("icons/mainicon_%1@2x.png").arg(size), drawIcon(2 * size));
    writeIconSvg(QStringLiteral("icons/mainicon.svg"), 256);

    for (int scale : {1, 2}) {
        writePng(scaledName(QStringLiteral("cursors/lupe"), scale), drawMagnifier(scale));
        writePng(scaledName(QStringLiteral("cursors/finger1"), scale), drawFinger(false, scale));
        writePng(scaledName(QStringLiteral("cursors/finger2"), scale), drawFinger(true, scale));
        writePng(scaledName(QStringLiteral("buttons/gitter"), scale), drawGridSign(scale));
        writePng(scaledName(QStringLiteral("buttons/lupe"), scale), drawMagnifierSign(scale));
    }
    return g_failed ? 1 : 0;
}
