#pragma once
// What the design view keeps for one fold, without any window: the corner
// under the mouse, the selected corner, its start and last accepted positions
// and the picked handle. The design view drives it from mouse events, the
// command line from arguments; both get the same folds.

#include "design/DesignStates.h"
#include "design/DocumentState.h"
#include "design/ShapeCorners.h"
#include "fold/ReflectionOperation.h"
#include "model/PolyModel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class CDesignSession {
public:
    // Handle length in model units (models are scaled into [-1, 1]^3).
    static constexpr double kHandleLength = 0.2;

    enum class DragOutcome {
        kIgnored,  // nothing selected, no handle, or no displacement: nothing changed
        kAccepted, // the surface was folded; SelectedPos() is the dragged position
        kRejected, // no plane (the start lies on it): the surface is unchanged, the
                   // vertex keeps its displacement until the next accepted step or the release
    };

    CDesignSession() = default;
    ~CDesignSession();
    CDesignSession(const CDesignSession&) = delete;
    CDesignSession& operator=(const CDesignSession&) = delete;

    // Makes `model` the one the session works on (null: none) and forgets the
    // highlight, the selection and the handle. Call it whenever the current
    // model or its shape is replaced from outside.
    // A large shape is copied (the records as opened: flattened) at once; a
    // second thread then makes the base of the first click from it, indexes
    // it and, unless it is the records as opened, packs it, so that the
    // first click finds that done. The second thread reads only the copy,
    // never the model.
    void AttachModel(CPolyModel* model);
    // Returns once the work AttachModel left to the second thread is done
    // (every operation that needs it waits by itself).
    void WaitForPrepared();
    // For tests: shapes from this many triangles on are prepared beside the
    // caller (where the machine has a second core).
    void SetPrepareFrom(size_t triangles) { prepareFrom_ = triangles; }
    // For tests and benchmarks: the fold's workspace (its thresholds, its index).
    CFoldWorkspace& Workspace() { return workspace_; }
    CPolyModel* Model() const { return model_; }

    const CVector3* HighlightedPos() const
    {
        return highlighted_.seq >= 0 ? &highlighted_.pos : nullptr;
    }
    const CShapeCorner& Highlighted() const { return highlighted_; }
    bool HasSelection() const { return selected_; }
    // Where the selected vertex is now (moved by rejected steps too); null when none.
    const CVector3* SelectedPos() const { return selected_ ? &dragPos_ : nullptr; }
    // Corner of the working shape that is the selected vertex; -1 when it has none.
    int32_t SelectedCorner() const { return selected_ ? selectedCorner_ : -1; }
    const CVector3& StartPos() const { return startPos_; }
    const CVector3& LastAccepted() const { return lastAccepted_; }
    int Handle() const { return handle_; }

    // Sets the corner under the mouse (seq < 0: none). Ignored while a vertex
    // is selected, so the two are never set together. True when it changed.
    bool SetHighlighted(const CShapeCorner& corner);
    // 1 X, 2 Y, 3 Z with a handle vector of kHandleLength along that axis;
    // anything else means no handle (0, zero vector).
    void SetHandle(int handle);

    // A left press with nothing selected: puts the reflection plane back on
    // its square. Nothing happens without a model.
    void ResetPlaneToSquare();

    // One mouse-move step of a handle drag, in handle lengths: the selected
    // vertex moves by l times the handle vector, then the fold is recomputed from the
    // base state. l == 0 (a handle seen end-on has no screen length) or a
    // non-finite l moves nothing and returns kIgnored.
    DragOutcome DragStep(double l);
    // The same step with the displacement given directly (all three components
    // are added). A zero or non-finite displacement returns kIgnored.
    DragOutcome DragBy(const CVector3& displacement);

    // Where a drag of the selected vertex to `raw` would land with the fold
    // angle snapped: the point nearest `raw` in the plane through it with
    // normal `planeNormal` whose fold angle is a multiple of kSnapDegrees
    // (SnapFoldAngle). `raw` itself with no selection.
    CVector3 SnappedDragPos(const CVector3& raw, const CVector3& planeNormal) const;
    static constexpr double kSnapDegrees = 15.0;

    // Left release: a selected vertex goes back to its last accepted position;
    // a highlighted corner is committed and becomes the selected one
    // (returns true then: the view should redraw).
    bool EndLeftClick();
    // A left press that starts a drag of the selected vertex: remembers the
    // shape, the plane, the fold angle and the unsaved-changes mark as they
    // are, for CancelDrag. Nothing without a selection.
    void BeginDrag();
    // Escape during a drag: everything BeginDrag remembered comes back and the
    // drag ends; the selection stays. True when the shape changed back.
    bool CancelDrag();
    // SPACE: puts the selected vertex back at its last accepted position and
    // clears the highlight and the selection; nothing is committed.
    void Deselect();
    // Commits the folded shape and deselects. False (nothing done) when no
    // vertex is selected.
    bool FixShape();
    // Steps back to the previous committed shape and clears the selection.
    // False when the stack was empty (nothing changed).
    bool Undo();
    // Takes again the step Undo took back and clears the selection. False
    // when there is none (nothing changed).
    bool Redo();
    bool CanFixShape() const { return selected_; }
    // "Fold Flat Flaps Behind": flat creases of the following steps take the
    // opposite sign (the flap goes behind the selected corner's face, not
    // in front of it).
    void SetFoldFlatBehind(bool behind);
    bool FoldFlatBehind() const { return behind_; }
    bool CanUndo() const;
    bool CanRedo() const;

    // The fold angle (FoldAngle.h) of the crease the last accepted step of this
    // selection made, in degrees; empty before one and once the selection ends.
    const std::optional<double>& FoldAngle() const { return foldAngle_; }

    // Counts of drag steps since the model was attached.
    int AcceptedSteps() const { return acceptedSteps_; }
    int RejectedSteps() const { return rejectedSteps_; }
    // Bumped whenever the shape changes through the session.
    uint64_t ShapeRevision() const { return shapeRevision_; }
    // Unsaved changes: every accepted step, Fix Shape, Undo and Redo counts
    // as one. Attaching a model leaves it alone; the shell marks opens and saves.
    CDocumentState& Document() { return document_; }
    const CDocumentState& Document() const { return document_; }

private:
    // Starts the work for the first click on the shape as it is now.
    void Prepare();
    void ClearSelection();
    // Undo or Redo: `step` changes the shape; the selection ends either way.
    bool TakeStep(bool (*step)(CPolyModel&, PackedShape*));
    void RestoreSelectedToLastAccepted() { dragPos_ = lastAccepted_; }
    // The packed form of the shape, when nothing changed it since it was
    // packed or stepped to (else a null one to fill).
    PackedShape* KnownPacked();
    void ShapePacked() { packedRevision_ = shapeRevision_; }

    CPolyModel* model_ = nullptr;
    CShapeCorner highlighted_;
    bool selected_ = false;
    int32_t selectedCorner_ = -1;
    int32_t baseCorner_ = -1; // the selected corner in the base state
    std::optional<double> foldAngle_;
    CVector3 dragPos_;
    CVector3 startPos_;
    CVector3 lastAccepted_;
    int handle_ = 0;
    CVector3 handleVector_;
    // What BeginDrag remembered; dragOpen_ until the release or CancelDrag.
    struct PressState {
        bool open = false;
        CVector3 dragged;
        int32_t corner = -1;
        std::optional<double> angle;
        double plane[4] = {};
        uint64_t changes = 0;
        bool modified = false;
    } press_;
    bool behind_ = false;
    // Front normal of the selected corner's face when it was selected.
    CVector3 signReference_;
    int acceptedSteps_ = 0;
    int rejectedSteps_ = 0;
    uint64_t shapeRevision_ = 1;
    PackedShape packed_;
    uint64_t packedRevision_ = 0;
    CDocumentState document_;
    // The base state, its index and scratch memory, kept across the steps of a drag.
    CFoldWorkspace workspace_;
    // The workspace's base is the shape of this revision (set by Prepare).
    uint64_t baseRevision_ = 0;
    // Work beside the caller for the shape of preparedRevision_: the
    // records as opened flattened (until the click takes them) and a
    // folded shape packed.
    bool packingAside_ = false;
    uint64_t preparedRevision_ = 0;
    CWorkingShape opened_;
    PackedShape packedAside_;
    size_t prepareFrom_ = 50000;
    // Declared last: the thread goes before the data its job writes.
    std::unique_ptr<CHelperThread> packer_;
};
