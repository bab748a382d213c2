#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <random>

namespace testmesh {

CPolyFace* AddFace(CPolyObject* obj, const std::vector<CVector3>& corners)
{
    CPolyFace* f = obj->AddFace();
    for (const CVector3& p : corners)
        f->AddCorner(obj->AddVertex(p));
    return f;
}

CPolyFace* AddFaceOn(CPolyObject* obj, const std::vector<CPolyVertex*>& vertices)
{
    CPolyFace* f = obj->AddFace();
    for (CPolyVertex* v : vertices)
        f->AddCorner(v);
    return f;
}

std::unique_ptr<CPolyModel> Triangle()
{
    auto m = std::make_unique<CPolyModel>();
    AddFace(m->AddObject(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    return m;
}

std::unique_ptr<CPolyModel> Strip()
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    AddFace(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    AddFace(o, {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    return m;
}

std::unique_ptr<CPolyModel> Grid(int rows, int cols, double w, double h,
                                 double (*height)(double, double))
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    auto at = [&](int r, int c) {
        const double x = w * c / cols;
        const double y = h * r / rows;
        return CVector3{x, y, height ? height(x, y) : 0.0};
    };
    ForEachGridTriangle(rows, cols, at, [o](CVector3 a, CVector3 b, CVector3 c) {
        AddFace(o, {a, b, c});
    });
    return m;
}

void AddGrid(CPolyObject* o, int rows, int cols, CVector3 origin, double cell,
             double (*height)(double, double), double jitter, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-jitter, jitter);
    std::vector<CVector3> pts;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            double x = cell * c, y = cell * r;
            if (r > 0 && c > 0 && r < rows && c < cols) {
                x += cell * u(rng);
                y += cell * u(rng);
            }
            pts.push_back({origin.x + x, origin.y + y, origin.z + (height ? height(x, y) : 0.0)});
        }
    ForEachGridTriangle(
        rows, cols, [&](int r, int c) { return pts[r * (cols + 1) + c]; },
        [o](CVector3 a, CVector3 b, CVector3 c) {
            AddFace(o, {a, b, c});
        });
}

void AddSheet(CWorkingShape& m, int rows, int cols, double x0, double x1, double y0, double y1,
              const std::function<CVector3(double, double)>& place)
{
    ForEachGridTriangle(
        rows, cols,
        [&](int r, int c) { return place(x0 + (x1 - x0) * c / cols, y0 + (y1 - y0) * r / rows); },
        [&m](CVector3 a, CVector3 b, CVector3 c) {
            m.Append(a, b, c, {}, {}, {}, static_cast<int32_t>(m.TriangleCount()));
        });
}

std::unique_ptr<CPolyModel> Cube()
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    std::vector<CPolyVertex*> v;
    for (int i = 0; i < 8; ++i)
        v.push_back(o->AddVertex({double(i & 1), double((i >> 1) & 1), double((i >> 2) & 1)}));
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        AddFaceOn(o, {v[q[0]], v[q[1]], v[q[2]]});
        AddFaceOn(o, {v[q[0]], v[q[2]], v[q[3]]});
    }
    return m;
}

void Build(CPolyModel& model)
{
    ASSERT_TRUE(model.BuildTopology());
}

double PaperArea(const CPolyModel& m)
{
    double area = 0.0;
    for (size_t k = 0; k + 2 < m.paper.size(); k += 3) {
        const CPaperPoint &a = m.paper[k], &b = m.paper[k + 1], &c = m.paper[k + 2];
        area += 0.5 * ((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u));
    }
    return area;
}

} // namespace testmesh
