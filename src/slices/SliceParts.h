#pragma once
// What the slices do with their parts: bounds, outline distance, line
// pairing and the net pane's Delete. The records are in model/SliceRecords.h.

#include "model/CSlicePlane.h"
#include "model/Geometry.h"
#include "model/SliceRecords.h"

#include <algorithm>
#include <memory>
#include <vector>

class CPolyModel;
class CSlicePlane;

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
