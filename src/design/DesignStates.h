#pragma once
// Design states: the committed shapes on the model's undo stack and the
// working copy that every drag step rebuilds from the top of it.
//
// A working copy has one fresh vertex per corner, no texture coordinates,
// material -1, no face numbers, and the source's face and corner order; each
// face's plane is computed from its copied corners.

class CPolyModel;
class CPolyObject;

// Fills `target` (emptied first, its memory kept) as a working copy of `source`.
void CopyAsWorkingCopy(const CPolyObject& source, CPolyObject& target);

// Pushes the model's first object on the undo stack and makes a fresh working
// copy of it the only object. Further objects leave `objects` but stay owned by
// the model (retiredObjects), so pointers into them stay valid. Does nothing
// when the model has no object.
void CommitWorkingCopy(CPolyModel& model);

// Rebuilds the first object, in place, as a working copy of the top of the undo
// stack. Pointers to the first object stay valid, pointers into its old records
// do not. False (nothing changed) when there is no object or the stack is empty.
bool RestoreWorkingCopy(CPolyModel& model);

// Destroys the first object and moves the top of the undo stack in its place.
// False (nothing changed) when the stack is empty.
bool StepBack(CPolyModel& model);
