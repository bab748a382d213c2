#pragma once
// What the design view keeps for one fold, without any window: the vertex
// under the mouse, the selected vertex, its start and last accepted positions
// and the picked handle. The design view drives it from mouse events, the
// command line from arguments; both get the same folds.

#include "model/Geometry.h"

#include <memory>

class CPolyModel;
struct CPolyVertex;
class CFoldWorkspace;

class CDesignSession {
public:
    // Handle length in model units (models are scaled into [-1, 1]^3).
    static constexpr double kHandleLength = 0.2;

    enum class DragOutcome {
        kIgnored,  // nothing selected, no handle, or no displacement: nothing changed
        kAccepted, // the surface was folded; Selected() is the vertex at the dragged position
        kRejected, // the plane touched a vertex: the surface is unchanged, the vertex keeps
                   // its displacement until the next accepted step or the release
    };

    CDesignSession();
    ~CDesignSession();
    CDesignSession(const CDesignSession&) = delete;
    CDesignSession& operator=(const CDesignSession&) = delete;

    // Makes `model` the one the session works on (null: none) and forgets the
    // highlight, the selection and the handle. Call it whenever the current
    // model is replaced.
    void AttachModel(CPolyModel* model);
    CPolyModel* Model() const { return model_; }

    CPolyVertex* Highlighted() const { return highlighted_; }
    CPolyVertex* Selected() const { return selected_; }
    const CVector3& StartPos() const { return startPos_; }
    const CVector3& LastAccepted() const { return lastAccepted_; }
    int Handle() const { return handle_; }
    const CVector3& HandleVector() const { return handleVector_; }

    // Sets the vertex under the mouse (null: none). Ignored while a vertex is
    // selected, so the two are never set together. True when it changed.
    bool SetHighlighted(CPolyVertex* v);
    // 1 X, 2 Y, 3 Z with a handle vector of kHandleLength along that axis;
    // anything else means no handle (0, zero vector).
    void SetHandle(int handle);

    // A left press with nothing selected: puts the reflection plane back on
    // its square. Nothing happens without a model.
    void ResetPlaneToSquare();

    // One mouse-move step of a handle drag, in handle lengths: the selected
    // vertex moves by l * HandleVector(), then the fold is recomputed from the
    // base state. l == 0 (a handle seen end-on has no screen length) or a
    // non-finite l moves nothing and returns kIgnored.
    DragOutcome DragStep(double l);
    // The same step with the displacement given directly (all three components
    // are added). A zero or non-finite displacement returns kIgnored.
    DragOutcome DragBy(const CVector3& displacement);

    // Left release: a selected vertex goes back to its last accepted position;
    // a highlighted vertex is committed and becomes the selected one
    // (returns true then: the view should redraw).
    bool EndLeftClick();
    // SPACE: puts the selected vertex back at its last accepted position and
    // clears the highlight and the selection; nothing is committed.
    void Deselect();
    // Commits the folded shape and deselects. False (nothing done) when no
    // vertex is selected.
    bool FixShape();
    // Steps back to the previous committed shape and clears the selection. A
    // selected vertex is first put back at its last accepted position. False
    // when the stack was empty (nothing changed).
    bool Undo();
    bool CanFixShape() const { return selected_ != nullptr; }
    bool CanUndo() const;

    // Counts of drag steps since the model was attached.
    int AcceptedSteps() const { return acceptedSteps_; }
    int RejectedSteps() const { return rejectedSteps_; }

private:
    void ClearSelection();
    void RestoreSelectedToLastAccepted();
    void BaseStateChanged();

    CPolyModel* model_ = nullptr;
    CPolyVertex* highlighted_ = nullptr;
    CPolyVertex* selected_ = nullptr;
    CVector3 startPos_;
    CVector3 lastAccepted_;
    int handle_ = 0;
    CVector3 handleVector_;
    int acceptedSteps_ = 0;
    int rejectedSteps_ = 0;
    // Index of the base state and scratch memory, kept across the steps of a drag.
    std::unique_ptr<CFoldWorkspace> workspace_;
};
