#include "model/Geometry.h"

#include <gtest/gtest.h>

TEST(Geometry, Distances)
{
    EXPECT_DOUBLE_EQ(Distance3D(0, 0, 0, 1, 2, 2), 3.0);
    EXPECT_DOUBLE_EQ(Distance2D(1, 1, 4, 5), 5.0);
    EXPECT_EQ(SquaredDistanceInt(10, 10, 13, 14), 25);
    EXPECT_EQ(SquaredDistanceInt(0, 0, -3, 0), 9);
}

TEST(Geometry, HeronArea)
{
    EXPECT_DOUBLE_EQ(TriangleArea(3, 4, 5), 6.0);
    EXPECT_EQ(TriangleArea(1, 1, 2), 0.0); // collinear sides give exactly zero
}

TEST(Geometry, PointSegmentDistanceClampsToEnds)
{
    EXPECT_DOUBLE_EQ(PointSegmentDistance2D(0, 0, 10, 0, -3, 4), 5.0);  // before a
    EXPECT_DOUBLE_EQ(PointSegmentDistance2D(0, 0, 10, 0, 13, -4), 5.0); // beyond b
    EXPECT_DOUBLE_EQ(PointSegmentDistance2D(0, 0, 10, 0, 5, 2), 2.0);   // alongside
    // A segment of zero length measures to its point instead of yielding NaN.
    EXPECT_DOUBLE_EQ(PointSegmentDistance2D(1, 1, 1, 1, 4, 5), 5.0);
}

TEST(Geometry, VectorNormalizeAndCross)
{
    CVector3 v{3, 0, 4};
    v.Normalize();
    EXPECT_DOUBLE_EQ(v.x, 0.6);
    EXPECT_DOUBLE_EQ(v.z, 0.8);
    const CVector3 n = CVector3{1, 0, 0}.Cross({0, 1, 0});
    EXPECT_EQ(n, (CVector3{0, 0, 1}));
}
