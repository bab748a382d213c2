#include "model/CSlicePlane.h"
#include "model/PolyModel.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(SlicePlane, NewPlaneOfAxisOneClassifiesWithTolerance)
{
    CSlicePlane p(1);
    EXPECT_EQ(p.ClassifyPoint({0, 0.00005, 0}), 0);
    EXPECT_EQ(p.ClassifyPoint({0, 0.0002, 0}), 1);
    EXPECT_EQ(p.ClassifyPoint({0, -0.0002, 0}), -1);
    EXPECT_EQ(p.corners[0], (CVector3{-1, 0, 1}));
    EXPECT_EQ(p.corners[2], (CVector3{1, 0, -1}));
    EXPECT_EQ(p.minU, 1.7976931348623157e308);
    EXPECT_EQ(p.maxV, -1.7976931348623157e308);
    EXPECT_EQ(p.paddedWidth, 0.0);
}

TEST(SlicePlane, BisectorIsNormalizedAsFourVector)
{
    CSlicePlane p(1);
    p.SetBisector({0, 0, 0}, {0, 0, 2});
    const double r = 1.0 / std::sqrt(2.0);
    EXPECT_EQ(p.a, 0.0);
    EXPECT_EQ(p.b, 0.0);
    EXPECT_DOUBLE_EQ(p.c, -r);
    EXPECT_DOUBLE_EQ(p.d, r);
    const CVector3 m = p.ReflectPoint({0, 0, 0});
    EXPECT_NEAR(m.z, 2.0, 1e-15);
    EXPECT_EQ(m.x, 0.0);
    // The band is measured on the stored coefficients: 0.00014 away still counts as on it.
    EXPECT_EQ(p.ClassifyPoint({0, 0, 0.99986}), 0);
    EXPECT_NE(p.ClassifyPoint({0, 0, 0.9998}), 0);
}

TEST(SlicePlane, LargeOffsetWidensTheBand)
{
    CSlicePlane p(1);
    // Bisector x = 3 before normalisation: d' = -3, stored length 1/sqrt(10).
    p.SetBisector({2, 0, 0}, {4, 0, 0});
    const double band = 0.0001 * std::sqrt(10.0);
    EXPECT_EQ(p.ClassifyPoint({3 + band * 0.99, 0, 0}), 0);
    EXPECT_NE(p.ClassifyPoint({3 + band * 1.01, 0, 0}), 0);
}

TEST(SlicePlane, ReflectionOfPointOnPlaneIsUnchangedAndOffPlaneMirrors)
{
    CSlicePlane p(0);
    EXPECT_EQ(p.ReflectPoint({0, 0.5, 0.25}), (CVector3{0, 0.5, 0.25}));
    EXPECT_EQ(p.ReflectPoint({0.5, 1, 2}), (CVector3{-0.5, 1, 2}));
    EXPECT_EQ(p.ReflectPoint({-0.5, 1, 2}), (CVector3{0.5, 1, 2}));
    CPolyVertex v({0.25, 0, 0});
    p.ReflectVertex(&v);
    EXPECT_EQ(v.pos, (CVector3{-0.25, 0, 0}));
}

TEST(SlicePlane, UpdateFromCornersOnAxisZeroPreset)
{
    CSlicePlane p(0);
    p.UpdateFromCorners();
    EXPECT_EQ(p.a, -1.0);
    EXPECT_EQ(p.b, 0.0);
    EXPECT_EQ(p.c, 0.0);
    EXPECT_EQ(p.d, 0.0);
    EXPECT_EQ(p.origin, (CVector3{0, -1, 1}));
    EXPECT_EQ(p.uAxis, (CVector3{0, 0, -1}));
    EXPECT_EQ(p.vAxis, (CVector3{0, 1, 0}));
}

TEST(SlicePlane, UnknownAxisIsOnlyStored)
{
    CSlicePlane p(1);
    p.SetAxis(7);
    EXPECT_EQ(p.axisType, 7);
    EXPECT_EQ(p.b, 1.0);
}

TEST(SlicePlane, Normalize4)
{
    CSlicePlane p(1);
    p.a = 1, p.b = 2, p.c = 2, p.d = 4;
    p.Normalize4();
    EXPECT_DOUBLE_EQ(p.a, 0.2);
    EXPECT_DOUBLE_EQ(p.d, 0.8);
}
