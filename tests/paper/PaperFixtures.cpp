#include "paper/PaperFixtures.h"

#include "support/Meshes.h"

#include <cmath>
#include <vector>

namespace paperfix {

std::unique_ptr<CPolyModel> MappedGrid(int rows, int cols, double w, double h,
                                       const std::function<CVector3(double, double)>& place)
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    std::vector<CPolyVertex*> v;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c)
            v.push_back(o->AddVertex(place(w * c / cols, h * r / rows)));
    auto at = [&](int r, int c) { return v[r * (cols + 1) + c]; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            testmesh::AddFaceOn(o, {at(r, c), at(r, c + 1), at(r + 1, c + 1)});
            testmesh::AddFaceOn(o, {at(r, c), at(r + 1, c + 1), at(r + 1, c)});
        }
    return m;
}

CWorkingShape FlatSheet(int rows, int cols, double w, double h)
{
    CWorkingShape mesh;
    auto pt = [&](int r, int c) { return CVector3{w * c / cols, h * r / rows, 0.0}; };
    auto data = [](const CVector3& p) { return CCornerData{{p.x, p.y}}; };
    int32_t origin = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const CVector3 a = pt(r, c), b = pt(r, c + 1), d = pt(r + 1, c + 1), e = pt(r + 1, c);
            mesh.Append(a, b, d, data(a), data(b), data(d), origin++);
            mesh.Append(a, d, e, data(a), data(d), data(e), origin++);
        }
    return mesh;
}

void Refold(CWorkingShape& mesh, const std::function<CVector3(double, double)>& place)
{
    for (size_t c = 0; c < mesh.CornerCount(); ++c)
        mesh.pos[c] = place(mesh.corner[c].paper.u, mesh.corner[c].paper.v);
    for (size_t t = 0; t < mesh.TriangleCount(); ++t)
        mesh.UpdatePlane(t);
}

CVector3 HingeAt(double x, double y, double at, double degrees)
{
    if (x <= at)
        return {x, y, 0.0};
    const double a = degrees * 3.14159265358979323846 / 180.0;
    return {at + (x - at) * std::cos(a), y, (x - at) * std::sin(a)};
}

double PaperArea(const CPaperPoint& a, const CPaperPoint& b, const CPaperPoint& c)
{
    return 0.5 * ((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u));
}

void MarkCreasesAt(CWorkingShape& form, double at)
{
    for (size_t t = 0; t < form.TriangleCount(); ++t)
        for (int j = 0; j < 3; ++j)
            if (std::fabs(form.corner[3 * t + j].paper.u - at) < 1e-9 &&
                std::fabs(form.corner[3 * t + (j + 1) % 3].paper.u - at) < 1e-9)
                form.tri[t].edge[j] |= EdgeMark::kCrease;
}

} // namespace paperfix
