#pragma once

// The region expression language. A region expression is a short text, one command per line
// (lines joined by CR LF), that combines rectangles, ellipses, rounded rectangles, polygons
// and named external shapes into a set of pixels in window coordinates (origin at the
// window's outer top-left corner).

#include "logic/Errors.h"

#include <QRegion>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// A region expression that cannot be read. The message names the fault and its line.
class ECannotTranslate : public ETiloraError
{
public:
    using ETiloraError::ETiloraError;
};

// An integer division by zero inside a region expression.
class EDivisionByZero : public ETiloraError
{
public:
    using ETiloraError::ETiloraError;
};

// The window's measures as the variables see them, in pixels from the window's outer
// top-left corner.
struct RegionVariables
{
    int x = 0; // X: left edge of the client area
    int c = 0; // C: top edge of the client area
    int y = 0; // Y: top edge of the caption bar
    int r = 0; // R: right edge of the client area (exclusive)
    int b = 0; // B: bottom edge of the client area (exclusive)
    int w = 0; // W: width of the whole window
    int h = 0; // H: height of the whole window
};

// A named shape as the T command places it: the shape in window coordinates (none adds
// nothing), and the width and height of the box it is aligned by (-1: the shape's own
// bounding box).
struct ExternalShape
{
    std::optional<QRegion> shape;
    QSize reference {-1, -1};
};

// Where the T command finds its named shapes.
struct ExternalRegions
{
    // The shape of that name (given in capitals), or none when there is no such shape; the
    // evaluator then shows the "External region ... not found" notice and goes on. Empty:
    // there are no named shapes.
    std::function<std::optional<ExternalShape>(const QString &name)> find;
    // Asked after that notice, which may be modal: false when the window went away meanwhile,
    // and the evaluation ends with no region. Empty: the window stays.
    std::function<bool()> windowAlive;
};

// Evaluates a region expression. Returns no region for an empty text or when no shape
// reached the outermost level. Throws ECannotTranslate on a language error and
// EDivisionByZero on an integer division by zero ("Division by zero in line N"). Shapes are
// clipped to the pixels -32768..32767, all a window can show.
std::optional<QRegion> EvaluateRegion(
    const QString &text, const RegionVariables &variables, const ExternalRegions &externals = {});

// Shows the "External region ... not found" notice. With no handler set it goes to the log;
// the program shows it in a message box, tests collect it.
using RegionNoticeHandler = std::function<void(const QString &message)>;
void SetRegionNoticeHandler(RegionNoticeHandler handler);
void ShowRegionNotice(const QString &message);
