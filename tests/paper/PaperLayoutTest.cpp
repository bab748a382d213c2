#include "paper/PaperLayout.h"

#include "base/AtomicFile.h"
#include "export/SheetObj.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "paper/PaperFixtures.h"
#include "paper/PaperOverlap.h"
#include "sheet/SheetBend.h"
#include "support/Meshes.h"
#include "support/RecordingProgress.h"
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
    cases.push_back({"cylinder", SheetModel(SheetShape::QuarterCylinder, 6, 12, 120.0), 1});
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
        EXPECT_LE(m.paperInfo.maxAngleDefect, 0.01);
        EXPECT_LT(m.paperInfo.strainMax, 1e-9);
        EXPECT_FALSE(m.paperInfo.split);
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
    auto cyl = SheetModel(SheetShape::QuarterCylinder, rows, cols, size);
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
    // z = (x^2 - y^2) / 2 over [-1, 1]^2: too curved for any flattening.
    auto saddle = paperfix::MappedGrid(16, 16, 2.0, 2.0, [](double x, double y) {
        return CVector3{x - 1.0, y - 1.0, ((x - 1.0) * (x - 1.0) - (y - 1.0) * (y - 1.0)) / 2.0};
    });
    for (auto* model : {SheetModel(SheetShape::Saddle, 8, 8, 100.0).release(),
                        testmesh::Cube().release(), saddle.release()}) {
        std::unique_ptr<CPolyModel> m(model);
        testmesh::Build(*m);
        AssignPaper(*m);
        EXPECT_FALSE(m->paperInfo.has);
        EXPECT_TRUE(m->paper.empty());
        EXPECT_GT(m->paperInfo.maxAngleDefect, 0.01);
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
    // A cube corner misses 90 degrees: the message says so, and no
    // flattening was tried for it.
    auto cube = testmesh::Cube();
    testmesh::Build(*cube);
    RecordingProgress progress;
    AssignPaper(*cube, &progress);
    EXPECT_TRUE(progress.texts.empty());
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

// Paper and surface area of a model with paper.
void Areas(const CPolyModel& m, double& paper, double& form)
{
    paper = form = 0.0;
    const auto& faces = m.objects[0]->faces;
    for (size_t f = 0; f < faces.size(); ++f) {
        paper +=
            std::fabs(paperfix::PaperArea(m.paper[3 * f], m.paper[3 * f + 1], m.paper[3 * f + 2]));
        const CVector3& p0 = faces[f]->corners[0]->vertex->pos;
        form += 0.5 * (faces[f]->corners[1]->vertex->pos - p0)
                          .Cross(faces[f]->corners[2]->vertex->pos - p0)
                          .Length();
    }
}

std::unique_ptr<CPolyModel> Built(std::unique_ptr<CPolyModel> m)
{
    testmesh::Build(*m);
    return m;
}

// Reverses every `every`-th face from `first` on.
void ReverseFaces(CPolyModel& m, size_t first, size_t every)
{
    for (size_t f = first; f < m.objects[0]->faces.size(); f += every)
        m.objects[0]->faces[f]->corners.Reverse();
}

TEST(PaperLayout, NearDevelopableSurfacesFlattenWithLittleStrain)
{
    // A jittered 200 x 120 grid bent a quarter turn round a cylinder: its
    // cells are not planar, so it is developable only within rounding.
    SheetLayout layout;
    SheetCellsFor(200.0, 120.0, 40, layout.rows, layout.cols);
    layout.size = 200.0;
    layout.height = 120.0;
    layout.jittered = true;
    const double radius = 200.0 / (kPi / 2.0);
    auto jittered = [&] {
        return Built(paperfix::MappedGrid(
            layout.rows, layout.cols, layout.cols, layout.rows, [&](double x, double y) {
                const CVector3 p = SheetPoint(layout, static_cast<int>(std::lround(y)),
                                              static_cast<int>(std::lround(x)));
                return CVector3{radius * std::sin(p.x / radius), p.y,
                                radius * (1.0 - std::cos(p.x / radius))};
            }));
    };
    auto m = jittered();
    ASSERT_TRUE(AssignPaper(*m));
    ASSERT_TRUE(m->paperInfo.has) << m->paperInfo.whyNot;
    EXPECT_GT(m->paperInfo.maxAngleDefect, 0.01);
    EXPECT_LT(m->paperInfo.strainMax, kStrainUnnoticed);
    EXPECT_LE(m->paperInfo.strainMean, m->paperInfo.strainMax);
    EXPECT_EQ(m->paperInfo.pieces, 1);
    double paper = 0.0, form = 0.0;
    Areas(*m, paper, form);
    EXPECT_LT(Relative(paper, form), 1e-3);
    EXPECT_NEAR(m->paperInfo.width, 200.0, 1.0);
    EXPECT_NEAR(m->paperInfo.height, 120.0, 1.0);

    // The flattening shows progress and stops when cancelled, leaving no paper.
    auto again = jittered();
    RecordingProgress cancel(0);
    EXPECT_FALSE(AssignPaper(*again, &cancel));
    EXPECT_FALSE(again->paperInfo.has);
    EXPECT_TRUE(again->paper.empty());
    EXPECT_EQ(cancel.begins, cancel.ends);
}

TEST(PaperLayout, FacesJoinWhateverTheirWinding)
{
    // A hinge of two triangles, one wound the other way: one piece.
    auto hinge = paperfix::MappedGrid(1, 1, 10.0, 10.0, [](double x, double y) {
        return CVector3{x, y, 0.05 * x * y};
    });
    ReverseFaces(*hinge, 1, 2);
    testmesh::Build(*hinge);
    AssignPaper(*hinge);
    EXPECT_EQ(hinge->paperInfo.pieces, 1);

    // A cylinder sheet with every 7th face reversed opens as the whole sheet.
    auto plain = Built(SheetModel(SheetShape::QuarterCylinder, 6, 12, 120.0));
    auto mixed = SheetModel(SheetShape::QuarterCylinder, 6, 12, 120.0);
    ReverseFaces(*mixed, 3, 7); // the first face, where the unfolding starts, as it was
    testmesh::Build(*mixed);
    AssignPaper(*plain);
    AssignPaper(*mixed);
    ASSERT_TRUE(mixed->paperInfo.has);
    EXPECT_EQ(mixed->paperInfo.pieces, 1);
    EXPECT_NEAR(mixed->paperInfo.width, plain->paperInfo.width, 1e-9);
    EXPECT_NEAR(mixed->paperInfo.height, plain->paperInfo.height, 1e-9);

    // Three fins on one edge: the edge is cut, each fin its own piece.
    auto fins = std::make_unique<CPolyModel>();
    CPolyObject* o = fins->AddObject();
    for (const CVector3& tip : {CVector3{5, 5, 0}, CVector3{5, -3, 4}, CVector3{5, -3, -4}})
        testmesh::AddFace(o, {{0, 0, 0}, {10, 0, 0}, tip});
    testmesh::Build(*fins);
    AssignPaper(*fins);
    EXPECT_EQ(fins->paperInfo.pieces, 3);

    // A Moebius band cannot be oriented: it is cut once and lies flat.
    auto band = std::make_unique<CPolyModel>();
    CPolyObject* b = band->AddObject();
    const int segments = 24;
    std::vector<CPolyVertex*> side[2];
    for (int i = 0; i < segments; ++i) {
        const double a = 2.0 * kPi * i / segments;
        const CVector3 radial{std::cos(a), std::sin(a), 0.0};
        const CVector3 across = radial * std::cos(a / 2.0) + CVector3{0, 0, std::sin(a / 2.0)};
        for (int k = 0; k < 2; ++k)
            side[k].push_back(b->AddVertex(radial * 40.0 + across * (k ? 5.0 : -5.0)));
    }
    for (int i = 0; i < segments; ++i) {
        const int j = (i + 1) % segments;
        const bool last = j == 0; // the band comes back turned over
        CPolyVertex* a0 = side[0][i];
        CPolyVertex* a1 = side[1][i];
        CPolyVertex* b0 = side[last ? 1 : 0][j];
        CPolyVertex* b1 = side[last ? 0 : 1][j];
        testmesh::AddFaceOn(b, {a0, b0, b1});
        testmesh::AddFaceOn(b, {a0, b1, a1});
    }
    testmesh::Build(*band);
    AssignPaper(*band);
    ASSERT_TRUE(band->paperInfo.has) << band->paperInfo.whyNot;
    EXPECT_LT(band->paperInfo.strainMax, 1e-9);
}

TEST(PaperLayout, FlatModelsAreTheirOwnPaperOnlyWhenNothingIsTurnedOver)
{
    // A 90 x 50 sheet folded flat along x = 60: it opens to the whole sheet.
    auto folded = paperfix::MappedGrid(2, 5, 5.0, 2.0, [](double x, double y) {
        const double at[6] = {0.0, 20.0, 40.0, 60.0, 75.0, 90.0};
        const double u = at[std::lround(x)];
        return paperfix::HingeAt(u, 25.0 * y, 60.0, 180.0);
    });
    testmesh::Build(*folded);
    AssignPaper(*folded);
    ASSERT_TRUE(folded->paperInfo.has) << folded->paperInfo.whyNot;
    EXPECT_EQ(folded->paperInfo.pieces, 1);
    EXPECT_NEAR(folded->paperInfo.width, 90.0, 1e-9);
    EXPECT_NEAR(folded->paperInfo.height, 50.0, 1e-9);

    // Two layers lying on one another go side by side.
    auto stacked = testmesh::Grid(1, 1, 10.0, 10.0);
    testmesh::AddFace(stacked->objects[0].get(), {{5, 5, 0}, {15, 5, 0}, {15, 15, 0}});
    testmesh::Build(*stacked);
    AssignPaper(*stacked);
    EXPECT_EQ(stacked->paperInfo.pieces, 2);
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    FindPaperOverlaps(stacked->paper, {}, pairs);
    EXPECT_TRUE(pairs.empty());

    // A tilted A4 sheet reads as A4, on its smallest rectangle.
    auto tilted = paperfix::MappedGrid(4, 3, 210.0, 297.0, [](double x, double y) {
        return CVector3{0.48 * x - 0.8 * y, 0.64 * x + 0.6 * y, 0.6 * x + 7.0};
    });
    testmesh::Build(*tilted);
    AssignPaper(*tilted);
    const double small = std::min(tilted->paperInfo.width, tilted->paperInfo.height);
    const double large = std::max(tilted->paperInfo.width, tilted->paperInfo.height);
    EXPECT_NEAR(small, 210.0, 1e-6);
    EXPECT_NEAR(large, 297.0, 1e-6);
}

TEST(PaperLayout, SelfOverlappingUnfoldingsAreSplit)
{
    // A two-turn ramp: the tangent surface of a helix, planar between
    // consecutive tangents, whose paper winds twice round a circle.
    const int segments = 48;
    std::vector<CVector3> helix;
    for (int i = 0; i <= segments + 1; ++i) {
        const double t = 4.0 * kPi * i / segments;
        helix.push_back({30.0 * std::cos(t), 30.0 * std::sin(t), 3.0 * t});
    }
    auto ramp = std::make_unique<CPolyModel>();
    CPolyObject* o = ramp->AddObject();
    std::vector<CPolyVertex*> near, far;
    for (int i = 0; i <= segments; ++i) {
        CVector3 u = helix[i + 1] - helix[i];
        u.Normalize();
        near.push_back(o->AddVertex(helix[i] + u * 10.0));
        far.push_back(o->AddVertex(helix[i] + u * 25.0));
    }
    for (int i = 0; i < segments; ++i) {
        testmesh::AddFaceOn(o, {near[i], far[i], far[i + 1]});
        testmesh::AddFaceOn(o, {near[i], far[i + 1], near[i + 1]});
    }
    testmesh::Build(*ramp);
    AssignPaper(*ramp);
    ASSERT_TRUE(ramp->paperInfo.has) << ramp->paperInfo.whyNot;
    EXPECT_TRUE(ramp->paperInfo.split);
    EXPECT_GE(ramp->paperInfo.pieces, 2);
    EXPECT_LT(ramp->paperInfo.strainMax, 1e-9);
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    FindPaperOverlaps(ramp->paper, {}, pairs);
    EXPECT_TRUE(pairs.empty());
}

TEST(PaperLayout, PiecesJoinAcrossEdgesAtTheirRecordsWhenAsked)
{
    // A bowtie: two faces that share one corner are two pieces.
    auto bowtie = std::make_unique<CPolyModel>();
    CPolyObject* o = bowtie->AddObject();
    testmesh::AddFace(o, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
    testmesh::AddFace(o, {{0, 0, 0}, {-10, 0, 5}, {-10, -10, 5}});
    testmesh::Build(*bowtie);
    AssignPaper(*bowtie);
    EXPECT_EQ(bowtie->paperInfo.pieces, 2);

    // Two faces on distinct records at one position: joined by position,
    // apart when the records say so.
    for (const bool records : {false, true}) {
        auto strip = testmesh::Strip();
        strip->paperFromRecords = records;
        testmesh::Build(*strip);
        AssignPaper(*strip);
        EXPECT_EQ(strip->paperInfo.pieces, records ? 2 : 1);
    }
}

} // namespace
