#pragma once
// Small geometry values and helpers shared by every subsystem.

#include <cmath>
#include <cstdint>

struct CVector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    CVector3() = default;
    CVector3(double px, double py, double pz) : x(px), y(py), z(pz) {}

    CVector3 operator+(const CVector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    CVector3 operator-(const CVector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    CVector3 operator*(double s) const { return {x * s, y * s, z * s}; }
    bool operator==(const CVector3& o) const { return x == o.x && y == o.y && z == o.z; }

    double Dot(const CVector3& o) const { return x * o.x + y * o.y + z * o.z; }
    CVector3 Cross(const CVector3& o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    double Length() const { return std::sqrt(x * x + y * y + z * z); }
    // Divides by the length; a zero vector yields NaNs, as callers never pass one.
    void Normalize()
    {
        const double len = Length();
        x /= len;
        y /= len;
        z /= len;
    }
};

constexpr double kDoubleMax = 1.7976931348623157e308;

// The design's one tolerance, in model units (models are scaled into [-1, 1]^3):
// corners closer than this are one point, and a point whose plane value is
// smaller than this lies on the reflection plane.
constexpr double kDesignTolerance = 0.0001;

double Distance3D(double x1, double y1, double z1, double x2, double y2, double z2);
double Distance2D(double x1, double y1, double x2, double y2);
inline double Distance3D(const CVector3& a, const CVector3& b)
{
    return Distance3D(a.x, a.y, a.z, b.x, b.y, b.z);
}
// Squared pixel distance for screen picking.
int32_t SquaredDistanceInt(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Heron's formula on three side lengths. Rounding can make the radicand negative (NaN).
double TriangleArea(double a, double b, double c);
// Distance from p to the segment a-b; ends beyond the segment clamp to the nearer end.
double PointSegmentDistance2D(double ax, double ay, double bx, double by, double px, double py);
