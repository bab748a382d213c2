#include <gtest/gtest.h>

#include "LiteralFold.h"

#include "design/CSlicePlane.h"
#include "design/DesignStates.h"

#include <cmath>
#include <cstring>

namespace literal {

namespace {

CVector3 Crossing(const CSlicePlane& pl, const CVector3& s, const CVector3& v) {
    CVector3 u = v - s;
    u.Normalize();
    const double t =
        (-(pl.a * s.x + pl.b * s.y + pl.c * s.z) - pl.d) / (pl.a * u.x + pl.b * u.y + pl.c * u.z);
    return {s.x + t * u.x, s.y + t * u.y, s.z + t * u.z};
}

} // namespace

void ReflectFrom(CPolyObject& object, const CSlicePlane& plane, const CVector3& start) {
    CVector3 point = start;
    for (;;) {
        CPolyFace* face = nullptr;
        CFaceCorner* seed = nullptr;
        for (CPolyFace* f : object.faces) {
            if (f->corners.size() != 3)
                continue;
            for (CFaceCorner* c : f->corners) {
                if (Distance3D(c->vertex->pos, point) < 0.0001) {
                    face = f;
                    seed = c;
                    break;
                }
            }
        }
        if (!face)
            return;
        CFaceCorner* c[3] = {face->corners[0], face->corners[1], face->corners[2]};
        int s[3];
        for (int i = 0; i < 3; ++i)
            s[i] = plane.ClassifyPoint(c[i]->vertex->pos);
        if (s[0] == 0 || s[1] == 0 || s[2] == 0)
            return;
        if (s[0] == s[1] && s[1] == s[2]) {
            const CVector3 rec[3] = {c[0]->vertex->pos, c[1]->vertex->pos, c[2]->vertex->pos};
            for (CFaceCorner* corner : c)
                plane.ReflectVertex(corner->vertex);
            face->ComputePlane();
            for (const CVector3& p : rec)
                literal::ReflectFrom(object, plane, p);
            return;
        }
        int i = 0;
        while (s[i] != s[(i + 1) % 3])
            ++i;
        CFaceCorner* S = c[i];
        CFaceCorner* R = c[(i + 1) % 3];
        CFaceCorner* V = c[(i + 2) % 3];
        const CVector3 p1 = Crossing(plane, S->vertex->pos, V->vertex->pos);
        const CVector3 p2 = Crossing(plane, R->vertex->pos, V->vertex->pos);
        CVector3 r = R->vertex->pos, v = V->vertex->pos, sp = S->vertex->pos;
        const bool lone = V->vertex == seed->vertex;
        CVector3 rememberV, rememberR, rememberS;
        if (lone) {
            rememberV = V->vertex->pos;
            v = plane.ReflectPoint(v);
        } else {
            rememberR = R->vertex->pos;
            rememberS = S->vertex->pos;
            r = plane.ReflectPoint(r);
            sp = plane.ReflectPoint(sp);
        }
        AddTriangle(object, r, p2, sp);
        AddTriangle(object, p2, p1, sp);
        AddTriangle(object, p2, v, p1);
        object.RemoveFace(face);
        if (lone) {
            point = rememberV;
        } else {
            literal::ReflectFrom(object, plane, rememberR);
            point = rememberS;
        }
    }
}

ReflectionStepResult ReflectionStep(CPolyModel& model, CPolyVertex* selected,
                                    const CVector3& startPos, const CVector3& draggedPos) {
    ReflectionStepResult result;
    CPolyObject& object = *model.objects.front();
    CSlicePlane& plane = *model.currentPlane;
    const bool back = startPos == draggedPos;
    if (!back) {
        plane.SetBisector(startPos, draggedPos);
        for (const CPolyFace* f : object.faces)
            for (const CFaceCorner* c : f->corners)
                if (std::fabs(plane.a * c->vertex->pos.x + plane.b * c->vertex->pos.y +
                              plane.c * c->vertex->pos.z + plane.d) < 0.0001)
                    return result;
    }
    if (selected)
        selected->pos = startPos;
    RestoreWorkingCopy(model);
    if (!back)
        literal::ReflectFrom(object, plane, startPos);
    const CVector3 target = back ? startPos : plane.ReflectPoint(startPos);
    double best = 1.7976931348623157e308;
    for (CPolyVertex* v : object.vertices) {
        const double d = Distance3D(v->pos, target);
        if (d < best) {
            best = d;
            result.vertex = v;
        }
    }
    result.accepted = true;
    return result;
}

} // namespace literal

namespace foldcheck {

namespace {
bool Same(const CVector3& a, const CVector3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

long IndexOf(const CPolyObject& object, const CPolyVertex* v) {
    for (size_t i = 0; i < object.vertices.size(); ++i)
        if (object.vertices[i] == v)
            return static_cast<long>(i);
    return -1;
}

::testing::AssertionResult SameObject(const CPolyObject& a, const CPolyObject& b) {
    if (a.faces.size() != b.faces.size())
        return ::testing::AssertionFailure()
               << "faces " << a.faces.size() << " vs " << b.faces.size();
    for (size_t i = 0; i < a.faces.size(); ++i) {
        const CPolyFace* fa = a.faces[i];
        const CPolyFace* fb = b.faces[i];
        if (fa->corners.size() != fb->corners.size())
            return ::testing::AssertionFailure() << "corner count of face " << i;
        for (int j = 0; j < fa->corners.size(); ++j) {
            const CFaceCorner* ca = fa->corners[j];
            const CFaceCorner* cb = fb->corners[j];
            if (!Same(ca->vertex->pos, cb->vertex->pos))
                return ::testing::AssertionFailure() << "position of face " << i << " corner " << j;
            if (ca->tex || cb->tex || ca->next || cb->next || ca->enabled != cb->enabled)
                return ::testing::AssertionFailure() << "corner fields of face " << i;
        }
        if (!Same(fa->normal, fb->normal) || !Same(fa->d, fb->d))
            return ::testing::AssertionFailure() << "plane of face " << i;
        if (fa->material != fb->material || fa->id != fb->id || !Same(fa->centre, fb->centre) ||
            fa->sel != fb->sel || fa->object != &a || fb->object != &b)
            return ::testing::AssertionFailure() << "fields of face " << i;
    }
    if (a.vertices.size() != b.vertices.size())
        return ::testing::AssertionFailure()
               << "vertices " << a.vertices.size() << " vs " << b.vertices.size();
    for (size_t i = 0; i < a.vertices.size(); ++i)
        if (!Same(a.vertices[i]->pos, b.vertices[i]->pos) || a.vertices[i]->mark != 0 ||
            b.vertices[i]->mark != 0)
            return ::testing::AssertionFailure() << "vertex " << i;
    return ::testing::AssertionSuccess();
}

} // namespace foldcheck
