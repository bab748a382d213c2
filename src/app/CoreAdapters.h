#pragma once
// The core operations behind Export and Undo, as the shell calls them: one
// place to change when the core's spelling of them changes.

#include <string>

class CPolyModel;

// Writes the first object of the model as an OBJ file at path, through a
// temporary file beside it that is renamed into place. False when the file
// cannot be written, also part-way: an existing file is then left as it was.
bool ExportShapeToFile(CPolyModel& model, const std::string& path);

// Undo's model side: destroys the current shape and brings back the top of
// the undo stack; nothing happens when the stack is empty.
void StepBackShape(CPolyModel& model);
