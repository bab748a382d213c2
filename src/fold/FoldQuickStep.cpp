// The quick drag step: the search marks what it mirrors, and one pass builds
// the working shape from the base state afterwards.
#include "fold/FoldQuickStep.h"

#include "base/Lanes.h"
#include "model/CSlicePlane.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// CSlicePlane::ClassifyPoint of a point whose plane value is v.
inline int8_t SideOf(double v)
{
    return static_cast<int8_t>(std::fabs(v) < CSlicePlane::kOnPlaneTolerance ? 0
                                                                             : (v > 0.0 ? 1 : -1));
}

} // namespace

bool CFoldQuickStep::Run(CWorkingShape& working, const CWorkingShape& base, double baseMaxAbs,
                         const CVector3& startPos, int32_t& corner)
{
    fl_.BeginMarking(base);
    base_ = &base;
    baseMaxAbs_ = baseMaxAbs;
    giveUp_ = false;
    turnedAtTarget_ = -1;
    // On a second thread, the mirror images and the mirrored faces' planes
    // (the divisions) are worked out while this thread searches; a large
    // shape's output is written by both. The helper is woken first, so that
    // its wake-up passes during the search.
    bool helped = fl_.faceCount_ >= helpFrom_ && CHelperThread::Worthwhile();
    if (helped && !helper_) {
        try {
            helper_ = std::make_unique<CHelperThread>();
        } catch (...) {
            helped = false; // no thread to be had: one thread does it all
        }
    }
    if (helped) {
        prepared_.store(false, std::memory_order_relaxed);
        share_.store(kShareWaiting, std::memory_order_relaxed);
        helper_->Start([this] {
            ClassifyGroups(false, true);
            PreparePlanes();
            prepared_.store(true, std::memory_order_release);
            WriteShare();
        });
    }
    ClassifyGroups(true, !helped);
    const bool done = RunQuickFlood(startPos);
    if (helped) {
        if (!done)
            share_.store(kShareCancelled, std::memory_order_release);
        SpinUntil([this] { return prepared_.load(std::memory_order_acquire); });
        if (!done)
            helper_->Wait();
    }
    if (done) {
        WriteWorking(working, FirstAtTargetQuick(startPos), helped, corner);
        MarkPlaneCreases(working);
    }
    fl_.marking_ = false;
    fl_.plane_ = nullptr;
    return done;
}

void CFoldQuickStep::Reset()
{
    groupSide_ = {};
    groupU_ = {};
    groupImage_ = {};
    groupMoving_ = {};
    mirroredPlane_ = {};
    quickDone_ = {};
}

void CFoldQuickStep::ClassifyGroups(bool sides, bool images)
{
    // Every group's plane value and side (with `sides`) and the mirror image
    // of each group on the moving side (with `images`), in one pass in group
    // order: the same operations as CSlicePlane::Evaluate, ClassifyPoint and
    // Mirror, two groups at a time.
    const CSlicePlane& pl = *fl_.plane_;
    const int32_t n = fl_.index_->GroupCount();
    const CVector3* at = fl_.index_->GroupPositions();
    if (sides) {
        groupSide_.resize(n);
        groupU_.resize(n);
    }
    if (images) {
        groupImage_.resize(n);
        groupMoving_.resize(n);
    }
    // Each thread touches only the arrays it fills: the other thread may be
    // sizing the rest.
    double* u = sides ? groupU_.data() : nullptr;
    int8_t* side = sides ? groupSide_.data() : nullptr;
    CVector3* image = images ? groupImage_.data() : nullptr;
    uint8_t* moving = images ? groupMoving_.data() : nullptr;
    if (sides)
        movingCorners_ = 0;
    auto note = [&](int32_t g, double v) {
        const int8_t s = SideOf(v);
        if (sides) {
            u[g] = v;
            side[g] = s;
            if (s == fl_.side_)
                movingCorners_ += fl_.index_->GroupSize(g);
        }
        if (images)
            moving[g] = s == fl_.side_;
        return s == fl_.side_;
    };
    int32_t g = 0;
    using lanes::D2;
    const D2 a = lanes::Splat(pl.a), b = lanes::Splat(pl.b), c = lanes::Splat(pl.c),
             d = lanes::Splat(pl.d), len = lanes::Splat(fl_.planeLength_);
    for (; g + 2 <= n; g += 2) {
        const CVector3& p = at[g];
        const CVector3& q = at[g + 1];
        const D2 x = {p.x, q.x}, y = {p.y, q.y}, z = {p.z, q.z};
        const D2 v = a * x + b * y + c * z + d;
        const bool first = note(g, v[0]);
        const bool second = note(g + 1, v[1]);
        if (!images || (!first && !second))
            continue;
        const D2 k2 = 2.0 * (lanes::Abs(v) / len);
        const D2 tx = k2 * a / len;
        const D2 ty = k2 * b / len;
        const D2 tz = k2 * c / len;
        // Towards the plane's negative side where the value is positive.
        const lanes::L2 down = v > 0.0;
        const D2 mx = lanes::Select(down, x - tx, x + tx);
        const D2 my = lanes::Select(down, y - ty, y + ty);
        const D2 mz = lanes::Select(down, z - tz, z + tz);
        for (int k = 0; k < 2; ++k)
            image[g + k] = {mx[k], my[k], mz[k]};
    }
    for (; g < n; ++g)
        if (note(g, pl.Evaluate(at[g])) && images)
            image[g] = fl_.Mirror(at[g]);
}

void CFoldQuickStep::PreparePlanes()
{
    // The plane of every face whose corners all lie on the moving side, as it
    // will be once mirrored; most of them are, the rest cost a spare thread.
    const size_t n = static_cast<size_t>(fl_.faceCount_);
    const int32_t* groups = fl_.index_->CornerGroups();
    const uint8_t* moving = groupMoving_.data();
    const CVector3* image = groupImage_.data();
    mirroredPlane_.resize(n);
    constexpr size_t kBatch = 64;
    CVector3 pos[3 * kBatch];
    CTriangleData planes[kBatch];
    size_t face[kBatch];
    size_t count = 0;
    auto flush = [&] {
        FlatPlanesOf(pos, planes, count);
        for (size_t i = 0; i < count; ++i)
            mirroredPlane_[face[i]] = {planes[i].normal, planes[i].d};
        count = 0;
    };
    for (size_t f = 0; f < n; ++f) {
        const int32_t* g = groups + 3 * f;
        if (!(moving[g[0]] & moving[g[1]] & moving[g[2]]))
            continue;
        pos[3 * count] = image[g[0]];
        pos[3 * count + 1] = image[g[1]];
        pos[3 * count + 2] = image[g[2]];
        face[count] = f;
        if (++count == kBatch)
            flush();
    }
    flush();
}

bool CFoldQuickStep::RunQuickFlood(const CVector3& point)
{
    // Every face pushes at most its three corners, and each face once.
    fl_.groupStack_.resize(3 * static_cast<size_t>(fl_.faceCount_) + 3);
    fl_.stackTop_ = 0;
    int32_t first = 0;
    int seed = 0;
    if (fl_.FindFace(point, -1, first, seed))
        FoldPristine(first); // nothing is touched yet

    // The common case (a face wholly on the moving side) runs here on local
    // copies of the arrays; everything else goes through FoldPristine.
    const int32_t* starts = fl_.index_->NeighbourStarts();
    const int32_t* neighbours = fl_.index_->NeighbourList();
    const int32_t* cornerGroup = fl_.index_->CornerGroups();
    const int8_t* side = groupSide_.data();
    const double* u = groupU_.data();
    // How far each group's list is known to be used (faces never become
    // untouched again), cleared here rather than stamped: one less test a pop.
    quickDone_.assign(fl_.index_->GroupCount(), 0);
    int32_t* done = quickDone_.data();
    int32_t* stack = fl_.groupStack_.data();
    const int moving = fl_.side_;
    uint8_t* state = fl_.state_.data();
    size_t top = fl_.stackTop_;
    // The band of positions the flood has set (empty until it sets one), with
    // PlacedAbove's margin taken for the base's largest coordinate: outside
    // it, no placed face can be within reach of a group.
    double bandLo = 0.0, bandHi = 0.0;
    auto band = [&] {
        const double margin = fl_.bandBase_ + 1e-9 * fl_.planeLength_ * (fl_.maxAbs_ + baseMaxAbs_);
        bandLo = fl_.minU_ - margin;
        bandHi = fl_.maxU_ + margin;
    };
    band();
    auto outOfLine = [&](auto&& call) {
        fl_.stackTop_ = top;
        call();
        top = fl_.stackTop_;
        state = fl_.state_.data(); // appended faces may have moved it
        band();
    };
    // The corner searched next after a mirrored face is its first one: it is
    // carried over in `next` instead of going through the stack.
    int32_t next = -1;
    // With own faces only, a group's neighbour faces have a corner in it.
    const bool drainable = fl_.index_->OwnFacesOnly();
    for (;;) {
        int32_t g = next;
        next = -1;
        if (g < 0) {
            if (top == 0 || giveUp_)
                break;
            g = stack[--top];
        }
        const int32_t* faces = neighbours + starts[g];
        const int32_t count = starts[g + 1] - starts[g];
        int32_t i = done[g];
        while (i < count && state[faces[i]] != 0)
            ++i;
        done[g] = i;
        int32_t f = -1;
        const int32_t* found = nullptr; // its corners' groups
        if (i < count) {
            f = faces[i];
            found = cornerGroup + 3 * f;
        }
        if (u[g] >= bandLo && u[g] <= bandHi) {
            f = fl_.PlacedAbove(fl_.index_->GroupPos(g), u[g], f);
            found = nullptr;
        }
        if (f < 0)
            continue;
        if (f >= fl_.faceCount_ || state[f] != 0) {
            outOfLine([&] { Refound(f); });
            continue;
        }
        if (found) {
            const int32_t g0 = found[0], g1 = found[1], g2 = found[2];
            if (side[g0] == moving && side[g1] == moving && side[g2] == moving) {
                state[f] = CFoldFlood::kMirrored;
                stack[top++] = g2;
                stack[top++] = g1;
                next = g0;
                movingCorners_ -= 3;
                if (movingCorners_ == 0 && drainable)
                    break;
                continue;
            }
        }
        outOfLine([&] { FoldPristine(f); });
        if (movingCorners_ == 0 && drainable)
            break;
    }
    if (movingCorners_ == 0 && drainable && !giveUp_) {
        // Every face with a corner on the moving side is used, so the index
        // has nothing left for any group still to search (all on that side):
        // only the positions the flood has set can still be met there.
        if (next >= 0)
            stack[top++] = next;
        while (top > 0 && !giveUp_) {
            const int32_t g = stack[--top];
            if (u[g] >= bandLo && u[g] <= bandHi) {
                const int32_t f = fl_.PlacedAbove(fl_.index_->GroupPos(g), u[g], -1);
                if (f >= 0)
                    Refound(f);
            }
        }
    }
    fl_.stackTop_ = top;
    return !giveUp_;
}

void CFoldQuickStep::Refound(int32_t f)
{
    // A face this step made or turned, met again: the general flood handles
    // it unless it stays as it is.
    int s[3];
    for (int j = 0; j < 3; ++j)
        s[j] = fl_.plane_->ClassifyPoint(fl_.PosOf(f, j));
    int zero = 0;
    if (fl_.Decide(s, zero) != CFoldFlood::FaceFold::kLeave)
        giveUp_ = true;
}

void CFoldQuickStep::FoldPristine(int32_t f)
{
    const int32_t g[3] = {fl_.index_->GroupOf(3 * f), fl_.index_->GroupOf(3 * f + 1),
                          fl_.index_->GroupOf(3 * f + 2)};
    const int s[3] = {groupSide_[g[0]], groupSide_[g[1]], groupSide_[g[2]]};
    int zero = 0;
    const CFoldFlood::FaceFold fold = fl_.Decide(s, zero);
    if (fold == CFoldFlood::FaceFold::kLeave)
        return;
    // Used from here on (or the step gives up).
    movingCorners_ -= (s[0] == fl_.side_) + (s[1] == fl_.side_) + (s[2] == fl_.side_);
    if (fold == CFoldFlood::FaceFold::kMirror) {
        // Found from a point on the moving side, so on that side itself.
        if (s[0] != fl_.side_) {
            giveUp_ = true;
            return;
        }
        fl_.state_[f] = CFoldFlood::kMirrored;
        fl_.PushGroup(g[2]);
        fl_.PushGroup(g[1]);
        fl_.PushGroup(g[0]);
        return;
    }
    const CVector3* at = base_->pos.data() + 3 * f;
    const CVector3 p[3] = {at[0], at[1], at[2]};
    if (fold == CFoldFlood::FaceFold::kTurn) {
        fl_.state_[f] = CFoldFlood::kTurned;
        fl_.turnedSlot_[f] = static_cast<int32_t>(fl_.turned_.size() / 3);
        for (int j = 0; j < 3; ++j) {
            fl_.turned_.push_back(s[j] == 0 ? p[j] : fl_.Mirror(p[j])); // images may not be ready
            if (fl_.turned_.back() == fl_.target_ &&
                (turnedAtTarget_ < 0 || 3 * f + j < turnedAtTarget_))
                turnedAtTarget_ = 3 * f + j;
        }
        fl_.RecordPlaced(f, true);
        fl_.NoteTurned(f, s);
        for (int j = 2; j >= 0; --j)
            if (s[j] != 0)
                fl_.PushGroup(g[j]);
        return;
    }
    if (fold == CFoldFlood::FaceFold::kSplitAtCorner) {
        fl_.SplitThroughCorner(f, p, s, zero, true);
        return;
    }
    // Split: the corner it was found from is on the moving side, so the lone
    // corner is the seed exactly when it is on that side.
    int seed = -1;
    for (int j = 2; j >= 0; --j)
        if (s[j] == fl_.side_)
            seed = j;
    if (seed < 0) {
        giveUp_ = true;
        return;
    }
    fl_.SplitFace(f, p, s, seed, true);
}

int32_t CFoldQuickStep::FirstAtTargetQuick(const CVector3& startPos) const
{
    // The first corner of the base's faces exactly at the target once the
    // step is done: an untouched one still there, one of a mirrored face whose
    // group's image is there (such a group lies within rounding of the start,
    // as mirroring keeps distances), or one a turned face has there.
    int32_t best = -1;
    auto consider = [&best](int32_t k) {
        if (best < 0 || k < best)
            best = k;
    };
    fl_.index_->ForEachCornerNear(fl_.target_, CFoldIndex::kReach, [&](int32_t k) {
        if (fl_.state_[k / 3] == 0 && fl_.index_->Pos(k) == fl_.target_)
            consider(k);
    });
    fl_.index_->ForEachCornerNear(startPos, CFoldIndex::kReach, [&](int32_t k) {
        if ((fl_.state_[k / 3] & CFoldFlood::kMirrored) &&
            groupImage_[fl_.index_->GroupOf(k)] == fl_.target_)
            consider(k);
    });
    if (turnedAtTarget_ >= 0)
        consider(turnedAtTarget_);
    return best;
}

void CFoldQuickStep::MarkPlaneCreases(CWorkingShape& working)
{
    if (fl_.turnedEdges_.empty())
        return;
    fl_.CollectPlaneCreases();
    // Faces of the base land below where they were by the crossed faces before them.
    std::vector<int32_t>& dead = fl_.deadFaces_;
    std::sort(dead.begin(), dead.end());
    for (const CFoldFlood::EdgeMarkAt& c : fl_.planeCreases_) {
        const auto before = std::lower_bound(dead.begin(), dead.end(), c.face) - dead.begin();
        working.tri[c.face - before].edge[c.edge] = c.mark;
    }
}
