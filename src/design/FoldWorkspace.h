#pragma once
// The fold's working memory: the index of the base state (kept across the
// steps of a drag), the per-step face states, the positions that the flood
// has set (searched through a grid only when a search could reach them) and
// the explicit stack that replaces the recursion. Everything is reused from
// step to step, so a step allocates nothing once the first one has run.

#include "design/CellTable.h"
#include "design/FoldIndex.h"
#include "design/ReflectionOperation.h"
#include "model/PolyModel.h"

#include <cstdint>
#include <vector>

class CFoldWorkspace {
public:
    CFoldWorkspace() = default;
    CFoldWorkspace(const CFoldWorkspace&) = delete;
    CFoldWorkspace& operator=(const CFoldWorkspace&) = delete;

    // Forgets the index of the base state. Call it whenever the top of the undo
    // stack may have changed (commit, step back, another model).
    void Invalidate();

    // ReflectionStep and ReflectFrom (ReflectionOperation.h) run here.
    ReflectionStepResult Step(CPolyModel& model, CPolyVertex* selected, const CVector3& startPos,
                              const CVector3& draggedPos);
    void Flood(CPolyObject& object, const CSlicePlane& plane, const CVector3& point);

private:
    enum : uint8_t { kDead = 1, kDynamic = 2 };
    struct Placed { // a corner whose position the flood has set, filed by cell
        int32_t face;
        int32_t corner;
        int32_t next; // next entry in the same grid cell
    };
    struct Pending { // a position waiting to be searched
        CVector3 pos;
        int32_t hint; // index corner at exactly this position, or -1
    };

    bool BaseIsIndexed(const CPolyObject& base) const;
    bool JournalFits(const CPolyObject& object) const;
    void RestoreFromIndex(CPolyObject& object);
    void RestoreFromJournal(CPolyObject& object, CPolyVertex* selected);
    static bool TouchesPlane(const CPolyObject& object, const CSlicePlane& plane);
    bool JournalTouchesPlane(const CSlicePlane& plane) const;
    static CPolyVertex* Nearest(const CPolyObject& object, const CVector3& target);
    CPolyVertex* JournalNearest(const CVector3& target) const;

    void BeginFlood(CPolyObject& object, const CSlicePlane& plane, const CFoldIndex& index,
                    CPolyVertex* block);
    void RunFlood(const CVector3& point);
    void PlaceMirroredPlanes();
    void EndFlood();
    bool FindFace(const CVector3& q, int32_t hint, int32_t& face, int& seed);
    CPolyVertex* VertexOf(int32_t face, int j) const {
        if (face < faceCount_)
            return block_ ? block_ + 3 * face + j : cornerVerts_[3 * face + j];
        return newVerts_[3 * (face - faceCount_) + j];
    }
    void RecordPlaced(int32_t face, bool widenBand);
    void WidenBand(const CVector3& p);
    void FlushPlaced();
    CVector3 Mirror(const CVector3& x) const;
    void AppendTriangle(const CVector3& p1, const CVector3& p2, const CVector3& p3);

    // Base state index, valid while indexedBase_ is the top of the stack.
    CFoldIndex baseIndex_;
    const CPolyObject* indexedBase_ = nullptr;
    size_t indexedVertices_ = 0;
    // Index of an object folded in place by ReflectFrom.
    CFoldIndex looseIndex_;

    // What the last fast step left in the working object: the record blocks
    // of the copy, the faces it mirrored (state_) and the records it added after
    // `journalMark_`. The next step undoes just that instead of copying anew.
    // Valid while the working object is changed only by the steps and by
    // moving the selected vertex.
    const CPolyObject* journalObject_ = nullptr;
    CPolyFace* faceBlock_ = nullptr;
    CPolyVertex* vertexBlock_ = nullptr;
    size_t journalFaces_ = 0;
    size_t journalVertices_ = 0;
    Arena::Position journalMark_;
    int32_t firstDead_ = -1;

    // State of the running flood.
    CPolyObject* object_ = nullptr;
    const CSlicePlane* plane_ = nullptr;
    const CFoldIndex* index_ = nullptr;
    int32_t faceCount_ = 0;
    CPolyVertex* block_ = nullptr;    // vertices of the index's faces, 3 per face, when contiguous
    CPolyFace* floodFaces_ = nullptr; // the index's faces, when contiguous
    std::vector<CPolyVertex*> cornerVerts_; // otherwise
    std::vector<CPolyVertex*> newVerts_;
    std::vector<uint8_t> state_;
    // Faces whose corners the flood has moved or created, in order (a face
    // moved twice is listed twice); filed into placedCells_ only when a search
    // may reach them. The band [minU_, maxU_] holds the plane values of all
    // their positions.
    std::vector<int32_t> placedFaces_;
    size_t flushed_ = 0;
    std::vector<Placed> placed_;
    double minU_ = 0.0, maxU_ = 0.0, maxAbs_ = 0.0;
    CCellTable placedCells_;
    std::vector<Pending> stack_;
    bool anyDead_ = false;
    double planeLength_ = 0.0;
    double bandBase_ = 0.0;
    // Per position group of the index, for the running flood (valid when the
    // stamp equals floodStamp_): the side and mirror image, computed once, and
    // how many of the group's neighbour faces are known to be no longer
    // untouched (faces never become untouched again during a flood).
    struct GroupFold {
        CVector3 mirrored;
        uint32_t stamp = 0;
        int32_t side = 0;
        int32_t done = 0;
        bool folded = false;
        bool banded = false; // the mirror image has been placed and is in the band
    };
    std::vector<GroupFold> groups_;
    uint32_t floodStamp_ = 0;
    GroupFold& GroupOf(int32_t group) {
        GroupFold& g = groups_[group];
        if (g.stamp != floodStamp_) {
            g.stamp = floodStamp_;
            g.done = 0;
            g.folded = false;
            g.banded = false;
        }
        return g;
    }
    GroupFold& FoldOfGroup(int32_t group, const CVector3& pos);
};
