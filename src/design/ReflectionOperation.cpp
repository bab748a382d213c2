#include "design/ReflectionOperation.h"

#include "design/CSlicePlane.h"

#include <cmath>
#include <cstring>
#include <limits>

void CFoldWorkspace::SetBase(const CFlatMesh& base) {
    base_ = base;
    baseIndex_.Build(base_);
    hasBase_ = true;
    scratchValid_ = false;
}

void CFoldWorkspace::Invalidate() {
    hasBase_ = false;
    scratchValid_ = false;
    base_.Clear();
    baseIndex_.Clear();
}

ReflectionStepResult CFoldWorkspace::Step(CFlatMesh& working, CSlicePlane& plane,
                                          const CVector3& startPos, const CVector3& draggedPos) {
    ReflectionStepResult result;
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
    }
    RestoreScratch();
    BeginFlood(scratch_, plane, baseIndex_, side);
    if (!back)
        RunFlood(startPos);
    EndFlood();
    scratchValid_ = true;
    Compact(scratch_, working);
    result.accepted = true;
    result.corner = Nearest(working, back ? startPos : plane.ReflectPoint(startPos));
    return result;
}

void CFoldWorkspace::RestoreScratch() {
    const size_t n = base_.TriangleCount();
    if (!scratchValid_ || scratch_.TriangleCount() < n) {
        scratch_ = base_;
        return;
    }
    // Only the mirrored faces changed in place; crossed faces were merely
    // marked, and added triangles lie past the base's.
    for (size_t f = 0; f < n; ++f) {
        if (!(state_[f] & kDynamic))
            continue;
        for (int j = 0; j < 3; ++j)
            scratch_.pos[3 * f + j] = base_.pos[3 * f + j];
        scratch_.tri[f] = base_.tri[f];
    }
    scratch_.pos.resize(3 * n);
    scratch_.corner.resize(3 * n);
    scratch_.tri.resize(n);
}

namespace {

template <class T> void CopyRun(std::vector<T>& to, size_t at, const std::vector<T>& from,
                                size_t begin, size_t count) {
    std::memcpy(to.data() + at, from.data() + begin, count * sizeof(T));
}

} // namespace

void CFoldWorkspace::Compact(const CFlatMesh& from, CFlatMesh& out) const {
    // Crossed faces leave here, once, keeping the order of the rest; live
    // faces are copied in runs.
    const size_t total = from.TriangleCount();
    size_t live = 0;
    for (size_t f = 0; f < total; ++f)
        live += !(state_[f] & kDead);
    out.pos.resize(3 * live);
    out.corner.resize(3 * live);
    out.tri.resize(live);
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
        CopyRun(out.pos, 3 * at, from.pos, 3 * f, 3 * count);
        CopyRun(out.corner, 3 * at, from.corner, 3 * f, 3 * count);
        CopyRun(out.tri, at, from.tri, f, count);
        at += count;
        f = end;
    }
}

int32_t CFoldWorkspace::Nearest(const CFlatMesh& mesh, const CVector3& target) {
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

void CFoldWorkspace::Flood(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point) {
    scratchValid_ = false; // the flood state below is no longer the last step's
    looseIndex_.Build(mesh);
    BeginFlood(mesh, plane, looseIndex_, plane.ClassifyPoint(point));
    RunFlood(point);
    EndFlood();
    CFlatMesh compacted;
    Compact(mesh, compacted);
    mesh = std::move(compacted);
}

ReflectionStepResult ReflectionStep(CFlatMesh& working, CSlicePlane& plane,
                                    CFoldWorkspace& workspace, const CVector3& startPos,
                                    const CVector3& draggedPos) {
    return workspace.Step(working, plane, startPos, draggedPos);
}

void ReflectFrom(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point) {
    CFoldWorkspace scratch;
    scratch.Flood(mesh, plane, point);
}

void AddTriangle(CFlatMesh& mesh, const CVector3& p1, const CVector3& p2, const CVector3& p3,
                 const CCornerData& c1, const CCornerData& c2, const CCornerData& c3,
                 int32_t origin) {
    mesh.Append(p1, p2, p3, c1, c2, c3, origin);
}
