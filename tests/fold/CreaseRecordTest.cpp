// Creases as the fold steps record them, read off in the crease pattern.
#include "support/Meshes.h"

#include "design/DesignSession.h"
#include "paper/CreasePattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>

namespace {

// A 200 mm sheet of rows x cols cells, laid by place(u, v) (u, v in [0, 1]),
// with its paper, scaled into the unit cube.
std::unique_ptr<CPolyModel> Sheet(int rows, int cols, double height,
                                  CVector3 (*place)(double, double))
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    auto at = [&](int r, int c) { return CVector3{double(c) / cols, height * r / rows, 0.0}; };
    testmesh::ForEachGridTriangle(rows, cols, at, [&](CVector3 a, CVector3 b, CVector3 c) {
        testmesh::AddFace(o, {place(a.x, a.y), place(b.x, b.y), place(c.x, c.y)});
        for (const CVector3& p : {a, b, c})
            m->paper.push_back({200.0 * p.x, 200.0 * p.y});
    });
    testmesh::Build(*m);
    m->NormalizeToUnit();
    return m;
}

CVector3 Flat(double u, double v)
{
    return {u, v, 0.0};
}

// A quarter turn round a cylinder: exactly developable.
CVector3 Bent(double u, double v)
{
    const double a = u * std::numbers::pi / 2, r = 2.0 / std::numbers::pi;
    return {r * std::sin(a), v, r * (1.0 - std::cos(a))};
}

struct Designer {
    std::unique_ptr<CPolyModel> model;
    CDesignSession session;
    explicit Designer(std::unique_ptr<CPolyModel> m) : model(std::move(m))
    {
        session.AttachModel(model.get());
    }
    // --select P --drag (in `steps` moves) --fix, as the command line does it.
    void Fold(CVector3 p, CVector3 by, int steps = 3)
    {
        ASSERT_TRUE(session.SetHighlighted(NearestShapeCorner(*model, p)));
        ASSERT_TRUE(session.EndLeftClick());
        for (int i = 0; i < steps; ++i)
            session.DragBy(by * (1.0 / steps));
        session.EndLeftClick();
        ASSERT_TRUE(session.FixShape());
    }
    CCreasePattern Pattern() const
    {
        COriginFaces opened;
        BuildOriginFaces(*model, opened);
        CWorkingShape scratch;
        CCreasePattern p;
        BuildCreasePattern(model->CurrentShape(scratch), opened, p);
        return p;
    }
};

bool IsCrease(const CPatternEdge& e)
{
    return e.kind == CreaseKind::Mountain || e.kind == CreaseKind::Valley;
}

// The M and V edges as curves: each a simple path between two boundary
// vertices; the count of them, or -1 when they branch or close.
int CreaseCurves(const CCreasePattern& p)
{
    std::map<uint32_t, std::vector<uint32_t>> next;
    std::set<uint32_t> boundary;
    for (const CPatternEdge& e : p.edges) {
        if (IsCrease(e)) {
            next[e.a].push_back(e.b);
            next[e.b].push_back(e.a);
        } else if (e.kind == CreaseKind::Boundary) {
            boundary.insert(e.a);
            boundary.insert(e.b);
        }
    }
    int ends = 0;
    for (const auto& [v, n] : next) {
        if (n.size() > 2 || (n.size() == 1 && !boundary.count(v)))
            return -1;
        ends += n.size() == 1;
    }
    return ends / 2;
}

// Kinds of the creases along u = at (or v = at, give or take 0.05 mm), split by the other
// coordinate.
struct Along {
    int m = 0, v = 0;
};
Along CreasesAlong(const CCreasePattern& p, bool alongU, double at, double lo, double hi)
{
    Along a;
    for (const CPatternEdge& e : p.edges) {
        const CPaperPoint& x = p.vertices[e.a];
        const CPaperPoint& y = p.vertices[e.b];
        const double s0 = alongU ? x.u : x.v, s1 = alongU ? y.u : y.v;
        const double t = alongU ? (x.v + y.v) / 2 : (x.u + y.u) / 2;
        if (std::fabs(s0 - at) > 0.05 || std::fabs(s1 - at) > 0.05 || t < lo || t > hi)
            continue;
        a.m += e.kind == CreaseKind::Mountain;
        a.v += e.kind == CreaseKind::Valley;
    }
    return a;
}

// The square folded over at u = 123 mm, then both layers up at v = 85 mm.
void FoldSquareTwice(Designer& d, bool behind)
{
    d.session.SetFoldFlatBehind(behind);
    d.Fold({0.5, 0.5, 0}, {-0.54, 0, 0});
    d.Fold({-0.7, -0.5, 0}, {0, 0.7, 0});
}

TEST(CreaseRecord, SquareFoldedTwiceFoldsByHand)
{
    for (const bool behind : {false, true}) {
        SCOPED_TRACE(behind);
        Designer d(Sheet(20, 20, 1.0, Flat));
        FoldSquareTwice(d, behind);
        ASSERT_FALSE(HasFatalFailure());
        const CCreasePattern p = d.Pattern();
        const Along first = CreasesAlong(p, true, 123.0, 0.0, 200.0);
        const Along flat = CreasesAlong(p, false, 85.0, 0.0, 123.0);
        const Along turned = CreasesAlong(p, false, 85.0, 123.0, 200.0);
        EXPECT_GT(first.m + first.v, 10);
        EXPECT_EQ(behind ? first.v : first.m, 0);
        EXPECT_GT(flat.m + flat.v, 5);
        EXPECT_EQ(behind ? flat.v : flat.m, 0);
        EXPECT_GT(turned.m + turned.v, 3);
        EXPECT_EQ(behind ? turned.m : turned.v, 0);
        // Nothing else is a crease, and Maekawa's count holds where they meet.
        int creases = 0;
        std::map<uint32_t, int> balance, degree;
        for (const CPatternEdge& e : p.edges)
            if (IsCrease(e)) {
                ++creases;
                for (uint32_t v : {e.a, e.b}) {
                    balance[v] += e.kind == CreaseKind::Mountain ? 1 : -1;
                    ++degree[v];
                }
            }
        EXPECT_EQ(creases, first.m + first.v + flat.m + flat.v + turned.m + turned.v);
        int crossings = 0;
        for (const auto& [v, n] : degree)
            if (n > 2) {
                ++crossings;
                EXPECT_EQ(std::abs(balance[v]), 2);
            }
        EXPECT_EQ(crossings, 1);
        // The packed states keep the records: Undo gives the fixed shape back,
        // then the one before the second fold; Redo both again.
        ASSERT_TRUE(d.session.Undo());
        const Along packed = CreasesAlong(d.Pattern(), false, 85.0, 123.0, 200.0);
        EXPECT_EQ(packed.m, turned.m);
        EXPECT_EQ(packed.v, turned.v);
        ASSERT_TRUE(d.session.Undo());
        const Along before = CreasesAlong(d.Pattern(), false, 85.0, 0.0, 200.0);
        EXPECT_EQ(before.m + before.v, 0);
        const Along firstOnly = CreasesAlong(d.Pattern(), true, 123.0, 0.0, 200.0);
        EXPECT_EQ(behind ? firstOnly.v : firstOnly.m, 0);
        EXPECT_GT(firstOnly.m + firstOnly.v, 10);
        ASSERT_TRUE(d.session.Redo());
        ASSERT_TRUE(d.session.Redo());
        const Along again = CreasesAlong(d.Pattern(), false, 85.0, 123.0, 200.0);
        EXPECT_EQ(again.m, turned.m);
        EXPECT_EQ(again.v, turned.v);
    }
}

TEST(CreaseRecord, DiagonalFlatFoldIsOneCreaseOfOneKind)
{
    Designer d(Sheet(20, 20, 1.0, Flat));
    ASSERT_TRUE(d.session.SetHighlighted(NearestShapeCorner(*d.model, {1, 1, 0})));
    ASSERT_TRUE(d.session.EndLeftClick());
    for (int i = 0; i < 3; ++i)
        d.session.DragBy({-0.8 / 3, 0, 0});
    for (int i = 0; i < 3; ++i)
        d.session.DragBy({0, -0.8 / 3, 0});
    ASSERT_TRUE(d.session.FixShape());
    const CCreasePattern p = d.Pattern();
    int m = 0, v = 0;
    for (const CPatternEdge& e : p.edges) {
        m += e.kind == CreaseKind::Mountain;
        v += e.kind == CreaseKind::Valley;
    }
    EXPECT_GT(m + v, 5);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(CreaseCurves(p), 1);
}

TEST(CreaseRecord, CurvedSheetShowsOnlyTheCreasesOfItsFolds)
{
    Designer d(Sheet(12, 24, 0.6, Bent));
    const CCreasePattern none = d.Pattern();
    EXPECT_EQ(CreaseCurves(none), 0);
    d.Fold({-1, -1, -1}, {0.5, 0.6, 0.4});
    ASSERT_FALSE(HasFatalFailure());
    const CCreasePattern one = d.Pattern();
    EXPECT_EQ(CreaseCurves(one), 1);
    // Bends carry their angle apart, creases none.
    bool bends = false;
    for (const CPatternEdge& e : one.edges) {
        if (e.kind == CreaseKind::Flat) {
            EXPECT_EQ(e.foldAngle, 0.0);
        }
        bends |= std::fabs(e.bendAngle) > 1.0;
    }
    EXPECT_TRUE(bends);
    d.Fold({1, 1, 1}, {-0.4, -0.3, -0.5});
    EXPECT_EQ(CreaseCurves(d.Pattern()), 2);
}

} // namespace
