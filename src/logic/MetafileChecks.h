#pragma once

// What a metafile would cost, found out before the metafile libraries see it, and what the SVG
// they make of it would cost the renderer. The libraries trust the file: a record may claim to
// be larger than the file, a bitmap may claim any size, and every record, point and letter is
// drawn however many there are. Each check walks the structure without drawing anything.

#include "logic/PictureChecks.h"

#include <QByteArrayView>
#include <QSizeF>

// No metafile file is larger than this: the records' data is drawn by the byte.
constexpr qint64 MaxMetafileFileBytes = 16LL * 1024 * 1024;
// Records of one metafile, points of all its lines and shapes, letters of all its texts, and
// pixels of all its bitmaps. Each costs its share of the drawing, whatever the record.
constexpr qint64 MaxMetafileRecords = 30'000;
constexpr qint64 MaxMetafilePoints = 500'000;
constexpr qint64 MaxMetafileLetters = 100'000;
constexpr qint64 MaxMetafileBitmapPixels = 16'000'000;
// The drawing's own watch: processor time, checked between shapes; the rasterizer's work on one
// shape, in nanoseconds as the module estimates it before the shape is drawn (the estimate may
// fall short up to four times, and the rest of the picture has MaxMetafileSeconds); and the
// memory of the WMF library.
constexpr double MaxMetafileSeconds = 0.3;
constexpr qint64 MaxMetafileShapeWork = 120'000'000;
constexpr size_t MaxMetafileLibraryBytes = 160u * 1024 * 1024;
// The SVG made of a metafile: its size and its elements, each of which the renderer draws.
constexpr qint64 MaxMetafileSvgBytes = 64LL * 1024 * 1024;
constexpr qint64 MaxMetafileSvgElements = 400'000;

// Whether a WMF starts with a placeable header (22 bytes, before the standard one), which gives
// the picture's own size.
inline bool IsPlaceableWmf(QByteArrayView data)
{
    return data.size() >= 4 && data.first(4) == QByteArrayView("\xD7\xCD\xC6\x9A", 4);
}

// A WMF, placeable or not: a whole chain of records that ends in the end record, each no larger
// than the header's largest, with bitmaps, points and letters inside their records and within
// the limits above.
CheckResult CheckWmf(QByteArrayView data);

// An EMF: a header record with a non-empty frame, then a whole chain of records that ends in the
// end record, with the same limits.
CheckResult CheckEmf(QByteArrayView data);

// The SVG a library made: within its limits, no reference to anything outside it, and pictures
// inside it only as PNG data that passes CheckPng, with pixels within MaxMetafileBitmapPixels.
// The size its root element gives (width and height, else the view box's) goes to size.
CheckResult CheckMetafileSvg(QByteArrayView svg, QSizeF *size = nullptr);
