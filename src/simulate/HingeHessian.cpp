#include "simulate/HingeHessian.h"

#include <cmath>

namespace {

// A number with its derivatives along the 12 coordinates.
struct Dual {
    double v = 0.0;
    double d[12] = {};
};

Dual operator+(const Dual& a, const Dual& b)
{
    Dual r;
    r.v = a.v + b.v;
    for (int i = 0; i < 12; ++i)
        r.d[i] = a.d[i] + b.d[i];
    return r;
}
Dual operator-(const Dual& a, const Dual& b)
{
    Dual r;
    r.v = a.v - b.v;
    for (int i = 0; i < 12; ++i)
        r.d[i] = a.d[i] - b.d[i];
    return r;
}
Dual operator*(const Dual& a, const Dual& b)
{
    Dual r;
    r.v = a.v * b.v;
    for (int i = 0; i < 12; ++i)
        r.d[i] = a.d[i] * b.v + a.v * b.d[i];
    return r;
}
Dual operator/(const Dual& a, const Dual& b)
{
    Dual r;
    r.v = a.v / b.v;
    const double inv = 1.0 / b.v;
    for (int i = 0; i < 12; ++i)
        r.d[i] = (a.d[i] - r.v * b.d[i]) * inv;
    return r;
}
Dual Sqrt(const Dual& a)
{
    Dual r;
    r.v = std::sqrt(a.v);
    const double half = 0.5 / r.v;
    for (int i = 0; i < 12; ++i)
        r.d[i] = a.d[i] * half;
    return r;
}

struct DVec {
    Dual x, y, z;
};
DVec operator-(const DVec& a, const DVec& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
DVec operator+(const DVec& a, const DVec& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
DVec operator*(const DVec& a, const Dual& s)
{
    return {a.x * s, a.y * s, a.z * s};
}
Dual Dot(const DVec& a, const DVec& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
DVec Cross(const DVec& a, const DVec& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

DVec Seed(const CVector3& p, int corner)
{
    DVec r;
    r.x.v = p.x;
    r.y.v = p.y;
    r.z.v = p.z;
    r.x.d[3 * corner] = 1.0;
    r.y.d[3 * corner + 1] = 1.0;
    r.z.d[3 * corner + 2] = 1.0;
    return r;
}

} // namespace

bool HingeAngleHessian(const CVector3& pa, const CVector3& pb, const CVector3& pc,
                       const CVector3& pd, double* hessian)
{
    const DVec xa = Seed(pa, 0), xb = Seed(pb, 1), xc = Seed(pc, 2), xd = Seed(pd, 3);
    // The gradient exactly as HingeAngleOf forms it.
    const DVec e = xb - xa;
    const DVec n1 = Cross(e, xc - xa);
    const DVec n2 = Cross(xa - xb, xd - xb);
    const Dual len2 = Dot(e, e), q1 = Dot(n1, n1), q2 = Dot(n2, n2);
    if (!(len2.v > 0.0) || !(q1.v > 0.0) || !(q2.v > 0.0))
        return false;
    const Dual len = Sqrt(len2);
    const DVec gc = n1 * (len / q1);
    const DVec gd = n2 * (len / q2);
    const Dual sc = Dot(xc - xa, e) / len2, sd = Dot(xd - xa, e) / len2;
    Dual one;
    one.v = 1.0;
    const DVec grad[4] = {gc * (sc - one) + gd * (sd - one), (gc * sc + gd * sd) * (Dual{} - one),
                          gc, gd};
    for (int corner = 0; corner < 4; ++corner) {
        const Dual* row[3] = {&grad[corner].x, &grad[corner].y, &grad[corner].z};
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 12; ++c)
                hessian[12 * (3 * corner + k) + c] = row[k]->d[c];
    }
    return true;
}
