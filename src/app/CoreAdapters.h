#pragma once
// The core operations behind Export and Undo, as the shell calls them: one
// place to change when the core's spelling of them changes.

#include <string>

class CDesignSession;
class CPolyModel;

// Writes the first object of the model as an OBJ file at path, through a
// temporary file beside it that is renamed into place. False when the file
// cannot be written (see IsWritableTarget), also part-way: an existing file is
// then left as it was.
bool ExportShapeToFile(CPolyModel& model, const std::string& path);

// Undo's model side: destroys the current shape and brings back the top of
// the undo stack; nothing happens when the stack is empty (false). When
// `session` works on this model the step goes through it, so a vertex held by
// a drag is put back first and the fold's index of the old shape is dropped.
bool StepBackShape(CPolyModel& model, CDesignSession* session = nullptr);

// Redo's model side: takes again the step Undo took back; false (nothing
// changed) when there is none. Goes through `session` as StepBackShape does.
bool StepForwardShape(CPolyModel& model, CDesignSession* session = nullptr);
