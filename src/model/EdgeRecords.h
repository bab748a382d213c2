#pragma once
// What an opened crease pattern says about each edge of its faces: the
// assignment and the angles a fold drives the edge to. Readers of crease
// patterns fill CPolyModel::edgeRecords with these, 3 per face of the first
// object in face order (edge j runs from corner j to corner j + 1), the same
// layout as CPolyModel::edgeMarks; the simulation reads them back.

#include <cstdint>

// FOLD's edge assignments, plus None for an edge the file says nothing about
// (an edge split off inside one of its polygons, or a file without
// assignments).
enum class EdgeAssignment : uint8_t {
    None = 0,
    Boundary,   // B
    Mountain,   // M
    Valley,     // V
    Flat,       // F: a facet edge, bent by bendAngle
    Unassigned, // U: a crease left free
    Cut,        // C: the sheet is split along it
    Join,       // J: a facet edge joining what the file drew apart
};

// The FOLD letter of an assignment ('B', 'M', ...); '\0' for None.
char EdgeAssignmentLetter(EdgeAssignment assignment);
// The assignment of a FOLD letter, either case; None for anything else.
EdgeAssignment EdgeAssignmentFromLetter(char letter);

struct CEdgeRecord {
    EdgeAssignment assignment = EdgeAssignment::None;
    // The file gave this edge a fold angle (edges_foldAngle); without one, a
    // mountain or valley is taken as folded flat.
    bool hasFoldAngle = false;
    // Degrees, FOLD's sign: positive for a valley. 0 when the file gave none.
    double foldAngle = 0.0;
    // Degrees: how far the facets bend at an F edge of our own designs
    // (lintoro:edges_bendAngle); 0 elsewhere and for other programs' files.
    double bendAngle = 0.0;
};
