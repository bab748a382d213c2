#pragma once
// The camera of one 3D pane: size, trackball, centre and eye distance, the
// mouse and wheel mapping, and the matrices the pane loads into OpenGL.
// The whole camera lives in the projection matrix; the modelview matrix stays
// the identity. Picking uses the same matrices, so it needs no GL context.

#include "model/Geometry.h"
#include "view3d/Trackball.h"

#include <cstdint>

// Buttons and keys at the time of a mouse event.
struct MouseState {
    bool left = false;
    bool right = false;
    bool middle = false;
    bool shift = false;
    bool ctrl = false;
};

// Which camera row a mouse move matched.
enum class CameraMove { None, Pan, Zoom, Rotate };

// A point in window coordinates (y grows upwards).
struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
};

class CViewCamera {
public:
    static constexpr double kResetDistance = -5.0;
    static constexpr double kFarthest = -30.0;
    static constexpr double kNearest = -0.7;

    CViewCamera() { ResetCamera(); }

    int width = 0, height = 0;
    int halfWidth = 0, halfHeight = 0;
    int lastX = 0, lastY = 0;
    int downX = 0, downY = 0;
    Trackball trackball;
    CVector3 centre;
    double distance = kResetDistance;

    double projection[16] = {}; // column-major, as OpenGL takes it
    double modelview[16] = {};  // always the identity
    int viewport[4] = {};

    // Stores the client size and its integer halves, then SetupProjection.
    void Resize(int cx, int cy);
    // Identity trackball, centre at the origin, distance -5, matrices rebuilt.
    void ResetCamera();
    // Viewport and projection from the current size and camera. A pane with
    // no width or height gets a frustum as if it were one pixel, never a
    // division by zero.
    void SetupProjection();

    // Looks at the sphere around `middle` of the given radius from along the
    // current direction, near enough that it fills the narrower side of the
    // pane with a small margin (the distance clamp still holds). The rotation
    // stays as it is.
    void FitSphere(const CVector3& middle, double radius);
    // The same for the sphere around the box lo..hi.
    void FitBox(const CVector3& lo, const CVector3& hi);

    // Right press: records the anchor and starts a zoom, pan or rotation drag.
    void RightButtonDown(int x, int y, const MouseState& s);
    // Right release: the rotated pose becomes the base of the next drag.
    void RightButtonUp();
    // Applies the first camera row that matches; returns None (and changes
    // nothing) when no camera button is held. Rebuilds the matrices after a move.
    CameraMove MouseMove(int x, int y, const MouseState& s);
    // Zooms by delta/500 with the clamp. Returns whether the distance changed.
    bool Wheel(int delta);

    // Monotonic count of camera or size changes; picking caches key on it.
    uint64_t Revision() const { return revision_; }

    // Projects a model-space point to window coordinates. False (and `out`
    // untouched) when the point is at or behind the eye, where the division
    // by w would mirror it onto the screen.
    bool ProjectToWindow(const CVector3& p, WindowPoint& out) const;
    // The same, as two coordinates: the form the section pick takes.
    bool ProjectToWindow(const CVector3& p, double& x, double& y) const
    {
        WindowPoint w;
        if (!ProjectToWindow(p, w))
            return false;
        x = w.x;
        y = w.y;
        return true;
    }
    // The point where the line of sight through window point w meets the plane
    // through `through` that faces the camera (parallel to the screen). False
    // (and `out` untouched) when the matrices cannot be inverted.
    bool WindowToPlane(const WindowPoint& w, const CVector3& through, CVector3& out) const;
    // The direction the camera looks along, in model space, unit length.
    CVector3 ViewDirection() const;
    // Mouse position (y down) as a window point (y up).
    WindowPoint MouseToWindow(int x, int y) const
    {
        return {static_cast<double>(x), static_cast<double>(height - y)};
    }

private:
    void ClampDistance();

    uint64_t revision_ = 0;
    CameraMove dragMode_ = CameraMove::None;
};
