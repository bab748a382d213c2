#include "paper/PatternChains.h"

#include "base/Buckets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A line may turn this much at a vertex where more edges of its kind meet.
const double kMostTurnCosine = std::cos(30.0 * std::numbers::pi / 180.0);

class ChainWalker {
public:
    ChainWalker(const CCreasePattern& p, const PatternEdgeFilter& include, CPatternChains& out)
        : p_(p), out_(out), s_(out.scratch)
    {
        const size_t n = p.vertices.size();
        s_.done.assign(p.edges.size(), 1);
        for (uint32_t i = 0; i < p.edges.size(); ++i) {
            const CPatternEdge& e = p.edges[i];
            if (e.a != e.b && e.a < n && e.b < n && include(e))
                s_.done[i] = 0;
        }
        // The edges at each vertex, side by side.
        FillBuckets(n, s_.start, s_.at, [&](auto&& put) {
            for (uint32_t i = 0; i < p.edges.size(); ++i)
                if (!s_.done[i]) {
                    put(p.edges[i].a, i);
                    put(p.edges[i].b, i);
                }
        });
    }

    void Run()
    {
        // Open lines first, each from one of its ends, so none is cut in two;
        // what is left over are closed lines.
        for (uint32_t i = 0; i < p_.edges.size(); ++i) {
            if (s_.done[i])
                continue;
            const CPatternEdge& e = p_.edges[i];
            if (Continuation(i, e.a) == CPatternChains::kNoEdge)
                Walk(i, e.a);
            else if (Continuation(i, e.b) == CPatternChains::kNoEdge)
                Walk(i, e.b);
        }
        for (uint32_t i = 0; i < p_.edges.size(); ++i)
            if (!s_.done[i])
                Walk(i, p_.edges[i].a);
    }

private:
    uint32_t Other(uint32_t i, uint32_t v) const
    {
        const CPatternEdge& e = p_.edges[i];
        return e.a == v ? e.b : e.a;
    }

    // The edge that carries edge i's line on beyond vertex v, or kNoEdge.
    uint32_t Continuation(uint32_t i, uint32_t v) const
    {
        uint32_t only = CPatternChains::kNoEdge;
        int others = 0;
        const CreaseKind kind = p_.edges[i].kind;
        for (uint32_t k = s_.start[v]; k < s_.start[v + 1]; ++k) {
            const uint32_t j = s_.at[k];
            if (j != i && p_.edges[j].kind == kind) {
                only = j;
                ++others;
            }
        }
        if (others <= 1)
            return only;
        const uint32_t j = Straightest(i, v);
        return j != CPatternChains::kNoEdge && Straightest(j, v) == i ? j : CPatternChains::kNoEdge;
    }

    // Among the other edges of i's kind at v, the one whose direction is most
    // nearly opposite to i's, if it turns less than the limit.
    uint32_t Straightest(uint32_t i, uint32_t v) const
    {
        const CPaperPoint& o = p_.vertices[v];
        const CPaperPoint& a = p_.vertices[Other(i, v)];
        const double au = a.u - o.u, av = a.v - o.v;
        const double alen = std::hypot(au, av);
        uint32_t best = CPatternChains::kNoEdge;
        double bestCos = -kMostTurnCosine;
        for (uint32_t k = s_.start[v]; k < s_.start[v + 1]; ++k) {
            const uint32_t j = s_.at[k];
            if (j == i || p_.edges[j].kind != p_.edges[i].kind)
                continue;
            const CPaperPoint& b = p_.vertices[Other(j, v)];
            const double bu = b.u - o.u, bv = b.v - o.v;
            const double c = (au * bu + av * bv) / (alen * std::hypot(bu, bv));
            if (c < bestCos) {
                bestCos = c;
                best = j;
            }
        }
        return best;
    }

    void Walk(uint32_t i, uint32_t from)
    {
        CPatternChains::Chain chain;
        chain.kind = p_.edges[i].kind;
        chain.begin = static_cast<uint32_t>(out_.vertices.size());
        uint32_t v = from;
        for (;;) {
            out_.vertices.push_back(v);
            out_.edges.push_back(i);
            s_.done[i] = 1;
            v = Other(i, v);
            const uint32_t next = Continuation(i, v);
            if (next == CPatternChains::kNoEdge || s_.done[next])
                break;
            i = next;
        }
        out_.vertices.push_back(v);
        out_.edges.push_back(CPatternChains::kNoEdge);
        chain.end = static_cast<uint32_t>(out_.vertices.size());
        out_.chains.push_back(chain);
    }

    const CCreasePattern& p_;
    CPatternChains& out_;
    CPatternChains::Scratch& s_;
};

} // namespace

bool IsDrawnEdge(const CPatternEdge& e)
{
    return e.kind != CreaseKind::Flat;
}

bool IsVisibleBend(const CPatternEdge& e)
{
    return e.kind == CreaseKind::Flat && std::fabs(e.bendAngle) >= kShownBendDegrees;
}

CStrokeColour KindColour(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Mountain:
        return {1.0, 0.0, 0.0};
    case CreaseKind::Valley:
        return {0.0, 0.0, 1.0};
    case CreaseKind::Flat:
        return {0.6, 0.6, 0.6};
    case CreaseKind::Boundary:
        break;
    }
    return {};
}

void StrokeRuns(const CCreasePattern& pattern, const CPatternChains& chains,
                const CPatternChains::Chain& chain, std::vector<CStrokeRun>& out)
{
    constexpr double kMostChange = 1.0; // degrees within one piece
    out.clear();
    if (chain.end - chain.begin < 2)
        return;
    if (chain.kind == CreaseKind::Boundary) {
        out.push_back({chain.begin, chain.end, 1.0});
        return;
    }
    const auto angle = [&](uint32_t k) {
        const CPatternEdge& e = pattern.edges[chains.edges[k]];
        return std::fabs(e.kind == CreaseKind::Flat ? e.bendAngle : e.foldAngle);
    };
    const auto close = [&](CStrokeRun run, double angleLength, double length) {
        const double mean = length > 0.0 ? angleLength / length : angle(run.begin);
        run.opacity = std::clamp(mean / 180.0, 0.1, 1.0);
        out.push_back(run);
    };
    CStrokeRun run{chain.begin, chain.begin + 1, 1.0};
    double lo = angle(chain.begin), hi = lo, angleLength = 0.0, length = 0.0;
    for (uint32_t k = chain.begin; k + 1 < chain.end; ++k) {
        const double a = angle(k);
        if (std::max(hi, a) - std::min(lo, a) > kMostChange) {
            close(run, angleLength, length);
            run.begin = k;
            lo = hi = a;
            angleLength = length = 0.0;
        }
        lo = std::min(lo, a);
        hi = std::max(hi, a);
        const CPaperPoint& p = pattern.vertices[chains.vertices[k]];
        const CPaperPoint& q = pattern.vertices[chains.vertices[k + 1]];
        const double len = std::hypot(q.u - p.u, q.v - p.v);
        length += len;
        angleLength += a * len;
        run.end = k + 2;
    }
    close(run, angleLength, length);
}

void ChainPatternEdges(const CCreasePattern& pattern, const PatternEdgeFilter& include,
                       CPatternChains& out)
{
    out.chains.clear();
    out.vertices.clear();
    out.edges.clear();
    ChainWalker(pattern, include, out).Run();
}
