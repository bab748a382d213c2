#pragma once
// Design states: the committed shapes on the model's undo stack, packed, and
// the working shape that the drag steps fold.
//
// Until the first commit the shape is the model's first object as opened. The
// first commit copies it into the flat working shape (one position per corner,
// planes from the corners, the object's paper points, origin = face index) and
// releases the other objects; from then on the shape is the working shape, and
// the first object stays as the bottom of the stack: stepping back to it
// makes the records as opened the shape again.

#include "model/WorkingShape.h"

#include <memory>

class CPolyModel;
struct CPackedMesh;

// The current shape packed, when the caller knows it (it has not changed since
// a commit or a step): the state operations then push it instead of packing
// the shape again, and hand back the packed form of the shape they leave.
// Null when not known.
using PackedShape = std::shared_ptr<const CPackedMesh>;

// Packs a state: corners welded by bit-identical position and corner data.
void PackMesh(const CWorkingShape& mesh, CPackedMesh& out);
// The state back, bit for bit as it was packed (planes recomputed from the corners).
void UnpackMesh(const CPackedMesh& packed, CWorkingShape& out);

// `mesh` packed as the undo stack keeps a state (compact indices and marks);
// null when there is no memory for it.
PackedShape PackState(const CWorkingShape& mesh);

// Pushes the current shape on the undo stack and keeps designing it: the
// working shape stays as it is (a copy of a working shape is the same shape).
// Clears what could be redone. Does nothing when the model has no object.
// `current`, when not null, is updated (see PackedShape). `opened`, when not
// null, is the first object as FlatFromObject gives it: the first commit
// moves it into the working shape instead of reading the records again.
void CommitWorkingCopy(CPolyModel& model, PackedShape* current = nullptr,
                       CWorkingShape* opened = nullptr);

// Rebuilds the working shape as the top of the undo stack. False (nothing
// changed) when the stack is empty.
bool RestoreWorkingCopy(CPolyModel& model);

// Steps back: the current shape goes on the redo stack, the top of the undo
// stack becomes the shape. False (nothing changed) when the stack is empty.
// `current`, when not null, is updated (see PackedShape).
bool StepBack(CPolyModel& model, PackedShape* current = nullptr);

// Takes again the last step that StepBack took back. False (nothing changed)
// when there is none. `current` as for StepBack.
bool StepForward(CPolyModel& model, PackedShape* current = nullptr);
