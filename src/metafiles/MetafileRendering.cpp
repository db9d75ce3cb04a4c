#include "metafiles/MetafileRendering.h"

#include "logic/MetafileChecks.h"

#include <QDataStream>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgRenderer>
#include <QTransform>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>
#include <ctime>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>
#include <libwmf/defs.h>
#include <uemf_safe.h>

namespace {

double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Work is counted in nanoseconds of drawing, as timed on QPainter's antialiased fills. A letter
// and a lone point cost these, beside the pixels they cover.
constexpr double LetterWork = 128;
constexpr double PointWork = 8;

// Pixels of a box in the picture: filling them takes about a nanosecond each.
double areaWork(const QRectF &box, QSizeF picture)
{
    const QRectF inside = box.intersected(QRectF(QPointF(0, 0), picture));
    return inside.isValid() ? inside.width() * inside.height() : 0;
}

// Drawing stops at MaxMetafileSeconds of processor time, checked between shapes, and at a
// shape whose rasterizing alone would take too long: more than MaxMetafileShapeWork, counted
// before it is drawn.
struct DrawingBudget
{
    double deadline = threadSeconds() + MaxMetafileSeconds;
    bool exceeded = false;

    bool spend(double work)
    {
        if (!exceeded && (work > double(MaxMetafileShapeWork) || threadSeconds() > deadline))
            exceeded = true;
        return !exceeded;
    }
};

// The rasterizer's work on an outline. It keeps a pool of cells, one for each pixel an edge
// touches, and renders the rows in bands that fit the pool: every band walks every edge that
// reaches into it, row by row over the edge's whole height, and the pool grows (and the work
// starts again) only until the widest row fits. Each cell it makes costs a search of its row.
// The weights were fitted to timed fills of zigzags, rows of letters, random polygons and
// many small shapes, erring on the side of more work; a text line of thousands of points in a
// thin band costs little, since few rows share its edges.
double outlineWork(const QPainterPath &path, const QTransform &toPicture, QSizeF picture)
{
    const QRectF box = toPicture.mapRect(path.controlPointRect())
                           .intersected(QRectF(QPointF(0, 0), picture));
    if (!box.isValid() || path.elementCount() == 0)
        return path.elementCount();
    // Where edges start and stop reaching into rows: the row, and the cells a row they add.
    struct Change
    {
        int row;
        double cells;
        int edges;
    };
    std::vector<Change> changes;
    changes.reserve(2 * size_t(path.elementCount()));
    const double width = box.width() + 2;
    double edges = 0;
    double squaredHeights = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QPointF at = toPicture.map(QPointF(element.x, element.y));
        if (!element.isMoveTo()) {
            ++edges;
            const auto row = [&](double y) { return int(std::clamp(y, box.top(), box.bottom())); };
            const int top = row(std::min(at.y(), last.y()));
            const int bottom = row(std::max(at.y(), last.y()));
            const double height = bottom - top + 1;
            squaredHeights += height * height;
            const double cells = std::min(std::abs(at.x() - last.x()), width) + height;
            changes.push_back({top, cells / height, 1});
            changes.push_back({bottom + 1, -cells / height, -1});
        }
        last = at;
    }
    std::sort(changes.begin(), changes.end(),
        [](const Change &a, const Change &b) { return a.row < b.row; });
    double visits = 0;
    double crossing = 0;
    double cells = 0;
    double widest = 0;
    double searches = 0;
    double rowsWithCells = 0;
    for (size_t i = 0; i < changes.size(); ++i) {
        visits += changes[i].cells;
        crossing += changes[i].edges;
        if (i + 1 == changes.size() || changes[i + 1].row == changes[i].row)
            continue;
        // The rows up to the next change all look alike.
        const double rows = changes[i + 1].row - changes[i].row;
        const double rowCells = std::clamp(visits, 0.0, width);
        cells += rows * rowCells;
        widest = std::max(widest, rowCells);
        searches += rows * std::max(crossing, 0.0) * rowCells;
        rowsWithCells += rowCells > 0.5 ? rows : 0;
    }
    // The pool starts with room for 256 cells and doubles up to 32768.
    double pool = 256;
    double restarts = 0;
    while (pool < widest && pool < 32768) {
        pool *= 2;
        ++restarts;
    }
    const double cellsPerRow = std::max(cells / std::max(rowsWithCells, 1.0), 1.0);
    const double bandRows = std::max(1.0, pool / cellsPerRow);
    const double passes = 1 + restarts + 4 * std::floor(cells / pool);
    return 2.7 * passes * edges + 40 * squaredHeights / bandRows + 100 * cells + 0.7 * searches
        + areaWork(box, picture);
}

// libwmf takes its memory from here: every block carries its size before it, so that the
// whole stays under the budget; past it the library fails as out of memory and stops.
struct WmfBudget
{
    size_t bytes = 0;
    DrawingBudget drawing; // from the start: reading the records counts too
    bool memoryRefused = false;

    bool exceeded() const { return memoryRefused || drawing.exceeded; }
};

constexpr size_t BlockHeader = alignof(std::max_align_t);

void *budgetedAllocation(void *context, void *old, size_t size)
{
    auto *budget = static_cast<WmfBudget *>(context);
    size_t oldSize = 0;
    char *block = old ? static_cast<char *>(old) - BlockHeader : nullptr;
    if (block)
        std::memcpy(&oldSize, block, sizeof oldSize);
    if (size > MaxMetafileLibraryBytes || budget->bytes - oldSize + size > MaxMetafileLibraryBytes) {
        budget->memoryRefused = true;
        return nullptr;
    }
    auto *grown = static_cast<char *>(std::realloc(block, size + BlockHeader));
    if (!grown)
        return nullptr;
    budget->bytes = budget->bytes - oldSize + size;
    std::memcpy(grown, &size, sizeof size);
    return grown + BlockHeader;
}

void *wmfMalloc(void *context, size_t size)
{
    return budgetedAllocation(context, nullptr, size);
}

void *wmfRealloc(void *context, void *old, size_t size)
{
    return budgetedAllocation(context, old, size);
}

void wmfFree(void *context, void *memory)
{
    if (!memory)
        return;
    char *block = static_cast<char *>(memory) - BlockHeader;
    size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<WmfBudget *>(context)->bytes -= size;
    std::free(block);
}

// Called by libwmf after each record it draws: non-zero stops it.
int wmfOutOfTime(void *context, float)
{
    auto *budget = static_cast<WmfBudget *>(context);
    budget->drawing.spend(0);
    return budget->exceeded();
}

// libwmf plays the records and hands each shape to a device layer: ours draws them with QPainter,
// in their true colours. (The library's own SVG layer rounds every colour to a named one and
// draws solid fills half transparent when text has no background; its raster layer leaves
// ellipses unfilled.)
struct WmfCanvas
{
    QPainter *painter = nullptr;
    QTransform toPicture; // libwmf's device units to the picture's pixels
    QSizeF picture;
    WmfBudget *budget = nullptr;
    // The bitmaps read for the records, ours until the drawing ends; libwmf holds their
    // addresses and may free one twice.
    std::vector<std::unique_ptr<QImage>> bitmaps;
    wmfFontData fonts {};

    bool spend(double work) { return budget->drawing.spend(work); }
    bool spendOn(const QPainterPath &path) { return spend(outlineWork(path, toPicture, picture)); }
    bool spendOn(const QRectF &box) { return spend(areaWork(toPicture.mapRect(box), picture)); }
};

// Handed to the device layer while libwmf sets it up, on this thread.
thread_local WmfCanvas *canvasBeingSetUp = nullptr;

WmfCanvas &canvasOf(wmfAPI *api)
{
    return *static_cast<WmfCanvas *>(api->device_data);
}

QColor colourOf(const wmfRGB *rgb)
{
    return QColor(rgb->r, rgb->g, rgb->b);
}

QPointF pointOf(const wmfD_Coord &coordinate)
{
    return QPointF(coordinate.x, coordinate.y);
}

// libwmf's corners may come in either order.
QRectF boxOf(const wmfD_Coord &corner, const wmfD_Coord &opposite)
{
    return QRectF(pointOf(corner), pointOf(opposite)).normalized();
}

QPen penOf(wmfDC *dc)
{
    const wmfPen *pen = WMF_DC_PEN(dc);
    if (!pen || WMF_PEN_STYLE(pen) == PS_NULL)
        return Qt::NoPen;
    QPen result(colourOf(WMF_PEN_COLOR(pen)));
    result.setWidthF((WMF_PEN_WIDTH(pen) + WMF_PEN_HEIGHT(pen)) / 2);
    switch (WMF_PEN_STYLE(pen)) {
    case PS_DASH:
        result.setStyle(Qt::DashLine);
        break;
    case PS_DOT:
        result.setStyle(Qt::DotLine);
        break;
    case PS_DASHDOT:
        result.setStyle(Qt::DashDotLine);
        break;
    case PS_DASHDOTDOT:
        result.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    // Dashes as the screen shows them, one pixel wide: their count then follows the picture's
    // pixels, not the metafile's units.
    if (result.style() != Qt::SolidLine)
        result.setCosmetic(true);
    switch (WMF_PEN_ENDCAP(pen)) {
    case PS_ENDCAP_SQUARE:
        result.setCapStyle(Qt::SquareCap);
        break;
    case PS_ENDCAP_FLAT:
        result.setCapStyle(Qt::FlatCap);
        break;
    default:
        result.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (WMF_PEN_JOIN(pen)) {
    case PS_JOIN_BEVEL:
        result.setJoinStyle(Qt::BevelJoin);
        break;
    case PS_JOIN_MITER:
        result.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        result.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return result;
}

// A bitmap we read for libwmf (readBitmap), as a picture.
QImage imageOf(const wmfBMP &bitmap)
{
    if (!bitmap.data)
        return {};
    return static_cast<const QImage *>(bitmap.data)->convertToFormat(QImage::Format_ARGB32);
}

QBrush brushOf(wmfDC *dc)
{
    wmfBrush *brush = WMF_DC_BRUSH(dc);
    if (!brush)
        return Qt::NoBrush;
    const QColor colour = colourOf(WMF_BRUSH_COLOR(brush));
    switch (WMF_BRUSH_STYLE(brush)) {
    case BS_NULL:
        return Qt::NoBrush;
    case BS_HATCHED: {
        static constexpr Qt::BrushStyle Hatches[] = {Qt::HorPattern, Qt::VerPattern,
            Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        const U16 hatch = WMF_BRUSH_HATCH(brush);
        return QBrush(colour, hatch < 6 ? Hatches[hatch] : Qt::SolidPattern);
    }
    case BS_PATTERN:
    case BS_DIBPATTERN:
        if (const QImage pattern = imageOf(*WMF_BRUSH_BITMAP(brush)); !pattern.isNull())
            return QBrush(pattern);
        return QBrush(colour);
    default:
        return QBrush(colour);
    }
}

// Fills (with the brush, over the background colour where hatches need one) and outlines.
void drawShape(wmfAPI *api, wmfDC *dc, QPainterPath path, bool filled)
{
    WmfCanvas &canvas = canvasOf(api);
    QPainter &painter = *canvas.painter;
    if (!canvas.spend(2 * outlineWork(path, canvas.toPicture, canvas.picture)))
        return;
    if (filled) {
        path.setFillRule(WMF_DC_POLYFILL(dc) == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        const QBrush brush = brushOf(dc);
        if (brush.style() > Qt::SolidPattern && brush.style() < Qt::TexturePattern
            && WMF_DC_OPAQUE(dc))
            painter.fillPath(path, colourOf(WMF_DC_BACKGROUND(dc)));
        if (brush.style() != Qt::NoBrush)
            painter.fillPath(path, brush);
    }
    if (const QPen pen = penOf(dc); pen.style() != Qt::NoPen)
        painter.strokePath(path, pen);
}

enum class ArcKind { Open, Pie, Chord };

void drawArc(wmfAPI *api, const wmfDrawArc_t *arc, ArcKind kind)
{
    const QRectF box = boxOf(arc->TL, arc->BR);
    if (box.isEmpty())
        return;
    const QPointF centre = box.center();
    // Angles as on the ellipse, counter-clockwise from three o'clock, of the points that
    // libwmf gives relative to the centre.
    const auto angle = [&](const wmfD_Coord &at) {
        return qRadiansToDegrees(std::atan2(-at.y * box.width(), at.x * box.height()));
    };
    // The record's first radial, where the arc starts counter-clockwise, is libwmf's end.
    const qreal start = angle(arc->end);
    qreal sweep = angle(arc->start) - start;
    if (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(centre);
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != ArcKind::Open)
        path.closeSubpath();
    drawShape(api, arc->dc, path, kind != ArcKind::Open);
}

QPolygonF polygonOf(const wmfD_Coord *points, int count)
{
    QPolygonF polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon << pointOf(points[i]);
    return polygon;
}

void drawText(wmfAPI *api, wmfDrawText_t *text)
{
    const wmfFont *font = WMF_DC_FONT(text->dc);
    if (!font || !text->str)
        return;
    WmfCanvas &canvas = canvasOf(api);
    QPainter &painter = *canvas.painter;
    QFont face(QString::fromLatin1(font->lfFaceName ? font->lfFaceName : ""));
    const qreal scale = std::hypot(canvas.toPicture.m12(), canvas.toPicture.m22());
    const qreal pixels = text->font_height * scale;
    if (!std::isfinite(pixels))
        return;
    face.setPixelSize(std::max(1, qRound(std::clamp(pixels, 1.0, 4096.0))));
    face.setWeight(QFont::Weight(std::clamp(int(font->lfWeight), 1, 1000)));
    face.setItalic(font->lfItalic);
    face.setUnderline(font->lfUnderline);
    face.setStrikeOut(font->lfStrikeOut);
    const QString letters = QString::fromLatin1(text->str);
    const qreal size = face.pixelSize();
    if (!canvas.spend(areaWork(QRectF(canvas.toPicture.map(pointOf(text->pt)) - QPointF(0, size),
                                   QSizeF(size * letters.size(), 2 * size)),
                          canvas.picture)
            + LetterWork * letters.size()))
        return;
    painter.save();
    painter.resetTransform();
    painter.translate(canvas.toPicture.map(pointOf(text->pt)));
    painter.rotate(-font->lfEscapement / 10.0);
    if (text->font_ratio > 0.05 && text->font_ratio < 20)
        painter.scale(text->font_ratio, 1);
    painter.setFont(face);
    painter.setPen(colourOf(WMF_DC_TEXTCOLOR(text->dc)));
    painter.drawText(QPointF(0, 0), letters);
    painter.restore();
}

void drawBitmap(wmfAPI *api, wmfBMP_Draw_t *draw)
{
    const QSizeF size(draw->pixel_width * draw->crop.w, draw->pixel_height * draw->crop.h);
    if (!canvasOf(api).spendOn(QRectF(pointOf(draw->pt), size))
        || !canvasOf(api).spend(double(draw->bmp.width) * draw->bmp.height))
        return;
    const QImage whole = imageOf(draw->bmp);
    if (whole.isNull())
        return;
    const QImage part = whole.copy(draw->crop.x, whole.height() - draw->crop.y - draw->crop.h,
        draw->crop.w, draw->crop.h);
    canvasOf(api).painter->drawImage(QRectF(pointOf(draw->pt), size), part);
}

// libwmf's bitmap reader loops for minutes over run-length coded bitmaps that end early, and
// takes about as long per pixel as the rasterizer does per pixel of an edge. It only gets
// bitmaps stored as they are, whole, whose pixels the drawing budget can pay for; the others
// are left out of the picture.
void readBitmap(wmfAPI *api, wmfBMP_Read_t *read)
{
    read->bmp.data = nullptr;
    const auto number = [&](long offset, int size) -> std::optional<qint64> {
        if (!read->buffer || offset < 0 || offset + size > read->length)
            return std::nullopt;
        qint64 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | read->buffer[offset + i];
        return value;
    };
    const std::optional<qint64> headerSize = number(0, 4);
    if (!headerSize || *headerSize < 40)
        return;
    const std::optional<qint64> width = number(4, 4);
    const std::optional<qint64> height = number(8, 4);
    const std::optional<qint64> bits = number(14, 2);
    const std::optional<qint64> compression = number(16, 4);
    const std::optional<qint64> colours = number(32, 4);
    if (!width || !height || !bits || !compression || !colours)
        return;
    const qint64 rows = std::abs(qint64(qint32(*height)));
    const qint64 columns = qint32(*width);
    if (columns <= 0 || rows == 0 || (*compression != 0 && *compression != 3)
        || columns * rows > MaxMetafileBitmapPixels)
        return;
    const qint64 table = *colours ? *colours : (*bits <= 8 ? qint64(1) << *bits : 0);
    const qint64 needed = *headerSize + 4 * table + (*compression == 3 ? 12 : 0)
        + (columns * *bits + 31) / 32 * 4 * rows;
    if (needed > read->length || !canvasOf(api).spend(64.0 * columns * rows))
        return;
    // The bitmap is a BMP file without its file header: Qt's reader gets one put before it.
    const qint64 pixelsAt = 14 + *headerSize + 4 * table
        + (*compression == 3 && *headerSize == 40 ? 12 : 0);
    QByteArray file;
    QDataStream header(&file, QIODevice::WriteOnly);
    header.setByteOrder(QDataStream::LittleEndian);
    header << quint8('B') << quint8('M') << quint32(14 + read->length) << quint32(0)
           << quint32(pixelsAt);
    file.append(reinterpret_cast<const char *>(read->buffer), read->length);
    QImage image;
    if (!image.loadFromData(file, "BMP") || image.width() > 0xffff || image.height() > 0xffff)
        return;
    WmfCanvas &canvas = canvasOf(api);
    const size_t bytes = size_t(image.sizeInBytes());
    if (canvas.budget->bytes + bytes > MaxMetafileLibraryBytes) {
        canvas.budget->memoryRefused = true;
        return;
    }
    canvas.budget->bytes += bytes;
    read->bmp.width = static_cast<U16>(image.width());
    read->bmp.height = static_cast<U16>(image.height());
    canvas.bitmaps.push_back(std::make_unique<QImage>(std::move(image)));
    read->bmp.data = canvas.bitmaps.back().get();
}

// Text is measured with the fonts it is drawn with: libwmf asks for a string's width at a size
// of one, and which font a name stands for is the toolkit's to say when it draws.
float textWidth(wmfAPI *, wmfFont *font, char *letters)
{
    constexpr int Size = 256;
    QFont face(QString::fromLatin1(font && font->lfFaceName ? font->lfFaceName : ""));
    face.setPixelSize(Size);
    if (font) {
        face.setWeight(QFont::Weight(std::clamp(int(font->lfWeight), 1, 1000)));
        face.setItalic(font->lfItalic);
    }
    return float(QFontMetricsF(face).horizontalAdvance(QString::fromLatin1(letters)) / Size);
}

QPainterPath regionPath(const wmfPolyRectangle_t *region)
{
    QPainterPath path;
    for (unsigned int i = 0; i < region->count; ++i)
        path.addRect(boxOf(region->TL[i], region->BR[i]));
    return path;
}

void fillRegion(wmfAPI *api, wmfPolyRectangle_t *region)
{
    const QPainterPath path = regionPath(region);
    if (canvasOf(api).spendOn(path))
        canvasOf(api).painter->fillPath(path, brushOf(region->dc));
}

void clipRegion(wmfAPI *api, wmfPolyRectangle_t *region)
{
    QPainter &painter = *canvasOf(api).painter;
    if (region->count == 0) {
        painter.setClipping(false);
        return;
    }
    painter.setClipPath(regionPath(region));
}

void setUpDeviceLayer(wmfAPI *api)
{
    auto *layer = static_cast<wmfFunctionReference *>(api->function_reference);
    const auto nothing = [](wmfAPI *) { };
    const auto noData = [](wmfAPI *, wmfUserData_t *) { };
    layer->device_open = nothing;
    layer->device_close = nothing;
    layer->device_begin = nothing;
    layer->device_end = nothing;
    // Flood fills need the pixels drawn so far; they are left out.
    layer->flood_interior = [](wmfAPI *, wmfFlood_t *) { };
    layer->flood_exterior = [](wmfAPI *, wmfFlood_t *) { };
    layer->draw_pixel = [](wmfAPI *api, wmfDrawPixel_t *pixel) {
        if (!canvasOf(api).spend(PointWork))
            return;
        canvasOf(api).painter->fillRect(
            QRectF(pointOf(pixel->pt), QSizeF(pixel->pixel_width, pixel->pixel_height)),
            colourOf(&pixel->color));
    };
    layer->draw_pie = [](wmfAPI *api, wmfDrawArc_t *arc) { drawArc(api, arc, ArcKind::Pie); };
    layer->draw_chord = [](wmfAPI *api, wmfDrawArc_t *arc) { drawArc(api, arc, ArcKind::Chord); };
    layer->draw_arc = [](wmfAPI *api, wmfDrawArc_t *arc) { drawArc(api, arc, ArcKind::Open); };
    layer->draw_ellipse = [](wmfAPI *api, wmfDrawArc_t *arc) {
        QPainterPath path;
        path.addEllipse(boxOf(arc->TL, arc->BR));
        drawShape(api, arc->dc, path, true);
    };
    layer->draw_line = [](wmfAPI *api, wmfDrawLine_t *line) {
        QPainterPath path(pointOf(line->from));
        path.lineTo(pointOf(line->to));
        drawShape(api, line->dc, path, false);
    };
    layer->poly_line = [](wmfAPI *api, wmfPolyLine_t *line) {
        QPainterPath path;
        path.addPolygon(polygonOf(line->pt, line->count));
        drawShape(api, line->dc, path, false);
    };
    layer->draw_polygon = [](wmfAPI *api, wmfPolyLine_t *polygon) {
        QPainterPath path;
        path.addPolygon(polygonOf(polygon->pt, polygon->count));
        path.closeSubpath();
        drawShape(api, polygon->dc, path, true);
    };
    layer->draw_polypolygon = [](wmfAPI *api, wmfPolyPoly_t *polygons) {
        QPainterPath path;
        for (U16 i = 0; i < polygons->npoly; ++i) {
            path.addPolygon(polygonOf(polygons->pt[i], polygons->count[i]));
            path.closeSubpath();
        }
        drawShape(api, polygons->dc, path, true);
    };
    layer->draw_rectangle = [](wmfAPI *api, wmfDrawRectangle_t *rectangle) {
        const QRectF box = boxOf(rectangle->TL, rectangle->BR);
        QPainterPath path;
        if (rectangle->width > 0 && rectangle->height > 0)
            path.addRoundedRect(box, rectangle->width / 2, rectangle->height / 2);
        else
            path.addRect(box);
        drawShape(api, rectangle->dc, path, true);
    };
    layer->rop_draw = [](wmfAPI *api, wmfROP_Draw_t *draw) {
        const QRectF box = boxOf(draw->TL, draw->BR);
        QPainter &painter = *canvasOf(api).painter;
        if (!canvasOf(api).spendOn(box))
            return;
        if (draw->ROP == 0x00F00021) // the brush
            painter.fillRect(box, brushOf(draw->dc));
        else if (draw->ROP == 0x00000042) // black
            painter.fillRect(box, Qt::black);
        else if (draw->ROP == 0x00FF0062) // white
            painter.fillRect(box, Qt::white);
    };
    layer->bmp_draw = drawBitmap;
    layer->bmp_read = readBitmap;
    layer->bmp_free = [](wmfAPI *, wmfBMP *bitmap) { bitmap->data = nullptr; };
    layer->draw_text = drawText;
    layer->udata_init = noData;
    layer->udata_copy = noData;
    layer->udata_set = noData;
    layer->udata_free = noData;
    layer->region_frame = fillRegion;
    layer->region_paint = fillRegion;
    layer->region_clip = clipRegion;
    api->device_data = canvasBeingSetUp;
    canvasBeingSetUp->fonts.map = [](wmfAPI *, wmfFont *) { };
    canvasBeingSetUp->fonts.stringwidth = textWidth;
    api->font_data = &canvasBeingSetUp->fonts;
}

// In the isotropic and anisotropic modes libwmf maps the window onto a square of 1024 device
// units (or onto the viewport's extent, where the file sets one), whatever the window's shape.
// The window's units that one device unit stands for, per side, give a picture without a
// placeable header its shape back; the first mode and extents count, as for most files.
QSizeF unitsPerDeviceUnit(QByteArrayView metafile)
{
    const auto number = [&](qint64 at, int size) -> qint64 {
        if (at < 0 || at + size > metafile.size())
            return 0;
        qint64 value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | quint8(metafile[at + i]);
        return size == 2 ? qint16(value) : value;
    };
    qint64 at = (IsPlaceableWmf(metafile) ? 22 : 0) + 18;
    int mode = 0;
    QSizeF window;
    QSizeF viewport(1024, 1024);
    bool viewportSet = false;
    while (at + 6 <= metafile.size()) {
        const qint64 words = number(at, 4);
        const int function = int(number(at + 4, 2)) & 0xFFFF;
        if (words < 3 || function == 0)
            break;
        const QSizeF extent(std::abs(number(at + 8, 2)), std::abs(number(at + 6, 2)));
        if (function == 0x0103 && mode == 0)
            mode = int(number(at + 6, 2));
        else if (function == 0x020C && window.isEmpty())
            window = extent;
        else if (function == 0x020E && !viewportSet && !extent.isEmpty()) {
            viewport = extent;
            viewportSet = true;
        }
        at += 2 * words;
    }
    constexpr int Isotropic = 7;
    constexpr int Anisotropic = 8;
    if ((mode != Isotropic && mode != Anisotropic) || window.isEmpty())
        return QSizeF(1, 1);
    return QSizeF(window.width() / viewport.width(), window.height() / viewport.height());
}

// The picture's own size: the placeable header's, else the drawing's in the window's units.
QSizeF naturalWmfSize(wmfAPI *api, QByteArrayView metafile, const QRectF &drawn)
{
    float width = 0;
    float height = 0;
    if (IsPlaceableWmf(metafile) && wmf_size(api, &width, &height) == wmf_E_None && width > 0 && height > 0)
        return QSizeF(width, height);
    const QSizeF scale = unitsPerDeviceUnit(metafile);
    return QSizeF(drawn.width() * scale.width(), drawn.height() * scale.height());
}

MetafileDrawing drawWmf(QByteArrayView metafile, QSize board, QImage *picture)
{
    WmfBudget budget;
    WmfCanvas canvas;
    wmfAPI_Options options {};
    options.context = &budget;
    options.malloc = wmfMalloc;
    options.realloc = wmfRealloc;
    options.free = wmfFree;
    options.function = setUpDeviceLayer;
    const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL
        | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI *api = nullptr;
    canvasBeingSetUp = &canvas;
    canvas.budget = &budget;
    // The player alone: the library's full set-up would read a font map of its own, and refuse
    // every picture where that map's fonts are not installed.
    const wmf_error_t created = wmf_lite_create(&api, flags, &options);
    canvasBeingSetUp = nullptr;
    if (created != wmf_E_None)
        return MetafileDrawing::Unreadable;
    bool drawn = false;
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(metafile.data()));
    wmfD_Rect box {};
    if (wmf_mem_open(api, bytes, long(metafile.size())) == wmf_E_None
        && wmf_scan(api, 0, &box) == wmf_E_None) {
        // As libwmf's own converters do: what is drawn, stretched to the picture's own shape.
        const QRectF frame = boxOf(box.TL, box.BR);
        const QSizeF natural = naturalWmfSize(api, metafile, frame);
        QImage image(MetafilePictureSize(natural, board), QImage::Format_RGB32);
        if (!frame.isEmpty() && std::isfinite(frame.width()) && std::isfinite(frame.height())
            && !image.isNull()) {
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            canvas.painter = &painter;
            canvas.picture = image.size();
            canvas.toPicture = QTransform::fromTranslate(-frame.left(), -frame.top())
                * QTransform::fromScale(image.width() / frame.width(), image.height() / frame.height());
            painter.setTransform(canvas.toPicture);
            wmf_status_function(api, &budget, wmfOutOfTime);
            drawn = wmf_play(api, 0, &box) == wmf_E_None;
            painter.end();
            if (drawn)
                *picture = std::move(image);
        }
        wmf_mem_close(api);
    }
    wmf_lite_destroy(api);
    if (budget.exceeded())
        return MetafileDrawing::TooCostly;
    return drawn ? MetafileDrawing::Drawn : MetafileDrawing::Unreadable;
}

// libemf2svg trusts what each record says about its own parts; libUEMF checks them. Texts of
// glyph numbers lose their letters: libemf2svg looks their font up through fontconfig and then
// shuts fontconfig down for the whole process, under the toolkit's feet. The header loses its
// description, which libemf2svg reads wherever the header says it is and never draws.
bool prepareRecords(QByteArray &metafile)
{
    if (metafile.size() < 88)
        return false;
    std::memset(metafile.data() + 60, 0, 8); // the description's length and offset
    qsizetype at = 0;
    while (at + 8 <= metafile.size()) {
        char *record = metafile.data() + at;
        quint32 size = 0;
        std::memcpy(&size, record + 4, sizeof size);
        if (size < 8 || size > quint32(metafile.size() - at))
            return false;
        quint32 type = 0;
        std::memcpy(&type, record, sizeof type);
        // libUEMF warns about types it does not know; libemf2svg skips them.
        if (type >= 1 && type <= 122 && !U_emf_record_safe(record))
            return false;
        if (type == 14) // the end; libemf2svg reads no further
            return true;
        constexpr quint32 GlyphNumbers = 0x10;
        quint32 options = 0;
        if ((type == 83 || type == 84) && size >= 56) {
            std::memcpy(&options, record + 52, sizeof options);
            if (options & GlyphNumbers) {
                options &= ~GlyphNumbers;
                std::memcpy(record + 52, &options, sizeof options);
                std::memset(record + 44, 0, 4); // no letters
            }
        }
        at += size;
    }
    return true;
}

bool emfToSvg(QByteArrayView metafile, QByteArray *svg)
{
    svg->clear();
    // libemf2svg reads the records in place, and they are changed here.
    QByteArray contents = metafile.toByteArray();
    if (!prepareRecords(contents))
        return false;
    generatorOptions options {};
    options.svgDelimiter = true;
    char *text = nullptr;
    size_t length = 0;
    const int converted = emf2svg(contents.data(), size_t(contents.size()), &text, &length, &options);
    if (converted && text)
        *svg = QByteArray(text, qsizetype(length));
    std::free(text);
    return converted && !svg->isEmpty();
}

// QtSvg draws every element it holds, with no way to stop it. It draws here, on a device whose
// paint engine hands each call on to a painter on the picture while MaxMetafileSeconds of
// processor time last, and drops every call after that.
class BudgetedEngine : public QPaintEngine
{
public:
    BudgetedEngine(QPainter &target, QSizeF picture)
        : QPaintEngine(AllFeatures)
        , m_target(target)
        , m_picture(picture)
    { }
    bool exceeded() const { return m_budget.exceeded; }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState &state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            m_target.setTransform(state.transform());
        if (flags & DirtyPen)
            m_target.setPen(state.pen());
        if (flags & DirtyBrush)
            m_target.setBrush(state.brush());
        if (flags & DirtyBrushOrigin)
            m_target.setBrushOrigin(state.brushOrigin());
        if (flags & DirtyFont)
            m_target.setFont(state.font());
        if (flags & DirtyBackground)
            m_target.setBackground(state.backgroundBrush());
        if (flags & DirtyBackgroundMode)
            m_target.setBackgroundMode(state.backgroundMode());
        if (flags & DirtyClipPath)
            m_target.setClipPath(state.clipPath(), state.clipOperation());
        if (flags & DirtyClipRegion)
            m_target.setClipRegion(state.clipRegion(), state.clipOperation());
        if (flags & DirtyClipEnabled)
            m_target.setClipping(state.isClipEnabled());
        if (flags & DirtyHints)
            m_target.setRenderHints(state.renderHints());
        if (flags & DirtyCompositionMode)
            m_target.setCompositionMode(state.compositionMode());
        if (flags & DirtyOpacity)
            m_target.setOpacity(state.opacity());
    }
    void drawPath(const QPainterPath &path) override
    {
        if (spendOn(path))
            m_target.drawPath(path);
    }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (!spendOn(path))
            return;
        if (mode == PolylineMode)
            m_target.drawPolyline(points, count);
        else
            m_target.drawPolygon(points, count, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }
    void drawRects(const QRectF *rectangles, int count) override
    {
        QPainterPath path;
        for (int i = 0; i < count; ++i)
            path.addRect(rectangles[i]);
        if (spendOn(path))
            m_target.drawRects(rectangles, count);
    }
    void drawLines(const QLineF *lines, int count) override
    {
        QPainterPath path;
        for (int i = 0; i < count; ++i) {
            path.moveTo(lines[i].p1());
            path.lineTo(lines[i].p2());
        }
        if (spendOn(path))
            m_target.drawLines(lines, count);
    }
    void drawEllipse(const QRectF &box) override
    {
        QPainterPath path;
        path.addEllipse(box);
        if (spendOn(path))
            m_target.drawEllipse(box);
    }
    void drawPoints(const QPointF *points, int count) override
    {
        if (m_budget.spend(PointWork * count))
            m_target.drawPoints(points, count);
    }
    void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override
    {
        if (spendOn(target, source))
            m_target.drawPixmap(target, pixmap, source);
    }
    void drawImage(const QRectF &target, const QImage &image, const QRectF &source,
        Qt::ImageConversionFlags flags) override
    {
        if (spendOn(target, source))
            m_target.drawImage(target, image, source, flags);
    }
    void drawTiledPixmap(const QRectF &target, const QPixmap &pixmap, const QPointF &at) override
    {
        if (spendOn(target, target))
            m_target.drawTiledPixmap(target, pixmap, at);
    }
    void drawTextItem(const QPointF &at, const QTextItem &text) override
    {
        const QRectF box(at - QPointF(0, text.ascent()),
            QSizeF(text.width(), text.ascent() + text.descent()));
        if (m_budget.spend(areaWork(m_target.transform().mapRect(box), m_picture)
                + LetterWork * text.text().size()))
            m_target.drawTextItem(at, text);
    }

private:
    // Filled and outlined: about twice the work of either.
    bool spendOn(const QPainterPath &path)
    {
        return m_budget.spend(2 * outlineWork(path, m_target.transform(), m_picture));
    }
    // A picture drawn into target: its pixels there, and the source's read.
    bool spendOn(const QRectF &target, const QRectF &source)
    {
        return m_budget.spend(areaWork(m_target.transform().mapRect(target), m_picture)
            + std::min(source.width() * source.height(), 1e15));
    }
    QPainter &m_target;
    QSizeF m_picture;
    DrawingBudget m_budget;
};

class BudgetedDevice : public QPaintDevice
{
public:
    explicit BudgetedDevice(QImage &image)
        : m_image(image)
        , m_painter(&image)
        , m_engine(m_painter, image.size())
    {
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    bool exceeded() const { return m_engine.exceeded(); }
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_image.width();
        case PdmHeight:
            return m_image.height();
        case PdmWidthMM:
            return m_image.widthMM();
        case PdmHeightMM:
            return m_image.heightMM();
        case PdmNumColors:
            return 0;
        case PdmDepth:
            return m_image.depth();
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return m_image.logicalDpiX();
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return m_image.logicalDpiY();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QImage &m_image;
    QPainter m_painter;
    mutable BudgetedEngine m_engine;
};

MetafileDrawing renderSvg(const QByteArray &svg, QSize size, QImage *picture)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || size.isEmpty())
        return MetafileDrawing::Unreadable;
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return MetafileDrawing::Unreadable;
    image.fill(Qt::white);
    bool exceeded = false;
    {
        BudgetedDevice device(image);
        QPainter painter(&device);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        exceeded = device.exceeded();
    }
    if (exceeded)
        return MetafileDrawing::TooCostly;
    *picture = std::move(image);
    return MetafileDrawing::Drawn;
}

const MetafileModule Rendering {MetafileModuleVersion, emfToSvg, renderSvg, drawWmf};

} // namespace

const MetafileModule *MetafileRendering()
{
    return &Rendering;
}
