#pragma once

// Window outlines from region expressions (see logic/RegionExpression.h for the language),
// and the components that put them on windows.

#include "logic/RegionExpression.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

#include <QWidget>

class TExternalRegion;

// Evaluates a region expression against a window: its frame and client geometry give the
// variables, its TExternalRegion children serve the T command. Errors and results as for the
// evaluation with plain variables; no region either when the window went away while the
// notice about a missing name was open.
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

// Whether the window system cuts a window to its mask (see PlatformCutsWindows). Where it does
// not, a mask only bounds where the window takes the pointer, so a TFormRegion draws its window
// translucent and clears everything outside the outline itself. Asked of the platform once;
// tests may set it before they make their windows.
bool WindowSystemCutsWindows();
void SetWindowSystemCutsWindows(bool cuts);

// The program's region notice: a modal message box (see SetRegionNoticeHandler).
void ShowRegionNoticeBox(const QString &message);

// A second TFormRegion on one window.
class EDuplicateComponent : public ETiloraError
{
public:
    using ETiloraError::ETiloraError;
};

// A region component whose owner is not a top-level window.
class EOwnerMustBeForm : public ETiloraError
{
public:
    using ETiloraError::ETiloraError;
};

// Common base of the region components: ties an expression to its owner window. The
// component is a child object of that window and watches its events through an event filter.
class TRegionComp : public QObject
{
    Q_OBJECT

public:
    ~TRegionComp() override;

    QString Region() const { return m_region; }
    // Stores the text, then (unless the owner is still being set up) evaluates and applies
    // it. Evaluation errors propagate after the text has been stored.
    void setRegion(const QString &text);

    // The result of the last successful evaluation, or none.
    const std::optional<QRegion> &builtRegion() const { return m_builtRegion; }

    QWidget *ownerWindow() const { return m_owner; }

    // While loading, setting Region only stores the text; EndLoading evaluates it once.
    void BeginLoading();
    void EndLoading();
    bool isLoading() const { return m_loading; }

protected:
    // Throws EOwnerMustBeForm (naming className) when owner is not a top-level window.
    TRegionComp(QWidget *owner, const char *className);

    void BuildRegion();
    virtual void ApplyRegion() = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_owner;
    QString m_region;
    std::optional<QRegion> m_builtRegion;
    bool m_loading = false;

    friend class TExternalRegion;
};

// Puts the evaluated expression on its window as the window's outline (its mask), evaluates
// again on every resize, and with ClientDrag lets the player drag the window by any bare spot
// of its client area. An outline fits one size: the window tells the window manager it takes no
// other (see KeepFixedSize). Where the window system does not cut windows, the component must
// join its window before the window is first shown: only then can the window still be made
// translucent.
class TFormRegion : public TRegionComp
{
    Q_OBJECT

public:
    using SizeChangedHandler = std::function<void(TFormRegion *sender, QString &region)>;

    // Throws EDuplicateComponent when the owner has a TFormRegion already, EOwnerMustBeForm
    // when the owner is not a top-level window.
    explicit TFormRegion(QWidget *owner);

    // The TFormRegion placed on a window, or null.
    static TFormRegion *ofWindow(const QWidget *window);

    bool ClientDrag() const { return m_clientDrag; }
    void setClientDrag(bool on);

    bool DrawOnDesigning() const { return m_drawOnDesigning; }
    void setDrawOnDesigning(bool on) { m_drawOnDesigning = on; }

    SizeChangedHandler OnSizeChanged() const { return m_onSizeChanged; }
    void setOnSizeChanged(SizeChangedHandler handler) { m_onSizeChanged = std::move(handler); }

    // Hands a drag that began at a screen point over to the window system; false where it
    // cannot move the window. Tests replace it.
    std::function<bool(QWidget &window, QPoint pressed)> startSystemMove;

protected:
    void ApplyRegion() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QWidget *checkNoOtherFormRegion(QWidget *owner);

    void raiseOutsideClearer();
    void applyPointerRegion();

    void fillBackground(const QRegion &region);
    void ownerResized();
    bool dragEvent(QEvent *event);

    // Called by the external regions of the same window.
    void externalRegionChanged(const TExternalRegion &region);
    void externalRegionRenamed(const TExternalRegion &region);

    bool m_clientDrag = false;
    bool m_drawOnDesigning = true;
    // Where the window system does not cut windows: the topmost child that clears what lies
    // outside the outline.
    QPointer<QWidget> m_outsideClearer;
    // There too: the outline as the part of the window that takes the pointer.
    std::optional<QRegion> m_pointerRegion;
    SizeChangedHandler m_onSizeChanged;

    // Dragging by hand, where the window system cannot move the window for us.
    bool m_pressed = false;  // a press on the bare area, not yet moved
    bool m_dragging = false; // following the pointer ourselves
    QPoint m_pressGlobal;
    QPoint m_windowStart;

    friend class TExternalRegion;
};

// An abstract named shape that region expressions place with their T command. The name is
// the QObject's objectName.
class TExternalRegion : public QObject
{
    Q_OBJECT

public:
    // Throws EOwnerMustBeForm when the owner is not a top-level window.
    explicit TExternalRegion(QWidget *owner);
    ~TExternalRegion() override;

    bool OwnRegion() const { return m_ownRegion; }
    void setOwnRegion(bool on);

    // A new region in window coordinates, owned by the caller, or none.
    virtual std::optional<QRegion> CreateRegion() = 0;
    // Width and height of the reference box; -1 uses the shape's own bounding box.
    virtual QSize GetReferenceSize() const { return QSize(-1, -1); }

    // Drops the kept shape and tells the window's TFormRegion to evaluate again.
    void RegionChanged();

    // Renames the region and updates the owner's expression to the new name.
    void setName(const QString &name);
    QString previousName() const { return m_previousName; }

    // The shape handed to the evaluator: a copy of the kept one, or a fresh one.
    std::optional<QRegion> shapeForEvaluation();

private:
    TFormRegion *ownerFormRegion() const;

    bool m_ownRegion = true;
    std::optional<QRegion> m_keptRegion;
    QString m_previousName;
};
