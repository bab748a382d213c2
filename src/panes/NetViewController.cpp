#include "panes/NetViewController.h"

#include "model/CSlicePlane.h"
#include "model/Geometry.h"
#include "model/PolyModel.h"
#include "slices/SliceParts.h"

#include <algorithm>

void CNetViewController::Resize(int w, int h)
{
    width = w;
    height = h;
    halfWidth = w / 2;
    halfHeight = h / 2;
    const double usableW = w - 2 * kSheetMargin;
    const double usableH = h - 2 * kSheetMargin;
    // A tall pane is limited by its width, any other by its height.
    if (usableW > 0.0 && usableH / usableW > 1.414)
        sheetScale = usableW / kSheetWidthCm;
    else
        sheetScale = usableH / kSheetHeightCm;
}

void CNetViewController::ToPicture(double u, double v, double& x, double& y) const
{
    const double k = DrawFactor();
    x = (u - 1.0) * k;
    y = (v - 1.0) * k;
}

void CNetViewController::ToWindow(double u, double v, double& x, double& y) const
{
    double px = 0.0, py = 0.0;
    ToPicture(u, v, px, py);
    x = halfWidth + (px + OffsetX());
    y = halfHeight - (py + OffsetY());
}

void CNetViewController::LeftDown(int x, int y, bool qwfModel)
{
    if (!qwfModel)
        return;
    lastX = downX = x;
    lastY = downY = y;
}

void CNetViewController::MiddleDown(int x, int y)
{
    lastX = downX = x;
    lastY = downY = y;
}

void CNetViewController::RightDown(int x, int y, bool qwfModel)
{
    if (!qwfModel)
        return;
    lastX = x;
    lastY = y;
}

bool CNetViewController::MouseMove(int x, int y, const NetViewButtons& buttons)
{
    if ((buttons.right && buttons.ctrl) || buttons.middle) {
        panX += (x - lastX) / zoom;
        panY -= (y - lastY) / zoom;
        lastX = x;
        lastY = y;
        return true;
    }
    if (buttons.right && buttons.shift) {
        const double candidate = zoom * (1.0 + 0.01 * ((x - lastX) + (y - lastY)));
        lastX = x;
        lastY = y;
        if (candidate * sheetScale * kSheetWidthCm < 10.0 || candidate > kMaxZoom)
            return false;
        zoom = candidate;
        return true;
    }
    return false;
}

bool CNetViewController::Wheel(int delta, bool haveModel)
{
    if (!haveModel)
        return false;
    const double factor = std::max(1.0 + delta / 1000.0, kMinWheelFactor);
    zoom = std::clamp(zoom * factor, kMinZoom, kMaxZoom);
    return true;
}

Spart* CNetViewController::PartNear(const CSlicePlane& slice, double x, double y) const
{
    double best = kPickRadius;
    Spart* hit = nullptr;
    for (const auto& part : slice.parts) {
        const double d =
            OutlineDistance(*part, x, y, [this](const PartVertex& pv, double& wx, double& wy) {
                ToWindow(pv.u, pv.v, wx, wy);
                return true;
            });
        if (d < best) {
            best = d;
            hit = part.get();
        }
    }
    return hit;
}

bool CNetViewController::LeftUp(CPolyModel* model, int x, int y)
{
    if (!model || !model->pickedPlane)
        return false;
    if (SquaredDistanceInt(downX, downY, x, y) > kClickSlopSquared)
        return false;
    if (Spart* hit = PartNear(*model->pickedPlane, x, y))
        hit->marked = !hit->marked;
    return true;
}

bool CNetViewController::DeleteKey(CPolyModel* model)
{
    if (!model)
        return false;
    return DeleteMarkedParts(model);
}
