#pragma once
// Helpers of the 3D pane tests: real mouse and key events sent through the
// main window's QWindow, pane positions of model points, pixel checks.

#include "GuiFixture.h"

#include "design/DesignSession.h"
#include "model/PolyModel.h"
#include "view3d/ViewCamera.h"

#include <QImage>
#include <vector>

namespace viewtest {

inline QString SamplePath()
{
    return QStringLiteral(LINTORO_SOURCE_DIR "/samples/sheet.obj");
}

// Where PNGs of the panes are kept for people to look at.
inline QString ArtefactPath(const QString& name)
{
    return QStringLiteral(VIEWS_ARTEFACT_DIR "/") + name;
}

// Mouse position (logical pixels, y down) of a model point in a pane.
inline QPoint PaneMouse(const CViewCamera& cam, const CVector3& p)
{
    WindowPoint w;
    if (!cam.ProjectToWindow(p, w))
        return QPoint(-1000, -1000);
    return QPoint(static_cast<int>(std::lround(w.x)),
                  static_cast<int>(std::lround(cam.height - w.y)));
}

// Every corner's position of the current shape, in order.
inline std::vector<CVector3> Corners(const CPolyModel& m)
{
    std::vector<CVector3> out;
    ForEachShapeCorner(m, [&](int64_t, const CVector3& p) { out.push_back(p); });
    return out;
}

// The corner whose projection is nearest to the pane's middle, so the
// tests work on a vertex well inside the picture.
inline CShapeCorner MiddleVertex(const CPolyModel& m, const CViewCamera& cam)
{
    CShapeCorner best;
    double bestD = 1e300;
    ForEachShapeCorner(m, [&](int64_t seq, const CVector3& pos) {
        const QPoint p = PaneMouse(cam, pos);
        const double dx = p.x() - cam.width * 0.4, dy = p.y() - cam.height * 0.5;
        if (dx * dx + dy * dy < bestD) {
            bestD = dx * dx + dy * dy;
            best = {seq, pos};
        }
    });
    return best;
}

// Pixel of a grabbed pane at a logical mouse position.
inline QColor PixelAt(const QImage& img, const QPoint& p, double dpr)
{
    return img.pixelColor(static_cast<int>(p.x() * dpr), static_cast<int>(p.y() * dpr));
}

inline bool IsWhite(const QColor& c)
{
    return c.red() > 250 && c.green() > 250 && c.blue() > 250;
}

// The face material lit from the front: clearly blue, red and green below it.
inline bool IsLitBlue(const QColor& c)
{
    return c.blue() > 200 && c.red() < c.blue() - 40 && c.green() < c.blue() - 40 && c.red() > 60;
}

inline bool IsPure(const QColor& c, int r, int g, int b)
{
    const auto near = [](int v, int want) { return want ? v > 200 : v < 60; };
    return near(c.red(), r) && near(c.green(), g) && near(c.blue(), b);
}

inline QString Describe(const QColor& c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace viewtest
