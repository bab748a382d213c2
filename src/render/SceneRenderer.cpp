#include "render/SceneRenderer.h"

#include "model/PolyModel.h"
#include "render/OpaqueAlpha.h"
#include "view3d/ViewCamera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <chrono>

namespace {

constexpr double kConeRadius = 0.02;
constexpr double kConeHeight = 0.08;
// The knob at the vertex has a fixed size, like the cones.
constexpr double kSphereRadius = 0.024;

CMaterial MakeMaterial(float ar, float ag, float ab, float dr, float dg, float db)
{
    CMaterial m;
    const float v[17] = {ar, ag, ab, 1, dr, dg, db, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 17; ++i)
        m.values[i] = v[i];
    return m;
}

// Compiles one GLU shape into a new display list; 0 when GL has none to give.
template <typename Shape> unsigned CompileList(Shape shape)
{
    const GLuint list = glGenLists(1);
    if (list == 0)
        return 0;
    GLUquadric* q = gluNewQuadric();
    if (!q) {
        glDeleteLists(list, 1);
        return 0;
    }
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricNormals(q, GLU_SMOOTH);
    glNewList(list, GL_COMPILE);
    shape(q);
    glEndList();
    gluDeleteQuadric(q);
    return list;
}

void CallList(unsigned list)
{
    if (list != 0)
        glCallList(list);
}

} // namespace

void ApplyMaterial(const CMaterial& m)
{
    // Both sides: the faces' back is lit by the two-sided light model and
    // shows the same material as the front.
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.values + 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.values + 4);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.values + 12);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m.values + 8);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.values[16]);
}

const CMaterial& FaceMaterial()
{
    static const CMaterial m = MakeMaterial(0.8f, 0.85f, 1.0f, 0.45f, 0.45f, 1.0f);
    return m;
}

const CMaterial& HandleMaterial()
{
    static const CMaterial m = MakeMaterial(1.0f, 0.0f, 0.0f, 0.85f, 0.0f, 0.0f);
    return m;
}

void CSceneRenderer::InitGL()
{
    lightingReady_ = false;
    cache_.clear();
    coneList_ =
        CompileList([](GLUquadric* q) { gluCylinder(q, kConeRadius, 0.0, kConeHeight, 15, 10); });
    discList_ = CompileList([](GLUquadric* q) { gluCylinder(q, kConeRadius, 0.0, 0.0, 15, 10); });
    sphereList_ = CompileList([](GLUquadric* q) { gluSphere(q, kSphereRadius, 16, 16); });
}

void CSceneRenderer::ReleaseGL()
{
    for (unsigned* list : {&coneList_, &discList_, &sphereList_}) {
        if (*list != 0)
            glDeleteLists(*list, 1);
        *list = 0;
    }
    cache_.clear();
}

void CSceneRenderer::BeginScene(const CViewCamera& camera, double pixelRatio)
{
    if (!lightingReady_) {
        lightingReady_ = true;
        glDisable(GL_CULL_FACE);
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        const GLfloat ambient[] = {0.1f, 0.1f, 0.1f, 1.0f};
        const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        // Back faces are lit with the negated normal: each triangle is drawn once.
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 1.0f);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glFrontFace(GL_CCW);
        glShadeModel(GL_SMOOTH);
    }

    glViewport(static_cast<GLint>(camera.viewport[0] * pixelRatio),
               static_cast<GLint>(camera.viewport[1] * pixelRatio),
               static_cast<GLsizei>(camera.viewport[2] * pixelRatio + 0.5),
               static_cast<GLsizei>(camera.viewport[3] * pixelRatio + 0.5));
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(camera.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The light shines along the viewing direction, so the lit side faces the viewer.
    const double* P = camera.projection;
    const GLfloat lightPos[] = {static_cast<float>(-P[2]), static_cast<float>(-P[6]),
                                static_cast<float>(-P[10]), 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPos);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

template <class Shape>
CFaceArrays& CSceneRenderer::ArraysFor(size_t index, const Shape& shape, size_t faces,
                                       size_t vertices, uint64_t revision)
{
    if (cache_.size() <= index)
        cache_.resize(index + 1);
    CachedObject& c = cache_[index];
    if (c.object != &shape || c.revision != revision || c.faceCount != faces ||
        c.vertexCount != vertices) {
        const auto start = std::chrono::steady_clock::now();
        c.arrays.Build(shape);
        refreshSeconds_ +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        c.object = &shape;
        c.revision = revision;
        c.faceCount = faces;
        c.vertexCount = vertices;
    }
    return c.arrays;
}

void CSceneRenderer::DrawArrays(CFaceArrays& arrays, const DesignSceneState& state)
{
    if (state.showFaces) {
        // The faces are opaque: blending them would only cost a read of
        // every covered pixel.
        glEnable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        arrays.DrawFaces();
        glEnable(GL_BLEND);
        glEnable(GL_CULL_FACE);
    }
    glDisable(GL_LIGHTING);
    if (state.showEdges) {
        glLineWidth(0.3f);
        glColor3f(0.0f, 0.0f, 0.0f);
        arrays.DrawEdges();
    }
}

void CSceneRenderer::DrawDesignContents(const CPolyModel& model, const DesignSceneState& state)
{
    ApplyMaterial(FaceMaterial());
    size_t shapes = 0;
    if (model.designing) {
        const CWorkingShape& w = model.working;
        DrawArrays(ArraysFor(0, w, w.TriangleCount(), w.CornerCount(), state.shapeRevision), state);
        shapes = 1;
    } else {
        for (const auto& obj : model.objects) {
            DrawArrays(ArraysFor(shapes, *obj, obj->faces.size(), obj->vertices.size(),
                                 state.shapeRevision),
                       state);
            ++shapes;
        }
    }
    if (cache_.size() > shapes)
        cache_.resize(shapes);
    if (state.showFaces && state.warning)
        DrawWarning(*state.warning);

    if (state.highlighted) {
        glColor3f(1.0f, 0.0f, 0.0f);
        glPointSize(8.0f);
        glBegin(GL_POINTS);
        glVertex3d(state.highlighted->x, state.highlighted->y, state.highlighted->z);
        glEnd();
    }
    glEnable(GL_LIGHTING);
}

void CSceneRenderer::DrawWarning(const std::vector<float>& triangles)
{
    if (triangles.empty())
        return;
    // Unlit and translucent, so the shading of the material still shows
    // through. The faces below were drawn with the same polygon offset at the
    // same positions, so LEQUAL lets the tint through exactly where they are
    // visible; without culling one pass covers both sides.
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glColor4f(1.0f, 0.25f, 0.0f, 0.7f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, triangles.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(triangles.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_CULL_FACE);
}

void CSceneRenderer::DrawHandles(const CVector3& at, double length)
{
    const double L = length;
    glPushMatrix();
    glTranslated(at.x, at.y, at.z);

    glDisable(GL_LIGHTING);
    glFrontFace(GL_CW);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.0f, 0.0f, 0.0f);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glVertex3d(0, 0, 0);
    glVertex3d(L, 0, 0);
    glVertex3d(0, 0, 0);
    glVertex3d(0, L, 0);
    glVertex3d(0, 0, 0);
    glVertex3d(0, 0, L);
    glEnd();

    glPushMatrix();
    glColor3f(1.0f, 0.0f, 0.0f);
    glTranslated(L, 0, 0);
    glRotated(90, 0, 1, 0);
    CallList(coneList_);
    glRotated(180, 1, 0, 0);
    CallList(discList_);
    glPopMatrix();

    glPushMatrix();
    glColor3f(0.0f, 1.0f, 0.0f);
    glTranslated(0, L, 0);
    glRotated(-90, 1, 0, 0);
    CallList(coneList_);
    glRotated(180, 1, 0, 0);
    CallList(discList_);
    glPopMatrix();

    glPushMatrix();
    glColor3f(0.0f, 0.0f, 1.0f);
    glTranslated(0, 0, L);
    glRotated(-90, 0, 0, 1);
    CallList(coneList_);
    glRotated(180, 0, 1, 0);
    CallList(discList_);
    glPopMatrix();

    glFrontFace(GL_CCW);
    ApplyMaterial(HandleMaterial());
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    CallList(sphereList_);

    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

void CSceneRenderer::EndScene()
{
    // Bounded: a lost context can keep reporting errors.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    ClearAlphaToOpaque();
}
