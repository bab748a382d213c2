#include "design/ShapeCorners.h"

CShapeCorner NearestShapeCorner(const CPolyModel& model, const CVector3& p)
{
    CShapeCorner best;
    double bestDistance = kDoubleMax;
    ForEachShapeCorner(model, [&](int64_t seq, const CVector3& q) {
        const double d = Distance3D(q, p);
        if (d < bestDistance) {
            bestDistance = d;
            best = {seq, q};
        }
    });
    return best;
}
