// The flood of one fold step: a depth-first search over the faces connected
// to the seed, in the exact order the plain recursive form would take.
#include "fold/FoldFlood.h"

#include "model/CSlicePlane.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kTolerance = CFoldIndex::kTolerance;

// Where the plane crosses the edge from `from` to `to`, and at which fraction
// of the edge (for the corner data).
CVector3 Crossing(const CSlicePlane& pl, const CVector3& from, const CVector3& to, double& fraction)
{
    CVector3 u = to - from;
    const double len = u.Length();
    u.Normalize();
    const double t = (-(pl.a * from.x + pl.b * from.y + pl.c * from.z) - pl.d) /
                     (pl.a * u.x + pl.b * u.y + pl.c * u.z);
    fraction = t / len;
    return {from.x + t * u.x, from.y + t * u.y, from.z + t * u.z};
}

// Distance3D(a, b) < kTolerance, taking the square root only near the bound.
inline bool Within(const CVector3& a, const CVector3& b)
{
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double dz = a.z - b.z;
    const double s = dx * dx + dy * dy + dz * dz;
    return s < 2e-8 && std::sqrt(s) < kTolerance;
}

double MaxAbs(const CVector3& p)
{
    return std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z)));
}

} // namespace

// Only the flood calls these: defined here, out of the class header.
inline CFoldFlood::GroupState& CFoldFlood::GroupOf(int32_t group)
{
    GroupState& g = groups_[group];
    if (g.stamp != floodStamp_) {
        g.stamp = floodStamp_;
        g.done = 0;
    }
    return g;
}

inline int32_t CFoldFlood::UntouchedIn(int32_t group)
{
    GroupState& g = GroupOf(group);
    const std::span<const int32_t> faces = index_->GroupNeighbourFaces(group);
    const int32_t count = static_cast<int32_t>(faces.size());
    int32_t i = g.done;
    while (i < count && state_[faces[i]] != 0)
        ++i;
    g.done = i;
    return i < count ? faces[i] : -1;
}

inline void CFoldFlood::Push(const CVector3& pos, int32_t corner)
{
    if (marking_) {
        PushGroup(index_->GroupOf(corner));
        return;
    }
    int32_t group = -1;
    if (corner >= 0) {
        // Asked for now, needed when the position comes off the stack.
        group = index_->GroupOf(corner);
        __builtin_prefetch(groups_.data() + group);
        index_->PrefetchGroup(group);
    }
    stack_.push_back({pos, group});
}

CFoldFlood::GroupImage& CFoldFlood::FoldOfGroup(int32_t group, const CVector3& pos)
{
    GroupImage& g = images_[group];
    if (g.stamp != floodStamp_) {
        g.stamp = floodStamp_;
        g.side = static_cast<int8_t>(plane_->ClassifyPoint(pos));
        g.mirrored = Mirror(pos);
        g.banded = false;
    }
    return g;
}

void CFoldFlood::BeginFlood(CWorkingShape& mesh, const CSlicePlane& plane, const CFoldIndex& index,
                            int side, const CVector3& target)
{
    mesh_ = &mesh;
    source_ = &mesh;
    marking_ = false;
    target_ = target;
    plane_ = &plane;
    index_ = &index;
    side_ = side;
    faceCount_ = index.FaceCount();
    state_.assign(faceCount_, 0);
    placedFaces_.clear();
    placed_.clear();
    atTarget_.clear();
    turnedEdges_.clear();
    planeCreases_.clear();
    deadFaces_.clear();
    flushed_ = 0;
    minU_ = std::numeric_limits<double>::infinity();
    maxU_ = -std::numeric_limits<double>::infinity();
    maxAbs_ = 0.0;
    placedCells_.SetCellSize(index.Cells().CellSize());
    placedCells_.Reset(16);
    anyDead_ = false;
    planeLength_ = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
    bandBase_ = kTolerance * planeLength_ * (1.0 + 1e-6) + 1e-9 * (1.0 + std::fabs(plane.d));
    if (groups_.size() < static_cast<size_t>(index.GroupCount()))
        groups_.resize(index.GroupCount());
    if (++floodStamp_ == 0) {
        for (GroupState& g : groups_)
            g.stamp = 0;
        for (GroupImage& g : images_)
            g.stamp = 0;
        floodStamp_ = 1;
    }
}

void CFoldFlood::RunFlood(const CVector3& point)
{
    // Only this search mirrors group by group: a drag of quick steps never
    // allocates the images.
    if (images_.size() < static_cast<size_t>(index_->GroupCount()))
        images_.resize(index_->GroupCount());
    const CSlicePlane& pl = *plane_;
    stack_.clear();
    Push(point, -1);
    while (!stack_.empty()) {
        const Pending top = stack_.back();
        stack_.pop_back();
        int32_t f = 0;
        int seed = 0;
        if (!FindFace(top.pos, top.group, f, seed))
            continue;
        const CVector3 p[3] = {mesh_->pos[3 * f], mesh_->pos[3 * f + 1], mesh_->pos[3 * f + 2]};
        // Positions of an untouched indexed face are exactly its indexed corners,
        // so their side and mirror image are shared with every corner at the
        // same position.
        const bool pristine = f < faceCount_ && state_[f] == 0;
        GroupImage* g[3] = {};
        int s[3];
        if (pristine) {
            for (int j = 0; j < 3; ++j) {
                g[j] = &FoldOfGroup(index_->GroupOf(3 * f + j), p[j]);
                s[j] = g[j]->side;
            }
        } else {
            for (int j = 0; j < 3; ++j)
                s[j] = pl.ClassifyPoint(p[j]);
        }
        int zero = 0;
        switch (Decide(s, zero)) {
        case FaceFold::kMirror:
            MirrorWhole(f, p, pristine, g);
            break;
        case FaceFold::kTurn:
            MirrorWhole(f, p, pristine, g, s);
            NoteTurned(f, s);
            break;
        case FaceFold::kSplit:
            SplitFace(f, p, s, seed, pristine);
            break;
        case FaceFold::kSplitAtCorner:
            SplitThroughCorner(f, p, s, zero, pristine);
            break;
        case FaceFold::kLeave:
            break;
        }
    }
}

void CFoldFlood::MirrorWhole(int32_t f, const CVector3 p[3], bool pristine, GroupImage* g[3],
                             const int* sides)
{
    CVector3* at = mesh_->pos.data() + 3 * f;
    for (int j = 0; j < 3; ++j) {
        if (sides && sides[j] == 0)
            continue; // on the plane: it stays
        if (!pristine) {
            at[j] = Mirror(p[j]);
            NoteWrite(3 * f + j, at[j]);
            continue;
        }
        at[j] = g[j]->mirrored;
        NoteWrite(3 * f + j, at[j]);
        if (!g[j]->banded) {
            g[j]->banded = true;
            WidenBand(g[j]->mirrored);
        }
    }
    // Its plane waits for EndFlood: nothing in the flood reads it. Corners
    // that stayed are in the band only if the face's own positions are.
    RecordPlaced(f, !pristine || sides);
    // Searched in corner order: the last pushed comes off first.
    for (int j = 2; j >= 0; --j)
        if (!sides || sides[j] != 0)
            Push(p[j], pristine ? 3 * f + j : -1);
}

void CFoldFlood::SplitFace(int32_t f, const CVector3 p[3], const int s[3], int seed, bool pristine)
{
    const CSlicePlane& pl = *plane_;
    const CCornerData* c = source_->corner.data() + 3 * f;
    const int32_t origin = source_->tri[f].origin;
    const int i = s[0] == s[1] ? 0 : (s[1] == s[2] ? 1 : 2);
    const int iS = i, iR = (i + 1) % 3, iV = (i + 2) % 3;
    double t1 = 0.0, t2 = 0.0;
    const CVector3 p1 = Crossing(pl, p[iS], p[iV], t1);
    const CVector3 p2 = Crossing(pl, p[iR], p[iV], t2);
    const CCornerData c1 = CCornerData::Lerp(c[iS], c[iV], t1);
    const CCornerData c2 = CCornerData::Lerp(c[iR], c[iV], t2);
    const CCornerData cS = c[iS], cR = c[iR], cV = c[iV];
    CVector3 r = p[iR], vv = p[iV], sp = p[iS];
    const bool loneIsSeed = iV == seed;
    if (loneIsSeed) {
        vv = Mirror(vv);
    } else {
        r = Mirror(r);
        sp = Mirror(sp);
    }
    // The parts of the face's edges keep their marks, the cut line is a
    // crease, the diagonals between the parts are not.
    // A copy: appending may move the records.
    const uint8_t* edge = source_->tri[f].edge;
    const uint8_t e[3] = {edge[0], edge[1], edge[2]};
    const uint8_t cut = CreaseMark(f);
    AppendTriangle(r, p2, sp, cR, c2, cS, origin, {{e[iR], 0, e[iS]}});
    AppendTriangle(p2, p1, sp, c2, c1, cS, origin, {{cut, e[iV], 0}});
    AppendTriangle(p2, vv, p1, c2, cV, c1, origin, {{e[iR], e[iV], cut}});
    state_[f] |= kDead;
    anyDead_ = true;
    if (f < faceCount_)
        deadFaces_.push_back(f);
    auto hint = [&](int j) { return pristine ? 3 * f + j : -1; };
    if (loneIsSeed) {
        Push(p[iV], hint(iV));
    } else {
        Push(p[iS], hint(iS));
        Push(p[iR], hint(iR));
    }
}

void CFoldFlood::SplitThroughCorner(int32_t f, const CVector3 p[3], const int s[3], int z,
                                    bool pristine)
{
    // The crease runs from the corner on the plane to the opposite edge; the
    // part on the moving side turns.
    const CSlicePlane& pl = *plane_;
    const CCornerData* c = source_->corner.data() + 3 * f;
    const int32_t origin = source_->tri[f].origin;
    const int a = (z + 1) % 3, b = (z + 2) % 3;
    const CCornerData cZ = c[z], cA = c[a], cB = c[b];
    double t = 0.0;
    int moving;
    // A copy: appending may move the records.
    const uint8_t* edge = source_->tri[f].edge;
    const uint8_t e[3] = {edge[0], edge[1], edge[2]};
    const uint8_t cut = CreaseMark(f);
    const CEdgeMarks first = {{e[z], e[a], cut}}, second = {{cut, e[a], e[b]}};
    if (s[a] == side_) {
        moving = a;
        const CVector3 cross = Crossing(pl, p[a], p[b], t);
        const CCornerData cP = CCornerData::Lerp(cA, cB, t);
        AppendTriangle(p[z], Mirror(p[a]), cross, cZ, cA, cP, origin, first);
        AppendTriangle(p[z], cross, p[b], cZ, cP, cB, origin, second);
    } else {
        moving = b;
        const CVector3 cross = Crossing(pl, p[b], p[a], t);
        const CCornerData cP = CCornerData::Lerp(cB, cA, t);
        AppendTriangle(p[z], p[a], cross, cZ, cA, cP, origin, first);
        AppendTriangle(p[z], cross, Mirror(p[b]), cZ, cP, cB, origin, second);
    }
    state_[f] |= kDead;
    anyDead_ = true;
    if (f < faceCount_)
        deadFaces_.push_back(f);
    Push(p[moving], pristine ? 3 * f + moving : -1);
}

void CFoldFlood::NoteTurned(int32_t f, const int s[3])
{
    for (int j = 0; j < 3; ++j)
        if (s[j] == 0 && s[(j + 1) % 3] == 0)
            turnedEdges_.push_back({f, j, CreaseMark(f)});
}

void CFoldFlood::CollectPlaneCreases()
{
    // An untouched face shares the edge when it has corners at both ends;
    // positions of untouched faces are still the index's.
    for (const EdgeMarkAt& t : turnedEdges_) {
        if (state_[t.face] & kDead)
            continue; // split after it turned: its parts carry its marks
        const CVector3 a = PosOf(t.face, t.edge);
        const CVector3 b = PosOf(t.face, (t.edge + 1) % 3);
        bool shared = false;
        index_->ForEachCornerNear(a, CFoldIndex::kReach, [&](int32_t k) {
            const int32_t g = k / 3;
            if (g == t.face || state_[g] != 0 || !Within(index_->Pos(k), a))
                return;
            const int i = k % 3;
            int edge = -1;
            if (Within(index_->Pos(3 * g + (i + 1) % 3), b))
                edge = i;
            else if (Within(index_->Pos(3 * g + (i + 2) % 3), b))
                edge = (i + 2) % 3;
            if (edge < 0)
                return;
            planeCreases_.push_back({g, edge, t.mark});
            shared = true;
        });
        if (shared)
            planeCreases_.push_back(t);
    }
}

void CFoldFlood::EndFlood()
{
    CollectPlaneCreases();
    for (const EdgeMarkAt& c : planeCreases_)
        mesh_->tri[c.face].edge[c.edge] = c.mark;
    // The planes of the mirrored faces, from their final corners. Done apart
    // from the flood, these independent square roots and divisions overlap
    // instead of lengthening each step of the search.
    for (int32_t f = 0; f < faceCount_; ++f)
        if (state_[f] & kDynamic)
            mesh_->UpdatePlane(f);
    plane_ = nullptr;
}

bool CFoldFlood::FindFace(const CVector3& q, int32_t group, int32_t& face, int& seed)
{
    int32_t best = -1;
    if (group >= 0) {
        best = UntouchedIn(group);
    } else {
        index_->ForEachCornerNear(q, CFoldIndex::kReach, [&](int32_t k) {
            const int32_t f = k / 3;
            if (f > best && state_[f] == 0 && Within(index_->Pos(k), q))
                best = f;
        });
    }

    if (!placedFaces_.empty())
        best = PlacedAbove(q, plane_->Evaluate(q), best);
    if (best < 0)
        return false;
    face = best;
    if (best < faceCount_ && !marking_) {
        // Everything the face's processing reads or writes, asked for at once
        // rather than one dependent miss after another.
        index_->Prefetch(best);
        __builtin_prefetch(mesh_->pos.data() + 3 * best, 1);
        __builtin_prefetch(mesh_->corner.data() + 3 * best, 1);
    }
    for (int j = 0; j < 3; ++j) {
        if (Within(PosOf(best, j), q)) {
            seed = j;
            return true;
        }
    }
    return false; // not reached: the face was chosen for a corner within reach
}

int32_t CFoldFlood::PlacedAbove(const CVector3& q, double u, int32_t best)
{
    // Positions the flood has set can only be within reach when q's plane value
    // u lies within the band their values span, widened by the tolerance.
    const double margin = bandBase_ + 1e-9 * planeLength_ * (maxAbs_ + MaxAbs(q));
    if (u < minU_ - margin || u > maxU_ + margin)
        return best;
    FlushPlaced();
    const CCellTable& cells = placedCells_;
    const double reach = CFoldIndex::kReach;
    const CellKey lo = cells.KeyOf({q.x - reach, q.y - reach, q.z - reach});
    const CellKey hi = cells.KeyOf({q.x + reach, q.y + reach, q.z + reach});
    for (int64_t x = lo.x; x <= hi.x; ++x)
        for (int64_t y = lo.y; y <= hi.y; ++y)
            for (int64_t z = lo.z; z <= hi.z; ++z)
                for (int32_t e = cells.Find({x, y, z}); e != CCellTable::kNone;
                     e = placed_[e].next) {
                    const int32_t f = placed_[e].face;
                    if (f <= best || (state_[f] & kDead))
                        continue;
                    if (Within(PosOf(f, placed_[e].corner), q))
                        best = f;
                }
    return best;
}
