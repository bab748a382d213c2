#include "model/Tessellation.h"

#include "model/SweepTriangulation.h"

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

namespace {

// b lies on the straight run from a to c, or repeats a neighbour.
bool StraightCorner(const CVector3& a, const CVector3& b, const CVector3& c)
{
    const CVector3 in = b - a;
    const CVector3 out = c - b;
    const double lengths = in.Length() * out.Length();
    if (lengths == 0.0)
        return true;
    return in.Cross(out).Length() <= 1e-12 * lengths && in.Dot(out) > 0.0;
}

// Emits triangle t (outline indices) split so that the corners set aside on
// its sides become corners of their own: side k runs t[k] -> t[k + 1] with
// the corners side[k] between them, in order.
void EmitSplit(const std::array<int, 3>& t, const std::array<std::vector<int>, 3>& side,
               std::vector<std::array<int, 3>>& out)
{
    int k = 0;
    while (k < 3 && side[k].empty())
        ++k;
    if (k == 3) {
        out.push_back(t);
        return;
    }
    // A fan from the corner across side k; its first and last triangles keep
    // the other two sides with whatever lies on them.
    std::vector<int> run;
    run.push_back(t[k]);
    run.insert(run.end(), side[k].begin(), side[k].end());
    run.push_back(t[(k + 1) % 3]);
    const int across = t[(k + 2) % 3];
    for (size_t i = 0; i + 1 < run.size(); ++i) {
        std::array<std::vector<int>, 3> sub;
        if (i + 2 == run.size())
            sub[1] = side[(k + 1) % 3];
        if (i == 0)
            sub[2] = side[(k + 2) % 3];
        EmitSplit({run[i], run[i + 1], across}, sub, out);
    }
}

} // namespace

void TriangulateOutline(const std::vector<CVector3>& points,
                        std::vector<std::array<int, 3>>& triangles)
{
    const int n = static_cast<int>(points.size());
    if (n < 3)
        return;
    std::vector<int> kept;
    kept.reserve(points.size());
    for (int i = 0; i < n; ++i)
        if (!StraightCorner(points[(i + n - 1) % n], points[i], points[(i + 1) % n]))
            kept.push_back(i);
    const int m = static_cast<int>(kept.size());
    if (m < 3)
        return; // a straight run there and back: no area
    std::vector<CVector3> outline;
    outline.reserve(kept.size());
    for (const int i : kept)
        outline.push_back(points[i]);
    // Large outlines go to the sweep, which the tessellator's time would not
    // bear; one the sweep cannot take (it crosses itself) still goes to the
    // tessellator.
    constexpr int kSweepCorners = 1000;
    std::vector<std::array<int, 3>> reduced;
    const CVector3 normal = OutlineNormal(outline);
    const bool tessellated =
        m > 3 && !IsConvexOutline(outline) &&
        ((m >= kSweepCorners && TriangulateBySweep(outline, normal, reduced)) ||
         TessellatePolygon(outline, normal, reduced)) &&
        !reduced.empty();
    if (!tessellated) {
        reduced.clear();
        for (int k = 1; k + 1 < m; ++k)
            reduced.push_back({0, k, k + 1});
    }
    for (const std::array<int, 3>& r : reduced) {
        std::array<std::vector<int>, 3> side;
        for (int j = 0; j < 3; ++j) {
            if (r[(j + 1) % 3] != (r[j] + 1) % m)
                continue; // not a side of the outline
            for (int i = (kept[r[j]] + 1) % n; i != kept[(r[j] + 1) % m]; i = (i + 1) % n)
                side[j].push_back(i);
        }
        EmitSplit({kept[r[0]], kept[r[1]], kept[r[2]]}, side, triangles);
    }
}
