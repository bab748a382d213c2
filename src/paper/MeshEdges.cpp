#include "paper/MeshEdges.h"

#include <algorithm>

void PairHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                   std::vector<int32_t>& twin, CHalfEdgeBuffers& buffers)
{
    const uint32_t halfEdges = static_cast<uint32_t>(vertexOf.size());
    twin.assign(halfEdges, -1);
    // Bucket every half-edge under its lower vertex (counting sort): a bucket
    // holds a vertex's few edges, so pairing inside it is a short scan.
    std::vector<uint32_t>& start = buffers.start;
    std::vector<uint32_t>& list = buffers.list;
    start.assign(static_cast<size_t>(vertexCount) + 1, 0);
    for (uint32_t h = 0; h < halfEdges; ++h) {
        const uint32_t a = vertexOf[h];
        const uint32_t b = vertexOf[NextInTriangle(h)];
        if (a != b)
            ++start[std::min(a, b) + 1];
    }
    for (uint32_t v = 0; v < vertexCount; ++v)
        start[v + 1] += start[v];
    list.resize(start[vertexCount]);
    // start[v] serves as the bucket's fill cursor and ends at the next
    // bucket's start; shifting by one restores it without a second array.
    for (uint32_t h = 0; h < halfEdges; ++h) {
        const uint32_t a = vertexOf[h];
        const uint32_t b = vertexOf[NextInTriangle(h)];
        if (a != b)
            list[start[std::min(a, b)]++] = h;
    }
    for (uint32_t v = vertexCount; v > 0; --v)
        start[v] = start[v - 1];
    start[0] = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const uint32_t begin = start[v];
        const uint32_t end = start[v + 1];
        for (uint32_t i = begin; i < end; ++i) {
            const uint32_t h = list[i];
            if (twin[h] >= 0)
                continue;
            const uint32_t from = vertexOf[h];
            const uint32_t to = vertexOf[NextInTriangle(h)];
            for (uint32_t k = i + 1; k < end; ++k) {
                const uint32_t g = list[k];
                if (twin[g] < 0 && vertexOf[g] == to && vertexOf[NextInTriangle(g)] == from) {
                    twin[h] = static_cast<int32_t>(g);
                    twin[g] = static_cast<int32_t>(h);
                    break;
                }
            }
        }
    }
}
