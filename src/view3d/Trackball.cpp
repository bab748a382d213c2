#include "view3d/Trackball.h"

#include <cmath>

CQuaternion QuaternionProduct(const CQuaternion& a, const CQuaternion& b)
{
    CQuaternion r;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z;
    r.z = a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    return r;
}

void QuaternionToMatrix(const CQuaternion& q, float m[16])
{
    const float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    const float s = n > 0.0f ? 2.0f / n : 0.0f;
    const float xx = s * q.x * q.x, yy = s * q.y * q.y, zz = s * q.z * q.z;
    const float xy = s * q.x * q.y, xz = s * q.x * q.z, yz = s * q.y * q.z;
    const float wx = s * q.w * q.x, wy = s * q.w * q.y, wz = s * q.w * q.z;
    m[0] = 1.0f - (yy + zz);
    m[1] = xy + wz;
    m[2] = xz - wy;
    m[3] = 0.0f;
    m[4] = xy - wz;
    m[5] = 1.0f - (xx + zz);
    m[6] = yz + wx;
    m[7] = 0.0f;
    m[8] = xz + wy;
    m[9] = yz - wx;
    m[10] = 1.0f - (xx + yy);
    m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void Trackball::SetRadius(int halfWidth, int halfHeight)
{
    const double hw = halfWidth, hh = halfHeight;
    radius = std::sqrt(hw * hw + hh * hh);
    if (!(radius > 0.0))
        radius = 1.0;
}

CSpherePoint Trackball::MapToSphere(int px, int py, int halfWidth, int halfHeight) const
{
    CSpherePoint p;
    double x = (px - halfWidth) / radius;
    double y = (halfHeight - py) / radius;
    const double r2 = x * x + y * y;
    double z = 0.0;
    if (r2 > 1.0) {
        const double len = std::sqrt(r2);
        x /= len;
        y /= len;
    } else {
        z = std::sqrt(1.0 - r2);
    }
    p.x = static_cast<float>(x);
    p.y = static_cast<float>(y);
    p.z = static_cast<float>(z);
    return p;
}

void Trackball::DragTo(const CSpherePoint& e)
{
    end = e;
    qDrag.x = start.y * end.z - start.z * end.y;
    qDrag.y = start.z * end.x - start.x * end.z;
    qDrag.z = start.x * end.y - start.y * end.x;
    qDrag.w = start.x * end.x + start.y * end.y + start.z * end.z;
    qCur = QuaternionProduct(qDrag, qBase);
    QuaternionToMatrix(qCur, M);
}
