#pragma once
// The design file: what Save Design writes for a model with paper and what a
// recovery file holds, both made by FoldPatternText (a recovery file adds the
// name its design came from). FOLD: the crease pattern on the paper with the
// folded form as a frame, or, in a recovery file, the form alone for a model
// without paper.

#include "export/ExportFOLD.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <string>

// What the file needs, copied off the model on the user's thread, so that it
// can be written on another.
struct CDesignSnapshot {
    CPackedMesh shape;
    bool hasPaper = false;
    COriginFaces opened; // the opened model's faces, for the pattern's bends
    CFoldPlacement placement;
    // The shape was folded since its paper was laid out: the strain written
    // is measured on the pattern as written, not the one measured then.
    bool measureStrain = false;
};

// Packs the model's current shape; O(corners), no file access.
void TakeDesignSnapshot(const CPolyModel& model, CDesignSnapshot& out);

// The file's text (FoldPatternText for a model with paper), with
// kFoldOriginalNameKey when `originalName` is given. False when it cannot be
// made.
bool DesignFileText(const CDesignSnapshot& snapshot, std::string& text,
                    const std::string* originalName = nullptr);

// Save Design for a model with paper: the design file at `path`, through a
// temporary file and a rename. False with `error` set as
// BuildModelCreasePattern sets it, or to kCannotWriteMessage when the file
// cannot be written (an existing file is then untouched).
bool WriteDesignFile(const CPolyModel& model, const std::string& path, std::string& error);
