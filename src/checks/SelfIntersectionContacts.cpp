// The edge crossings of the self-intersection check: an edge of one triangle
// lying in the plane of another crosses it only when the neighbour across the
// edge lies on the other side, and finding that neighbour needs the trees.
#include "checks/SelfIntersection.h"

#include <cmath>

// Marks the contacts whose edge has a neighbour on the other side of the
// other triangle's plane (crosses). The neighbour has both ends of the edge for
// corners, so its box holds the edge's: the trees find it.
void CSelfIntersectionCheck::SettleContacts(std::vector<CContact>& contacts)
{
    const CWorkingShape& mesh = *mesh_;
    for (CContact& c : contacts) {
        const int k1 = c.edge == 2 ? 0 : c.edge + 1;
        const CVector3 p = mesh.Pos(c.a, c.edge), q = mesh.Pos(c.a, k1);
        const CTriangleData& plane = mesh.tri[c.b];
        c.crosses = false;
        around_.clear();
        FindAround(all_, p, q);
        if (inStep_)
            FindAround(movedTree_, p, q);
        for (const uint32_t t : around_) {
            if (t == c.a)
                continue;
            const CVector3* r = &mesh.pos[3 * size_t(t)];
            for (int j = 0; j < 3; ++j) {
                const CVector3 &s0 = r[j], &s1 = r[j == 2 ? 0 : j + 1];
                if (!((s0 == p && s1 == q) || (s0 == q && s1 == p)))
                    continue;
                const double d = plane.normal.Dot(r[j == 0 ? 2 : j - 1]) + plane.d;
                if (std::fabs(d) > kDesignTolerance && (d > 0.0 ? 1 : -1) != c.side)
                    c.crosses = true;
            }
        }
    }
}
