#pragma once
// Edges of a triangle soup whose corners have been welded to vertex numbers:
// which half-edge runs back along which. Shared by the paper layout and the
// crease pattern; the buffers are kept by the caller so that a rebuild on
// every drag step allocates nothing once they have grown.

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

// Fills twin (one entry per corner of `vertexOf`, 3 per triangle): the
// half-edge of another triangle that runs the other way between the same two
// vertices, or -1 when there is none (a boundary, a seam where the two sides
// disagree on orientation, or every edge beyond the second on a non-manifold
// edge). Half-edges whose ends share a vertex stay unpaired. Every value of
// vertexOf must be below vertexCount. Linear in the corner count.
void PairHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                   std::vector<int32_t>& twin, CHalfEdgeBuffers& buffers);
