#include "support/Meshes.h"

#include <gtest/gtest.h>

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
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            AddFace(o, {at(r, c), at(r, c + 1), at(r + 1, c + 1)});
            AddFace(o, {at(r, c), at(r + 1, c + 1), at(r + 1, c)});
        }
    }
    return m;
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

} // namespace testmesh
