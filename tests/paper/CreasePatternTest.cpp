#include "paper/CreasePattern.h"

#include "paper/PaperFixtures.h"
#include "paper/PaperLayout.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(const CCreasePattern& p, const CPatternEdge& e)
{
    const CPaperPoint& a = p.vertices[e.a];
    const CPaperPoint& b = p.vertices[e.b];
    return std::hypot(b.u - a.u, b.v - a.v);
}

struct Tally {
    int count[4] = {};
    double length[4] = {};
};

Tally Count(const CCreasePattern& p)
{
    Tally t;
    for (const CPatternEdge& e : p.edges) {
        ++t.count[static_cast<int>(e.kind)];
        t.length[static_cast<int>(e.kind)] += Length(p, e);
    }
    return t;
}

constexpr int B = static_cast<int>(CreaseKind::Boundary);
constexpr int M = static_cast<int>(CreaseKind::Mountain);
constexpr int V = static_cast<int>(CreaseKind::Valley);
constexpr int F = static_cast<int>(CreaseKind::Flat);

using paperfix::MarkCreasesAt;

TEST(CreasePattern, OneHingeGivesOneCreaseOfTheRightSign)
{
    const CWorkingShape flat = paperfix::FlatSheet(4, 6, 3.0, 2.0);
    COriginFaces opened;
    BuildOriginFaces(flat, opened);
    for (const double degrees : {30.0, -30.0, 120.0, -175.0}) {
        SCOPED_TRACE(degrees);
        CWorkingShape form = flat;
        paperfix::Refold(form,
                         [&](double x, double y) { return paperfix::HingeAt(x, y, 1.5, degrees); });
        MarkCreasesAt(form, 1.5);
        CCreasePattern p;
        BuildCreasePattern(form, opened, p);
        EXPECT_EQ(p.vertices.size(), 5u * 7u);
        EXPECT_EQ(p.FaceCount(), 48u);
        const Tally t = Count(p);
        const int crease = degrees > 0 ? V : M;
        EXPECT_EQ(t.count[crease], 4);
        EXPECT_NEAR(t.length[crease], 2.0, 1e-12); // as long as the sheet is tall
        EXPECT_EQ(t.count[degrees > 0 ? M : V], 0);
        EXPECT_NEAR(t.length[B], 10.0, 1e-12);
        for (const CPatternEdge& e : p.edges) {
            if (e.kind == CreaseKind::Valley || e.kind == CreaseKind::Mountain) {
                EXPECT_NEAR(e.foldAngle, degrees, 1e-9);
                EXPECT_NEAR(p.vertices[e.a].u, 1.5, 1e-12);
                EXPECT_NEAR(p.vertices[e.b].u, 1.5, 1e-12);
            } else if (e.kind == CreaseKind::Flat) {
                EXPECT_NEAR(e.foldAngle, 0.0, 1e-9);
            }
        }
        // Faces counter-clockwise on the paper.
        for (size_t f = 0; f < p.FaceCount(); ++f)
            EXPECT_GT(paperfix::PaperArea(p.vertices[p.faces[3 * f]],
                                          p.vertices[p.faces[3 * f + 1]],
                                          p.vertices[p.faces[3 * f + 2]]),
                      0.0);
    }
}

TEST(CreasePattern, TheOpenedModelsOwnBendIsNoCrease)
{
    // A bent sheet as opened: every edge has a fold angle, none is a design crease.
    auto bend = [](double x, double y) {
        return CVector3{20.0 * std::sin(x / 20.0), y, 20.0 * (1.0 - std::cos(x / 20.0))};
    };
    auto model = paperfix::MappedGrid(3, 8, 40.0, 10.0, bend);
    testmesh::Build(*model);
    AssignPaper(*model);
    ASSERT_TRUE(model->paperInfo.has);
    COriginFaces opened;
    BuildOriginFaces(*model, opened);
    CWorkingShape scratch;
    const CWorkingShape& shape = model->CurrentShape(scratch);
    CCreasePattern p;
    BuildCreasePattern(shape, opened, p);
    const Tally t = Count(p);
    EXPECT_EQ(t.count[V] + t.count[M], 0);
    EXPECT_GT(t.count[F], 0);
    double largest = 0.0;
    for (const CPatternEdge& e : p.edges) {
        EXPECT_NEAR(e.designAngle, 0.0, 1e-9);
        EXPECT_EQ(e.foldAngle, 0.0);
        largest = std::max(largest, std::fabs(e.bendAngle));
    }
    EXPECT_GT(largest, 5.0); // the bend is there, as a bend

    // Hinging that bent sheet further about its middle grid line (x = 20 before
    // bending, u = w / 2 on the paper) adds exactly that crease.
    CWorkingShape form = shape;
    const double w = model->paperInfo.width;
    const CVector3 hinge = bend(20.0, 0.0);
    const double ca = std::cos(40.0 * kPi / 180.0), sa = std::sin(40.0 * kPi / 180.0);
    for (size_t c = 0; c < form.CornerCount(); ++c) {
        if (form.corner[c].paper.u > w / 2 + 1e-9) { // up, towards the sheet's front
            const CVector3 d = form.pos[c] - hinge;
            form.pos[c] = hinge + CVector3{d.x * ca - d.z * sa, d.y, d.x * sa + d.z * ca};
        }
    }
    for (size_t t2 = 0; t2 < form.TriangleCount(); ++t2)
        form.UpdatePlane(t2);
    MarkCreasesAt(form, w / 2);
    BuildCreasePattern(form, opened, p);
    const Tally folded = Count(p);
    EXPECT_EQ(folded.count[V], 3);
    EXPECT_NEAR(folded.length[V], 10.0, 1e-9);
    for (const CPatternEdge& e : p.edges) {
        if (e.kind == CreaseKind::Valley) {
            EXPECT_NEAR(e.designAngle, 40.0, 1e-6);
        }
    }
}

// The literal reading: weld by comparing every pair, edges in a map, the
// angle from which side of one face the other's far corner lies on.
struct LiteralEdge {
    char kind;
    double angle;
};
std::map<std::pair<int, int>, LiteralEdge> LiteralPattern(const CWorkingShape& form, double tol,
                                                          std::vector<CPaperPoint>& points)
{
    std::vector<int> id(form.CornerCount());
    points.clear();
    for (size_t c = 0; c < form.CornerCount(); ++c) {
        const CPaperPoint& q = form.corner[c].paper;
        id[c] = -1;
        for (size_t k = 0; k < points.size() && id[c] < 0; ++k)
            if (std::fabs(points[k].u - q.u) <= tol && std::fabs(points[k].v - q.v) <= tol)
                id[c] = static_cast<int>(k);
        if (id[c] < 0) {
            id[c] = static_cast<int>(points.size());
            points.push_back(q);
        }
    }
    std::map<std::pair<int, int>, std::vector<std::pair<size_t, int>>>
        sides; // (triangle, far corner)
    for (size_t t = 0; t < form.TriangleCount(); ++t)
        for (int j = 0; j < 3; ++j) {
            const int a = id[3 * t + j], b = id[3 * t + (j + 1) % 3];
            sides[{std::min(a, b), std::max(a, b)}].push_back({t, (j + 2) % 3});
        }
    std::map<std::pair<int, int>, LiteralEdge> out;
    for (const auto& [key, s] : sides) {
        if (s.size() == 1) {
            out[key] = {'B', 0.0};
            continue;
        }
        const size_t f = s[0].first, g = s[1].first;
        auto front = [&](size_t t) {
            const CPaperPoint& a = form.corner[3 * t].paper;
            const CPaperPoint& b = form.corner[3 * t + 1].paper;
            const CPaperPoint& c = form.corner[3 * t + 2].paper;
            const double area = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
            return form.tri[t].normal * (area > 0 ? 1.0 : -1.0);
        };
        const CVector3 nf = front(f), ng = front(g);
        const double angle = std::acos(std::clamp(nf.Dot(ng), -1.0, 1.0)) * 180.0 / kPi;
        const CVector3 far = form.pos[3 * g + s[1].second] - form.pos[3 * f + s[0].second];
        const double sign = far.Dot(nf) > 0 ? 1.0 : -1.0; // in front of f: the faces close up
        // No fold step recorded a crease here: every inner edge is a bend.
        out[key] = {'F', sign * angle};
    }
    return out;
}

TEST(CreasePattern, MatchesTheLiteralReadingOnRandomCorrugations)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> turn(-150.0, 150.0);
    const CWorkingShape flat = paperfix::FlatSheet(5, 8, 8.0, 5.0);
    const COriginFaces none; // origins unknown: the design angle is the fold angle
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // Hinges at x = 1 .. 7, each turning the rest by a random angle (some near zero).
        double angles[8];
        for (double& a : angles)
            a = rng() % 4 == 0 ? 0.2 : turn(rng);
        CWorkingShape form = flat;
        paperfix::Refold(form, [&](double x, double y) {
            CVector3 p{0, y, 0};
            double heading = 0.0;
            for (int k = 0; k < 8; ++k) {
                const double step = std::clamp(x - k, 0.0, 1.0);
                p = p + CVector3{step * std::cos(heading), 0.0, step * std::sin(heading)};
                heading += angles[k] * kPi / 180.0;
            }
            return p;
        });
        // Shuffle the triangles and wind some of them the other way.
        CWorkingShape mixed;
        std::vector<size_t> order(form.TriangleCount());
        for (size_t t = 0; t < order.size(); ++t)
            order[t] = t;
        std::shuffle(order.begin(), order.end(), rng);
        for (const size_t t : order) {
            int j[3] = {0, 1, 2};
            if (rng() % 2)
                std::swap(j[1], j[2]);
            mixed.Append(form.Pos(t, j[0]), form.Pos(t, j[1]), form.Pos(t, j[2]),
                         form.corner[3 * t + j[0]], form.corner[3 * t + j[1]],
                         form.corner[3 * t + j[2]], -1);
        }
        CCreasePattern p;
        BuildCreasePattern(mixed, none, p);
        std::vector<CPaperPoint> points;
        const auto literal = LiteralPattern(mixed, 1e-9 * std::hypot(8.0, 5.0), points);
        ASSERT_EQ(p.vertices.size(), points.size());
        ASSERT_EQ(p.edges.size(), literal.size());
        for (const CPatternEdge& e : p.edges) {
            // Match by paper points: the two weldings may number vertices differently.
            auto find = [&](const CPaperPoint& q) {
                for (size_t k = 0; k < points.size(); ++k)
                    if (points[k] == q)
                        return static_cast<int>(k);
                return -1;
            };
            const int a = find(p.vertices[e.a]), b = find(p.vertices[e.b]);
            const auto it = literal.find({std::min(a, b), std::max(a, b)});
            ASSERT_NE(it, literal.end());
            EXPECT_EQ(AssignmentLetter(e.kind), it->second.kind);
            EXPECT_NEAR(e.bendAngle, it->second.angle, 1e-6);
        }
    }
}

TEST(CreasePattern, WeldsOnlyWithinTheTolerance)
{
    CWorkingShape mesh = paperfix::FlatSheet(1, 2, 2.0, 1.0);
    CCreasePattern p;
    const COriginFaces none;
    BuildCreasePattern(mesh, none, p);
    EXPECT_EQ(p.vertices.size(), 6u);
    const size_t interior =
        std::count_if(p.edges.begin(), p.edges.end(),
                      [](const CPatternEdge& e) { return e.kind != CreaseKind::Boundary; });
    // A crossing point computed from either side differs in the last bits: still one vertex.
    for (CCornerData& c : mesh.corner)
        if (c.paper.u == 1.0)
            c.paper.u = std::nextafter(1.0, 2.0) + (c.paper.v > 0.5 ? 1e-13 : 0.0);
    BuildCreasePattern(mesh, none, p);
    EXPECT_EQ(p.vertices.size(), 6u);
    EXPECT_EQ(std::count_if(p.edges.begin(), p.edges.end(),
                            [](const CPatternEdge& e) { return e.kind != CreaseKind::Boundary; }),
              static_cast<long>(interior));
    // A real gap stays a cut.
    mesh.corner[0].paper.u += 1e-6;
    BuildCreasePattern(mesh, none, p);
    EXPECT_EQ(p.vertices.size(), 7u);
}

} // namespace
