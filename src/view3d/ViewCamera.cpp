#include "view3d/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The frustum SetupProjection builds: near plane and its half width.
constexpr double kNear = 0.134;
constexpr double kNearHalfWidth = 0.05;
// Room left around a fitted model, as a share of its radius.
constexpr double kFitMargin = 1.05;

void Identity(double m[16])
{
    std::fill(m, m + 16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

// r = a * b, column-major.
void Multiply(const double a[16], const double b[16], double r[16])
{
    double t[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += a[k * 4 + row] * b[c * 4 + k];
            t[c * 4 + row] = s;
        }
    std::copy(t, t + 16, r);
}

void Translation(float x, float y, float z, double m[16])
{
    Identity(m);
    m[12] = x;
    m[13] = y;
    m[14] = z;
}

void Frustum(double l, double r, double b, double t, double n, double f, double m[16])
{
    std::fill(m, m + 16, 0.0);
    m[0] = 2.0 * n / (r - l);
    m[5] = 2.0 * n / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = -(f + n) / (f - n);
    m[11] = -1.0;
    m[14] = -2.0 * f * n / (f - n);
}

// r = m^-1, column-major, by Gauss-Jordan elimination with partial pivoting.
// False when m is singular.
bool Invert(const double m[16], double r[16])
{
    double a[4][8];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            a[row][col] = m[col * 4 + row];
            a[row][col + 4] = row == col ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row)
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col]))
                pivot = row;
        if (!(std::fabs(a[pivot][col]) > 0.0))
            return false;
        std::swap(a[pivot], a[col]);
        const double scale = 1.0 / a[col][col];
        for (double& x : a[col])
            x *= scale;
        for (int row = 0; row < 4; ++row)
            if (row != col && a[row][col] != 0.0) {
                const double f = a[row][col];
                for (int k = 0; k < 8; ++k)
                    a[row][k] -= f * a[col][k];
            }
    }
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            r[col * 4 + row] = a[row][col + 4];
    return true;
}

// The model-space point of normalised device coordinates (x, y, z).
bool Unproject(const double inverse[16], double x, double y, double z, CVector3& out)
{
    const double* M = inverse;
    const double w = M[3] * x + M[7] * y + M[11] * z + M[15];
    if (!(std::fabs(w) > 0.0))
        return false;
    out = {(M[0] * x + M[4] * y + M[8] * z + M[12]) / w,
           (M[1] * x + M[5] * y + M[9] * z + M[13]) / w,
           (M[2] * x + M[6] * y + M[10] * z + M[14]) / w};
    return true;
}

} // namespace

void CViewCamera::Resize(int cx, int cy)
{
    width = cx;
    height = cy;
    halfWidth = cx / 2;
    halfHeight = cy / 2;
    SetupProjection();
}

void CViewCamera::ResetCamera()
{
    trackball = Trackball();
    centre = CVector3();
    distance = kResetDistance;
    dragMode_ = CameraMove::None;
    SetupProjection();
}

void CViewCamera::SetupProjection()
{
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = width;
    viewport[3] = height;

    // A collapsed pane would make the frustum degenerate; draw it as one pixel.
    const double w = std::max(width, 1);
    const double hh = std::max(halfHeight, 1);
    const double t = 0.1 * hh / w;

    double f[16], m[16];
    Frustum(-kNearHalfWidth, kNearHalfWidth, -t, t, kNear, 2000.0, f);
    Translation(0.0f, 0.0f, static_cast<float>(distance), m);
    Multiply(f, m, projection);
    double rot[16];
    std::copy(trackball.M, trackball.M + 16, rot);
    Multiply(projection, rot, projection);
    Translation(static_cast<float>(-centre.x), static_cast<float>(-centre.y),
                static_cast<float>(-centre.z), m);
    Multiply(projection, m, projection);

    Identity(modelview);
    ++revision_;
}

void CViewCamera::FitSphere(const CVector3& middle, double radius)
{
    if (!std::isfinite(radius) || !std::isfinite(middle.x) || !std::isfinite(middle.y) ||
        !std::isfinite(middle.z))
        return;
    const double w = std::max(width, 1);
    const double hh = std::max(halfHeight, 1);
    const double halfTop = 0.1 * hh / w; // as SetupProjection's frustum
    const double tanHalf = std::min(kNearHalfWidth, halfTop) / kNear;
    const double sinHalf = tanHalf / std::sqrt(1.0 + tanHalf * tanHalf);
    centre = middle;
    distance = -std::max(radius, 0.0) * kFitMargin / sinHalf;
    ClampDistance();
    SetupProjection();
}

void CViewCamera::FitBox(const CVector3& lo, const CVector3& hi)
{
    if (lo.x > hi.x || lo.y > hi.y || lo.z > hi.z)
        return; // an empty box: nothing to look at
    const CVector3 half = (hi - lo) * 0.5;
    FitSphere(lo + half, std::sqrt(half.x * half.x + half.y * half.y + half.z * half.z));
}

void CViewCamera::ClampDistance()
{
    if (distance < kFarthest)
        distance = kFarthest;
    if (distance > kNearest)
        distance = kNearest;
}

void CViewCamera::RightButtonDown(int x, int y, const MouseState& s)
{
    downX = x;
    downY = y;
    trackball.SetRadius(halfWidth, halfHeight);
    lastX = x;
    lastY = y;
    if (s.shift) {
        dragMode_ = CameraMove::Zoom;
    } else if (s.ctrl) {
        dragMode_ = CameraMove::Pan;
    } else {
        dragMode_ = CameraMove::Rotate;
        trackball.start = trackball.MapToSphere(x, y, halfWidth, halfHeight);
    }
}

void CViewCamera::RightButtonUp()
{
    trackball.SetRadius(halfWidth, halfHeight);
    trackball.EndDrag();
    dragMode_ = CameraMove::None;
}

CameraMove CViewCamera::MouseMove(int x, int y, const MouseState& s)
{
    trackball.SetRadius(halfWidth, halfHeight);
    CameraMove move = CameraMove::None;
    if (s.middle || (s.right && s.ctrl)) {
        const double dx = x - lastX, dy = lastY - y;
        lastX = x;
        lastY = y;
        const float* M = trackball.M;
        centre.x -= (dx / 100.0) * M[0] + (dy / 100.0) * M[1];
        centre.y -= (dx / 100.0) * M[4] + (dy / 100.0) * M[5];
        centre.z -= (dx / 100.0) * M[8] + (dy / 100.0) * M[9];
        move = CameraMove::Pan;
    } else if (s.right && s.shift) {
        distance += ((x - lastX) + (y - lastY)) / 100.0;
        lastX = x;
        lastY = y;
        ClampDistance();
        move = CameraMove::Zoom;
    } else if (s.right) {
        // A drag that turns into a rotation part-way (Shift or Ctrl let go)
        // rotates from where the pointer is now, not from a stale start point
        // of an earlier drag.
        if (dragMode_ != CameraMove::Rotate) {
            trackball.EndDrag();
            trackball.start = trackball.MapToSphere(lastX, lastY, halfWidth, halfHeight);
        }
        lastX = x;
        lastY = y;
        trackball.DragTo(trackball.MapToSphere(x, y, halfWidth, halfHeight));
        move = CameraMove::Rotate;
    } else {
        return CameraMove::None;
    }
    if (s.right)
        dragMode_ = move;
    SetupProjection();
    return move;
}

bool CViewCamera::Wheel(int delta)
{
    const double before = distance;
    distance += delta / 500.0;
    ClampDistance();
    SetupProjection();
    return distance != before;
}

bool CViewCamera::ProjectToWindow(const CVector3& p, WindowPoint& out) const
{
    // The modelview matrix is the identity, so the projection alone maps the point.
    const double* P = projection;
    const double cx = P[0] * p.x + P[4] * p.y + P[8] * p.z + P[12];
    const double cy = P[1] * p.x + P[5] * p.y + P[9] * p.z + P[13];
    const double cw = P[3] * p.x + P[7] * p.y + P[11] * p.z + P[15];
    if (!(cw > 0.0))
        return false;
    out.x = viewport[2] * (cx / cw + 1.0) / 2.0 + viewport[0];
    out.y = viewport[3] * (cy / cw + 1.0) / 2.0 + viewport[1];
    return true;
}

bool CViewCamera::WindowToPlane(const WindowPoint& w, const CVector3& through, CVector3& out) const
{
    double inverse[16];
    if (!Invert(projection, inverse) || viewport[2] <= 0 || viewport[3] <= 0)
        return false;
    const double x = 2.0 * (w.x - viewport[0]) / viewport[2] - 1.0;
    const double y = 2.0 * (w.y - viewport[1]) / viewport[3] - 1.0;
    CVector3 nearPoint, farPoint;
    if (!Unproject(inverse, x, y, -1.0, nearPoint) || !Unproject(inverse, x, y, 1.0, farPoint))
        return false;
    const CVector3 sight = farPoint - nearPoint;
    const CVector3 view = ViewDirection();
    const double along = sight.Dot(view);
    if (!(std::fabs(along) > 0.0))
        return false;
    out = nearPoint + sight * ((through - nearPoint).Dot(view) / along);
    return true;
}

CVector3 CViewCamera::ViewDirection() const
{
    // The rows of the trackball's rotation are the eye's axes in model
    // space; the eye looks down its -z.
    const float* M = trackball.M;
    CVector3 view(-M[2], -M[6], -M[10]);
    view.Normalize();
    return view;
}
