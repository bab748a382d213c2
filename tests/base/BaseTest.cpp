// The shared pieces below the model: half-edge pairing, disjoint sets, file
// names and typed numbers.
#include "base/FileNames.h"
#include "base/HalfEdges.h"
#include "base/ParseNumber.h"
#include "base/UnionFind.h"

#include <gtest/gtest.h>

#include <vector>

TEST(HalfEdges, PairsOppositeRunsOnlyAndLowerNumbersFirst)
{
    // Triangles 0 and 1 share edge 1-2 the right way round; triangle 2 runs
    // along it as triangle 0 does, triangle 3 as triangle 1 does (a fin);
    // triangle 4 has two corners at one vertex.
    const std::vector<uint32_t> vertexOf = {0, 1, 2, 2, 1, 3, 1, 2, 4, 2, 1, 5, 6, 6, 7};
    std::vector<int32_t> twin;
    CHalfEdgeBuffers buffers;
    PairHalfEdges(vertexOf, 8, twin, buffers);
    EXPECT_EQ(twin[1], 3); // 1->2 of triangle 0 with 2->1 of triangle 1
    EXPECT_EQ(twin[3], 1);
    EXPECT_EQ(twin[6], 9); // the second pair on the same edge
    EXPECT_EQ(twin[9], 6);
    EXPECT_EQ(twin[0], -1);  // boundaries
    EXPECT_EQ(twin[12], -1); // 6->6 has no length

    // Grouped by edge: the four half-edges on 1-2 stand together, in order.
    std::vector<std::vector<uint32_t>> edges;
    ForEachEdge(vertexOf, buffers, [&](const uint32_t* first, const uint32_t* last) {
        edges.emplace_back(first, last);
    });
    ASSERT_EQ(edges.size(), 10u);
    EXPECT_EQ(edges[2], (std::vector<uint32_t>{1, 3, 6, 9})); // vertex 1's bucket: 1-2 first
}

TEST(UnionFind, SetsAreNumberedInTheOrderOfTheirSmallestMembers)
{
    CUnionFind sets(6);
    sets.Join(4, 1);
    sets.Join(5, 3);
    sets.Join(3, 4);
    sets.Join(2, 2);
    EXPECT_EQ(sets.Find(5), 1u);
    uint32_t count = 0;
    EXPECT_EQ(sets.TakeSetNumbers(count), (std::vector<uint32_t>{0, 1, 2, 1, 1, 1}));
    EXPECT_EQ(count, 3u);
}

TEST(FileNames, ExtensionOfTheNameInEitherCase)
{
    EXPECT_EQ(FileExtension("/a.b/model.OBJ"), ".obj");
    EXPECT_EQ(FileExtension("/a.b/model"), "");
    EXPECT_EQ(FileStem("dir/sheet.fold"), "sheet");
    EXPECT_TRUE(HasExtension("x/Pattern.SVG", ".svg"));
    EXPECT_FALSE(HasExtension("x.svg/pattern", ".svg"));
    EXPECT_FALSE(HasExtension("x.svgz", ".svg"));
}

TEST(ParseNumber, TheWholeTextAndNothingElse)
{
    double d = 7.0;
    EXPECT_TRUE(ParseNumber("-1.5e-3", d));
    EXPECT_EQ(d, -1.5e-3);
    for (const char* bad : {"", " 1", "1 ", "1,5", "nan", "inf", "1e999", "0x10", "+-1"}) {
        d = 7.0;
        EXPECT_FALSE(ParseNumber(bad, d)) << bad;
        EXPECT_EQ(d, 7.0) << bad;
    }
    int i = 0;
    EXPECT_TRUE(ParseInteger("42", 1, 42, i));
    EXPECT_EQ(i, 42);
    EXPECT_FALSE(ParseInteger("43", 1, 42, i));
    EXPECT_FALSE(ParseInteger("4.0", 1, 42, i));
    EXPECT_EQ(i, 42);
}
