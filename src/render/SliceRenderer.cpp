#include "render/SliceRenderer.h"

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "panes/CreasePatternPane.h"
#include "panes/NetViewController.h"
#include "paper/PatternChains.h"
#include "render/OpaqueAlpha.h"
#include "slices/SliceParts.h"

#include <GL/gl.h>

namespace {

// Depth at which the net pane places everything; fills drawn after the
// outlines at the same depth pass the less-or-equal test and lie over them.
constexpr double kNetDepth = 0.01;

void NetVertex(const CNetViewController& view, double u, double v)
{
    double x = 0.0, y = 0.0;
    view.ToPicture(u, v, x, y);
    glVertex3d(x, y, kNetDepth);
}

void PaperVertex(const CNetViewController& view, const CCreasePatternPane& pattern,
                 const CPaperPoint& p)
{
    double u = 0.0, v = 0.0;
    pattern.PaperToPlane(p, u, v);
    NetVertex(view, u, v);
}

// Projection, viewport and the clear to white: the start of every net frame.
void BeginNetFrame(const CNetViewController& view, double pixelRatio)
{
    // Projection and viewport every frame: cheap, and right after any resize
    // or a move to a screen of another pixel ratio.
    glViewport(0, 0, static_cast<GLsizei>(view.width * pixelRatio + 0.5),
               static_cast<GLsizei>(view.height * pixelRatio + 0.5));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-view.halfWidth, view.halfWidth, -view.halfHeight, view.halfHeight, -1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    InitNetViewGL();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
} // namespace

bool SliceFillColor(int axisType, float rgba[4])
{
    static const float kFills[3][4] = {
        {1.0f, 0.3f, 0.3f, 0.6f}, {0.3f, 1.0f, 0.3f, 0.6f}, {0.3f, 0.3f, 1.0f, 0.6f}};
    if (axisType < 0 || axisType > 2)
        return false;
    for (int i = 0; i < 4; ++i)
        rgba[i] = kFills[axisType][i];
    return true;
}

namespace {
const float kMarkedRed[3] = {1.0f, 0.0f, 0.0f};
const float kHighlightGreen[3] = {0.0f, 1.0f, 0.0f};

// Every part's outline as a line strip, in `flagColor` where the part's
// `flag` is set and black elsewhere; `vertex` places one outline point.
template <class Vertex>
void StrokeParts(const CSlicePlane& slice, bool Spart::*flag, const float flagColor[3],
                 Vertex&& vertex)
{
    for (const auto& part : slice.parts) {
        if ((*part).*flag)
            glColor3fv(flagColor);
        else
            glColor3f(0.0f, 0.0f, 0.0f);
        glBegin(GL_LINE_STRIP);
        for (const auto& pv : part->outline)
            vertex(*pv);
        glEnd();
    }
}

// The slice's fill colour, then every part triangle as a polygon; `vertex`
// places one corner (on the net or in model space).
template <class Vertex> void FillParts(const CSlicePlane& slice, Vertex&& vertex)
{
    float fill[4];
    if (SliceFillColor(slice.axisType, fill))
        glColor4fv(fill);
    for (const auto& part : slice.parts) {
        for (const PartTriangle& t : part->triangles) {
            glBegin(GL_POLYGON);
            for (const PartVertex* pv : t.v)
                vertex(*pv);
            glEnd();
        }
    }
}
} // namespace

void InitNetViewGL()
{
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void DrawNetView(const CNetViewController& view, const CSlicePlane* slice, double pixelRatio)
{
    BeginNetFrame(view, pixelRatio);

    if (slice) {
        glTranslated(view.OffsetX(), view.OffsetY(), -2.0);
        const float lineWidth = static_cast<float>(pixelRatio);

        glLineWidth(3.0f * lineWidth);
        StrokeParts(*slice, &Spart::marked, kMarkedRed,
                    [&view](const PartVertex& pv) { NetVertex(view, pv.u, pv.v); });

        glLineWidth(lineWidth);
        glColor3f(0.0f, 0.0f, 1.0f);
        glBegin(GL_LINE_LOOP);
        NetVertex(view, slice->minU, slice->minV);
        NetVertex(view, slice->minU, slice->maxV);
        NetVertex(view, slice->maxU, slice->maxV);
        NetVertex(view, slice->maxU, slice->minV);
        glEnd();

        FillParts(*slice, [&view](const PartVertex& pv) { NetVertex(view, pv.u, pv.v); });

        glLineWidth(3.0f * lineWidth);
        glColor3f(1.0f, 0.0f, 1.0f);
        glBegin(GL_LINES);
        for (const auto& line : slice->lines) {
            NetVertex(view, line->u1, line->v1);
            NetVertex(view, line->u2, line->v2);
        }
        glEnd();
    }

    glGetError();
    ClearAlphaToOpaque();
}

void DrawNetPattern(const CNetViewController& view, const CCreasePatternPane& pattern,
                    const CPaperPoint* selected, double pixelRatio)
{
    BeginNetFrame(view, pixelRatio);
    glTranslated(view.OffsetX(), view.OffsetY(), -2.0);
    const float lineWidth = static_cast<float>(pixelRatio);
    const CCreasePattern& cp = pattern.Pattern();
    // Each line is one strip, so its segments meet without seams; a point of
    // the line's width on every vertex fills the outside of each turn.
    const auto lines = [&](const CPatternChains& chains, CreaseKind kind) {
        for (const CPatternChains::Chain& c : chains.chains) {
            if (c.kind != kind)
                continue;
            glBegin(GL_LINE_STRIP);
            for (uint32_t k = c.begin; k < c.end; ++k)
                PaperVertex(view, pattern, cp.vertices[chains.vertices[k]]);
            glEnd();
            glBegin(GL_POINTS);
            for (uint32_t k = c.begin; k < c.end; ++k)
                PaperVertex(view, pattern, cp.vertices[chains.vertices[k]]);
            glEnd();
        }
    };
    const auto colour = [](CreaseKind kind) {
        const CStrokeColour c = KindColour(kind);
        glColor3d(c.r, c.g, c.b);
    };
    if (pattern.ShowBends()) {
        // Faint and thin, under everything else: the sheet's bending, not the design.
        glLineWidth(lineWidth);
        glPointSize(lineWidth);
        glColor3f(0.8f, 0.8f, 0.8f);
        lines(pattern.Bends(), CreaseKind::Flat);
    }
    // Outline first, creases over it.
    glLineWidth(2.0f * lineWidth);
    glPointSize(2.0f * lineWidth);
    for (const CreaseKind kind : {CreaseKind::Boundary, CreaseKind::Mountain, CreaseKind::Valley}) {
        colour(kind);
        lines(pattern.Lines(), kind);
    }

    if (selected) {
        // A hollow square, so the creases through the vertex stay visible.
        double u = 0.0, v = 0.0, x = 0.0, y = 0.0;
        pattern.PaperToPlane(*selected, u, v);
        view.ToPicture(u, v, x, y);
        constexpr double kHalf = 5.0;
        glLineWidth(2.0f * lineWidth);
        glColor3f(0.0f, 0.6f, 0.0f);
        glBegin(GL_LINE_LOOP);
        glVertex3d(x - kHalf, y - kHalf, kNetDepth);
        glVertex3d(x + kHalf, y - kHalf, kNetDepth);
        glVertex3d(x + kHalf, y + kHalf, kNetDepth);
        glVertex3d(x - kHalf, y + kHalf, kNetDepth);
        glEnd();
    }

    glGetError();
    ClearAlphaToOpaque();
}

void DrawSectionSlices(const CPolyModel& model, double pixelRatio)
{
    const float lineWidth = static_cast<float>(pixelRatio);
    // A slice is a flat sheet with no inside: its fill shows from either
    // side, whichever way the tessellator wound its triangles.
    glDisable(GL_CULL_FACE);
    for (const auto& slice : model.planes) {
        glDisable(GL_LIGHTING);
        glLineWidth(4.0f * lineWidth);
        if (slice.get() == model.pickedPlane) {
            glColor3f(1.0f, 0.0f, 1.0f);
            glBegin(GL_LINES);
            for (const auto& line : slice->lines) {
                glVertex3d(line->x1, line->y1, line->z1);
                glVertex3d(line->x2, line->y2, line->z2);
            }
            glEnd();
        }
        StrokeParts(*slice, &Spart::highlight, kHighlightGreen,
                    [](const PartVertex& pv) { glVertex3d(pv.x, pv.y, pv.z); });
        FillParts(*slice, [](const PartVertex& pv) { glVertex3d(pv.x, pv.y, pv.z); });
    }
}
