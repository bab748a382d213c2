#include "base/HalfEdges.h"

#include <algorithm>

void GroupHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                    CHalfEdgeBuffers& buffers)
{
    const uint32_t halfEdges = static_cast<uint32_t>(vertexOf.size());
    // A counting sort by the lower vertex: no list of 64-bit keys to sort.
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
    auto upper = [&](uint32_t h) { return std::max(vertexOf[h], vertexOf[NextInTriangle(h)]); };
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const auto first = list.begin() + start[v], last = list.begin() + start[v + 1];
        if (last - first > 1)
            std::sort(first, last, [&](uint32_t x, uint32_t y) {
                const uint32_t ux = upper(x), uy = upper(y);
                return ux != uy ? ux < uy : x < y;
            });
    }
}

void PairHalfEdges(const std::vector<uint32_t>& vertexOf, uint32_t vertexCount,
                   std::vector<int32_t>& twin, CHalfEdgeBuffers& buffers)
{
    twin.assign(vertexOf.size(), -1);
    GroupHalfEdges(vertexOf, vertexCount, buffers);
    ForEachEdge(vertexOf, buffers, [&](const uint32_t* first, const uint32_t* last) {
        for (const uint32_t* i = first; i != last; ++i) {
            const uint32_t h = *i;
            if (twin[h] >= 0)
                continue;
            for (const uint32_t* k = i + 1; k != last; ++k) {
                const uint32_t g = *k;
                if (twin[g] < 0 && vertexOf[g] != vertexOf[h]) {
                    twin[h] = static_cast<int32_t>(g);
                    twin[g] = static_cast<int32_t>(h);
                    break;
                }
            }
        }
    });
}
