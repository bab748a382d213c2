#include "support/LiteralFold.h"

#include "model/CSlicePlane.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace literal {

namespace {

CVector3 Crossing(const CSlicePlane& pl, const CVector3& s, const CVector3& v, double& fraction)
{
    CVector3 u = v - s;
    const double len = u.Length();
    u.Normalize();
    const double t =
        (-(pl.a * s.x + pl.b * s.y + pl.c * s.z) - pl.d) / (pl.a * u.x + pl.b * u.y + pl.c * u.z);
    fraction = t / len;
    return {s.x + t * u.x, s.y + t * u.y, s.z + t * u.z};
}

// Beside each face during one flood: its normal when the flood began, whether
// it is untouched, and the marks of its edges that turned about the plane.
struct Track {
    std::vector<CVector3> normal;
    std::vector<bool> untouched;
    std::vector<CEdgeMarks> turned;
    CVector3 reference;
    bool behind = false;
    uint8_t Mark(size_t f) const
    {
        return EdgeMark::kCrease |
               ((normal[f].Dot(reference) > 0.0) != behind ? EdgeMark::kValley : 0);
    }
};
Track track;

void Erase(CWorkingShape& m, size_t f)
{
    m.pos.erase(m.pos.begin() + 3 * f, m.pos.begin() + 3 * f + 3);
    m.corner.erase(m.corner.begin() + 3 * f, m.corner.begin() + 3 * f + 3);
    m.tri.erase(m.tri.begin() + f);
    track.normal.erase(track.normal.begin() + f);
    track.untouched.erase(track.untouched.begin() + f);
    track.turned.erase(track.turned.begin() + f);
}

void Add(CWorkingShape& m, const CVector3& p1, const CVector3& p2, const CVector3& p3,
         const CCornerData& c1, const CCornerData& c2, const CCornerData& c3, int32_t origin,
         CEdgeMarks marks)
{
    m.Append(p1, p2, p3, c1, c2, c3, origin, marks);
    track.normal.push_back(m.tri.back().normal);
    track.untouched.push_back(false);
    track.turned.push_back({});
}

void Flood(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& start, int side);

} // namespace

void ReflectFrom(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& start, int side,
                 const CVector3& reference, bool behind)
{
    track = Track{};
    track.reference = reference;
    track.behind = behind;
    for (const CTriangleData& t : mesh.tri) {
        track.normal.push_back(t.normal);
        track.untouched.push_back(true);
        track.turned.push_back({});
    }
    Flood(mesh, plane, start, side);
    // A turned edge shared with an untouched face is a crease on both.
    for (size_t f = 0; f < mesh.TriangleCount(); ++f)
        for (int j = 0; j < 3; ++j) {
            if (!track.turned[f].e[j])
                continue;
            const CVector3 a = mesh.Pos(f, j), b = mesh.Pos(f, (j + 1) % 3);
            for (size_t g = 0; g < mesh.TriangleCount(); ++g) {
                if (!track.untouched[g])
                    continue;
                for (int i = 0; i < 3; ++i) {
                    if (Distance3D(mesh.Pos(g, i), a) >= 0.0001)
                        continue;
                    if (Distance3D(mesh.Pos(g, (i + 1) % 3), b) < 0.0001)
                        mesh.tri[g].edge[i] = mesh.tri[f].edge[j] = track.turned[f].e[j];
                    else if (Distance3D(mesh.Pos(g, (i + 2) % 3), b) < 0.0001)
                        mesh.tri[g].edge[(i + 2) % 3] = mesh.tri[f].edge[j] = track.turned[f].e[j];
                }
            }
        }
}

namespace {

void Flood(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& start, int side)
{
    CVector3 point = start;
    for (;;) {
        long face = -1;
        int seed = -1;
        for (size_t f = 0; f < mesh.TriangleCount(); ++f)
            for (int j = 0; j < 3; ++j)
                if (Distance3D(mesh.Pos(f, j), point) < 0.0001) {
                    face = static_cast<long>(f);
                    seed = j;
                    break;
                }
        if (face < 0)
            return;
        const size_t f = static_cast<size_t>(face);
        const CVector3 p[3] = {mesh.Pos(f, 0), mesh.Pos(f, 1), mesh.Pos(f, 2)};
        const CCornerData c[3] = {mesh.corner[3 * f], mesh.corner[3 * f + 1],
                                  mesh.corner[3 * f + 2]};
        const int origin = mesh.tri[f].origin;
        int s[3];
        for (int i = 0; i < 3; ++i)
            s[i] = plane.ClassifyPoint(p[i]);
        const int zeros = (s[0] == 0) + (s[1] == 0) + (s[2] == 0);
        if (zeros == 0 && s[0] == s[1] && s[1] == s[2]) {
            for (int j = 0; j < 3; ++j)
                mesh.pos[3 * f + j] = plane.ReflectPoint(p[j]);
            mesh.UpdatePlane(f);
            track.untouched[f] = false;
            for (const CVector3& q : p)
                Flood(mesh, plane, q, side);
            return;
        }
        if (zeros == 0) {
            int i = 0;
            while (s[i] != s[(i + 1) % 3])
                ++i;
            const int S = i, R = (i + 1) % 3, V = (i + 2) % 3;
            double t1, t2;
            const CVector3 p1 = Crossing(plane, p[S], p[V], t1);
            const CVector3 p2 = Crossing(plane, p[R], p[V], t2);
            const CCornerData c1 = CCornerData::Lerp(c[S], c[V], t1);
            const CCornerData c2 = CCornerData::Lerp(c[R], c[V], t2);
            CVector3 r = p[R], v = p[V], sp = p[S];
            const bool lone = V == seed;
            if (lone) {
                v = plane.ReflectPoint(v);
            } else {
                r = plane.ReflectPoint(r);
                sp = plane.ReflectPoint(sp);
            }
            // A copy: appending may move the records.
            const uint8_t* edge = mesh.tri[f].edge;
            const uint8_t e[3] = {edge[0], edge[1], edge[2]};
            const uint8_t cut = track.Mark(f);
            Add(mesh, r, p2, sp, c[R], c2, c[S], origin, {{e[R], 0, e[S]}});
            Add(mesh, p2, p1, sp, c2, c1, c[S], origin, {{cut, e[V], 0}});
            Add(mesh, p2, v, p1, c2, c[V], c1, origin, {{e[R], e[V], cut}});
            Erase(mesh, f);
            if (lone) {
                point = p[V];
            } else {
                Flood(mesh, plane, p[R], side);
                point = p[S];
            }
            continue;
        }
        bool restMoves = zeros < 3;
        for (int j = 0; j < 3; ++j)
            if (s[j] != 0 && s[j] != side)
                restMoves = false;
        if (restMoves) {
            for (int j = 0; j < 3; ++j)
                if (s[j] != 0)
                    mesh.pos[3 * f + j] = plane.ReflectPoint(p[j]);
            mesh.UpdatePlane(f);
            track.untouched[f] = false;
            for (int j = 0; j < 3; ++j)
                if (s[j] == 0 && s[(j + 1) % 3] == 0)
                    track.turned[f].e[j] = track.Mark(f);
            for (int j = 0; j < 3; ++j)
                if (s[j] != 0)
                    Flood(mesh, plane, p[j], side);
            return;
        }
        if (zeros != 1)
            return;
        const int z = s[0] == 0 ? 0 : (s[1] == 0 ? 1 : 2);
        const int a = (z + 1) % 3, b = (z + 2) % 3;
        if (s[a] != -s[b])
            return;
        const int x = s[a] == side ? a : b; // the corner that moves
        const int y = x == a ? b : a;
        double t;
        const CVector3 cross = Crossing(plane, p[x], p[y], t);
        const CCornerData cc = CCornerData::Lerp(c[x], c[y], t);
        const CVector3 pa = x == a ? plane.ReflectPoint(p[a]) : p[a];
        const CVector3 pb = x == b ? plane.ReflectPoint(p[b]) : p[b];
        // A copy: appending may move the records.
        const uint8_t* edge = mesh.tri[f].edge;
        const uint8_t e[3] = {edge[0], edge[1], edge[2]};
        const uint8_t cut = track.Mark(f);
        Add(mesh, p[z], pa, cross, c[z], c[a], cc, origin, {{e[z], e[a], cut}});
        Add(mesh, p[z], cross, pb, c[z], cc, c[b], origin, {{cut, e[a], e[b]}});
        Erase(mesh, f);
        point = p[x];
    }
}

} // namespace

ReflectionStepResult ReflectionStep(const CWorkingShape& base, CWorkingShape& working,
                                    CSlicePlane& plane, const CVector3& startPos,
                                    const CVector3& draggedPos, const CVector3& reference,
                                    bool behind)
{
    ReflectionStepResult result;
    const bool back = startPos == draggedPos;
    int side = 0;
    if (!back) {
        plane.SetBisector(startPos, draggedPos);
        side = plane.ClassifyPoint(startPos);
        if (side == 0)
            return result;
    }
    working = base;
    if (!back)
        literal::ReflectFrom(working, plane, startPos, side, reference, behind);
    const CVector3 target = back ? startPos : plane.ReflectPoint(startPos);
    double best = 1.7976931348623157e308;
    for (size_t k = 0; k < working.CornerCount(); ++k) {
        const double d = Distance3D(working.pos[k], target);
        if (d < best) {
            best = d;
            result.corner = static_cast<int32_t>(k);
        }
    }
    result.accepted = true;
    return result;
}

} // namespace literal

namespace foldcheck {

::testing::AssertionResult SameMesh(const CWorkingShape& a, const CWorkingShape& b)
{
    if (a.TriangleCount() != b.TriangleCount())
        return ::testing::AssertionFailure()
               << "triangles " << a.TriangleCount() << " vs " << b.TriangleCount();
    for (size_t k = 0; k < a.CornerCount(); ++k) {
        if (std::memcmp(&a.pos[k], &b.pos[k], sizeof(CVector3)) != 0)
            return ::testing::AssertionFailure() << "position of corner " << k;
        if (std::memcmp(&a.corner[k], &b.corner[k], sizeof(CCornerData)) != 0)
            return ::testing::AssertionFailure() << "data of corner " << k;
    }
    if (!(a == b))
        return ::testing::AssertionFailure() << "planes or origins differ";
    return ::testing::AssertionSuccess();
}

} // namespace foldcheck
