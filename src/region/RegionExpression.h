#pragma once

// The region expression language. A region expression is a short text, one command per line
// (lines joined by CR LF), that combines rectangles, ellipses, rounded rectangles, polygons
// and named external shapes into a set of pixels in window coordinates (origin at the
// window's outer top-left corner).

#include "logic/Errors.h"

#include <QRegion>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

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

// Evaluates a region expression against a window (its geometry gives the variables
// X C Y R B W H; its TExternalRegion children serve the T command). Returns no region for an
// empty text or when no shape reached the outermost level. Throws ECannotTranslate on a
// language error and EDivisionByZero on an integer division by zero ("Division by zero in
// line N"). Shapes are clipped to the pixels -32768..32767, all a window can show.
std::optional<QRegion> EvaluateRegion(const QString &text, const QWidget &window);

// The caption bar heights the Y variable uses: normal windows and tool windows. Read once at
// start-up from the style; tests may set them.
struct CaptionHeights
{
    int normal = 0;
    int tool = 0;
};
CaptionHeights RegionCaptionHeights();
void SetRegionCaptionHeights(const CaptionHeights &heights);

// Shows the "External region ... not found" note. The default shows a modal message box;
// tests replace it.
using RegionNoticeHandler = std::function<void(const QString &message)>;
void SetRegionNoticeHandler(RegionNoticeHandler handler);
void ShowRegionNotice(const QString &message);
