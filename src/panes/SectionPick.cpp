#include "panes/SectionPick.h"

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "slices/SliceParts.h"

CSlicePlane* NearestSliceOutline(const CPolyModel& model, double x, double y,
                                 const WindowProjection& project)
{
    double best = kDoubleMax;
    CSlicePlane* nearest = nullptr;
    for (const auto& slice : model.planes) {
        for (const auto& part : slice->parts) {
            // Each vertex is projected once; a vertex off screen breaks the
            // polyline there.
            const double d = OutlineDistance(
                *part, x, y, [&project](const PartVertex& pv, double& wx, double& wy) {
                    return project(CVector3(pv.x, pv.y, pv.z), wx, wy);
                });
            if (d < best) {
                best = d;
                nearest = slice.get();
            }
        }
    }
    return nearest && best < kSlicePickRadius ? nearest : nullptr;
}

bool SectionViewClick(CPolyModel* model, int downX, int downY, int x, int y, int height,
                      const WindowProjection& project)
{
    if (!model || SquaredDistanceInt(downX, downY, x, y) > 9)
        return false;
    if (CSlicePlane* hit = NearestSliceOutline(*model, x, height - y, project))
        model->pickedPlane = hit;
    return true;
}
