#pragma once
// Contents of a slice: flat parts of the cross-section and the lines where
// the slice crosses other slices. A slice (CSlicePlane) owns both; every
// other link between these records is a plain non-owning pointer.

#include "model/Geometry.h"

#include <algorithm>
#include <memory>
#include <vector>

class CPolyModel;
class CSlicePlane;

struct PartVertex {
    double x = 0.0, y = 0.0, z = 0.0; // model space
    double u = 0.0, v = 0.0;          // the slice's plane coordinates

    PartVertex() = default;
    PartVertex(double px, double py, double pz, double pu, double pv)
        : x(px), y(py), z(pz), u(pu), v(pv)
    {
    }
};

// Three vertices of the owning part's outline, in the tessellator's order.
struct PartTriangle {
    const PartVertex* v[3] = {nullptr, nullptr, nullptr};
};

// One closed piece of a slice's cross-section. The outline is a polyline in
// list order, closed when its last vertex repeats its first.
class Spart {
public:
    explicit Spart(CSlicePlane* ownerSlice) : owner(ownerSlice) {}
    virtual ~Spart() = default;
    Spart(const Spart&) = delete;
    Spart& operator=(const Spart&) = delete;

    CSlicePlane* owner = nullptr;
    std::vector<std::unique_ptr<PartVertex>> outline;
    std::vector<PartTriangle> triangles;
    bool marked = false;
    bool highlight = false;

    // Appends an outline vertex and returns it.
    PartVertex* AddVertex(double x, double y, double z, double u, double v);

    // Replaces the triangles by a tessellation of the outline in (u, v).
    // Fewer than three vertices give no triangles. A self-crossing outline
    // gives whatever the tessellator emits without inventing vertices (the
    // fill may have gaps, never a triangle on a foreign vertex). Never fails.
    void Triangulate();
};

// A segment where the owning slice crosses another slice; its partner is the
// same segment stored on that other slice. Pairs are mutual.
class IntersectionLine {
public:
    IntersectionLine() = default;
    // Start x y z, end x y z, start u v, end u v; no partner, ids -1.
    IntersectionLine(double px1, double py1, double pz1, double px2, double py2, double pz2,
                     double pu1, double pv1, double pu2, double pv2, CSlicePlane* ownerSlice)
        : x1(px1), y1(py1), z1(pz1), x2(px2), y2(py2), z2(pz2), u1(pu1), v1(pv1), u2(pu2), v2(pv2),
          owner(ownerSlice)
    {
    }
    virtual ~IntersectionLine() = default;
    IntersectionLine(const IntersectionLine&) = delete;
    IntersectionLine& operator=(const IntersectionLine&) = delete;

    double x1 = 0.0, y1 = 0.0, z1 = 0.0;
    double x2 = 0.0, y2 = 0.0, z2 = 0.0;
    double u1 = 0.0, v1 = 0.0, u2 = 0.0, v2 = 0.0;
    CSlicePlane* owner = nullptr;
    IntersectionLine* partner = nullptr;
    int id = -1;
    int partnerId = -1;
};

// Space the net view leaves around a slice's parts on every side.
inline constexpr double kPartMargin = 0.1;

// Widens the slice's part bounds to take in the plane point (u, v).
void GrowPartBounds(CSlicePlane& slice, double u, double v);
// Padded size from the part bounds: their extent plus the margin on both sides.
void UpdatePaddedSize(CSlicePlane& slice);

// Smallest distance from (x, y) to the part's outline drawn as a polyline in
// window coordinates; project(vertex, wx, wy) places a vertex and returns
// false when it has no place (the polyline breaks there). kDoubleMax when no
// segment is drawn.
template <class Project>
double OutlineDistance(const Spart& part, double x, double y, Project&& project)
{
    double best = kDoubleMax;
    bool havePrev = false;
    double ax = 0.0, ay = 0.0;
    for (const auto& pv : part.outline) {
        double bx = 0.0, by = 0.0;
        const bool placed = project(*pv, bx, by);
        if (placed && havePrev)
            best = std::min(best, PointSegmentDistance2D(ax, ay, bx, by, x, y));
        havePrev = placed;
        ax = bx;
        ay = by;
    }
    return best;
}

// Links every line to the line its partner id names, but only when that line
// names it back and is a different line; any other line gets no partner.
// `lineCount` is the number of ids handed out (ids run 1..lineCount); lines
// whose own id is outside that range are left unpaired. Never fails.
void PairIntersectionLines(CPolyModel& model, int lineCount);

// The Delete key of the net pane: removes the marked parts of the picked
// slice; when none is left, removes the slice with its lines and their
// partners on other slices and clears `pickedPlane`. Returns true when every
// view should redraw (whenever a slice was picked), false when there was
// nothing to act on. No line anywhere is left pointing at a destroyed line.
bool DeleteMarkedParts(CPolyModel* model);
