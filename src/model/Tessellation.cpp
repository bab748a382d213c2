#include "model/Tessellation.h"

#include <GL/glu.h>

#include <numbers>

namespace {

// Collects the tessellator's primitives as index triples.
struct TessSink {
    const int* first = nullptr; // the index array whose elements are fed as vertex data
    std::vector<std::array<int, 3>> out;
    GLenum type = 0;
    int count = 0; // vertices seen in the current primitive
    int a = 0;
    int b = 0;
    bool skipPrimitive = false;
    bool failed = false;

    void Vertex(const int* data)
    {
        if (skipPrimitive)
            return;
        if (!data) { // a vertex we did not feed: drop the rest of this primitive
            skipPrimitive = true;
            return;
        }
        const int n = *data;
        const int index = count++;
        switch (type) {
        case GL_TRIANGLES:
            if (index % 3 == 0)
                a = n;
            else if (index % 3 == 1)
                b = n;
            else
                out.push_back({a, b, n});
            break;
        case GL_TRIANGLE_STRIP:
            if (index == 0) {
                a = n;
            } else if (index == 1) {
                b = n;
            } else {
                if (index % 2 == 0)
                    out.push_back({a, b, n});
                else
                    out.push_back({b, a, n});
                a = b;
                b = n;
            }
            break;
        case GL_TRIANGLE_FAN:
            if (index == 0) {
                a = n; // the hub
            } else if (index == 1) {
                b = n;
            } else {
                out.push_back({a, b, n});
                b = n;
            }
            break;
        default:
            break;
        }
    }
};

void GLAPIENTRY OnTessBegin(GLenum type, void* data)
{
    auto* sink = static_cast<TessSink*>(data);
    sink->type = type;
    sink->count = 0;
    sink->skipPrimitive = false;
}

void GLAPIENTRY OnTessVertex(void* vertex, void* data)
{
    auto* sink = static_cast<TessSink*>(data);
    // No exception may unwind through the tessellator's C frames.
    try {
        sink->Vertex(static_cast<const int*>(vertex));
    } catch (...) {
        sink->failed = true;
        sink->skipPrimitive = true;
    }
}

void GLAPIENTRY OnTessEnd(void*) {}

void GLAPIENTRY OnTessError(GLenum, void*) {}

using TessCallback = void(GLAPIENTRY*)();

} // namespace

bool TessellatePolygon(const std::vector<CVector3>& points, const CVector3& normal,
                       std::vector<std::array<int, 3>>& triangles)
{
    if (points.size() < 3)
        return true;
    // The tessellator keeps pointers to the coordinates and the vertex data
    // until the polygon ends.
    std::vector<std::array<GLdouble, 3>> coords(points.size());
    std::vector<int> indices(points.size());
    TessSink sink;
    try {
        sink.out.reserve(points.size() - 2);
    } catch (...) {
        return false;
    }
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return false;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(&OnTessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(&OnTessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(&OnTessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(&OnTessError));
    gluTessNormal(tess, normal.x, normal.y, normal.z);

    gluTessBeginPolygon(tess, &sink);
    gluTessBeginContour(tess);
    for (size_t i = 0; i < points.size(); ++i) {
        coords[i] = {points[i].x, points[i].y, points[i].z};
        indices[i] = static_cast<int>(i);
        gluTessVertex(tess, coords[i].data(), &indices[i]);
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (sink.failed)
        return false;
    try {
        triangles.insert(triangles.end(), sink.out.begin(), sink.out.end());
    } catch (...) {
        return false;
    }
    return true;
}

CVector3 OutlineNormal(const std::vector<CVector3>& points)
{
    CVector3 n;
    const size_t count = points.size();
    for (size_t i = 0; i < count; ++i) {
        const CVector3& p = points[i];
        const CVector3& q = points[(i + 1) % count];
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return n;
}

bool IsConvexOutline(const std::vector<CVector3>& points)
{
    const size_t count = points.size();
    if (count < 4)
        return true;
    CVector3 normal = OutlineNormal(points);
    if (normal.Length() == 0.0)
        return false;
    normal.Normalize();
    // The signed turns of a simple convex outline add up to one full turn; a
    // star that winds twice turns the same way at every corner too.
    double turning = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const CVector3 in = points[i] - points[(i + count - 1) % count];
        const CVector3 out = points[(i + 1) % count] - points[i];
        const double side = in.Cross(out).Dot(normal);
        if (side < 0.0)
            return false;
        turning += std::atan2(side, in.Dot(out));
    }
    return turning < 3.0 * std::numbers::pi;
}
