// The quick step's last stage: the working shape written from the base
// state and what the search marked, in ranges the helper thread can share.
#include "fold/FoldQuickStep.h"

#include <algorithm>
#include <cstring>

namespace {

template <class T> void CopyRun(T* to, const T* from, size_t count)
{
    std::memcpy(to, from, count * sizeof(T));
}

} // namespace

void CFoldQuickStep::WriteShare()
{
    int state = kShareWaiting;
    SpinUntil([&] { return (state = share_.load(std::memory_order_acquire)) != kShareWaiting; });
    if (state == kShareGo)
        shareJob_.corner = WriteRange(*shareJob_.working, shareJob_.from, shareJob_.to,
                                      shareJob_.out, shareJob_.atTarget, true);
}

void CFoldQuickStep::WriteWorking(CWorkingShape& working, int32_t atTarget, bool helped,
                                  int32_t& corner)
{
    const size_t n = static_cast<size_t>(fl_.faceCount_);
    const size_t most = n + fl_.extra_.TriangleCount();
    CFoldFlood::ReserveFor(working, most);
    working.pos.resize(3 * most);
    working.corner.resize(3 * most);
    working.tri.resize(most);

    // The base's faces in two halves, the second written by the helper from
    // where the first half's live faces end.
    const size_t mid = helped ? n / 2 : n;
    size_t deadBefore = 0, deadAfter = 0;
    for (size_t f = 0; f < mid; ++f)
        deadBefore += fl_.state_[f] & CFoldFlood::kDead;
    for (size_t f = mid; f < n; ++f)
        deadAfter += fl_.state_[f] & CFoldFlood::kDead;
    if (helped) {
        shareJob_ = {&working, mid, n, mid - deadBefore, atTarget, -1};
        share_.store(kShareGo, std::memory_order_release);
    }
    corner = WriteRange(working, 0, mid, 0, atTarget, helped);
    if (helped) {
        helper_->Wait();
        if (corner < 0)
            corner = shareJob_.corner;
    }
    size_t out = n - deadBefore - deadAfter;
    CVector3* pos = working.pos.data();
    CCornerData* cd = working.corner.data();
    CTriangleData* tri = working.tri.data();
    // The split triangles follow, in the order they were made.
    const size_t extra = fl_.extra_.TriangleCount();
    if (extra > 0) {
        CopyRun(pos + 3 * out, fl_.extra_.pos.data(), 3 * extra);
        CopyRun(cd + 3 * out, fl_.extra_.corner.data(), 3 * extra);
        CopyRun(tri + out, fl_.extra_.tri.data(), extra);
        if (corner < 0)
            for (size_t k = 0; k < 3 * extra; ++k)
                if (fl_.extra_.pos[k] == fl_.target_) {
                    corner = static_cast<int32_t>(3 * out + k);
                    break;
                }
        out += extra;
    }
    working.pos.resize(3 * out);
    working.corner.resize(3 * out);
    working.tri.resize(out);
    if (corner < 0)
        corner = CFoldFlood::Nearest(working, fl_.target_);
}

int32_t CFoldQuickStep::WriteRange(CWorkingShape& working, size_t begin, size_t stop, size_t out,
                                   int32_t atTarget, bool planesReady) const
{
    // `atTarget` (a corner of the base's faces, or -1) is found again in the
    // output: its index there, or -1.
    int32_t corner = -1;
    const size_t targetFace = atTarget >= 0 ? static_cast<size_t>(atTarget / 3) : SIZE_MAX;
    auto noteTarget = [&](size_t from, size_t to, size_t outFrom) {
        if (targetFace >= from && targetFace < to)
            corner = static_cast<int32_t>(3 * (outFrom + targetFace - from)) + atTarget % 3;
    };
    CVector3* pos = working.pos.data();
    CCornerData* cd = working.corner.data();
    CTriangleData* tri = working.tri.data();
    const CVector3* basePos = base_->pos.data();
    const CCornerData* baseCorner = base_->corner.data();
    const CTriangleData* baseTri = base_->tri.data();
    const uint8_t* state = fl_.state_.data();

    for (size_t f = begin; f < stop;) {
        const uint8_t st = state[f];
        if (st == 0) {
            // A run of untouched faces goes across as it is.
            size_t end = f + 1;
            while (end < stop && state[end] == 0)
                ++end;
            const size_t count = end - f;
            CopyRun(pos + 3 * out, basePos + 3 * f, 3 * count);
            CopyRun(cd + 3 * out, baseCorner + 3 * f, 3 * count);
            CopyRun(tri + out, baseTri + f, count);
            noteTarget(f, end, out);
            out += count;
            f = end;
            continue;
        }
        if (st & CFoldFlood::kDead) {
            ++f;
            continue;
        }
        // A run of moved faces: their corner data and records go across as
        // they are, then the new positions, then the planes together, which
        // keeps the divisions of neighbouring faces in flight at once.
        const size_t first = out;
        const size_t from = f;
        while (f < stop && state[f] != 0 && !(state[f] & CFoldFlood::kDead))
            ++f;
        const size_t count = f - from;
        CopyRun(cd + 3 * first, baseCorner + 3 * from, 3 * count);
        CopyRun(tri + first, baseTri + from, count);
        const int32_t* cornerGroup = fl_.index_->CornerGroups() + 3 * from;
        for (size_t t = from; t < f; ++t, ++out, cornerGroup += 3) {
            CVector3* p = pos + 3 * out;
            if (state[t] & CFoldFlood::kMirrored) {
                p[0] = groupImage_[cornerGroup[0]];
                p[1] = groupImage_[cornerGroup[1]];
                p[2] = groupImage_[cornerGroup[2]];
                if (planesReady) {
                    tri[out].normal = mirroredPlane_[t].normal;
                    tri[out].d = mirroredPlane_[t].d;
                }
            } else {
                const CVector3* at = fl_.turned_.data() + 3 * fl_.turnedSlot_[t];
                p[0] = at[0], p[1] = at[1], p[2] = at[2];
                if (planesReady)
                    FlatPlaneOf(p[0], p[1], p[2], tri[out].normal, tri[out].d);
            }
        }
        noteTarget(from, f, first);
        if (!planesReady)
            FlatPlanesOf(pos + 3 * first, tri + first, out - first);
    }
    return corner;
}
