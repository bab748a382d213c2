#pragma once
// The general flood of a fold step: a depth-first search over the faces
// connected to the seed, on an explicit stack, in the exact order the plain
// recursive form would take, writing the folded shape in place as it goes
// (see ReflectionOperation.h for the rules it keeps).
//
// The quick step runs the same search in marking mode: nothing is written in
// place, positions to search are filed as index groups, triangles the splits
// make are kept apart (numbered on from the base's faces) and the positions of
// faces turned about the plane are kept beside them.

#include "fold/FaceFold.h"
#include "fold/FoldIndex.h"
#include "model/CellTable.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <vector>

class CSlicePlane;

class CFoldFlood {
public:
    // Per face: crossed and gone (kDead), moved or made (kDynamic); the quick
    // step marks faces it mirrors whole or turns about corners on the plane.
    enum : uint8_t { kDead = 1, kDynamic = 2, kMirrored = 4, kTurned = 8 };

    // Starts a flood on `mesh` (which `index` indexes as it is now) that moves
    // the faces on `side` of `plane`; `target` is where the start position goes.
    void BeginFlood(CWorkingShape& mesh, const CSlicePlane& plane, const CFoldIndex& index,
                    int side, const CVector3& target);
    // The search from `point`; then EndFlood sets the moved faces' planes.
    void RunFlood(const CVector3& point);
    void EndFlood();
    // Drops the faces the flood crossed, keeping the order of the rest.
    void Compact(CWorkingShape& mesh) const;
    // The first live corner (before compaction) exactly at the target, or -1.
    int32_t FirstAtTarget() const;
    // Compaction's index of corner k of a live face.
    int32_t CompactedCorner(int32_t k) const;
    // The first corner of `mesh` at the smallest distance from target (-1 if none).
    static int32_t Nearest(const CWorkingShape& mesh, const CVector3& target);
    // Capacity for `triangles` and some more, without the doubling of a plain grow.
    static void ReserveFor(CWorkingShape& m, size_t triangles);
    // Lets go of all memory.
    void Reset();

    // The sign flat creases of the following steps record: valley where the
    // moving face, as it was before the step, has its front (the side its
    // corners run counter-clockwise from) toward `reference`, mountain where
    // it is turned over against it; `behind` reverses both.
    void SetFlatSign(const CVector3& reference, bool behind)
    {
        signReference_ = reference;
        behind_ = behind;
    }

private:
    friend class CFoldQuickStep; // drives the search in marking mode

    using FaceFold = ::FaceFold;
    FaceFold Decide(const int s[3], int& zero) const { return DecideFaceFold(s, side_, zero); }
    // What the running flood knows of one position group of the index, in two
    // arrays because the face search reads only the first: how many of the
    // group's neighbour faces are known to be no longer untouched, and the
    // group's side and mirror image, computed once. Each is valid when its
    // stamp is the flood's.
    struct GroupState {
        uint32_t stamp = 0;
        int32_t done = 0;
    };
    struct GroupImage {
        CVector3 mirrored;
        uint32_t stamp = 0;
        int8_t side = 0;
        bool banded = false; // the mirror image has been placed and is in the band
    };
    struct Placed { // a corner whose position the flood has set, filed by cell
        int32_t face;
        int32_t corner;
        int32_t next; // next entry in the same grid cell
    };
    struct Pending { // a position waiting to be searched
        CVector3 pos;
        int32_t group; // index position group at exactly this position, or -1
    };

    // Marking mode on `base`, the mesh the index reads, for the flood begun.
    void BeginMarking(const CWorkingShape& base);
    void PushGroup(int32_t g) { groupStack_[stackTop_++] = g; }
    // Position of corner j of face `face` as the running flood has it.
    const CVector3& PosOf(int32_t face, int j) const
    {
        if (!marking_)
            return mesh_->pos[3 * face + j];
        if (face >= faceCount_)
            return extra_.pos[3 * (face - faceCount_) + j];
        if (state_[face] & kTurned)
            return turned_[3 * turnedSlot_[face] + j];
        return source_->pos[3 * face + j];
    }
    void NoteWrite(int32_t corner, const CVector3& p)
    {
        if (p == target_)
            atTarget_.push_back(corner);
    }
    bool FindFace(const CVector3& q, int32_t group, int32_t& face, int& seed);
    // The highest untouched face with a corner within reach of group g's position.
    int32_t UntouchedIn(int32_t group);
    // The highest live face above `best` that the flood has set and that has
    // a corner within reach of q (whose plane value is u), else best.
    int32_t PlacedAbove(const CVector3& q, double u, int32_t best);
    // Mirrors the face's corners; with `sides`, only those off the plane.
    void MirrorWhole(int32_t f, const CVector3 p[3], bool pristine, GroupImage* g[3],
                     const int* sides = nullptr);
    void SplitFace(int32_t f, const CVector3 p[3], const int s[3], int seed, bool pristine);
    void SplitThroughCorner(int32_t f, const CVector3 p[3], const int s[3], int zero,
                            bool pristine);
    void RecordPlaced(int32_t face, bool widenBand);
    void WidenBand(const CVector3& p);
    void FlushPlaced();
    CVector3 Mirror(const CVector3& x) const;
    void AppendTriangle(const CVector3& p1, const CVector3& p2, const CVector3& p3,
                        const CCornerData& c1, const CCornerData& c2, const CCornerData& c3,
                        int32_t origin, CEdgeMarks marks);
    // The mark of a crease this step lays down with face f on the moving side.
    uint8_t CreaseMark(int32_t f) const
    {
        const bool front = source_->tri[f].normal.Dot(signReference_) > 0.0;
        return EdgeMark::kCrease | (front != behind_ ? EdgeMark::kValley : 0);
    }
    // Files a turned face's edge that lies in the plane (sides s).
    void NoteTurned(int32_t f, const int s[3]);
    // The edges in the plane between a turned face and an untouched one
    // become creases: their marks, on faces as numbered before compaction.
    void CollectPlaneCreases();
    struct EdgeMarkAt {
        int32_t face;
        int32_t edge;
        uint8_t mark;
    };
    // Files a position to search; `corner` is the index corner exactly there, or -1.
    void Push(const CVector3& pos, int32_t corner);
    GroupState& GroupOf(int32_t group);
    GroupImage& FoldOfGroup(int32_t group, const CVector3& pos);

    CWorkingShape* mesh_ = nullptr;
    const CWorkingShape* source_ = nullptr; // where faces' corner data and origins are read
    const CSlicePlane* plane_ = nullptr;
    const CFoldIndex* index_ = nullptr;
    int32_t faceCount_ = 0;
    int side_ = 0; // side of the seed: the side that moves
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
    // Where the start goes (the selected vertex's next position) and the
    // corners the flood wrote exactly there: the nearest corner without a scan.
    CVector3 target_;
    std::vector<int32_t> atTarget_;
    bool anyDead_ = false;
    CVector3 signReference_;
    bool behind_ = false;
    std::vector<EdgeMarkAt> turnedEdges_; // mark unset until collected
    std::vector<EdgeMarkAt> planeCreases_;
    std::vector<int32_t> deadFaces_; // of the index's faces, in the order crossed
    double planeLength_ = 0.0;
    double bandBase_ = 0.0;
    std::vector<GroupState> groups_;
    std::vector<GroupImage> images_;
    uint32_t floodStamp_ = 0;

    // Marking mode: the groups still to search ([0, stackTop_) in use), the
    // positions of turned faces and the triangles the splits made.
    bool marking_ = false;
    std::vector<int32_t> groupStack_;
    size_t stackTop_ = 0;
    std::vector<CVector3> turned_;
    std::vector<int32_t> turnedSlot_;
    CWorkingShape extra_;
};
