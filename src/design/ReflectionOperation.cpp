#include "design/ReflectionOperation.h"

#include "model/CSlicePlane.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Largest coordinate of a base state that the quick step takes on.
constexpr double kQuickLimit = 1e6;

template <class T> void MoveRun(std::vector<T>& v, size_t to, size_t from, size_t count)
{
    std::memmove(v.data() + to, v.data() + from, count * sizeof(T));
}

} // namespace

void CFoldWorkspace::ReserveFor(CFlatMesh& m, size_t triangles)
{
    if (m.tri.capacity() < triangles)
        m.Reserve(triangles + triangles / 16 + 64);
}

void CFoldWorkspace::SetBase(const CFlatMesh& base)
{
    base_ = base;
    baseIndex_.Build(base_);
    hasBase_ = true;
    // Far from the origin, rounding could eat the margin the quick step
    // relies on; such shapes always take the general flood.
    baseMaxAbs_ = 0.0;
    for (const CVector3& p : base_.pos)
        baseMaxAbs_ = std::max(baseMaxAbs_,
                               std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z))));
    if (!std::isfinite(baseMaxAbs_))
        baseMaxAbs_ = std::numeric_limits<double>::infinity();
}

void CFoldWorkspace::Invalidate()
{
    // Its memory goes back too: a large mesh's base, index and flood state
    // are worth more to the rest of the program until the next selection.
    hasBase_ = false;
    base_ = CFlatMesh{};
    baseIndex_ = CFoldIndex{};
    state_ = {};
    groups_ = {};
    images_ = {};
    placedFaces_ = {};
    placed_ = {};
    placedCells_ = CCellTable{};
    stack_ = {};
    atTarget_ = {};
    groupSide_ = {};
    groupU_ = {};
    groupImage_ = {};
    groupMoving_ = {};
    mirroredPlane_ = {};
    groupStack_ = {};
    quickDone_ = {};
    turned_ = {};
    turnedSlot_ = {};
    extra_ = CFlatMesh{};
}

ReflectionStepResult CFoldWorkspace::Step(CFlatMesh& working, CSlicePlane& plane,
                                          const CVector3& startPos, const CVector3& draggedPos)
{
    ReflectionStepResult result;
    lastQuick_ = false;
    if (!hasBase_)
        return result;
    // Dragged exactly back to the start: no bisector exists, and nothing is folded.
    const bool back = startPos == draggedPos;
    int side = 0;
    if (!back) {
        const double before[4] = {plane.a, plane.b, plane.c, plane.d};
        plane.SetBisector(startPos, draggedPos);
        if (!std::isfinite(plane.a) || !std::isfinite(plane.b) || !std::isfinite(plane.c) ||
            !std::isfinite(plane.d)) {
            // Positions too far apart (or not numbers) give no plane: keep the old one.
            plane.a = before[0], plane.b = before[1], plane.c = before[2], plane.d = before[3];
            return result;
        }
        side = plane.ClassifyPoint(startPos);
        if (side == 0)
            return result; // the seed itself lies on the plane: no side to move
        if (quickAllowed_ && baseMaxAbs_ < kQuickLimit) {
            BeginFlood(working, plane, baseIndex_, side);
            target_ = plane.ReflectPoint(startPos);
            int32_t corner = -1;
            if (QuickStep(working, startPos, corner)) {
                lastQuick_ = true;
                result.accepted = true;
                result.corner = corner;
                return result;
            }
        }
    }
    // The working shape is rebuilt from the base in place: one copy, and room
    // for the split triangles so appending them does not double a large mesh.
    ReserveFor(working, base_.TriangleCount());
    working.pos.assign(base_.pos.begin(), base_.pos.end());
    working.corner.assign(base_.corner.begin(), base_.corner.end());
    working.tri.assign(base_.tri.begin(), base_.tri.end());
    BeginFlood(working, plane, baseIndex_, side);
    target_ = back ? startPos : plane.ReflectPoint(startPos);
    if (!back)
        RunFlood(startPos);
    EndFlood();
    const int32_t exact = FirstAtTarget();
    const int32_t corner = exact >= 0 ? CompactedCorner(exact) : -1;
    Compact(working);
    result.accepted = true;
    result.corner = corner >= 0 ? corner : Nearest(working, target_);
    return result;
}

void CFoldWorkspace::Compact(CFlatMesh& mesh) const
{
    // Crossed faces leave here, once, keeping the order of the rest; live
    // faces move down in runs.
    if (!anyDead_)
        return;
    const size_t total = mesh.TriangleCount();
    size_t at = 0;
    for (size_t f = 0; f < total;) {
        if (state_[f] & kDead) {
            ++f;
            continue;
        }
        size_t end = f + 1;
        while (end < total && !(state_[end] & kDead))
            ++end;
        const size_t count = end - f;
        if (at != f) {
            MoveRun(mesh.pos, 3 * at, 3 * f, 3 * count);
            MoveRun(mesh.corner, 3 * at, 3 * f, 3 * count);
            MoveRun(mesh.tri, at, f, count);
        }
        at += count;
        f = end;
    }
    mesh.pos.resize(3 * at);
    mesh.corner.resize(3 * at);
    mesh.tri.resize(at);
}

int32_t CFoldWorkspace::FirstAtTarget() const
{
    // A corner at distance 0 is the nearest, and the first of them in order
    // wins: candidates are the corners the flood wrote there and the index
    // corners that were there already, if they are still there and alive.
    int32_t best = -1;
    auto consider = [&](int32_t k) {
        if ((best < 0 || k < best) && !(state_[k / 3] & kDead) && mesh_->pos[k] == target_)
            best = k;
    };
    for (int32_t k : atTarget_)
        consider(k);
    index_->ForEachCornerNear(target_, CFoldIndex::kReach, [&](int32_t k) {
        if (index_->Pos(k) == target_)
            consider(k);
    });
    return best;
}

int32_t CFoldWorkspace::CompactedCorner(int32_t k) const
{
    int32_t dead = 0;
    for (int32_t f = 0; f < k / 3; ++f)
        dead += state_[f] & kDead;
    return k - 3 * dead;
}

int32_t CFoldWorkspace::Nearest(const CFlatMesh& mesh, const CVector3& target)
{
    // The first corner at the smallest distance, as a plain scan finds it; the
    // square root is taken only when the squared distance can win.
    int32_t best = -1;
    double bestDistance = kDoubleMax;
    double bestSquared = std::numeric_limits<double>::infinity();
    const size_t n = mesh.CornerCount();
    for (size_t k = 0; k < n; ++k) {
        const CVector3& p = mesh.pos[k];
        const double dx = p.x - target.x;
        const double dy = p.y - target.y;
        const double dz = p.z - target.z;
        const double s = dx * dx + dy * dy + dz * dz;
        if (s > bestSquared)
            continue;
        const double d = std::sqrt(s);
        if (d < bestDistance) {
            bestDistance = d;
            bestSquared = s;
            best = static_cast<int32_t>(k);
        }
    }
    return best;
}

void CFoldWorkspace::Flood(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point)
{
    // The index reads positions in place, and the flood moves them.
    const CFlatMesh before = mesh;
    looseIndex_.Build(before);
    BeginFlood(mesh, plane, looseIndex_, plane.ClassifyPoint(point));
    RunFlood(point);
    EndFlood();
    Compact(mesh);
}

ReflectionStepResult ReflectionStep(CFlatMesh& working, CSlicePlane& plane,
                                    CFoldWorkspace& workspace, const CVector3& startPos,
                                    const CVector3& draggedPos)
{
    return workspace.Step(working, plane, startPos, draggedPos);
}

void ReflectFrom(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point)
{
    CFoldWorkspace scratch;
    scratch.Flood(mesh, plane, point);
}

void AddTriangle(CFlatMesh& mesh, const CVector3& p1, const CVector3& p2, const CVector3& p3,
                 const CCornerData& c1, const CCornerData& c2, const CCornerData& c3,
                 int32_t origin)
{
    mesh.Append(p1, p2, p3, c1, c2, c3, origin);
}
