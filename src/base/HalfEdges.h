#pragma once
// Edges of a triangle soup whose corners have been welded to vertex numbers:
// which half-edges lie on one edge, and which runs back along which. The
// paper layout, the crease pattern and the FOLD reader all find their
// neighbours here; the buffers are kept by the caller so that a rebuild on
// every drag step allocates nothing once they have grown.

#include <cstddef>
#include <cstdint>
#include <vector>

// Half-edge h = 3 t + j runs from corner j to corner (j + 1) % 3 of triangle t.
inline uint32_t NextInTriangle(uint32_t h)
{
    return h % 3 == 2 ? h - 2 : h + 1;
}

struct CHalfEdgeBuffers {
    std::vector<uint32_t> start; // per vertex + 1: where its bucket begins
    std::vector<uint32_t> list;  // half-edges grouped by their lower vertex
};

// Files every half-edge whose two ends differ under its lower vertex: bucket
// v is list[start[v] .. start[v + 1]), ordered by the upper vertex and then by
// half-edge number, so the half-edges of one edge stand side by side. Every
// value of vertexOf (one per corner, 3 per triangle) must be below
// vertexCount. Linear in the corner count but for the sort of each bucket,
// which holds a vertex's few edges.
void GroupHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                    CHalfEdgeBuffers& buffers);

// Calls `edge(first, last)` for every edge GroupHalfEdges found, with the
// range of list that holds its half-edges.
template <class Edge>
void ForEachEdge(const std::vector<uint32_t>& vertexOf, const CHalfEdgeBuffers& buffers,
                 Edge&& edge)
{
    const uint32_t* list = buffers.list.data();
    for (size_t v = 0; v + 1 < buffers.start.size(); ++v) {
        // In bucket v every half-edge has v at one end; the other end is the upper vertex.
        const auto upper = [&](uint32_t h) {
            return vertexOf[h] ^ vertexOf[NextInTriangle(h)] ^ static_cast<uint32_t>(v);
        };
        const uint32_t last = buffers.start[v + 1];
        for (uint32_t i = buffers.start[v]; i < last;) {
            const uint32_t to = upper(list[i]);
            uint32_t j = i + 1;
            while (j < last && upper(list[j]) == to)
                ++j;
            edge(list + i, list + j);
            i = j;
        }
    }
}

// Fills twin (one entry per corner): the half-edge of another triangle that
// runs the other way between the same two vertices, or -1 when there is none
// (a boundary, a seam where the two sides disagree on orientation, or every
// edge beyond the second on a non-manifold edge; of several, the lower
// numbers pair first). Half-edges whose ends share a vertex stay unpaired.
void PairHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                   std::vector<int32_t>& twin, CHalfEdgeBuffers& buffers);
