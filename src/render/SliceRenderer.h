#pragma once
// OpenGL 1.1 drawing of slices: the net pane's flat picture of the picked
// slice and the section view's slices in space. Every call needs the pane's
// context current.

class CNetViewController;
class CCreasePatternPane;
class CPolyModel;
class CSlicePlane;
struct CPaperPoint;

// Fill colour of a slice's parts by its axis type: translucent red, green or
// blue for 0, 1, 2. False for any other axis type (the fill then keeps the
// colour last set).
bool SliceFillColor(int axisType, float rgba[4]);

// The net pane's fixed state: white clear colour, depth test with
// less-or-equal, blending by source alpha.
void InitNetViewGL();

// One frame of the net pane: the orthographic projection of the pane (origin
// at its centre, one unit per logical pixel; `pixelRatio` device pixels per
// logical one), the clear to white and, when `slice` is not null, its
// outlines (red when marked), its blue bounding rectangle, its translucent
// fills and its intersection lines in magenta, placed by `view`'s mapping.
// Leaves the frame opaque.
void DrawNetView(const CNetViewController& view, const CSlicePlane* slice, double pixelRatio);

// One frame of the net pane for a model designed by folding: the same
// projection and clear, then the crease pattern `pattern` holds as joined
// lines (outline black, mountains red, valleys blue; the bends faint grey
// beneath them when the pattern view shows them, other flat edges left out) placed by its
// paper mapping and `view`'s pan and zoom, and a green square around the
// paper point `selected` when it is not null. Leaves the frame opaque.
void DrawNetPattern(const CNetViewController& view, const CCreasePatternPane& pattern,
                    const CPaperPoint* selected, double pixelRatio);

// The section view's slices in model space, in `planes` order: outlines
// (green when highlighted, else black), translucent fills by axis type, and
// the picked slice's intersection lines in magenta. The camera and clear
// are the caller's; lighting and face culling are left off. Line widths are in
// logical pixels.
void DrawSectionSlices(const CPolyModel& model, double pixelRatio);
