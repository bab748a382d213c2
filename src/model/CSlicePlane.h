#pragma once
// The one plane record: the reflection plane of the design, and the plane of
// a slice read from a file (which also carries parts and intersection lines).

#include "model/Geometry.h"

#include <memory>
#include <vector>

struct CPolyVertex;
class Spart;
class IntersectionLine;

class CSlicePlane {
public:
    // Zeroes the equation and frame, presets the square by axis, empties the bounds.
    explicit CSlicePlane(int axis);
    virtual ~CSlicePlane();
    CSlicePlane(const CSlicePlane&) = delete;
    CSlicePlane& operator=(const CSlicePlane&) = delete;

    static constexpr double kHalfSize = 1.0;
    static constexpr double kOnPlaneTolerance = kDesignTolerance;

    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    CVector3 origin;
    CVector3 uAxis;
    CVector3 vAxis;
    CVector3 corners[4];
    std::vector<std::unique_ptr<Spart>> parts;
    std::vector<std::unique_ptr<IntersectionLine>> lines;
    int axisType = 0;
    double paddedWidth = 0.0;
    double paddedHeight = 0.0;
    double minU = kDoubleMax, minV = kDoubleMax;
    double maxU = -kDoubleMax, maxV = -kDoubleMax;

    // Presets equation and square for axis 0 (x), 1 (y) or 2 (z); other values
    // are only stored.
    void SetAxis(int axis);
    // Equation (unit normal), origin and frame from the square's corners.
    void UpdateFromCorners();
    // Scales (a, b, c, d) to unit length as a 4-vector.
    void Normalize4();
    // Perpendicular bisector of p and q, then Normalize4. p must differ from q.
    void SetBisector(const CVector3& p, const CVector3& q);
    // Stored-coefficient value a*x + b*y + c*z + d (no division by |(a,b,c)|).
    double Evaluate(const CVector3& x) const { return a * x.x + b * x.y + c * x.z + d; }
    // 0 when |Evaluate| < 0.0001, otherwise +1 or -1.
    int ClassifyPoint(const CVector3& x) const;
    CVector3 ReflectPoint(const CVector3& x) const;
    void ReflectVertex(CPolyVertex* v) const;

    // Slice content.
    // Bounds from every part vertex's (u, v); padded size = extent + 0.2.
    // With no part the bounds are the empty ones (+max, -max).
    void UpdatePartBounds();
    // Destroys the marked parts, keeping the order of the rest; recomputes
    // the bounds when a part remains, otherwise leaves them as they were.
    // Returns the number of parts destroyed.
    int RemoveMarkedParts();
};

// Space the net view leaves around a slice's parts on every side.
inline constexpr double kPartMargin = 0.1;

// Widens the slice's part bounds to take in the plane point (u, v).
void GrowPartBounds(CSlicePlane& slice, double u, double v);
// Padded size from the part bounds: their extent plus the margin on both sides.
void UpdatePaddedSize(CSlicePlane& slice);
