#include "simulate/Hinge.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

double HingeAngleOnly(const CVector3& xa, const CVector3& xb, const CVector3& xc,
                      const CVector3& xd)
{
    const CVector3 e = xb - xa;
    const CVector3 n1 = e.Cross(xc - xa);
    const CVector3 n2 = (xa - xb).Cross(xd - xb);
    const double len = e.Length();
    if (!(len > 0.0))
        return 0.0;
    return std::atan2(n2.Cross(n1).Dot(e) / len, n1.Dot(n2));
}

CHingeAngle HingeAngleOf(const CVector3& xa, const CVector3& xb, const CVector3& xc,
                         const CVector3& xd)
{
    CHingeAngle h;
    const CVector3 e = xb - xa;
    const CVector3 n1 = e.Cross(xc - xa);
    const CVector3 n2 = (xa - xb).Cross(xd - xb);
    const double len2 = e.Dot(e);
    const double q1 = n1.Dot(n1), q2 = n2.Dot(n2);
    if (!(len2 > 0.0) || !(q1 > 0.0) || !(q2 > 0.0))
        return h;
    const double len = std::sqrt(len2);
    h.angle = std::atan2(n2.Cross(n1).Dot(e) / len, n1.Dot(n2));
    // Moving a wing corner along its triangle's normal turns that triangle
    // about the hinge by the distance over its height (|n| / |e|).
    const CVector3 gc = n1 * (len / q1);
    const CVector3 gd = n2 * (len / q2);
    // The hinge's ends share the rest so that translations and rotations
    // leave the angle alone.
    const double sc = (xc - xa).Dot(e) / len2, sd = (xd - xa).Dot(e) / len2;
    h.grad[2] = gc;
    h.grad[3] = gd;
    h.grad[0] = gc * (sc - 1.0) + gd * (sd - 1.0);
    h.grad[1] = gc * (-sc) + gd * (-sd);
    h.valid = true;
    return h;
}

double UnwrapNear(double angle, double near)
{
    return angle + 2.0 * kPi * std::round((near - angle) / (2.0 * kPi));
}
