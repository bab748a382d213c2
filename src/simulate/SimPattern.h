#pragma once
// The crease pattern a fold simulation works on: the paper's points, its
// triangles and, per edge, what drives it. Built from the live design (its
// crease pattern read off the current form) or from an opened crease pattern
// file (the model's edge records).

#include "model/EdgeRecords.h"
#include "model/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

class CPolyModel;
struct CCreasePattern;

enum class SimEdgeKind : uint8_t {
    Boundary, // one triangle: a bar, no hinge
    Crease,   // M or V: a hinge driven to p x target
    Facet,    // F, J, a split inside a polygon, a bend: driven to p x target ("to the design")
    Free,     // U: a hinge with no stiffness of its own
};

struct CSimEdge {
    uint32_t a = 0; // vertices, the edge running a to b in triangle `left`
    uint32_t b = 0;
    int32_t left = -1;  // triangles on either side; right is -1 on a boundary
    int32_t right = -1;
    SimEdgeKind kind = SimEdgeKind::Boundary;
    // Degrees, FOLD's sign (valley positive): the fold angle of a crease, the
    // designed bend of a facet edge; 0 on the rest.
    double target = 0.0;
};

struct CSimPattern {
    std::vector<CVector3> paper;    // per vertex, mm, z = 0
    std::vector<CVector3> form;     // per vertex, mm: the designed form; empty when none
    std::vector<uint32_t> tris;     // 3 per triangle, counter-clockwise on the paper
    std::vector<CSimEdge> edges;    // every triangle edge once, cuts twice (one per side)
    // Vertices a cut split, appended after the source's own: sourceOf[v -
    // firstSplit] is the vertex each copy was split from.
    uint32_t firstSplit = 0;
    std::vector<uint32_t> sourceOf;
    // Facet targets came from the design (our own designs); without them
    // "to the design" and "paper alone" are the same.
    bool hasBendTargets = false;

    size_t VertexCount() const { return paper.size(); }
    size_t TriangleCount() const { return tris.size() / 3; }
};

// From the crease pattern of the current form (paper/CreasePattern.h): its
// vertices on the paper, its faces, its edges' kinds with fold and bend
// angles, and its folded positions in mm (folded * unitScale + unitCentre)
// as the designed form. False, with `why` set and `out` cleared, when the
// pattern has no face.
bool BuildSimPattern(const CCreasePattern& pattern, const CVector3& unitCentre, double unitScale,
                     CSimPattern& out, std::string& why);

// From an opened model: a crease pattern file's own records when its paper
// came from one (the first object's vertex records are the pattern's
// vertices, in order; the form is kept when the file had one), otherwise the
// crease pattern of the model's current shape. Mountains and valleys without
// a fold angle fold flat (-180 and 180). Cut edges split the sheet: a vertex
// on a cut gets one copy per side, appended after the others. False, with
// `why` set and `out` cleared, when the model has no paper or no face. Where
// more than two triangles meet at an edge, the third and on meet none there.
bool BuildSimPattern(const CPolyModel& model, CSimPattern& out, std::string& why);

// Per-triangle-edge input of the common builder: the pattern's points (mm),
// triangles counter-clockwise on the paper, and a record per triangle edge
// (3 per triangle; edge j from corner j to j + 1).
bool BuildSimPatternFromRecords(const std::vector<CVector3>& paper,
                                const std::vector<CVector3>& form,
                                const std::vector<uint32_t>& tris,
                                const std::vector<CEdgeRecord>& records, CSimPattern& out,
                                std::string& why);
