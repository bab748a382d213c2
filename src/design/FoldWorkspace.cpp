#include "design/FoldWorkspace.h"

#include "design/CSlicePlane.h"
#include "design/DesignStates.h"
#include "model/PolyModel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

namespace {

constexpr double kTolerance = CFoldIndex::kTolerance;

// Where the plane crosses the edge from `from` to `to`.
CVector3 Crossing(const CSlicePlane& pl, const CVector3& from, const CVector3& to) {
    CVector3 u = to - from;
    u.Normalize();
    const double t = (-(pl.a * from.x + pl.b * from.y + pl.c * from.z) - pl.d) /
                     (pl.a * u.x + pl.b * u.y + pl.c * u.z);
    return {from.x + t * u.x, from.y + t * u.y, from.z + t * u.z};
}

// Distance3D(a, b) < kTolerance, taking the square root only near the bound.
inline bool Within(const CVector3& a, const CVector3& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double dz = a.z - b.z;
    const double s = dx * dx + dy * dy + dz * dz;
    return s < 2e-8 && std::sqrt(s) < kTolerance;
}

double MaxAbs(const CVector3& p) {
    return std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z)));
}

} // namespace

void CFoldWorkspace::Invalidate() {
    journalObject_ = nullptr;
    indexedBase_ = nullptr;
    indexedVertices_ = 0;
    baseIndex_.Clear();
}

bool CFoldWorkspace::BaseIsIndexed(const CPolyObject& base) const {
    return indexedBase_ == &base &&
           static_cast<size_t>(baseIndex_.FaceCount()) == base.faces.size() &&
           indexedVertices_ == base.vertices.size();
}

ReflectionStepResult CFoldWorkspace::Step(CPolyModel& model, CPolyVertex* selected,
                                          const CVector3& startPos, const CVector3& draggedPos) {
    ReflectionStepResult result;
    if (model.objects.empty() || model.undoStack.empty() || !model.currentPlane)
        return result;
    CPolyObject& object = *model.objects.front();
    const CPolyObject& base = *model.undoStack.back();
    CSlicePlane& plane = *model.currentPlane;

    // Dragged exactly back to the start: no bisector exists, and nothing is folded.
    const bool back = startPos == draggedPos;
    if (!back) {
        const double before[4] = {plane.a, plane.b, plane.c, plane.d};
        plane.SetBisector(startPos, draggedPos);
        if (!std::isfinite(plane.a) || !std::isfinite(plane.b) || !std::isfinite(plane.c) ||
            !std::isfinite(plane.d)) {
            // Positions too far apart (or not numbers) give no plane: keep the old one.
            plane.a = before[0], plane.b = before[1], plane.c = before[2], plane.d = before[3];
            return result;
        }
        const bool touches =
            JournalFits(object) ? JournalTouchesPlane(plane) : TouchesPlane(object, plane);
        if (touches)
            return result;
    }
    if (selected)
        selected->pos = startPos;

    if (!BaseIsIndexed(base)) {
        journalObject_ = nullptr;
        baseIndex_.Build(base);
        indexedBase_ = &base;
        indexedVertices_ = base.vertices.size();
    }
    const CVector3 target = back ? startPos : plane.ReflectPoint(startPos);
    result.accepted = true;
    if (!baseIndex_.AllTriangles()) {
        journalObject_ = nullptr;
        CopyAsWorkingCopy(base, object);
        if (!back)
            Flood(object, plane, startPos);
        result.vertex = Nearest(object, target);
        return result;
    }

    if (JournalFits(object))
        RestoreFromJournal(object, selected);
    else
        RestoreFromIndex(object);
    BeginFlood(object, plane, baseIndex_, vertexBlock_);
    if (!back)
        RunFlood(startPos);
    EndFlood();
    journalObject_ = &object;
    journalFaces_ = object.faces.size();
    journalVertices_ = object.vertices.size();
    result.vertex = JournalNearest(target);
    return result;
}

bool CFoldWorkspace::JournalFits(const CPolyObject& object) const {
    return journalObject_ == &object && object.faces.size() == journalFaces_ &&
           object.vertices.size() == journalVertices_ &&
           (journalVertices_ == 0 || object.vertices.front() == vertexBlock_);
}

void CFoldWorkspace::RestoreFromJournal(CPolyObject& object, CPolyVertex* selected) {
    // Only the mirrored faces changed their records; crossed faces merely left
    // the list, and added records lie after the mark.
    const int32_t n = baseIndex_.FaceCount();
    // In face order rather than flood order: the writes then stream.
    for (int32_t f = 0; f < n; ++f) {
        if (!(state_[f] & kDynamic))
            continue;
        for (int j = 0; j < 3; ++j)
            vertexBlock_[3 * f + j].pos = baseIndex_.Pos(3 * f + j);
        faceBlock_[f].normal = baseIndex_.Normal(f);
        faceBlock_[f].d = baseIndex_.PlaneD(f);
    }
    const size_t corners = 3 * static_cast<size_t>(n);
    // The selected vertex may have been moved by the drag and lie outside the
    // mirrored faces.
    const auto at = reinterpret_cast<uintptr_t>(selected);
    const auto first = reinterpret_cast<uintptr_t>(vertexBlock_);
    if (selected && at >= first && at < first + corners * sizeof(CPolyVertex))
        selected->pos = baseIndex_.Pos(static_cast<int32_t>((at - first) / sizeof(CPolyVertex)));
    object.arena.Rewind(journalMark_);
    object.faces.resize(n);
    if (firstDead_ >= 0)
        for (int32_t f = firstDead_; f < n; ++f)
            object.faces[f] = faceBlock_ + f;
    object.vertices.resize(corners);
}

void CFoldWorkspace::Flood(CPolyObject& object, const CSlicePlane& plane, const CVector3& point) {
    journalObject_ = nullptr; // the flood state below is no longer the last step's
    looseIndex_.Build(object);
    cornerVerts_.assign(3 * object.faces.size(), nullptr);
    for (size_t f = 0; f < object.faces.size(); ++f)
        if (looseIndex_.IsTriangle(static_cast<int32_t>(f)))
            for (int j = 0; j < 3; ++j)
                cornerVerts_[3 * f + j] = object.faces[f]->corners[j]->vertex;
    // Mirroring a vertex that several corners share would move faces the
    // search does not expect to have moved; working copies never share.
    std::vector<CPolyVertex*> sorted(cornerVerts_);
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i] && sorted[i] == sorted[i - 1])
            return;
    BeginFlood(object, plane, looseIndex_, nullptr);
    RunFlood(point);
    EndFlood();
}

void CFoldWorkspace::RestoreFromIndex(CPolyObject& object) {
    object.Clear();
    const int32_t n = baseIndex_.FaceCount();
    const size_t corners = 3 * static_cast<size_t>(n);
    CPolyFace* faces = object.arena.AllocateArray<CPolyFace>(n);
    CFaceCorner* cornerRecords = object.arena.AllocateArray<CFaceCorner>(corners);
    CPolyVertex* vertices = object.arena.AllocateArray<CPolyVertex>(corners);
    object.faces.resize(n);
    object.vertices.resize(corners);
    faceBlock_ = faces;
    vertexBlock_ = vertices;
    journalMark_ = object.arena.Mark();
    for (int32_t f = 0; f < n; ++f) {
        CPolyFace* face = new (faces + f) CPolyFace(&object);
        for (int j = 0; j < 3; ++j) {
            const size_t k = 3 * static_cast<size_t>(f) + j;
            CPolyVertex* v =
                new (vertices + k) CPolyVertex(baseIndex_.Pos(static_cast<int32_t>(k)));
            face->corners.PushBack(new (cornerRecords + k) CFaceCorner(v, face), object.arena);
            object.vertices[k] = v;
        }
        // The copy has the base's positions, so the indexed plane is the one
        // ComputePlane would give.
        face->normal = baseIndex_.Normal(f);
        face->d = baseIndex_.PlaneD(f);
        object.faces[f] = face;
    }
}

bool CFoldWorkspace::TouchesPlane(const CPolyObject& object, const CSlicePlane& plane) {
    for (const CPolyFace* f : object.faces)
        for (const CFaceCorner* c : f->corners)
            if (std::fabs(plane.Evaluate(c->vertex->pos)) < kTolerance)
                return true;
    return false;
}

bool CFoldWorkspace::JournalTouchesPlane(const CSlicePlane& plane) const {
    const int32_t n = faceCount_;
    for (int32_t f = 0; f < n; ++f) {
        if (state_[f] & kDead)
            continue;
        const CPolyVertex* v = vertexBlock_ + 3 * f;
        if (std::fabs(plane.Evaluate(v[0].pos)) < kTolerance ||
            std::fabs(plane.Evaluate(v[1].pos)) < kTolerance ||
            std::fabs(plane.Evaluate(v[2].pos)) < kTolerance)
            return true;
    }
    for (size_t f = n; f < state_.size(); ++f) {
        if (state_[f] & kDead)
            continue;
        for (int j = 0; j < 3; ++j)
            if (std::fabs(plane.Evaluate(newVerts_[3 * (f - n) + j]->pos)) < kTolerance)
                return true;
    }
    return false;
}

namespace {

// Keeps the first vertex at the smallest distance, as a plain scan would. The
// square root is taken only when the squared distance can win, and the
// comparison is then on the distance itself.
struct NearestScan {
    CVector3 target;
    CPolyVertex* best = nullptr;
    double bestDistance = kDoubleMax;
    double bestSquared = std::numeric_limits<double>::infinity();

    void Visit(CPolyVertex* v) {
        const double dx = v->pos.x - target.x;
        const double dy = v->pos.y - target.y;
        const double dz = v->pos.z - target.z;
        const double s = dx * dx + dy * dy + dz * dz;
        if (s > bestSquared)
            return;
        const double d = std::sqrt(s);
        if (d < bestDistance) {
            bestDistance = d;
            bestSquared = s;
            best = v;
        }
    }
};

} // namespace

CPolyVertex* CFoldWorkspace::JournalNearest(const CVector3& target) const {
    NearestScan scan{target};
    const size_t corners = 3 * static_cast<size_t>(faceCount_);
    for (size_t k = 0; k < corners; ++k)
        scan.Visit(vertexBlock_ + k);
    for (CPolyVertex* v : newVerts_)
        scan.Visit(v);
    return scan.best;
}

CPolyVertex* CFoldWorkspace::Nearest(const CPolyObject& object, const CVector3& target) {
    NearestScan scan{target};
    for (CPolyVertex* v : object.vertices)
        scan.Visit(v);
    return scan.best;
}

void CFoldWorkspace::BeginFlood(CPolyObject& object, const CSlicePlane& plane,
                                const CFoldIndex& index, CPolyVertex* block) {
    object_ = &object;
    plane_ = &plane;
    index_ = &index;
    faceCount_ = index.FaceCount();
    block_ = block;
    floodFaces_ = block ? faceBlock_ : nullptr;
    newVerts_.clear();
    firstDead_ = -1;
    state_.assign(faceCount_, 0);
    placedFaces_.clear();
    placed_.clear();
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
        for (GroupFold& g : groups_)
            g.stamp = 0;
        floodStamp_ = 1;
    }
}

CFoldWorkspace::GroupFold& CFoldWorkspace::FoldOfGroup(int32_t group, const CVector3& pos) {
    GroupFold& g = GroupOf(group);
    if (!g.folded) {
        g.folded = true;
        g.side = plane_->ClassifyPoint(pos);
        g.mirrored = Mirror(pos);
    }
    return g;
}

void CFoldWorkspace::RunFlood(const CVector3& point) {
    const CSlicePlane& pl = *plane_;
    stack_.clear();
    stack_.push_back({point, -1});
    while (!stack_.empty()) {
        const Pending& top = stack_.back();
        const CVector3 at = top.pos;
        const int32_t atHint = top.hint;
        stack_.pop_back();
        int32_t f = 0;
        int seed = 0;
        if (!FindFace(at, atHint, f, seed))
            continue;
        CPolyVertex* v[3] = {VertexOf(f, 0), VertexOf(f, 1), VertexOf(f, 2)};
        const CVector3 p[3] = {v[0]->pos, v[1]->pos, v[2]->pos};
        // Positions of an untouched indexed face are exactly its indexed corners,
        // so their side and mirror image are shared with every corner at the
        // same position.
        const bool pristine = f < faceCount_ && state_[f] == 0;
        GroupFold* g[3] = {};
        int s[3];
        if (pristine) {
            const int32_t groups[3] = {index_->GroupOf(3 * f), index_->GroupOf(3 * f + 1),
                                       index_->GroupOf(3 * f + 2)};
            for (int32_t group : groups)
                __builtin_prefetch(groups_.data() + group, 1);
            for (int j = 0; j < 3; ++j) {
                g[j] = &FoldOfGroup(groups[j], p[j]);
                s[j] = g[j]->side;
            }
        } else {
            for (int j = 0; j < 3; ++j)
                s[j] = pl.ClassifyPoint(p[j]);
        }
        if (s[0] == 0 || s[1] == 0 || s[2] == 0)
            continue; // a corner on the plane stops the flood here
        auto hint = [&](int j) { return pristine ? 3 * f + j : -1; };

        if (s[0] == s[1] && s[1] == s[2]) {
            for (int j = 0; j < 3; ++j) {
                if (!pristine) {
                    v[j]->pos = Mirror(p[j]);
                    continue;
                }
                v[j]->pos = g[j]->mirrored;
                if (!g[j]->banded) {
                    g[j]->banded = true;
                    WidenBand(g[j]->mirrored);
                }
            }
            // Its plane waits for PlaceMirroredPlanes: nothing in the flood reads it.
            RecordPlaced(f, !pristine);
            // Searched in corner order: the last pushed comes off first.
            for (int j = 2; j >= 0; --j)
                stack_.push_back({p[j], hint(j)});
            continue;
        }

        const int i = s[0] == s[1] ? 0 : (s[1] == s[2] ? 1 : 2);
        const int iS = i, iR = (i + 1) % 3, iV = (i + 2) % 3;
        const CVector3 p1 = Crossing(pl, p[iS], p[iV]);
        const CVector3 p2 = Crossing(pl, p[iR], p[iV]);
        CVector3 r = p[iR], vv = p[iV], sp = p[iS];
        const bool loneIsSeed = v[iV] == v[seed];
        if (loneIsSeed) {
            vv = Mirror(vv);
        } else {
            r = Mirror(r);
            sp = Mirror(sp);
        }
        AppendTriangle(r, p2, sp);
        AppendTriangle(p2, p1, sp);
        AppendTriangle(p2, vv, p1);
        state_[f] |= kDead;
        anyDead_ = true;
        if (loneIsSeed) {
            stack_.push_back({p[iV], hint(iV)});
        } else {
            stack_.push_back({p[iS], hint(iS)});
            stack_.push_back({p[iR], hint(iR)});
        }
    }
}

void CFoldWorkspace::PlaceMirroredPlanes() {
    // The planes of the mirrored faces, from their final corners. Done apart
    // from the flood, these independent square roots and divisions overlap
    // instead of lengthening each step of the search; crossed faces that had
    // been mirrored first get theirs too, as they did when it was set at once.
    for (int32_t f = 0; f < faceCount_; ++f) {
        if (!(state_[f] & kDynamic))
            continue;
        CPolyFace* face = floodFaces_ ? floodFaces_ + f : object_->faces[f];
        CFoldIndex::PlaneOf(VertexOf(f, 0)->pos, VertexOf(f, 1)->pos, VertexOf(f, 2)->pos,
                            face->normal, face->d);
    }
}

void CFoldWorkspace::EndFlood() {
    PlaceMirroredPlanes();
    if (anyDead_) {
        // Crossed faces leave the list here, once, keeping the order of the rest.
        auto& faces = object_->faces;
        size_t f = 0;
        while (!(state_[f] & kDead))
            ++f;
        firstDead_ = static_cast<int32_t>(f);
        size_t out = f;
        for (; f < faces.size(); ++f)
            if (!(state_[f] & kDead))
                faces[out++] = faces[f];
        faces.resize(out);
    }
    object_ = nullptr;
    plane_ = nullptr;
    index_ = nullptr;
    block_ = nullptr;
}

bool CFoldWorkspace::FindFace(const CVector3& q, int32_t hint, int32_t& face, int& seed) {
    int32_t best = -1;
    if (hint >= 0) {
        GroupFold& g = GroupOf(index_->GroupOf(hint));
        const std::span<const int32_t> faces = index_->NeighbourFaces(hint);
        int32_t i = g.done;
        while (i < static_cast<int32_t>(faces.size()) && state_[faces[i]] != 0)
            ++i;
        g.done = i;
        if (i < static_cast<int32_t>(faces.size()))
            best = faces[i];
    } else {
        index_->ForEachCornerNear(q, CFoldIndex::kReach, [&](int32_t k) {
            const int32_t f = k / 3;
            if (f > best && state_[f] == 0 && Within(index_->Pos(k), q))
                best = f;
        });
    }

    // Positions the flood has set can only be within reach when q's plane value
    // lies within the band their values span, widened by the tolerance.
    if (!placedFaces_.empty()) {
        const double u = plane_->Evaluate(q);
        const double margin = bandBase_ + 1e-9 * planeLength_ * (maxAbs_ + MaxAbs(q));
        if (u >= minU_ - margin && u <= maxU_ + margin) {
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
                            if (Within(VertexOf(f, placed_[e].corner)->pos, q))
                                best = f;
                        }
        }
    }
    if (best < 0)
        return false;
    face = best;
    if (best < faceCount_) {
        // Everything the face's processing reads or writes, asked for at once
        // rather than one dependent miss after another.
        index_->Prefetch(best);
        if (floodFaces_)
            __builtin_prefetch(floodFaces_ + best, 1);
        if (block_) {
            __builtin_prefetch(block_ + 3 * best, 1);
            __builtin_prefetch(reinterpret_cast<const char*>(block_ + 3 * best) + 64, 1);
        }
    }
    for (int j = 0; j < 3; ++j) {
        if (Within(VertexOf(best, j)->pos, q)) {
            seed = j;
            return true;
        }
    }
    return false; // not reached: the face was chosen for a corner within reach
}

CVector3 CFoldWorkspace::Mirror(const CVector3& x) const {
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

void CFoldWorkspace::WidenBand(const CVector3& p) {
    const double u = plane_->Evaluate(p);
    minU_ = std::min(minU_, u);
    maxU_ = std::max(maxU_, u);
    maxAbs_ = std::max(maxAbs_, MaxAbs(p));
}

void CFoldWorkspace::RecordPlaced(int32_t face, bool widenBand) {
    state_[face] |= kDynamic;
    placedFaces_.push_back(face);
    if (widenBand)
        for (int j = 0; j < 3; ++j)
            WidenBand(VertexOf(face, j)->pos);
}

void CFoldWorkspace::FlushPlaced() {
    // Filed at their present positions; a face that moves again is listed
    // again, and every search checks present positions.
    for (; flushed_ < placedFaces_.size(); ++flushed_) {
        const int32_t face = placedFaces_[flushed_];
        for (int j = 0; j < 3; ++j) {
            int32_t& head = placedCells_.Slot(placedCells_.KeyOf(VertexOf(face, j)->pos));
            placed_.push_back({face, j, head});
            head = static_cast<int32_t>(placed_.size() - 1);
        }
    }
}

void CFoldWorkspace::AppendTriangle(const CVector3& p1, const CVector3& p2, const CVector3& p3) {
    CPolyFace* face = AddTriangle(*object_, p1, p2, p3);
    const int32_t f = static_cast<int32_t>(object_->faces.size() - 1);
    for (int j = 0; j < 3; ++j)
        newVerts_.push_back(face->corners[j]->vertex);
    state_.push_back(0);
    RecordPlaced(f, true);
}
