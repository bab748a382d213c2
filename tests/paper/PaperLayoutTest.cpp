#include "paper/PaperLayout.h"

#include "export/AtomicFile.h"
#include "export/SheetWriter.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "paper/PaperFixtures.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Case {
    std::string name;
    std::unique_ptr<CPolyModel> model;
    int pieces;
};

std::unique_ptr<CPolyModel> SheetModel(SheetShape shape, int rows, int cols, double size)
{
    SheetLayout layout;
    layout.rows = rows;
    layout.cols = cols;
    layout.shape = shape;
    layout.size = size;
    return paperfix::MappedGrid(rows, cols, cols, rows, [&](double x, double y) {
        return SheetPoint(layout, static_cast<int>(std::lround(y)),
                          static_cast<int>(std::lround(x)));
    });
}

// A closed tube: developable, but the layout must cut it somewhere.
std::unique_ptr<CPolyModel> Tube(int around, int along)
{
    auto m = paperfix::MappedGrid(along, around, around, along, [&](double x, double y) {
        const double a = 2.0 * kPi * x / around;
        return CVector3{30.0 * std::cos(a), 30.0 * std::sin(a), 7.0 * y};
    });
    return m;
}

std::vector<Case> Developables()
{
    std::vector<Case> cases;
    cases.push_back({"flat grid", testmesh::Grid(3, 5, 210.0, 297.0), 1});
    // Flat, tilted, and wound the other way (seen from -n).
    auto tilted = paperfix::MappedGrid(4, 4, 100.0, 50.0, [](double x, double y) {
        return CVector3{0.6 * x, y, 0.8 * x + 5.0};
    });
    for (CPolyFace* f : tilted->objects[0]->faces)
        f->corners.Reverse();
    cases.push_back({"tilted reversed", std::move(tilted), 1});
    cases.push_back({"cylinder", SheetModel(SheetShape::Cylinder, 6, 12, 120.0), 1});
    cases.push_back({"tube", Tube(16, 3), 1});
    // Two bent strips apart: two pieces.
    auto two = paperfix::MappedGrid(2, 6, 60.0, 20.0, [](double x, double y) {
        return CVector3{40.0 * std::sin(x / 40.0), y, 40.0 * std::cos(x / 40.0)};
    });
    auto other = paperfix::MappedGrid(2, 3, 30.0, 15.0, [](double x, double y) {
        return CVector3{x, 200.0 + y, 0.01 * x * x};
    });
    for (CPolyFace* f : other->objects[0]->faces) {
        std::vector<CVector3> p;
        for (CFaceCorner* c : f->corners)
            p.push_back(c->vertex->pos);
        testmesh::AddFace(two->objects[0].get(), p);
    }
    cases.push_back({"two pieces", std::move(two), 2});
    return cases;
}

double Relative(double a, double b)
{
    return std::fabs(a - b) / std::max(std::fabs(b), 1e-300);
}

TEST(PaperLayout, DevelopableModelsUnfoldIsometricallyAndCounterClockwise)
{
    for (Case& c : Developables()) {
        SCOPED_TRACE(c.name);
        CPolyModel& m = *c.model;
        testmesh::Build(m);
        AssignPaper(m);
        ASSERT_TRUE(m.paperInfo.has) << m.paperInfo.whyNot;
        EXPECT_EQ(m.paperInfo.pieces, c.pieces);
        EXPECT_LE(m.paperInfo.maxAngleDefect, kDevelopableDegrees);
        const auto& faces = m.objects[0]->faces;
        ASSERT_EQ(m.paper.size(), 3 * faces.size());
        double paperArea = 0.0, formArea = 0.0, lu = 1e300, lv = 1e300, hu = -1e300, hv = -1e300;
        for (size_t f = 0; f < faces.size(); ++f) {
            const CPaperPoint* q = &m.paper[3 * f];
            for (int j = 0; j < 3; ++j) {
                const CVector3& a = faces[f]->corners[j]->vertex->pos;
                const CVector3& b = faces[f]->corners[(j + 1) % 3]->vertex->pos;
                const CPaperPoint& qa = q[j];
                const CPaperPoint& qb = q[(j + 1) % 3];
                EXPECT_LT(Relative(std::hypot(qb.u - qa.u, qb.v - qa.v), Distance3D(a, b)), 1e-9)
                    << "face " << f << " edge " << j;
                lu = std::min(lu, qa.u), lv = std::min(lv, qa.v);
                hu = std::max(hu, qa.u), hv = std::max(hv, qa.v);
            }
            const double area = paperfix::PaperArea(q[0], q[1], q[2]);
            EXPECT_GT(area, 0.0) << "face " << f << " is clockwise on the paper";
            paperArea += area;
            const CVector3& p0 = faces[f]->corners[0]->vertex->pos;
            formArea += 0.5 * (faces[f]->corners[1]->vertex->pos - p0)
                                  .Cross(faces[f]->corners[2]->vertex->pos - p0)
                                  .Length();
        }
        EXPECT_LT(Relative(paperArea, formArea), 1e-9);
        EXPECT_NEAR(lu, 0.0, 1e-9);
        EXPECT_NEAR(lv, 0.0, 1e-9);
        EXPECT_NEAR(hu - lu, m.paperInfo.width, 1e-9);
        EXPECT_NEAR(hv - lv, m.paperInfo.height, 1e-9);
    }
}

TEST(PaperLayout, SheetsComeOutAsTheirRectangles)
{
    // A flat A4 sheet keeps its x and y.
    auto flat = testmesh::Grid(3, 5, 210.0, 297.0);
    testmesh::Build(*flat);
    AssignPaper(*flat);
    EXPECT_DOUBLE_EQ(flat->paperInfo.width, 210.0);
    EXPECT_DOUBLE_EQ(flat->paperInfo.height, 297.0);
    EXPECT_EQ(flat->paperInfo.maxAngleDefect, 0.0);
    const CPolyFace* f0 = flat->objects[0]->faces[0];
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(flat->paper[j].u, f0->corners[j]->vertex->pos.x, 1e-12);
        EXPECT_NEAR(flat->paper[j].v, f0->corners[j]->vertex->pos.y, 1e-12);
    }

    // The cylinder rolls out to cols chords by rows cells.
    const int rows = 6, cols = 12;
    const double size = 120.0;
    auto cyl = SheetModel(SheetShape::Cylinder, rows, cols, size);
    testmesh::Build(*cyl);
    AssignPaper(*cyl);
    ASSERT_TRUE(cyl->paperInfo.has);
    const double radius = size / (kPi / 2.0);
    const double chord = 2.0 * radius * std::sin(size / cols / radius / 2.0);
    EXPECT_NEAR(cyl->paperInfo.width, cols * chord, 1e-9);
    EXPECT_NEAR(cyl->paperInfo.height, rows * size / cols, 1e-9);

    // Pieces sit side by side with the gap between them.
    auto cases = Developables();
    CPolyModel& two = *cases[4].model;
    testmesh::Build(two);
    AssignPaper(two);
    const double arc = 6 * 80.0 * std::sin(10.0 / 80.0);                            // six chords
    const double parabola = std::sqrt(101.0) + std::sqrt(109.0) + std::sqrt(125.0); // three more
    EXPECT_NEAR(two.paperInfo.width, arc + kPieceGap + parabola, 1e-9);
    EXPECT_NEAR(two.paperInfo.height, 20.0, 1e-9);
}

TEST(PaperLayout, BentSheetsUnfoldToExactlyTheirRectangles)
{
    for (const SheetBend bend : {SheetBend::Cylinder, SheetBend::Cone})
        for (const bool jittered : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "cone " << (bend == SheetBend::Cone) << " jittered " << jittered);
            // Through the file, as New Sheet and the command line make it.
            const SheetLayout layout = PaperSheet(210.0, 297.0, 40, jittered, bend, 90.0);
            const std::string path = testfiles::ScratchDir() + "/bent.obj";
            ASSERT_TRUE(
                WriteFileReplacing(path, [&](std::FILE* f) { return WriteSheetObj(f, layout); }));
            const OpenOutcome opened = OpenModel(path, nullptr);
            ASSERT_TRUE(opened.model) << opened.message;
            const CPolyModel& m = *opened.model;
            ASSERT_TRUE(m.paperInfo.has) << m.paperInfo.whyNot;
            EXPECT_EQ(m.paperInfo.pieces, 1);
            EXPECT_NEAR(m.paperInfo.width, 210.0, 1e-9);
            EXPECT_NEAR(m.paperInfo.height, 297.0, 1e-9);
            double area = 0.0;
            for (size_t t = 0; 3 * t < m.paper.size(); ++t)
                area += paperfix::PaperArea(m.paper[3 * t], m.paper[3 * t + 1], m.paper[3 * t + 2]);
            EXPECT_NEAR(area, 210.0 * 297.0, 1e-6);

            CSheetMesh mesh;
            ASSERT_TRUE(BuildBentSheet(layout, mesh));
            double zMin = kDoubleMax, zMax = -kDoubleMax;
            for (const CVector3& p : mesh.vertices) {
                zMin = std::min(zMin, p.z);
                zMax = std::max(zMax, p.z);
            }
            EXPECT_GT(zMax - zMin, 30.0); // bent for real
            if (bend == SheetBend::Cylinder && !jittered) {
                // Turned 30 degrees about z: the rulings leave the axes.
                CVector3 ruling = mesh.vertices[1] - mesh.vertices[0];
                ruling.Normalize();
                EXPECT_NEAR(ruling.Dot({-0.5, std::sqrt(0.75), 0.0}), 1.0, 1e-12);
            }
        }
    // A cone cannot be flatter than the fan the rectangle spans from its apex.
    const SheetLayout flat = PaperSheet(200.0, 100.0, 10, false, SheetBend::Cone, 89.0);
    EXPECT_NEAR(SmallestConeBend(200.0, 100.0), 90.0, 1e-12);
    EXPECT_FALSE(SheetLayoutValid(flat));
    EXPECT_NE(SheetBendProblem(flat).find("more than 90.0 degrees"), std::string::npos);
}

TEST(PaperLayout, CurvedSurfacesAreRefusedWithTheLargestDefect)
{
    for (auto* model :
         {SheetModel(SheetShape::Saddle, 8, 8, 100.0).release(), testmesh::Cube().release()}) {
        std::unique_ptr<CPolyModel> m(model);
        testmesh::Build(*m);
        AssignPaper(*m);
        EXPECT_FALSE(m->paperInfo.has);
        EXPECT_TRUE(m->paper.empty());
        EXPECT_GT(m->paperInfo.maxAngleDefect, kDevelopableDegrees);
        double angle = 0, x = 0, y = 0, z = 0;
        char tail = 0;
        ASSERT_EQ(
            std::sscanf(m->paperInfo.whyNot.c_str(),
                        "This surface does not unfold flat: angle defect up to %lf\xC2\xB0 at "
                        "(%lf, %lf, %lf)%c",
                        &angle, &x, &y, &z, &tail),
            5)
            << m->paperInfo.whyNot;
        EXPECT_EQ(tail, '.');
        EXPECT_NEAR(angle, m->paperInfo.maxAngleDefect, 0.05);
        const CVector3& at = m->paperInfo.maxDefectAt;
        EXPECT_NEAR(x, at.x, 5e-3 * std::max(1.0, std::fabs(at.x)));
        EXPECT_NEAR(y, at.y, 5e-3 * std::max(1.0, std::fabs(at.y)));
        EXPECT_NEAR(z, at.z, 5e-3 * std::max(1.0, std::fabs(at.z)));
    }
    // A cube corner misses 90 degrees: the message says so.
    auto cube = testmesh::Cube();
    testmesh::Build(*cube);
    AssignPaper(*cube);
    EXPECT_NEAR(cube->paperInfo.maxAngleDefect, 90.0, 1e-9);
    EXPECT_NE(cube->paperInfo.whyNot.find("up to 90.0\xC2\xB0 at ("), std::string::npos);
}

TEST(PaperLayout, NearlyCoincidentCornersJoinAndOwnPaperIsKept)
{
    // Every face on its own vertex records, nudged below the tolerance: still one sheet.
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* soup = m->AddObject();
    auto grid = paperfix::MappedGrid(4, 4, 40.0, 40.0, [](double x, double y) {
        return CVector3{x, y, 0.002 * x * x};
    });
    int k = 0;
    for (CPolyFace* f : grid->objects[0]->faces) {
        std::vector<CVector3> p;
        for (CFaceCorner* c : f->corners)
            p.push_back(c->vertex->pos + CVector3{1e-7 * (k++ % 3), 0.0, 0.0});
        testmesh::AddFace(soup, p);
    }
    testmesh::Build(*m);
    AssignPaper(*m);
    ASSERT_TRUE(m->paperInfo.has) << m->paperInfo.whyNot;
    EXPECT_EQ(m->paperInfo.pieces, 1);

    // A model that came with its paper keeps it.
    CPaperInfo own;
    own.has = true;
    own.width = 7.0;
    m->paperInfo = own;
    m->paper.assign(m->paper.size(), CPaperPoint{1.0, 2.0});
    AssignPaper(*m);
    EXPECT_EQ(m->paperInfo.width, 7.0);
    EXPECT_EQ(m->paper[0], (CPaperPoint{1.0, 2.0}));
}

} // namespace
