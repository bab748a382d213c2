#include "fold/ReflectionOperation.h"

#include "model/CSlicePlane.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Largest coordinate of a base state that the quick step takes on.
constexpr double kQuickLimit = 1e6;

// The largest coordinate of `mesh`, infinite when one is not finite. Far
// from the origin, rounding could eat the margin the quick step relies on;
// such shapes always take the general flood.
double MaxAbs(const CWorkingShape& mesh)
{
    double most = 0.0;
    for (const CVector3& p : mesh.pos)
        most = std::max(most, std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z))));
    return std::isfinite(most) ? most : std::numeric_limits<double>::infinity();
}

} // namespace

CFoldWorkspace::~CFoldWorkspace()
{
    WaitForIndex();
}

void CFoldWorkspace::WaitForIndex()
{
    if (indexer_)
        indexer_->Wait();
}

void CFoldWorkspace::SetBase(const CWorkingShape& base)
{
    WaitForIndex();
    base_ = base;
    IndexBase();
}

void CFoldWorkspace::SetBase(CWorkingShape&& base)
{
    WaitForIndex();
    base_ = std::move(base);
    IndexBase();
}

void CFoldWorkspace::IndexBase()
{
    bool aside = base_.TriangleCount() >= indexAsideFrom_ && CHelperThread::Worthwhile();
    if (aside && !indexer_) {
        try {
            indexer_ = std::make_unique<CHelperThread>();
        } catch (...) {
            aside = false; // no thread to be had: index here
        }
    }
    const auto index = [this] {
        baseIndex_.Build(base_);
        baseMaxAbs_ = MaxAbs(base_);
    };
    if (aside)
        indexer_->Start(index);
    else
        index();
    hasBase_ = true;
}

void CFoldWorkspace::Invalidate()
{
    // Its memory goes back too: a large mesh's base, index and flood state
    // are worth more to the rest of the program until the next selection.
    WaitForIndex();
    hasBase_ = false;
    base_ = CWorkingShape{};
    baseIndex_ = CFoldIndex{};
    flood_.Reset();
    quick_.Reset();
}

ReflectionStepResult CFoldWorkspace::Step(CWorkingShape& working, CSlicePlane& plane,
                                          const CVector3& startPos, const CVector3& draggedPos)
{
    ReflectionStepResult result;
    lastQuick_ = false;
    if (!hasBase_)
        return result;
    WaitForIndex();
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
            flood_.BeginFlood(working, plane, baseIndex_, side, plane.ReflectPoint(startPos));
            int32_t corner = -1;
            if (quick_.Run(working, base_, baseMaxAbs_, startPos, corner)) {
                lastQuick_ = true;
                result.accepted = true;
                result.corner = corner;
                return result;
            }
        }
    }
    // The working shape is rebuilt from the base in place: one copy, and room
    // for the split triangles so appending them does not double a large mesh.
    CFoldFlood::ReserveFor(working, base_.TriangleCount());
    working.pos.assign(base_.pos.begin(), base_.pos.end());
    working.corner.assign(base_.corner.begin(), base_.corner.end());
    working.tri.assign(base_.tri.begin(), base_.tri.end());
    const CVector3 target = back ? startPos : plane.ReflectPoint(startPos);
    flood_.BeginFlood(working, plane, baseIndex_, side, target);
    if (!back)
        flood_.RunFlood(startPos);
    flood_.EndFlood();
    const int32_t exact = flood_.FirstAtTarget();
    const int32_t corner = exact >= 0 ? flood_.CompactedCorner(exact) : -1;
    flood_.Compact(working);
    result.accepted = true;
    result.corner = corner >= 0 ? corner : CFoldFlood::Nearest(working, target);
    return result;
}

void CFoldWorkspace::Flood(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& point)
{
    // The index reads positions in place, and the flood moves them.
    const CWorkingShape before = mesh;
    looseIndex_.Build(before);
    flood_.BeginFlood(mesh, plane, looseIndex_, plane.ClassifyPoint(point), point);
    flood_.RunFlood(point);
    flood_.EndFlood();
    flood_.Compact(mesh);
}

ReflectionStepResult ReflectionStep(CWorkingShape& working, CSlicePlane& plane,
                                    CFoldWorkspace& workspace, const CVector3& startPos,
                                    const CVector3& draggedPos)
{
    return workspace.Step(working, plane, startPos, draggedPos);
}

void ReflectFrom(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& point)
{
    CFoldWorkspace scratch;
    scratch.Flood(mesh, plane, point);
}

void AddTriangle(CWorkingShape& mesh, const CVector3& p1, const CVector3& p2, const CVector3& p3,
                 const CCornerData& c1, const CCornerData& c2, const CCornerData& c3,
                 int32_t origin)
{
    mesh.Append(p1, p2, p3, c1, c2, c3, origin);
}
