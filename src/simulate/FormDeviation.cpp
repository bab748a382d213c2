#include "simulate/FormDeviation.h"

#include <Eigen/Dense>
#include <Eigen/Geometry>

#include <algorithm>
#include <cmath>

CFormDeviation MeasureDeviation(const std::vector<CVector3>& simulated,
                                const std::vector<CVector3>& form)
{
    CFormDeviation out;
    const auto n = static_cast<Eigen::Index>(form.size());
    if (n == 0 || simulated.size() != form.size())
        return out;
    Eigen::Matrix3Xd from(3, n), to(3, n);
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    for (Eigen::Index i = 0; i < n; ++i) {
        const CVector3 &s = simulated[i], &f = form[i];
        from.col(i) << s.x, s.y, s.z;
        to.col(i) << f.x, f.y, f.z;
        lo = {std::min(lo.x, f.x), std::min(lo.y, f.y), std::min(lo.z, f.z)};
        hi = {std::max(hi.x, f.x), std::max(hi.y, f.y), std::max(hi.z, f.z)};
    }
    const double diagonal = Distance3D(lo, hi);
    if (!(diagonal > 0.0))
        return out;
    // Rotation and translation only: the fold must not be scaled to fit.
    const Eigen::Matrix4d t = Eigen::umeyama(from, to, false);
    const Eigen::Matrix3Xd moved = (t.topLeftCorner<3, 3>() * from).colwise() + t.topRightCorner<3, 1>();
    const Eigen::VectorXd d = (moved - to).colwise().norm();
    out.valid = true;
    out.rmsPercent = 100.0 * std::sqrt(d.squaredNorm() / static_cast<double>(n)) / diagonal;
    out.maxPercent = 100.0 * d.maxCoeff() / diagonal;
    return out;
}
