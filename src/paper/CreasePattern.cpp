#include "paper/CreasePattern.h"

#include "model/PolyModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDegrees = 57.295779513082320876798; // 180 / pi

using Cell = CCreasePattern::Scratch::Cell;

uint32_t CellSlot(int32_t x, int32_t y, size_t mask)
{
    uint64_t h = static_cast<uint32_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<uint32_t>(y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    return static_cast<uint32_t>(h & mask);
}

// Paper-point welding on a hash grid of cells 64 tolerances wide: a point
// looks into a neighbouring cell only when it lies within the tolerance of
// that side, which is rare, so a corner costs one probe.
class PaperWelder {
public:
    PaperWelder(CCreasePattern& out, double tol, const CPaperPoint& lo)
        : out_(out), s_(out.scratch), tol_(tol), cell_(64.0 * tol), lo_(lo)
    {
    }

    void Reset(size_t corners)
    {
        size_t size = 1024;
        while (size < corners / 2)
            size *= 2;
        s_.cells.assign(size, Cell{});
        s_.nextInCell.clear();
    }

    uint32_t Weld(const CPaperPoint& p, const CVector3& pos)
    {
        const double fx = (p.u - lo_.u) / cell_;
        const double fy = (p.v - lo_.v) / cell_;
        const int32_t x = static_cast<int32_t>(std::floor(fx));
        const int32_t y = static_cast<int32_t>(std::floor(fy));
        uint32_t v = Find(x, y, p);
        if (v != UINT32_MAX)
            return v;
        const double margin = tol_ / cell_;
        const int x0 = fx - margin < x ? -1 : 0, x1 = fx + margin >= x + 1.0 ? 1 : 0;
        const int y0 = fy - margin < y ? -1 : 0, y1 = fy + margin >= y + 1.0 ? 1 : 0;
        for (int dx = x0; dx <= x1; ++dx)
            for (int dy = y0; dy <= y1; ++dy)
                if ((dx || dy) && (v = Find(x + dx, y + dy, p)) != UINT32_MAX)
                    return v;
        v = static_cast<uint32_t>(out_.vertices.size());
        out_.vertices.push_back(p);
        out_.folded.push_back(pos);
        if (10 * (v + 1) > 7 * s_.cells.size())
            Grow();
        Insert(x, y, v);
        return v;
    }

private:
    uint32_t Find(int32_t x, int32_t y, const CPaperPoint& p) const
    {
        const size_t mask = s_.cells.size() - 1;
        for (size_t i = CellSlot(x, y, mask);; i = (i + 1) & mask) {
            const Cell& c = s_.cells[i];
            if (c.head == UINT32_MAX)
                return UINT32_MAX;
            if (c.x == x && c.y == y) {
                for (uint32_t v = c.head; v != UINT32_MAX; v = s_.nextInCell[v]) {
                    const CPaperPoint& q = out_.vertices[v];
                    if (std::fabs(q.u - p.u) <= tol_ && std::fabs(q.v - p.v) <= tol_)
                        return v;
                }
                return UINT32_MAX;
            }
        }
    }

    void Insert(int32_t x, int32_t y, uint32_t v)
    {
        const size_t mask = s_.cells.size() - 1;
        if (s_.nextInCell.size() <= v)
            s_.nextInCell.resize(v + 1);
        for (size_t i = CellSlot(x, y, mask);; i = (i + 1) & mask) {
            Cell& c = s_.cells[i];
            if (c.head == UINT32_MAX) {
                c = {x, y, v};
                s_.nextInCell[v] = UINT32_MAX;
                return;
            }
            if (c.x == x && c.y == y) {
                s_.nextInCell[v] = c.head;
                c.head = v;
                return;
            }
        }
    }

    void Grow()
    {
        s_.cells.assign(2 * s_.cells.size(), Cell{});
        const uint32_t n =
            static_cast<uint32_t>(out_.vertices.size()) - 1; // the new one comes after
        for (uint32_t v = 0; v < n; ++v) {
            const CPaperPoint& p = out_.vertices[v];
            Insert(static_cast<int32_t>(std::floor((p.u - lo_.u) / cell_)),
                   static_cast<int32_t>(std::floor((p.v - lo_.v) / cell_)), v);
        }
    }

    CCreasePattern& out_;
    CCreasePattern::Scratch& s_;
    double tol_;
    double cell_;
    CPaperPoint lo_;
};

// Signed angle from face f to face g across their common edge, degrees:
// positive when they turn towards their fronts. `along` runs the edge the way
// f (counter-clockwise on the paper) goes round it.
double Dihedral(const CVector3& frontF, const CVector3& frontG, const CVector3& along)
{
    if (frontF == frontG)
        return 0.0; // the common case inside a flat region, without the arctangent
    const CVector3 axis = frontG.Cross(frontF);
    const double len = along.Length();
    if (!(len > 0.0))
        return 0.0;
    const double angle = std::atan2(axis.Dot(along) / len, frontF.Dot(frontG)) * kDegrees;
    return std::isfinite(angle) ? angle : 0.0;
}

// The opened model's dihedral between origin faces f and g along the paper
// edge a -> b (as f goes round it).
double OpenedDihedral(const COriginFaces& opened, int32_t f, int32_t g, const CPaperPoint& a,
                      const CPaperPoint& b)
{
    if (f == g || f < 0 || g < 0 || static_cast<size_t>(f) >= opened.faces.size() ||
        static_cast<size_t>(g) >= opened.faces.size())
        return 0.0;
    const COriginFaces::Face& ff = opened.faces[f];
    const COriginFaces::Face& gg = opened.faces[g];
    if (!ff.valid || !gg.valid)
        return 0.0;
    const CVector3 along = ff.du * (b.u - a.u) + ff.dv * (b.v - a.v);
    return Dihedral(ff.front, gg.front, along);
}

} // namespace

char AssignmentLetter(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Boundary:
        return 'B';
    case CreaseKind::Mountain:
        return 'M';
    case CreaseKind::Valley:
        return 'V';
    case CreaseKind::Flat:
        break;
    }
    return 'F';
}

void BuildOriginFaces(const CWorkingShape& opened, COriginFaces& out)
{
    out.faces.assign(opened.TriangleCount(), COriginFaces::Face{});
    for (size_t t = 0; t < opened.TriangleCount(); ++t) {
        const CPaperPoint& q0 = opened.corner[3 * t].paper;
        const CPaperPoint& q1 = opened.corner[3 * t + 1].paper;
        const CPaperPoint& q2 = opened.corner[3 * t + 2].paper;
        const double a = q1.u - q0.u, b = q1.v - q0.v, c = q2.u - q0.u, d = q2.v - q0.v;
        const double det = a * d - b * c;
        if (det == 0.0)
            continue;
        // The affine map paper -> space of this face: [E1 E2] times the inverse of [q1-q0 q2-q0].
        const CVector3 e1 = opened.Pos(t, 1) - opened.Pos(t, 0);
        const CVector3 e2 = opened.Pos(t, 2) - opened.Pos(t, 0);
        COriginFaces::Face& f = out.faces[t];
        f.du = (e1 * d - e2 * b) * (1.0 / det);
        f.dv = (e2 * a - e1 * c) * (1.0 / det);
        CVector3 front = f.du.Cross(f.dv);
        if (!(front.Length() > 0.0) || !std::isfinite(front.Length()))
            continue;
        front.Normalize();
        f.front = front;
        f.valid = true;
    }
}

void BuildOriginFaces(const CPolyModel& model, COriginFaces& out)
{
    out.faces.clear();
    if (model.objects.empty() || model.paper.size() != 3 * model.objects[0]->faces.size())
        return;
    CWorkingShape opened;
    FlatFromObject(*model.objects[0], model.paper.data(), opened);
    if (model.paperInfo.fromPattern) {
        // Every crease the file brought is the design's own: measure from the flat sheet.
        for (size_t k = 0; k < opened.CornerCount(); ++k)
            opened.pos[k] = {opened.corner[k].paper.u, opened.corner[k].paper.v, 0.0};
        for (size_t t = 0; t < opened.TriangleCount(); ++t)
            opened.UpdatePlane(t);
    }
    BuildOriginFaces(opened, out);
}

void BuildCreasePattern(const CWorkingShape& form, const COriginFaces& opened, CCreasePattern& out)
{
    out.vertices.clear();
    out.folded.clear();
    out.faces.clear();
    out.edges.clear();
    out.lo = out.hi = CPaperPoint{};
    const size_t corners = form.CornerCount();
    if (corners == 0)
        return;
    CPaperPoint lo{kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax};
    for (const CCornerData& c : form.corner) {
        lo.u = std::min(lo.u, c.paper.u);
        lo.v = std::min(lo.v, c.paper.v);
        hi.u = std::max(hi.u, c.paper.u);
        hi.v = std::max(hi.v, c.paper.v);
    }
    const double diagonal = std::hypot(hi.u - lo.u, hi.v - lo.v);
    if (!std::isfinite(diagonal) || !(diagonal > 0.0))
        return; // no paper to speak of
    out.lo = lo;
    out.hi = hi;

    CCreasePattern::Scratch& s = out.scratch;
    PaperWelder welder(out, kPaperWeldTolerance * diagonal, lo);
    welder.Reset(corners);
    out.vertices.reserve(corners / 4);
    out.folded.reserve(corners / 4);
    s.vertexOf.resize(corners);
    s.front.resize(form.TriangleCount());
    s.mark.resize(corners);
    for (size_t c = 0; c < corners; ++c)
        s.vertexOf[c] = welder.Weld(form.corner[c].paper, form.pos[c]);

    // Turn every triangle counter-clockwise on the paper; its front is then
    // the side its corner order's normal shows, or the other one if turned.
    uint32_t* vertexOf = s.vertexOf.data();
    for (size_t t = 0; t < form.TriangleCount(); ++t) {
        uint32_t* v = vertexOf + 3 * t;
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
            v[0] = v[1] = v[2]; // collapsed: no edges, no face
            continue;
        }
        const CPaperPoint& a = out.vertices[v[0]];
        const CPaperPoint& b = out.vertices[v[1]];
        const CPaperPoint& c = out.vertices[v[2]];
        const double det = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
        s.front[t] = form.tri[t].normal;
        const uint8_t* e = form.tri[t].edge;
        uint8_t* m = s.mark.data() + 3 * t;
        m[0] = e[0], m[1] = e[1], m[2] = e[2];
        if (det < 0.0) {
            std::swap(v[1], v[2]);
            s.front[t] = s.front[t] * -1.0;
            std::swap(m[0], m[2]); // the half-edges run the other way round
        }
        out.faces.insert(out.faces.end(), v, v + 3);
    }
    PairHalfEdges(s.vertexOf, static_cast<uint32_t>(out.vertices.size()), s.twin, s.halfEdges);

    out.edges.reserve(corners / 2 + 16);
    for (uint32_t h = 0; h < corners; ++h) {
        const uint32_t a = vertexOf[h];
        const uint32_t b = vertexOf[NextInTriangle(h)];
        if (a == b)
            continue;
        const int32_t g = s.twin[h];
        CPatternEdge e;
        e.a = a;
        e.b = b;
        if (g < 0) {
            out.edges.push_back(e);
            continue;
        }
        if (static_cast<uint32_t>(g) < h)
            continue; // its twin made it
        const size_t tf = h / 3, tg = static_cast<size_t>(g) / 3;
        const double dihedral = Dihedral(s.front[tf], s.front[tg], out.folded[b] - out.folded[a]);
        e.designAngle = dihedral - OpenedDihedral(opened, form.tri[tf].origin, form.tri[tg].origin,
                                                  out.vertices[a], out.vertices[b]);
        const uint8_t mark = s.mark[h] & EdgeMark::kCrease ? s.mark[h] : s.mark[g];
        const double size = std::fabs(dihedral);
        e.kind = CreaseKind::Flat;
        if (!(mark & EdgeMark::kCrease) || size < kCreaseDegrees) {
            e.bendAngle = dihedral; // a bend, or a crease laid flat again
        } else if (size > 180.0 - kCreaseDegrees) {
            // Flat: the geometry cannot tell which way it went; the fold step can.
            const bool valley = mark & EdgeMark::kValley;
            e.kind = valley ? CreaseKind::Valley : CreaseKind::Mountain;
            e.foldAngle = valley ? size : -size;
        } else {
            e.kind = dihedral > 0.0 ? CreaseKind::Valley : CreaseKind::Mountain;
            e.foldAngle = dihedral;
        }
        out.edges.push_back(e);
    }
}
