#pragma once
// Picking a slice in the section view: the slice whose part outline passes
// nearest to the pointer on screen.

#include "model/Geometry.h"

#include <functional>

class CPolyModel;
class CSlicePlane;

// Model space to window coordinates with y growing upwards; false when the
// point cannot be placed on screen (it is then left out of the search).
using WindowProjection = std::function<bool(const CVector3& p, double& x, double& y)>;

constexpr double kSlicePickRadius = 10.0; // pixels

// The slice with an outline segment strictly within 10 pixels of (x, y)
// (window coordinates, y up), the nearest one; ties keep the earlier slice
// in `planes`. Null when there is none.
CSlicePlane* NearestSliceOutline(const CPolyModel& model, double x, double y,
                                 const WindowProjection& project);

// A left release at mouse position (x, y) (y down) in a pane `height` pixels
// tall, the press having been at (downX, downY). A move of more than 3 pixels
// is no click and returns false. A click makes the nearest slice within 10
// pixels the model's `pickedPlane` (an empty spot leaves the pick alone) and
// returns true: every view is then to be notified with hint 0. Without a
// model nothing happens and false is returned.
bool SectionViewClick(CPolyModel* model, int downX, int downY, int x, int y, int height,
                      const WindowProjection& project);
