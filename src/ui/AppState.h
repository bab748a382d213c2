#pragma once
// Process-wide state of the program: the current model and the display flags.
// Only the open routine replaces g_pModel; views and commands read it.

#include "model/PolyModel.h"

#include <memory>

// The current model; null until the first successful open.
extern std::unique_ptr<CPolyModel> g_pModel;

// Display flags toggled by the View menu; the views' drawing reads them.
extern bool showEdges; // initially false
extern bool showFaces; // initially true
// The net view also draws the crease pattern's bends (faint grey).
extern bool showBends; // initially false

// True exactly when the current model came from a ".qwf" file.
extern bool qwfModel;

// Client sizes the views record on every resize; saved as "SplitWindowSize".
extern int lastDesignViewWidth;
extern int lastNetViewHeight;

// Hint codes of the document's change notification.
enum UpdateHint : int {
    kHintDisplayFlags = 0, // a display flag changed: every view redraws
    kHintNewModel = 16,    // a new model became current
    kHintUndo = 1000,      // Undo replaced the current shape
};
