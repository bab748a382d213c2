#pragma once
// The quick drag step: every searched position lies on the seed's side, at
// least the tolerance off the plane, so the search only marks the faces it
// mirrors and reads nothing but position groups, their sides and face states;
// one pass afterwards builds the working shape from the base (see
// ReflectionOperation.h for why this gives what the general flood gives).

#include "base/HelperThread.h"
#include "fold/FoldFlood.h"
#include "model/WorkingShape.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CFoldQuickStep {
public:
    // Runs its search with `flood`'s bookkeeping.
    explicit CFoldQuickStep(CFoldFlood& flood) : fl_(flood) {}
    CFoldQuickStep(const CFoldQuickStep&) = delete;
    CFoldQuickStep& operator=(const CFoldQuickStep&) = delete;

    // The step from startPos on the flood just begun on the base's index;
    // `baseMaxAbs` is the base's largest coordinate. False when it had to give
    // up (a face met again would change); `working` is then untouched.
    bool Run(CWorkingShape& working, const CWorkingShape& base, double baseMaxAbs,
             const CVector3& startPos, int32_t& corner);
    // Shapes from this many triangles on use the helper thread (where the
    // machine has a second core).
    void SetHelperFrom(int32_t triangles) { helpFrom_ = triangles; }
    // Lets go of all memory but the helper thread.
    void Reset();

private:
    void ClassifyGroups(bool sides, bool images);
    void PreparePlanes();
    bool RunQuickFlood(const CVector3& point);
    void FoldPristine(int32_t f);
    void Refound(int32_t f);
    int32_t FirstAtTargetQuick(const CVector3& startPos) const;
    // Builds `working` from the base and the step's marks; with `helped`, the
    // helper (started by Run) has the planes ready and writes the second half
    // of the faces.
    // Marks the creases in the plane on the written working shape.
    void MarkPlaneCreases(CWorkingShape& working);
    void WriteWorking(CWorkingShape& working, int32_t atTarget, bool helped, int32_t& corner);
    // Writes the base's faces [begin, stop) from output face `out` on; returns
    // the output index of corner atTarget if it lies there, else -1.
    int32_t WriteRange(CWorkingShape& working, size_t begin, size_t stop, size_t out,
                       int32_t atTarget, bool planesReady) const;
    // The helper's part: waits for the search to end, then writes its half.
    void WriteShare();

    CFoldFlood& fl_;
    const CWorkingShape* base_ = nullptr;
    double baseMaxAbs_ = 0.0;
    bool giveUp_ = false;
    // Sides and plane values of the base's position groups, the mirror images
    // of those on the moving side and the planes of faces wholly on it.
    std::vector<int8_t> groupSide_;
    std::vector<double> groupU_;
    std::vector<CVector3> groupImage_;
    std::vector<uint8_t> groupMoving_;
    struct MirroredPlane {
        CVector3 normal;
        double d;
    };
    std::vector<MirroredPlane> mirroredPlane_;
    std::vector<int32_t> quickDone_; // per group: leading used faces in its list
    // Corners on the moving side of faces the search has not used yet.
    int64_t movingCorners_ = 0;
    int32_t turnedAtTarget_ = -1; // first corner of a turned face at the target

    // From this many triangles on, a helper thread prepares images and
    // planes and writes half of the output. Below it, the helper's wake-up
    // and the trip of the data between the cores' caches cost more than its
    // work saves.
    static constexpr int32_t kHelpFrom = 32768;
    int32_t helpFrom_ = kHelpFrom;
    std::atomic<bool> prepared_{false};
    enum : int { kShareWaiting, kShareGo, kShareCancelled };
    struct ShareJob {
        CWorkingShape* working = nullptr;
        size_t from = 0, to = 0, out = 0;
        int32_t atTarget = -1;
        int32_t corner = -1; // the helper's answer
    };
    std::unique_ptr<CHelperThread> helper_;
    std::atomic<int> share_{kShareWaiting};
    ShareJob shareJob_;
};
