#pragma once
// The core operations behind Export, Export Crease Pattern, New Sheet and
// Undo, as the shell calls them: one place to change when the core's
// spelling of them changes.

#include "export/PatternOptions.h"
#include "import/ModelFile.h"
#include "sheet/SheetLayout.h"

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

// Writes the crease pattern of the model's current shape: FOLD, SVG, PDF or
// DXF by the path's extension, drawn as `options` ask. On failure `message`
// is what the user is told: the model's reason when it has no paper, the
// writer's word on a wrong extension, and the program's "cannot write"
// message when the file itself could not be written (an existing one is
// then untouched).
bool ExportCreasePatternToFile(const CPolyModel& model, const std::string& path,
                               std::string& message,
                               const CPatternOptions& options = CPatternOptions());

// A sheet of paper `width` x `height` millimetres with `cells` cells along
// its longer side (square as near as the sides allow), flat or bent: the
// sheet the command line's `sheet --width --height --cells` makes.
SheetLayout PaperSheetLayout(double width, double height, int cells, bool jittered,
                             SheetBend bend = SheetBend::None, double bendDegrees = 90.0);
// "Sheet 210x297 mm": the title of a design started on such a sheet.
std::string SheetTitle(double width, double height);
// New Sheet's model, built as the open routine builds an opened one: the
// sheet made in memory as reading its OBJ file would make it
// (BuildSheetModel), given its paper and scaled into the unit cube. The model
// has no file name. A failure comes back as the open routine reports it; a
// bend that cannot be made, with the reason.
OpenOutcome OpenSheetModel(const SheetLayout& layout, IProgress* progress);
