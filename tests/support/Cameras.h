#pragma once
// A real pane camera for tests that drag in the design view without one.

#include "view3d/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace testcam {

// A size x size pane whose camera is turned `degrees` about x, so the sheet
// in z = 0 is seen at a slant.
inline void Oblique(CViewCamera& cam, double degrees, int size = 600)
{
    cam.Resize(size, size);
    const float a = static_cast<float>(degrees * std::numbers::pi / 180.0);
    const float c = std::cos(a), s = std::sin(a);
    const float m[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
    std::copy(m, m + 16, cam.trackball.M);
    cam.SetupProjection();
}

// The mouse position (y down, whole pixels) over model point p.
inline void Mouse(const CViewCamera& cam, const CVector3& p, int& x, int& y)
{
    WindowPoint w;
    cam.ProjectToWindow(p, w);
    x = static_cast<int>(std::lround(w.x));
    y = cam.height - static_cast<int>(std::lround(w.y));
}

} // namespace testcam
