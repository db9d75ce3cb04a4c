// Region expressions: the outline texts of the windows. The input is the text (UTF-8); it is
// evaluated against a window with a few named external shapes, as the T command finds them.
// A language error is a valid outcome; anything else the evaluator throws, a crash, or a
// region beyond what a window can show is a fault.

#include "FuzzSupport.h"

#include "region/FormRgn.h"

#include <QRegion>
#include <QWidget>

#include <optional>

namespace {

class FuzzShape : public TExternalRegion
{
public:
    FuzzShape(QWidget *owner, const char *name, std::optional<QRegion> shape, QSize reference)
        : TExternalRegion(owner)
        , m_shape(std::move(shape))
        , m_reference(reference)
    {
        setObjectName(QString::fromLatin1(name));
    }

    std::optional<QRegion> CreateRegion() override { return m_shape; }
    QSize GetReferenceSize() const override { return m_reference; }

private:
    std::optional<QRegion> m_shape;
    QSize m_reference;
};

QWidget *window = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    SetRegionNoticeHandler([](const QString &) {});
    SetRegionCaptionHeights({23, 17});
    window = new QWidget(nullptr, Qt::FramelessWindowHint);
    window->setGeometry(42, 142, 286, 286);
    QRegion ring = QRegion(0, 0, 40, 40, QRegion::Ellipse).subtracted(QRegion(10, 10, 20, 20));
    new FuzzShape(window, "RING", ring, QSize(-1, -1));
    new FuzzShape(window, "EMPTY", QRegion(), QSize(-1, -1));
    new FuzzShape(window, "NOTHING", std::nullopt, QSize(-1, -1));
    new FuzzShape(window, "FAR", QRegion(30000, -30000, 2000, 2000), QSize(70000, -5));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<QRegion> region;
    try {
        region = EvaluateRegion(text, *window);
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
