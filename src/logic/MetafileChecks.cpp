#include "logic/MetafileChecks.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// A record's bytes, read as little-endian numbers; nothing outside them is ever read.
class Record
{
public:
    explicit Record(QByteArrayView bytes)
        : m_bytes(bytes)
    { }
    qint64 size() const { return m_bytes.size(); }
    bool holds(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= size() && length <= size() - offset;
    }
    std::optional<quint32> unsignedAt(qint64 offset, int length) const
    {
        if (!holds(offset, length))
            return std::nullopt;
        quint32 value = 0;
        for (int i = length - 1; i >= 0; --i)
            value = value << 8 | quint8(m_bytes[offset + i]);
        return value;
    }
    std::optional<qint64> signedAt(qint64 offset, int length) const
    {
        const std::optional<quint32> value = unsignedAt(offset, length);
        if (!value)
            return std::nullopt;
        return length == 2 ? qint64(qint16(*value)) : qint64(qint32(*value));
    }
    QByteArrayView part(qint64 offset, qint64 length) const
    {
        return holds(offset, length) ? m_bytes.sliced(offset, length) : QByteArrayView();
    }

private:
    QByteArrayView m_bytes;
};

// What the records of a metafile add up to, against the limits.
struct Totals
{
    qint64 records = 0;
    qint64 points = 0;
    qint64 letters = 0;
    qint64 bitmapPixels = 0;
    bool damaged = false;

    CheckResult result() const
    {
        if (damaged)
            return CheckResult::Damaged;
        if (records > MaxMetafileRecords || points > MaxMetafilePoints
            || letters > MaxMetafileLetters || bitmapPixels > MaxMetafileBitmapPixels)
            return CheckResult::TooCostly;
        return CheckResult::Fine;
    }
    bool overLimit() const { return result() != CheckResult::Fine; }

    // A count of items of itemBytes each that must lie in the record from offset on.
    void addItems(qint64 &total, const Record &record, std::optional<quint32> count,
        qint64 offset, qint64 itemBytes)
    {
        if (!count || !record.holds(offset, qint64(*count) * itemBytes))
            damaged = true;
        else
            total += *count;
    }

    // A device-independent bitmap at offset, its pixels at bitsOffset (bitsBytes of them), all
    // inside the record. Pixels stored as they are must all be there; compressed ones count by
    // the size the header claims.
    void addBitmap(const Record &record, qint64 offset, qint64 bitsOffset, qint64 bitsBytes)
    {
        const std::optional<quint32> headerSize = record.unsignedAt(offset, 4);
        if (!headerSize) {
            damaged = true;
            return;
        }
        const bool core = *headerSize == 12;
        const std::optional<qint64> width = record.signedAt(offset + 4, core ? 2 : 4);
        const std::optional<qint64> height = record.signedAt(offset + (core ? 6 : 8), core ? 2 : 4);
        const std::optional<quint32> bitCount = record.unsignedAt(offset + (core ? 10 : 14), 2);
        const std::optional<quint32> compression
            = core ? std::optional<quint32>(0) : record.unsignedAt(offset + 16, 4);
        if (!width || !height || !bitCount || !compression || *width <= 0 || *height == 0
            || (*headerSize != 12 && *headerSize < 40)) {
            damaged = true;
            return;
        }
        const qint64 rows = std::abs(*height);
        // Each side is at most 2^31, so their product fits; a total over the limit stays there.
        bitmapPixels = std::min(bitmapPixels + *width * rows, MaxMetafileBitmapPixels + 1);
        if (bitmapPixels > MaxMetafileBitmapPixels)
            return;
        // Stored as they are (plain or with bit fields): whole rows of four-byte multiples.
        if (*compression == 0 || *compression == 3) {
            const qint64 rowBytes = (*width * *bitCount + 31) / 32 * 4;
            if (!record.holds(bitsOffset, std::min(bitsBytes, rowBytes * rows))
                || bitsBytes < rowBytes * rows)
                damaged = true;
        } else if (!record.holds(bitsOffset, bitsBytes)) {
            damaged = true;
        }
    }
};

// ---- WMF

// Where a WMF record's parameters hold a bitmap, and of which kind: a device-independent one
// from offset on, or an old device-dependent one whose header is at offset.
struct WmfBitmapPlace
{
    int function;
    qint64 offset;
    bool deviceDependent = false;
};
constexpr WmfBitmapPlace WmfBitmapPlaces[] = {
    {0x0940, 16}, // DIBBITBLT
    {0x0B41, 20}, // DIBSTRETCHBLT
    {0x0F43, 22}, // STRETCHDIB
    {0x0D33, 18}, // SETDIBTODEV
    {0x0142, 4}, // DIBCREATEPATTERNBRUSH
    {0x0922, 16, true}, // BITBLT
    {0x0B23, 20, true}, // STRETCHBLT
};

// Where a bitmap's pixels begin when they follow its header and colours directly.
qint64 pixelsAfterHeader(const Record &record, qint64 offset)
{
    const qint64 headerSize = record.unsignedAt(offset, 4).value_or(0);
    const bool core = headerSize == 12;
    const qint64 bits = record.unsignedAt(offset + (core ? 10 : 14), 2).value_or(0);
    const qint64 colours = core ? 0 : record.unsignedAt(offset + 32, 4).value_or(0);
    const qint64 table = colours ? colours : (bits <= 8 ? qint64(1) << bits : 0);
    // Bit fields follow the shortest header as three masks.
    const bool masks = headerSize == 40 && record.unsignedAt(offset + 16, 4) == 3u;
    return offset + headerSize + (core ? 3 : 4) * table + (masks ? 12 : 0);
}

void addWmfRecord(Totals &totals, int function, const Record &parameters, qint64 recordWords)
{
    switch (function) {
    case 0x0324: // POLYGON
    case 0x0325: // POLYLINE
        totals.addItems(totals.points, parameters, parameters.unsignedAt(0, 2), 2, 4);
        return;
    case 0x0538: { // POLYPOLYGON: the polygons' point counts, then all their points
        const std::optional<quint32> polygons = parameters.unsignedAt(0, 2);
        qint64 counts = 0;
        totals.addItems(counts, parameters, polygons, 2, 2);
        qint64 points = 0;
        for (quint32 i = 0; !totals.damaged && i < *polygons; ++i)
            points += *parameters.unsignedAt(2 + 2 * i, 2);
        if (!totals.damaged && !parameters.holds(2 + 2 * qint64(*polygons), 4 * points))
            totals.damaged = true;
        totals.points += points;
        return;
    }
    case 0x0521: // TEXTOUT
        totals.addItems(totals.letters, parameters, parameters.unsignedAt(0, 2), 2, 1);
        return;
    case 0x0A32: // EXTTEXTOUT
        totals.addItems(totals.letters, parameters, parameters.unsignedAt(4, 2), 8, 1);
        return;
    default:
        break;
    }
    for (const WmfBitmapPlace &place : WmfBitmapPlaces) {
        // The forms without a bitmap are as long as the function's high byte says.
        if (place.function != function || recordWords == ((function >> 8) + 3))
            continue;
        if (!place.deviceDependent) {
            const qint64 pixels = pixelsAfterHeader(parameters, place.offset);
            totals.addBitmap(parameters, place.offset, pixels, parameters.size() - pixels);
        } else {
            const std::optional<qint64> width = parameters.signedAt(place.offset + 2, 2);
            const std::optional<qint64> height = parameters.signedAt(place.offset + 4, 2);
            if (!width || !height)
                totals.damaged = true;
            else
                totals.bitmapPixels += std::abs(*width) * std::abs(*height);
        }
        return;
    }
}

} // namespace

CheckResult CheckWmf(QByteArrayView data)
{
    const Record file(data);
    qint64 at = IsPlaceableWmf(data) ? 22 : 0;
    // The header: its kind (in memory or on disk), its size in words and the version.
    const std::optional<quint32> kind = file.unsignedAt(at, 2);
    if (!kind || (*kind != 1 && *kind != 2) || file.unsignedAt(at + 2, 2) != 9u)
        return CheckResult::Damaged;
    // libwmf allocates room for the largest record the header names before it reads any.
    const qint64 largest = file.unsignedAt(at + 12, 4).value_or(0);
    if (2 * largest > file.size())
        return CheckResult::Damaged;
    at += 18;
    Totals totals;
    for (;;) {
        const std::optional<quint32> words = file.unsignedAt(at, 4);
        const std::optional<quint32> function = file.unsignedAt(at + 4, 2);
        if (!words || !function || *words < 3 || !file.holds(at, 2 * qint64(*words))
            || *words - 3 > largest)
            return CheckResult::Damaged;
        if (*function == 0)
            break;
        ++totals.records;
        addWmfRecord(totals, int(*function), Record(file.part(at + 6, 2 * (qint64(*words) - 3))),
            *words);
        if (totals.overLimit())
            return totals.result();
        at += 2 * qint64(*words);
    }
    return totals.result();
}

namespace {

// ---- EMF

// Where an EMF record says its bitmaps are: offsets of the four numbers offset of the header,
// size of the header, offset of the bits, size of the bits.
struct EmfBitmapPlace
{
    int type;
    qint64 fields;
};
constexpr EmfBitmapPlace EmfBitmapPlaces[] = {
    {76, 84}, // BITBLT
    {77, 84}, // STRETCHBLT
    {78, 84}, // MASKBLT
    {78, 112}, // its mask
    {79, 96}, // PLGBLT
    {79, 124}, // its mask
    {80, 48}, // SETDIBITSTODEVICE
    {81, 48}, // STRETCHDIBITS
    {114, 84}, // ALPHABLEND
    {116, 84}, // TRANSPARENTBLT
    {93, 16}, // CREATEMONOBRUSH
    {94, 16}, // CREATEDIBPATTERNBRUSHPT
};

void addEmfRecord(Totals &totals, int type, const Record &record)
{
    switch (type) {
    case 2: // POLYBEZIER, POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO
    case 3:
    case 4:
    case 5:
    case 6:
    case 85: // the same with 16-bit points
    case 86:
    case 87:
    case 88:
    case 89:
        totals.addItems(totals.points, record, record.unsignedAt(24, 4), 28, type < 85 ? 8 : 4);
        return;
    case 56: // POLYDRAW: points and a type byte each
        totals.addItems(totals.points, record, record.unsignedAt(24, 4), 28, 9);
        return;
    case 92: // POLYDRAW16
        totals.addItems(totals.points, record, record.unsignedAt(24, 4), 28, 5);
        return;
    case 7: // POLYPOLYLINE, POLYPOLYGON: the counts, then all the points
    case 8:
    case 90:
    case 91: {
        const std::optional<quint32> lines = record.unsignedAt(24, 4);
        const std::optional<quint32> points = record.unsignedAt(28, 4);
        qint64 counts = 0;
        totals.addItems(counts, record, lines, 32, 4);
        if (!totals.damaged)
            totals.addItems(totals.points, record, points, 32 + 4 * counts, type < 90 ? 8 : 4);
        return;
    }
    case 83: // EXTTEXTOUTA, EXTTEXTOUTW: letters from the offset the text gives
    case 84: {
        const std::optional<quint32> offset = record.unsignedAt(48, 4);
        if (!offset)
            totals.damaged = true;
        else
            totals.addItems(totals.letters, record, record.unsignedAt(44, 4), *offset,
                type == 83 ? 1 : 2);
        return;
    }
    default:
        break;
    }
    for (const EmfBitmapPlace &place : EmfBitmapPlaces) {
        if (place.type != type)
            continue;
        const std::optional<quint32> headerOffset = record.unsignedAt(place.fields, 4);
        const std::optional<quint32> headerSize = record.unsignedAt(place.fields + 4, 4);
        const std::optional<quint32> bitsOffset = record.unsignedAt(place.fields + 8, 4);
        const std::optional<quint32> bitsSize = record.unsignedAt(place.fields + 12, 4);
        if (!headerOffset || !headerSize || !bitsOffset || !bitsSize)
            totals.damaged = true;
        else if (*headerSize != 0 && !record.holds(*headerOffset, *headerSize))
            totals.damaged = true;
        else if (*headerSize != 0)
            totals.addBitmap(record, *headerOffset, *bitsOffset, *bitsSize);
    }
}

} // namespace

CheckResult CheckEmf(QByteArrayView data)
{
    const Record file(data);
    // The header record: its size, the frame in device units, the signature " EMF".
    const std::optional<quint32> headerSize = file.unsignedAt(4, 4);
    if (file.unsignedAt(0, 4) != 1u || !headerSize || *headerSize < 88
        || !file.holds(0, *headerSize) || file.unsignedAt(40, 4) != 0x464D4520u)
        return CheckResult::Damaged;
    const qint64 left = *file.signedAt(8, 4), top = *file.signedAt(12, 4);
    const qint64 right = *file.signedAt(16, 4), bottom = *file.signedAt(20, 4);
    if (right <= left || bottom <= top)
        return CheckResult::Damaged;
    Totals totals;
    qint64 at = *headerSize;
    for (;;) {
        const std::optional<quint32> type = file.unsignedAt(at, 4);
        const std::optional<quint32> size = file.unsignedAt(at + 4, 4);
        if (!type || !size || *size < 8 || !file.holds(at, *size) || *type == 1)
            return CheckResult::Damaged;
        if (*type == 14) // the end
            break;
        ++totals.records;
        addEmfRecord(totals, int(*type), Record(file.part(at, *size)));
        if (totals.overLimit())
            return totals.result();
        at += *size;
    }
    return totals.result();
}

namespace {

// The size of the root element: its width and height, else its view box's; units are left out,
// since only the shape counts.
QSizeF rootSize(const QXmlStreamAttributes &attributes)
{
    const auto number = [](QStringView text) {
        qsizetype end = 0;
        while (end < text.size() && (text[end].isDigit() || text[end] == u'.'))
            ++end;
        return text.first(end).toDouble();
    };
    const QSizeF size(number(attributes.value(QLatin1String("width"))), number(attributes.value(QLatin1String("height"))));
    if (size.width() > 0 && size.height() > 0)
        return size;
    const QStringList box = attributes.value(QLatin1String("viewBox")).toString().simplified().split(u' ');
    return box.size() == 4 ? QSizeF(box[2].toDouble(), box[3].toDouble()) : QSizeF();
}

} // namespace

CheckResult CheckMetafileSvg(QByteArrayView svg, QSizeF *size)
{
    if (svg.size() > MaxMetafileSvgBytes)
        return CheckResult::TooCostly;
    QXmlStreamReader reader(svg.toByteArray());
    qint64 elements = 0;
    qint64 pixels = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (++elements > MaxMetafileSvgElements)
            return CheckResult::TooCostly;
        if (elements == 1 && size)
            *size = rootSize(reader.attributes());
        for (const QXmlStreamAttribute &attribute : reader.attributes()) {
            if (attribute.name() != u"href")
                continue;
            const QStringView reference = attribute.value().trimmed();
            if (reference.startsWith(u'#'))
                continue;
            // Only pictures carried inside, as PNG: whatever else could point anywhere.
            const QLatin1StringView png("data:image/png;base64,");
            if (!reference.startsWith(png))
                return CheckResult::Damaged;
            const QByteArray picture
                = QByteArray::fromBase64(reference.sliced(png.size()).toLatin1());
            if (const CheckResult result = CheckPng(picture); result != CheckResult::Fine)
                return result;
            // The size in the header chunk, which CheckPng found whole.
            if (picture.size() < 24)
                return CheckResult::Damaged;
            const qint64 width = qFromBigEndian<quint32>(picture.constData() + 16);
            const qint64 height = qFromBigEndian<quint32>(picture.constData() + 20);
            // Each side within the limit keeps the product in range.
            if (width > MaxMetafileBitmapPixels || height > MaxMetafileBitmapPixels)
                return CheckResult::TooCostly;
            pixels += width * height;
            if (pixels > MaxMetafileBitmapPixels)
                return CheckResult::TooCostly;
        }
    }
    return reader.hasError() ? CheckResult::Damaged : CheckResult::Fine;
}
