#pragma once
// The crease pattern of the form being designed, read off the form itself:
// corners welded by their paper point into a planar mesh, each edge with the
// fold angle the form has there and what the design added to the opened model.

#include "base/HalfEdges.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <vector>

class CPolyModel;

// A crease whose fold angle stays under this (degrees) is laid flat again
// (F); one within this of 180 is a flat fold, signed by its record.
constexpr double kCreaseDegrees = 0.5;
// Corners weld when their paper points are this fraction of the paper's diagonal apart.
constexpr double kPaperWeldTolerance = 1e-9;

enum class CreaseKind : uint8_t { Boundary, Mountain, Valley, Flat };

// The FOLD letter of a kind: B, M, V or F.
char AssignmentLetter(CreaseKind kind);

struct CPatternEdge {
    uint32_t a = 0; // vertices
    uint32_t b = 0;
    CreaseKind kind = CreaseKind::Boundary;
    double foldAngle = 0.0;   // degrees, positive for a valley (FOLD's sign); 0 unless M or V
    double bendAngle = 0.0;   // the dihedral of an F edge that is not a crease; 0 otherwise
    double designAngle = 0.0; // the dihedral less the opened model's own dihedral there
};

// The opened model's faces as the design started from them, for reading its
// own dihedral off any edge between two of them. Built once per opened model.
struct COriginFaces {
    struct Face {
        CVector3 front; // unit normal on the paper's front side
        CVector3 du;    // change of position per unit of paper u
        CVector3 dv;    // and of v
        bool valid = false;
    };
    std::vector<Face> faces; // by face index in the opened model's first object
};

// From the opened model's triangles with their paper (FlatFromObject of the
// first object and model.paper); the triangle index is the origin.
void BuildOriginFaces(const CWorkingShape& opened, COriginFaces& out);
// The same from the model: its first object with model.paper (laid flat on
// its paper when the paper came from a crease pattern). Empty without paper.
void BuildOriginFaces(const CPolyModel& model, COriginFaces& out);

struct CCreasePattern {
    std::vector<CPaperPoint> vertices; // on the paper
    std::vector<CVector3> folded;      // per vertex: where the form has it
    std::vector<uint32_t> faces;       // 3 vertices per face, counter-clockwise on the paper
    std::vector<CPatternEdge> edges;
    CPaperPoint lo; // the paper's extent
    CPaperPoint hi;

    size_t FaceCount() const { return faces.size() / 3; }

    // Buffers kept between builds, so rebuilding on every drag step allocates
    // nothing once they have grown.
    struct Scratch {
        std::vector<uint32_t> vertexOf; // per corner
        std::vector<int32_t> twin;
        std::vector<CVector3> front; // per triangle
        std::vector<uint8_t> mark;   // per half-edge: its EdgeMark bits
        struct Cell {
            int32_t x = 0; // paper point / cell size, rounded down
            int32_t y = 0;
            uint32_t head = UINT32_MAX; // latest vertex in the cell; UINT32_MAX when free
        };
        std::vector<Cell> cells; // open addressing, a power of two long
        std::vector<uint32_t> nextInCell;
        CHalfEdgeBuffers halfEdges;
    } scratch;
};

// Builds the crease pattern of `form` (any CWorkingShape whose corners carry
// paper points). Triangles whose corners weld into fewer than three vertices
// are left out. Edges: B where only one face has them. Elsewhere the dihedral
// is the form's signed one (FOLD's sign: positive when the two faces turn
// towards their front). An edge a fold laid down (EdgeMark::kCrease on either
// face) is a crease: within kCreaseDegrees of 180 its recorded sign decides
// M or V, under kCreaseDegrees it is F, else the dihedral's sign decides.
// Every other edge is a bend: F, fold angle 0, the dihedral as bendAngle.
// The design angle is the dihedral less the opened model's own between the
// two origin faces (0 inside one origin face or when `opened` does not know
// them). Linear time.
void BuildCreasePattern(const CWorkingShape& form, const COriginFaces& opened, CCreasePattern& out);
