#include "model/CSlicePlane.h"

#include "model/PolyModel.h"
#include "model/SliceRecords.h"

#include <algorithm>
#include <cmath>

CSlicePlane::CSlicePlane(int axis)
{
    SetAxis(axis);
}

CSlicePlane::~CSlicePlane()
{
    parts.clear(); // parts first, then the lines
    lines.clear();
}

void CSlicePlane::SetAxis(int axis)
{
    axisType = axis;
    const double h = kHalfSize;
    switch (axis) {
    case 0:
        a = 1, b = 0, c = 0, d = 0;
        corners[0] = {0, -h, h};
        corners[1] = {0, h, h};
        corners[2] = {0, h, -h};
        corners[3] = {0, -h, -h};
        break;
    case 1:
        a = 0, b = 1, c = 0, d = 0;
        corners[0] = {-h, 0, h};
        corners[1] = {-h, 0, -h};
        corners[2] = {h, 0, -h};
        corners[3] = {h, 0, h};
        break;
    case 2:
        a = 0, b = 0, c = 1, d = 0;
        corners[0] = {-h, -h, 0};
        corners[1] = {-h, h, 0};
        corners[2] = {h, h, 0};
        corners[3] = {h, -h, 0};
        break;
    default:
        break;
    }
}

void CSlicePlane::UpdateFromCorners()
{
    const CVector3 e1 = corners[0] - corners[1];
    const CVector3 e2 = corners[1] - corners[2];
    CVector3 n = e1.Cross(e2);
    n.Normalize();
    a = n.x;
    b = n.y;
    c = n.z;
    const CVector3& c0 = corners[0];
    d = -(a * c0.x + b * c0.y + c * c0.z);
    origin = c0;
    uAxis = corners[3] - corners[0];
    uAxis.Normalize();
    vAxis = corners[1] - corners[0];
    vAxis.Normalize();
}

void CSlicePlane::Normalize4()
{
    const double len = std::sqrt(a * a + b * b + c * c + d * d);
    a /= len;
    b /= len;
    c /= len;
    d /= len;
}

void CSlicePlane::SetBisector(const CVector3& p, const CVector3& q)
{
    CVector3 n = p - q;
    n.Normalize();
    const CVector3 m{(q.x + p.x) * 0.5, (q.y + p.y) * 0.5, (q.z + p.z) * 0.5};
    a = n.x;
    b = n.y;
    c = n.z;
    d = -(n.x * m.x + n.y * m.y + n.z * m.z);
    Normalize4();
}

int CSlicePlane::ClassifyPoint(const CVector3& x) const
{
    const double u = Evaluate(x);
    if (std::fabs(u) < kOnPlaneTolerance)
        return 0;
    return u > 0.0 ? 1 : -1;
}

CVector3 CSlicePlane::ReflectPoint(const CVector3& x) const
{
    const double len = std::sqrt(a * a + b * b + c * c);
    const double s = a * x.x + b * x.y + c * x.z + d;
    const double k = std::fabs(s) / len;
    if (s > 0.0)
        return {x.x - ((2 * k) * a) / len, x.y - ((2 * k) * b) / len, x.z - ((2 * k) * c) / len};
    return {x.x + ((2 * k) * a) / len, x.y + ((2 * k) * b) / len, x.z + ((2 * k) * c) / len};
}

void CSlicePlane::ReflectVertex(CPolyVertex* v) const
{
    v->pos = ReflectPoint(v->pos);
}

void CSlicePlane::UpdatePartBounds()
{
    minU = minV = kDoubleMax;
    maxU = maxV = -kDoubleMax;
    for (const auto& part : parts)
        for (const auto& pv : part->outline)
            GrowPartBounds(*this, pv->u, pv->v);
    UpdatePaddedSize(*this);
}

void GrowPartBounds(CSlicePlane& slice, double u, double v)
{
    slice.maxU = std::max(slice.maxU, u);
    slice.maxV = std::max(slice.maxV, v);
    slice.minU = std::min(slice.minU, u);
    slice.minV = std::min(slice.minV, v);
}

void UpdatePaddedSize(CSlicePlane& slice)
{
    slice.paddedWidth = slice.maxU - slice.minU + 2.0 * kPartMargin;
    slice.paddedHeight = slice.maxV - slice.minV + 2.0 * kPartMargin;
}

int CSlicePlane::RemoveMarkedParts()
{
    const size_t before = parts.size();
    std::erase_if(parts, [](const std::unique_ptr<Spart>& p) { return p->marked; });
    const int removed = static_cast<int>(before - parts.size());
    if (!parts.empty())
        UpdatePartBounds();
    return removed;
}
