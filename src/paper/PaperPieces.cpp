#include "paper/PaperPieces.h"

#include "base/HalfEdges.h"
#include "paper/PaperLayout.h"
#include "paper/PaperOverlap.h"

#include <algorithm>
#include <cmath>

namespace {

CPaperPoint Left(const CPaperPoint& a, const CPaperPoint& b, double t, double h)
{
    const double du = b.u - a.u;
    const double dv = b.v - a.v;
    const double len = std::sqrt(du * du + dv * dv);
    if (len == 0.0)
        return a;
    return {a.u + t * du - h * dv / len, a.v + t * dv + h * du / len};
}

// Where corner c of a triangle goes, left of the paper edge a -> b, from the
// triangle's own shape (foot parameter along a-b and height above it).
CPaperPoint ThirdCorner(const CVector3& pa, const CVector3& pb, const CVector3& pc,
                        const CPaperPoint& a, const CPaperPoint& b)
{
    const CVector3 e = pb - pa;
    const double ee = e.Dot(e);
    if (ee == 0.0)
        return a;
    const double t = (pc - pa).Dot(e) / ee;
    const double h = ((pc - pa) - e * t).Length();
    return Left(a, b, t, h);
}

} // namespace

void UnfoldSurface(const CPaperSurface& s, std::vector<CPaperPoint>& paper, bool snap)
{
    const size_t triangles = s.Triangles();
    paper.assign(3 * triangles, CPaperPoint{});
    std::vector<bool> placed(triangles, false);
    // The corner that first put each point down: a placed corner is never
    // moved again, so its paper is the point.
    std::vector<uint32_t> first(s.points, UINT32_MAX);
    auto settle = [&](uint32_t c, CPaperPoint p) {
        uint32_t& k = first[s.pointOf[c]];
        if (k == UINT32_MAX)
            k = c;
        else if (snap)
            p = paper[k];
        paper[c] = p;
    };
    for (const uint32_t t : s.order) {
        if (!placed[t]) {
            const CVector3& p0 = s.Corner(3 * t);
            const CVector3& p1 = s.Corner(3 * t + 1);
            const CPaperPoint a{0.0, 0.0};
            const CPaperPoint b{Distance3D(p0, p1), 0.0};
            settle(3 * t, a);
            settle(3 * t + 1, b);
            settle(3 * t + 2, ThirdCorner(p0, p1, s.Corner(3 * t + 2), a, b));
            placed[t] = true;
        }
        for (uint32_t j = 0; j < 3; ++j) {
            const int32_t twin = s.twin[3 * t + j];
            if (twin < 0 || placed[twin / 3])
                continue;
            // The neighbour's edge k -> k+1 runs back along ours, so its third
            // corner lies left of it: the neighbour comes out counter-clockwise.
            const uint32_t k = static_cast<uint32_t>(twin);
            const uint32_t k1 = NextInTriangle(k);
            const uint32_t k2 = NextInTriangle(k1);
            paper[k] = paper[NextInTriangle(3 * t + j)];
            paper[k1] = paper[3 * t + j];
            settle(k2, ThirdCorner(s.Corner(k), s.Corner(k1), s.Corner(k2), paper[k], paper[k1]));
            placed[k / 3] = true;
        }
    }
}

void MeasureStrain(const CPaperSurface& s, const std::vector<CPaperPoint>& paper, double& max,
                   double& mean, std::vector<double>* pieceMax)
{
    max = mean = 0.0;
    if (pieceMax)
        pieceMax->assign(static_cast<size_t>(s.pieces), 0.0);
    size_t edges = 0;
    for (uint32_t h = 0; h < paper.size(); ++h) {
        if (s.twin[h] >= 0 && static_cast<uint32_t>(s.twin[h]) < h)
            continue;
        const uint32_t n = NextInTriangle(h);
        const double length = Distance3D(s.Corner(h), s.Corner(n));
        if (!(length > 0.0))
            continue;
        const double onPaper = std::hypot(paper[n].u - paper[h].u, paper[n].v - paper[h].v);
        const double strain = std::fabs(onPaper - length) / length;
        max = std::max(max, strain);
        mean += strain;
        ++edges;
        if (pieceMax) {
            double& m = (*pieceMax)[static_cast<size_t>(s.pieceOf[h / 3])];
            m = std::max(m, strain);
        }
    }
    if (edges)
        mean /= static_cast<double>(edges);
}

bool SplitOverlappingPieces(CPaperSurface& s, const std::vector<CPaperPoint>& paper)
{
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    FindPaperOverlaps(paper, s.pieceOf, pairs);
    if (pairs.empty())
        return false;
    const size_t triangles = s.Triangles();
    std::vector<uint32_t> start(triangles + 1, 0), partner(2 * pairs.size());
    for (const auto& [a, b] : pairs) {
        ++start[a + 1];
        ++start[b + 1];
    }
    for (size_t t = 0; t < triangles; ++t)
        start[t + 1] += start[t];
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (const auto& [a, b] : pairs) {
        partner[fill[a]++] = b;
        partner[fill[b]++] = a;
    }
    std::vector<int32_t> pieceOf(triangles, -1);
    std::vector<uint32_t> queue;
    int pieces = 0;
    auto clear = [&](uint32_t t, int piece) {
        for (uint32_t i = start[t]; i < start[t + 1]; ++i)
            if (pieceOf[partner[i]] == piece)
                return false;
        return true;
    };
    for (const uint32_t seed : s.order) {
        if (pieceOf[seed] >= 0)
            continue;
        const int piece = pieces++;
        pieceOf[seed] = piece;
        queue.assign(1, seed);
        for (size_t head = 0; head < queue.size(); ++head) {
            const uint32_t t = queue[head];
            for (uint32_t h = 3 * t; h < 3 * t + 3; ++h) {
                const int32_t g = s.twin[h];
                if (g < 0 || pieceOf[g / 3] >= 0 || !clear(static_cast<uint32_t>(g / 3), piece))
                    continue;
                pieceOf[g / 3] = piece;
                queue.push_back(static_cast<uint32_t>(g / 3));
            }
        }
    }
    s.pieceOf.swap(pieceOf);
    s.pieces = pieces;
    return true;
}

void SetSideBySide(const CPaperSurface& s, std::vector<CPaperPoint>& paper, double& width,
                   double& height)
{
    const int pieces = s.pieces;
    std::vector<double> lo(2 * pieces, kDoubleMax), hi(2 * pieces, -kDoubleMax);
    for (size_t c = 0; c < paper.size(); ++c) {
        const int32_t p = s.pieceOf[c / 3];
        lo[2 * p] = std::min(lo[2 * p], paper[c].u);
        lo[2 * p + 1] = std::min(lo[2 * p + 1], paper[c].v);
        hi[2 * p] = std::max(hi[2 * p], paper[c].u);
        hi[2 * p + 1] = std::max(hi[2 * p + 1], paper[c].v);
    }
    std::vector<double> shift(pieces);
    double cursor = 0.0;
    height = 0.0;
    for (int p = 0; p < pieces; ++p) {
        shift[p] = cursor - lo[2 * p];
        cursor += hi[2 * p] - lo[2 * p] + kPieceGap;
        height = std::max(height, hi[2 * p + 1] - lo[2 * p + 1]);
    }
    width = pieces > 0 ? cursor - kPieceGap : 0.0;
    for (size_t c = 0; c < paper.size(); ++c) {
        const int32_t p = s.pieceOf[c / 3];
        paper[c].u += shift[p];
        paper[c].v -= lo[2 * p + 1];
    }
}
