#pragma once
// The fold: mirror the part of the working shape that is connected to a seed
// point on its side of the reflection plane, splitting the triangles the plane
// cuts so that both parts stay joined along a crease in the plane.
//
// The result (triangle order, corner order, positions, planes, corner data)
// is fixed exactly: the face searched for a point is the last face in order
// with a corner closer than the tolerance, positions are searched depth first
// in corner order, and new triangles are appended in creation order. The
// search runs on a spatial index and the flood on an explicit stack, which
// give the same result.
//
// Corners on the plane (within the tolerance) do not stop a step. A face with
// such a corner is mirrored when its other corners all lie on the seed's side
// (the corners on the plane stay), split in two through the corner on the
// plane when its other two corners lie on opposite sides, and otherwise left.
//
// A drag step takes the quick way when it can: every searched position lies
// on the seed's side, at least the tolerance off the plane, so no mirrored
// corner (now as far off on the other side) can come within reach of one.
// The search then only marks the faces it mirrors and reads nothing but
// position groups, their sides and face states; one pass afterwards builds
// the working shape from the base. When a face met again would change (which
// the argument above rules out short of rounding on huge coordinates), the
// step starts over on the general flood, which writes as it goes.

#include "design/FoldIndex.h"
#include "design/HelperThread.h"
#include "model/CellTable.h"
#include "model/FlatMesh.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CSlicePlane;

struct ReflectionStepResult {
    bool accepted = false;
    // Corner of the working shape nearest the mirrored start position (-1
    // only when the shape has no triangle).
    int32_t corner = -1;
};

// What the running flood knows of one position group of the base index, in
// two arrays because the face search reads only the first: how many of the
// group's neighbour faces are known to be no longer untouched (faces never
// become untouched again during a flood), and the group's side and mirror
// image, computed once. Each is valid when its stamp is the flood's.
struct FoldGroupState {
    uint32_t stamp = 0;
    int32_t done = 0;
};
struct FoldGroupImage {
    CVector3 mirrored;
    uint32_t stamp = 0;
    int8_t side = 0;
    bool banded = false; // the mirror image has been placed and is in the band
};

// The fold's working memory: the base state and its index (kept across the
// steps of a drag) and the flood's scratch. A step copies the base into the
// working shape, folds it in place and allocates nothing once the first one
// has run.
class CFoldWorkspace {
public:
    CFoldWorkspace() = default;
    CFoldWorkspace(const CFoldWorkspace&) = delete;
    CFoldWorkspace& operator=(const CFoldWorkspace&) = delete;

    // Makes a copy of `base` the state every step starts from, and indexes it.
    void SetBase(const CFlatMesh& base);
    bool HasBase() const { return hasBase_; }
    const CFlatMesh& Base() const { return base_; }
    // Forgets the base state and lets go of all memory.
    void Invalidate();

    // One drag step: the plane becomes the bisector of startPos and
    // draggedPos; `working` becomes the base state folded from startPos.
    // Refused (nothing changes but the plane) when startPos lies on that plane,
    // when the positions give no finite plane (the plane is then kept), or
    // without a base state. draggedPos == startPos defines no plane: the plane
    // is left alone and `working` becomes the plain copy of the base state.
    ReflectionStepResult Step(CFlatMesh& working, CSlicePlane& plane, const CVector3& startPos,
                              const CVector3& draggedPos);

    // The flood from `point` on `mesh` as it is now (no base state involved).
    void Flood(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point);

    // For tests: false makes every step take the general flood.
    void SetQuickSteps(bool on) { quickAllowed_ = on; }
    // For tests: quick steps on shapes from this many triangles on use the
    // helper thread (where the machine has a second core).
    void SetHelperFrom(int32_t triangles) { helpFrom_ = triangles; }
    // Whether the last accepted step took the quick way.
    bool LastStepWasQuick() const { return lastQuick_; }

private:
    // kMirrored and kTurned mark faces the quick search mirrored whole or
    // turned about corners on the plane; their positions are written later.
    enum : uint8_t { kDead = 1, kDynamic = 2, kMirrored = 4, kTurned = 8 };
    enum class FaceFold { kMirror, kTurn, kSplit, kSplitAtCorner, kLeave };
    // What the flood does with a face whose corners lie on sides s (0: on the
    // plane); `zero` gets the corner on the plane for kSplitAtCorner.
    FaceFold Decide(const int s[3], int& zero) const
    {
        const int onPlane = (s[0] == 0) + (s[1] == 0) + (s[2] == 0);
        if (onPlane == 0)
            return s[0] == s[1] && s[1] == s[2] ? FaceFold::kMirror : FaceFold::kSplit;
        // A corner on the plane: the face turns about it when the rest lies on
        // the moving side, splits through it when the rest straddles the plane.
        bool restMoves = onPlane < 3;
        for (int j = 0; j < 3; ++j)
            if (s[j] != 0 && s[j] != side_)
                restMoves = false;
        if (restMoves)
            return FaceFold::kTurn;
        if (onPlane == 1) {
            const int z = s[0] == 0 ? 0 : (s[1] == 0 ? 1 : 2);
            if (s[(z + 1) % 3] == -s[(z + 2) % 3]) {
                zero = z;
                return FaceFold::kSplitAtCorner;
            }
        }
        return FaceFold::kLeave;
    }
    struct Placed { // a corner whose position the flood has set, filed by cell
        int32_t face;
        int32_t corner;
        int32_t next; // next entry in the same grid cell
    };
    struct Pending { // a position waiting to be searched
        CVector3 pos;
        int32_t group; // index position group at exactly this position, or -1
    };

    // Capacity for `triangles` and some more, without the doubling of a plain grow.
    static void ReserveFor(CFlatMesh& m, size_t triangles);
    // Drops the faces state_ marks dead, keeping the order of the rest.
    void Compact(CFlatMesh& mesh) const;

    // The quick step (false when it had to give up; `working` is then untouched).
    bool QuickStep(CFlatMesh& working, const CVector3& startPos, int32_t& corner);
    void ClassifyGroups(bool sides, bool images);
    void PreparePlanes();
    bool RunQuickFlood(const CVector3& point);
    void FoldPristine(int32_t f);
    void Refound(int32_t f);
    void PushGroup(int32_t g) { groupStack_[stackTop_++] = g; }
    int32_t FirstAtTargetQuick(const CVector3& startPos) const;
    // Builds `working` from the base and the step's marks; with `helped`, the
    // helper (started by QuickStep) has the planes ready and writes the second
    // half of the faces.
    void WriteWorking(CFlatMesh& working, int32_t atTarget, bool helped, int32_t& corner);
    // Writes the base's faces [begin, stop) from output face `out` on; returns
    // the output index of corner atTarget if it lies there, else -1.
    int32_t WriteRange(CFlatMesh& working, size_t begin, size_t stop, size_t out, int32_t atTarget,
                       bool planesReady) const;
    // The helper's part: waits for the search to end, then writes its half.
    void WriteShare();
    // Position of corner j of face `face` as the running flood has it.
    const CVector3& PosOf(int32_t face, int j) const
    {
        if (!quick_)
            return mesh_->pos[3 * face + j];
        if (face >= faceCount_)
            return extra_.pos[3 * (face - faceCount_) + j];
        if (state_[face] & kTurned)
            return turned_[3 * turnedSlot_[face] + j];
        return base_.pos[3 * face + j];
    }
    static int32_t Nearest(const CFlatMesh& mesh, const CVector3& target);
    // The first live corner (before compaction) exactly at target_, or -1.
    int32_t FirstAtTarget() const;
    // Compaction's index of corner k of a live face.
    int32_t CompactedCorner(int32_t k) const;
    void NoteWrite(int32_t corner, const CVector3& p)
    {
        if (p == target_)
            atTarget_.push_back(corner);
    }

    void BeginFlood(CFlatMesh& mesh, const CSlicePlane& plane, const CFoldIndex& index, int side);
    void RunFlood(const CVector3& point);
    void EndFlood();
    bool FindFace(const CVector3& q, int32_t group, int32_t& face, int& seed);
    // The highest untouched face with a corner within reach of group g's position.
    int32_t UntouchedIn(int32_t group)
    {
        FoldGroupState& g = GroupOf(group);
        const std::span<const int32_t> faces = index_->GroupNeighbourFaces(group);
        const int32_t count = static_cast<int32_t>(faces.size());
        int32_t i = g.done;
        while (i < count && state_[faces[i]] != 0)
            ++i;
        g.done = i;
        return i < count ? faces[i] : -1;
    }
    // The highest live face above `best` that the flood has set and that has
    // a corner within reach of q (whose plane value is u), else best.
    int32_t PlacedAbove(const CVector3& q, double u, int32_t best);
    // Mirrors the face's corners; with `sides`, only those off the plane.
    void MirrorWhole(int32_t f, const CVector3 p[3], bool pristine, FoldGroupImage* g[3],
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
                        int32_t origin);
    // Files a position to search; `corner` is the index corner exactly there, or -1.
    void Push(const CVector3& pos, int32_t corner)
    {
        if (quick_) {
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

    CFlatMesh base_;
    CFoldIndex baseIndex_;
    bool hasBase_ = false;
    // Index of a mesh folded in place by Flood.
    CFoldIndex looseIndex_;

    // State of the running flood.
    CFlatMesh* mesh_ = nullptr;
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
    double planeLength_ = 0.0;
    double bandBase_ = 0.0;
    // Per position group of the index, for the running flood (valid when the
    // stamp equals floodStamp_): the side and mirror image, computed once, and
    // how many of the group's neighbour faces are known to be no longer
    // untouched (faces never become untouched again during a flood).
    std::vector<FoldGroupState> groups_;
    std::vector<FoldGroupImage> images_;
    uint32_t floodStamp_ = 0;

    // The quick step: sides and plane values of the base's position groups,
    // the positions still to search, the positions of turned faces and the
    // triangles the splits made (numbered on from the base's faces).
    bool quickAllowed_ = true;
    bool quick_ = false;
    bool lastQuick_ = false;
    bool giveUp_ = false;
    const CFlatMesh* source_ = nullptr; // where faces' corner data and origins are read
    std::vector<int8_t> groupSide_;
    std::vector<double> groupU_;
    std::vector<CVector3> groupImage_; // set for groups on the moving side
    std::vector<uint8_t> groupMoving_; // per group: on the moving side
    struct MirroredPlane {
        CVector3 normal;
        double d;
    };
    std::vector<MirroredPlane> mirroredPlane_; // per face wholly on the moving side
    std::vector<int32_t> groupStack_;          // [0, stackTop_) in use
    size_t stackTop_ = 0;
    std::vector<int32_t> quickDone_; // per group: leading used faces in its list
    // Corners on the moving side of faces the search has not used yet.
    int64_t movingCorners_ = 0;
    std::vector<CVector3> turned_;
    std::vector<int32_t> turnedSlot_;
    int32_t turnedAtTarget_ = -1; // first corner of a turned face at the target
    CFlatMesh extra_;
    double baseMaxAbs_ = 0.0;

    // From this many triangles on, a helper thread prepares images and
    // planes and writes half of the output. Below it, the helper's wake-up
    // and the trip of the data between the cores' caches cost more than its
    // work saves.
    static constexpr int32_t kHelpFrom = 32768;
    int32_t helpFrom_ = kHelpFrom;
    std::atomic<bool> prepared_{false};
    enum : int { kShareWaiting, kShareGo, kShareCancelled };
    struct ShareJob {
        CFlatMesh* working = nullptr;
        size_t from = 0, to = 0, out = 0;
        int32_t atTarget = -1;
        int32_t corner = -1; // the helper's answer
    };
    std::unique_ptr<CHelperThread> helper_;
    std::atomic<int> share_{kShareWaiting};
    ShareJob shareJob_;
    FoldGroupState& GroupOf(int32_t group)
    {
        FoldGroupState& g = groups_[group];
        if (g.stamp != floodStamp_) {
            g.stamp = floodStamp_;
            g.done = 0;
        }
        return g;
    }
    FoldGroupImage& FoldOfGroup(int32_t group, const CVector3& pos);
};

// One drag step on `working` with `workspace`'s base state (see CFoldWorkspace::Step).
ReflectionStepResult ReflectionStep(CFlatMesh& working, CSlicePlane& plane,
                                    CFoldWorkspace& workspace, const CVector3& startPos,
                                    const CVector3& draggedPos);

// The flood from `point` on `mesh` as it is now, against `plane`.
void ReflectFrom(CFlatMesh& mesh, const CSlicePlane& plane, const CVector3& point);

// Appends a triangle at p1, p2, p3 with its plane computed from them.
void AddTriangle(CFlatMesh& mesh, const CVector3& p1, const CVector3& p2, const CVector3& p3,
                 const CCornerData& c1 = {}, const CCornerData& c2 = {}, const CCornerData& c3 = {},
                 int32_t origin = -1);
