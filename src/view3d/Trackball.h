#pragma once
// Rotation state of a 3D pane: a virtual sphere under the mouse, the pose at
// the start of the drag and the current pose as a quaternion and a matrix.

struct CQuaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};

// Point on the virtual sphere (x, y, z, 0).
struct CSpherePoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

// Hamilton product a (x) b.
CQuaternion QuaternionProduct(const CQuaternion& a, const CQuaternion& b);
// Column-major 4x4 rotation matrix of q; a zero quaternion gives the identity.
void QuaternionToMatrix(const CQuaternion& q, float m[16]);

class Trackball {
public:
    CQuaternion qBase;
    CQuaternion qCur;
    double radius = 1.0;
    CSpherePoint start;
    CSpherePoint end;
    CQuaternion qDrag;
    float M[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    // Radius of the sphere for a pane whose half sizes are given. A zero-sized
    // pane gets radius 1 so that the mapping never divides by zero.
    void SetRadius(int halfWidth, int halfHeight);
    // Maps a window position (y down) onto the sphere; outside it, onto its rim.
    CSpherePoint MapToSphere(int px, int py, int halfWidth, int halfHeight) const;
    // Rotates from the pose at the start of the drag to the one that carries
    // `start` onto `e`; updates qDrag, qCur and M.
    void DragTo(const CSpherePoint& e);
    // Makes the current pose the base of the next drag.
    void EndDrag() { qBase = qCur; }
};
