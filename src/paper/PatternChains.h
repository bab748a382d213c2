#pragma once
// A crease pattern's edges joined into polylines, one kind to a line, for
// every drawing of the pattern (SVG, PDF, print, the net view): a line drawn
// as one stroke has no seams between its segments and reads as one crease.

#include "paper/CreasePattern.h"

#include <cstdint>
#include <functional>
#include <vector>

struct CPatternChains {
    static constexpr uint32_t kNoEdge = UINT32_MAX;

    struct Chain {
        CreaseKind kind = CreaseKind::Boundary;
        uint32_t begin = 0; // range into vertices and edges
        uint32_t end = 0;

        uint32_t VertexCount() const { return end - begin; }
    };
    std::vector<Chain> chains;
    // Pattern vertex indices, chain after chain; a closed chain repeats its
    // first vertex at its end.
    std::vector<uint32_t> vertices;
    // Aligned with vertices: edges[k] joins vertices[k] and vertices[k + 1];
    // kNoEdge at each chain's last vertex.
    std::vector<uint32_t> edges;

    bool Closed(const Chain& c) const
    {
        return c.end - c.begin > 2 && vertices[c.begin] == vertices[c.end - 1];
    }

    // Kept between builds so that a rebuild on every drag step allocates
    // nothing once they have grown.
    struct Scratch {
        std::vector<uint32_t> start; // per vertex, into at
        std::vector<uint32_t> at;    // included edges by vertex
        std::vector<uint8_t> done;   // per edge
    } scratch;
};

// Which edges of a pattern take part in a chaining.
using PatternEdgeFilter = std::function<bool(const CPatternEdge&)>;

// The boundary, mountains and valleys: what every output draws.
bool IsDrawnEdge(const CPatternEdge& e);
// Bends with an angle: F edges whose |bendAngle| reaches kShownBendDegrees,
// above the rounding noise a flat region's dihedrals carry.
constexpr double kShownBendDegrees = 1e-3;
bool IsVisibleBend(const CPatternEdge& e);

// The colour outputs give a kind: boundary black, mountain red, valley blue,
// and a flat edge (a bend) grey.
struct CStrokeColour {
    double r = 0.0, g = 0.0, b = 0.0;
};
CStrokeColour KindColour(CreaseKind kind);

// A piece of a chain drawn with one opacity: vertices[begin, end) of the
// chains, at least two.
struct CStrokeRun {
    uint32_t begin = 0;
    uint32_t end = 0;
    double opacity = 1.0;
};

// Cuts `chain` where its angle (|foldAngle| of a crease, |bendAngle| of a
// bend) has moved more than 1 degree within a piece, so that a stroke's
// opacity, |angle| / 180 (the piece's length-weighted mean, never below 0.1),
// is true of all of it. The boundary is one opaque piece. Clears `out` first.
void StrokeRuns(const CCreasePattern& pattern, const CPatternChains& chains,
                const CPatternChains::Chain& chain, std::vector<CStrokeRun>& out);

// Joins the edges `include` accepts into polylines of one kind each. A line
// goes on through a vertex where exactly one other edge of its kind meets it,
// and at a vertex where more meet, through the one edge that continues it
// most nearly straight (turning less than 30 degrees) when that edge has it
// as its own straightest continuation; everywhere else it ends. Every
// accepted edge lies on exactly one chain, once. Lines whose every vertex
// continues them are closed (the paper's outline). Linear in the edges
// times the largest number of accepted edges at one vertex.
void ChainPatternEdges(const CCreasePattern& pattern, const PatternEdgeFilter& include,
                       CPatternChains& out);
