// Region expressions: the outline texts of the windows. The input is the text (UTF-8); it is
// evaluated with fixed window measures and a few named external shapes, as the T command
// finds them. A language error is a valid outcome; anything else the evaluator throws, a
// crash, or a region beyond what a window can show is a fault.

#include "FuzzSupport.h"

#include "logic/RegionExpression.h"

#include <QRegion>

#include <optional>

namespace {

// A 286 x 286 window without borders under a 23 pixels caption.
const RegionVariables Variables {0, 0, -23, 286, 286, 286, 286};

std::optional<ExternalShape> findShape(const QString &name)
{
    if (name == QStringLiteral("RING"))
        return ExternalShape {
            QRegion(0, 0, 40, 40, QRegion::Ellipse).subtracted(QRegion(10, 10, 20, 20))};
    if (name == QStringLiteral("EMPTY"))
        return ExternalShape {QRegion()};
    if (name == QStringLiteral("NOTHING"))
        return ExternalShape {};
    if (name == QStringLiteral("FAR"))
        return ExternalShape {QRegion(30000, -30000, 2000, 2000), QSize(70000, -5)};
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetRegionNoticeHandler([](const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<QRegion> region;
    try {
        region = EvaluateRegion(text, Variables, {findShape, {}});
    } catch (const ECannotTranslate &) {
        return 0;
    } catch (const EDivisionByZero &) {
        return 0;
    }
    if (region && !region->isEmpty()) {
        const QRect box = region->boundingRect();
        fuzz::check(box.left() >= -32768 && box.top() >= -32768 && box.right() <= 32767
                && box.bottom() <= 32767,
            "region within -32768..32767",
            QStringLiteral("%1,%2 %3x%4")
                .arg(box.x())
                .arg(box.y())
                .arg(box.width())
                .arg(box.height()));
    }
    return 0;
}
