#pragma once
// The design view's interaction without a window: highlighting the vertex
// under the mouse, the left press (handle pick, free drag or plane refresh),
// the handle drag in screen space, the free drag in the plane facing the
// camera, the release, SPACE and Fix Shape. It turns mouse
// positions into calls on a CDesignSession, using the pane's camera for every
// projection, and tells the pane when to redraw.
//
// The highlight search runs on every mouse move, so the corners are projected
// once per camera or shape change into a grid of screen cells; a move then
// looks only at the few cells within reach of the pointer.

#include "design/DesignSession.h"
#include "view3d/ViewCamera.h"

#include <cstdint>
#include <vector>

class CPolyModel;

class CDesignController {
public:
    // Pixels within which a vertex is highlighted or a handle tip picked.
    static constexpr double kPickRadius = 10.0;

    // What a left press at a point would take hold of.
    enum class PressTarget { None, Vertex, Handle };

    // Both must outlive the controller. The camera is the pane's own: the
    // controller writes its lastX/lastY and downX/downY anchors.
    CDesignController(CDesignSession& session, CViewCamera& camera);

    CDesignSession& Session() const { return session_; }

    // Mouse move with no button: remembers the position and, while nothing is
    // selected, highlights the nearest corner strictly within 10 pixels (the
    // first in object, face and corner order among equals). True when the
    // highlight changed and the pane should redraw.
    bool UpdateHighlight(int x, int y);

    // Left press. With a vertex selected, picks a handle, or starts a free
    // drag when the press is within 10 pixels of the selected vertex and no
    // handle's tip is nearer (no capture); otherwise puts the reflection plane
    // back on its square and asks for the mouse capture (returns true).
    // A handle seen nearly end-on (its tip within two pick radii of the
    // vertex) gives way to the free drag: a pixel along it would be a large
    // move, and its tip covers the vertex a person aims at.
    // Nothing without a model.
    bool LeftButtonDown(int x, int y);
    // What a left press at (x, y) would take hold of, as LeftButtonDown
    // decides it; the pane shows it with its cursor. Changes nothing.
    PressTarget TargetAt(int x, int y) const;
    // Escape while the left button is down: the shape goes back to what it
    // was at the press and the drag ends; the selection stays. True when the
    // shape changed back (redraw).
    bool CancelDrag();
    // A drag of the selected vertex is under way (pressed, not yet released
    // or cancelled).
    bool Dragging() const { return dragging_; }
    // Picks the handle whose tip projects nearest to (x, y) within 10 pixels,
    // ties going X, then Y, then Z; 0 when none. Records the handle's screen
    // vector for the drag.
    int PickHandle(int x, int y);
    // Mouse move with the left button: moves the selected vertex along the
    // picked handle by the pointer's motion along the handle's screen
    // direction and refolds. True when the surface changed (redraw).
    bool DragHandle(int x, int y);
    // Mouse move with the left button: the handle drag or the free drag,
    // whichever the press started. True when the surface changed (redraw).
    bool Drag(int x, int y, bool snap);
    // One step of the free drag: the selected vertex follows the pointer's
    // motion in the plane through its dragged position that faces the
    // camera, and the surface is refolded as a handle step refolds it. With
    // `snap`, the vertex goes instead to the nearest point of that plane whose
    // fold angle is a multiple of 15 degrees, the pointer's own track kept
    // so that it can move on to the next one. True when the surface changed.
    bool FreeDrag(int x, int y, bool snap);
    bool FreeDragging() const { return freeDrag_; }

    // Left release. True when it selected the highlighted vertex (redraw).
    bool EndLeftClick();
    // SPACE: ends the selection without committing. The pane always redraws.
    void Space();
    // Fix Shape: commits the folded shape and deselects. False when nothing
    // was selected (nothing done).
    bool FixShape();
    bool CanFixShape() const { return session_.CanFixShape(); }

    // The model or its shape was replaced from outside (open, Undo): the
    // session works on `model` from now on, with no highlight or selection,
    // and every cached projection is dropped.
    void AttachModel(CPolyModel* model);

    // Bumped on every change of the shape the controller knows of; the pane's
    // drawing layer rebuilds its arrays when it moves.
    uint64_t ShapeRevision() const { return shapeRevision_ + session_.ShapeRevision(); }
    // Window-space vector from the selected vertex to the picked handle's tip.
    WindowPoint HandleScreen() const { return handleScreen_; }

    // The same highlight search over every corner, without the grid; the
    // reference the fast search must agree with. seq < 0: none.
    CShapeCorner NearestCornerLinear(int x, int y) const;
    // The grid search the highlight uses.
    CShapeCorner NearestCorner(int x, int y);

private:
    void ShapeChanged();
    void RebuildGridIfStale();
    // The handle whose tip projects nearest to the window point m within the
    // pick radius (ties X, Y, Z); 0 when none. `distance` and `screen` get its
    // tip's distance and the vector from the vertex to the tip.
    int NearestTip(const WindowPoint& m, double& distance, WindowPoint& screen) const;
    // The handle a press at (x, y) takes (0 for none) and whether it is the
    // free drag instead.
    int PressChoice(int x, int y, bool& freeDrag, double& tipDistance,
                    WindowPoint& screen) const;
    // Exact distance from the window point m to the projection of p; +inf when
    // p does not project.
    double WindowDistance(const CVector3& p, const WindowPoint& m) const;

    CDesignSession& session_;
    CViewCamera& camera_;
    uint64_t shapeRevision_ = 1;
    WindowPoint handleScreen_;
    double handleDistance_ = 0.0; // pixels from the press to the picked tip
    bool freeDrag_ = false;
    bool dragging_ = false;
    CVector3 freeTrack_; // where the pointer has taken the vertex, unsnapped

    // Grid of projected corners.
    static constexpr double kCell = 16.0;
    static constexpr double kMargin = kPickRadius + 1.0;
    uint64_t gridCameraRevision_ = 0;
    uint64_t gridShapeRevision_ = 0;
    const CPolyModel* gridModel_ = nullptr;
    bool gridValid_ = false;
    int cellsX_ = 0, cellsY_ = 0;
    std::vector<uint32_t> cellStart_;   // cellsX_*cellsY_ + 1 offsets into cellEntries_
    std::vector<uint32_t> cellEntries_; // corner sequence numbers, ascending per cell
    std::vector<CVector3> cornerPos_;   // position of each corner in sequence order
};
