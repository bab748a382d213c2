#include "model/Geometry.h"

double Distance3D(double x1, double y1, double z1, double x2, double y2, double z2)
{
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    const double dz = z1 - z2;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double Distance2D(double x1, double y1, double x2, double y2)
{
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

int32_t SquaredDistanceInt(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // Wrap-around instead of signed overflow for absurd coordinates.
    const uint32_t dx = static_cast<uint32_t>(x1) - static_cast<uint32_t>(x2);
    const uint32_t dy = static_cast<uint32_t>(y1) - static_cast<uint32_t>(y2);
    return static_cast<int32_t>(dx * dx + dy * dy);
}

double TriangleArea(double a, double b, double c)
{
    const double s = (a + b + c) / 2.0;
    return std::sqrt(s * (s - a) * (s - b) * (s - c));
}

double PointSegmentDistance2D(double ax, double ay, double bx, double by, double px, double py)
{
    const double lenSq = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
    if (lenSq == 0.0)
        return Distance2D(px, py, ax, ay); // a point segment: 0/0 would give NaN
    const double t = ((px - ax) * (bx - ax) + (py - ay) * (by - ay)) / lenSq;
    if (t < 0.0)
        return Distance2D(px, py, ax, ay);
    if (t > 1.0)
        return Distance2D(px, py, bx, by);
    return Distance2D(px, py, ax + t * (bx - ax), ay + t * (by - ay));
}
