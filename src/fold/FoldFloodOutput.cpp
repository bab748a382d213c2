// The flood's output: mirrored positions, the record of placed faces, and
// the triangles it appends to the mesh and compacts at the end.
#include "fold/FoldFlood.h"

#include "model/CSlicePlane.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

double MaxAbs(const CVector3& p)
{
    return std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z)));
}

template <class T> void MoveRun(std::vector<T>& v, size_t to, size_t from, size_t count)
{
    std::memmove(v.data() + to, v.data() + from, count * sizeof(T));
}

} // namespace

CVector3 CFoldFlood::Mirror(const CVector3& x) const
{
    // CSlicePlane::ReflectPoint with the length of (a, b, c) taken once per flood.
    const CSlicePlane& pl = *plane_;
    const double len = planeLength_;
    const double s = pl.a * x.x + pl.b * x.y + pl.c * x.z + pl.d;
    const double k = std::fabs(s) / len;
    if (s > 0.0)
        return {x.x - ((2 * k) * pl.a) / len, x.y - ((2 * k) * pl.b) / len,
                x.z - ((2 * k) * pl.c) / len};
    return {x.x + ((2 * k) * pl.a) / len, x.y + ((2 * k) * pl.b) / len,
            x.z + ((2 * k) * pl.c) / len};
}

void CFoldFlood::WidenBand(const CVector3& p)
{
    const double u = plane_->Evaluate(p);
    minU_ = std::min(minU_, u);
    maxU_ = std::max(maxU_, u);
    maxAbs_ = std::max(maxAbs_, MaxAbs(p));
}

void CFoldFlood::RecordPlaced(int32_t face, bool widenBand)
{
    state_[face] |= kDynamic;
    placedFaces_.push_back(face);
    if (widenBand)
        for (int j = 0; j < 3; ++j)
            WidenBand(PosOf(face, j));
}

void CFoldFlood::FlushPlaced()
{
    // Filed at their present positions; a face that moves again is listed
    // again, and every search checks present positions.
    for (; flushed_ < placedFaces_.size(); ++flushed_) {
        const int32_t face = placedFaces_[flushed_];
        for (int j = 0; j < 3; ++j) {
            int32_t& head = placedCells_.Slot(placedCells_.KeyOf(PosOf(face, j)));
            placed_.push_back({face, j, head});
            head = static_cast<int32_t>(placed_.size() - 1);
        }
    }
}

void CFoldFlood::AppendTriangle(const CVector3& p1, const CVector3& p2, const CVector3& p3,
                                const CCornerData& c1, const CCornerData& c2, const CCornerData& c3,
                                int32_t origin, CEdgeMarks marks)
{
    if (marking_) {
        // Numbered on from the base's faces; where they land is found later.
        extra_.Append(p1, p2, p3, c1, c2, c3, origin, marks);
        const int32_t f = faceCount_ + static_cast<int32_t>(extra_.TriangleCount() - 1);
        state_.push_back(0);
        RecordPlaced(f, true);
        return;
    }
    mesh_->Append(p1, p2, p3, c1, c2, c3, origin, marks);
    const int32_t f = static_cast<int32_t>(mesh_->TriangleCount() - 1);
    NoteWrite(3 * f, p1);
    NoteWrite(3 * f + 1, p2);
    NoteWrite(3 * f + 2, p3);
    state_.push_back(0);
    RecordPlaced(f, true);
}

void CFoldFlood::ReserveFor(CWorkingShape& m, size_t triangles)
{
    if (m.tri.capacity() < triangles)
        m.Reserve(triangles + triangles / 16 + 64);
}

void CFoldFlood::Compact(CWorkingShape& mesh) const
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

int32_t CFoldFlood::FirstAtTarget() const
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

int32_t CFoldFlood::CompactedCorner(int32_t k) const
{
    int32_t dead = 0;
    for (int32_t f = 0; f < k / 3; ++f)
        dead += state_[f] & kDead;
    return k - 3 * dead;
}

int32_t CFoldFlood::Nearest(const CWorkingShape& mesh, const CVector3& target)
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

void CFoldFlood::BeginMarking(const CWorkingShape& base)
{
    marking_ = true;
    mesh_ = nullptr; // the search reads the base and writes nothing shared
    source_ = &base;
    extra_.Clear();
    turned_.clear();
    if (turnedSlot_.size() < static_cast<size_t>(faceCount_))
        turnedSlot_.resize(faceCount_);
}

void CFoldFlood::Reset()
{
    state_ = {};
    groups_ = {};
    images_ = {};
    placedFaces_ = {};
    placed_ = {};
    placedCells_ = CCellTable{};
    stack_ = {};
    atTarget_ = {};
    groupStack_ = {};
    turned_ = {};
    turnedSlot_ = {};
    extra_ = CWorkingShape{};
    turnedEdges_ = {};
    planeCreases_ = {};
    deadFaces_ = {};
}
