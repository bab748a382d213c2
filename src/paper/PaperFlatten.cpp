#include "paper/PaperFlatten.h"

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <cmath>

namespace {

using SparseMatrix = Eigen::SparseMatrix<double>;
using Triplet = Eigen::Triplet<double>;

// A triangle in its own plane: corner 0 at the origin, corner 1 on +x,
// corner 2 above the x axis.
struct LocalTriangle {
    double x[3] = {0.0, 0.0, 0.0};
    double y[3] = {0.0, 0.0, 0.0};
    double area = 0.0;
};

LocalTriangle Local(const CVector3* p)
{
    LocalTriangle t;
    const CVector3 e = p[1] - p[0];
    const double len = e.Length();
    if (!(len > 0.0))
        return t;
    const CVector3 d = p[2] - p[0];
    t.x[1] = len;
    t.x[2] = d.Dot(e) / len;
    t.y[2] = d.Cross(e).Length() / len;
    t.area = 0.5 * len * t.y[2];
    return t;
}

// Half the cotangent of the corner k, the weight of the edge opposite it;
// kept a little above zero so the Laplacian stays definite on obtuse corners.
double HalfCot(const LocalTriangle& t, int k)
{
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    const double ux = t.x[a] - t.x[k], uy = t.y[a] - t.y[k];
    const double vx = t.x[b] - t.x[k], vy = t.y[b] - t.y[k];
    const double cross = std::fabs(ux * vy - uy * vx);
    return std::max(0.5 * (ux * vx + uy * vy) / cross, 1e-3);
}

// The two points farthest apart along a sweep from the first one: pinned in
// the conformal start, which fixes its place, turn and scale.
void PinPair(const std::vector<CVector3>& corner, const std::vector<uint32_t>& pointOf, size_t& a,
             size_t& b)
{
    auto farthest = [&](size_t from) {
        size_t best = from;
        double bestDistance = -1.0;
        for (size_t c = 0; c < corner.size(); ++c) {
            const double d = Distance3D(corner[c], corner[from]);
            if (d > bestDistance && pointOf[c] != pointOf[from]) {
                bestDistance = d;
                best = c;
            }
        }
        return best;
    };
    a = farthest(0);
    b = farthest(a);
}

// Least-squares conformal map: each triangle's gradients of v and u as near
// a quarter turn apart as they can be, weighted by its area.
bool Conformal(const std::vector<CVector3>& corner, const std::vector<uint32_t>& pointOf,
               const std::vector<LocalTriangle>& local, uint32_t points,
               std::vector<CPaperPoint>& point)
{
    size_t ca = 0, cb = 0;
    PinPair(corner, pointOf, ca, cb);
    const uint32_t pa = pointOf[ca], pb = pointOf[cb];
    if (pa == pb)
        return false;
    std::vector<int32_t> column(points, -1);
    int32_t free = 0;
    for (uint32_t p = 0; p < points; ++p)
        if (p != pa && p != pb)
            column[p] = 2 * free++;
    std::vector<CPaperPoint> pinned(points);
    pinned[pb] = {Distance3D(corner[ca], corner[cb]), 0.0};
    std::vector<Triplet> entries;
    entries.reserve(12 * local.size());
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(2 * static_cast<Eigen::Index>(local.size()));
    Eigen::Index row = 0;
    for (size_t t = 0; t < local.size(); ++t) {
        const LocalTriangle& l = local[t];
        if (!(l.area > 0.0))
            continue;
        const double scale = 1.0 / (2.0 * std::sqrt(l.area));
        for (int j = 0; j < 3; ++j) {
            const double dx = (l.x[(j + 2) % 3] - l.x[(j + 1) % 3]) * scale;
            const double dy = (l.y[(j + 2) % 3] - l.y[(j + 1) % 3]) * scale;
            const uint32_t p = pointOf[3 * t + j];
            // Rows: u_j d_j + v_j R90(d_j), both components.
            if (column[p] < 0) {
                rhs[row] -= dx * pinned[p].u - dy * pinned[p].v;
                rhs[row + 1] -= dy * pinned[p].u + dx * pinned[p].v;
                continue;
            }
            entries.emplace_back(row, column[p], dx);
            entries.emplace_back(row, column[p] + 1, -dy);
            entries.emplace_back(row + 1, column[p], dy);
            entries.emplace_back(row + 1, column[p] + 1, dx);
        }
        row += 2;
    }
    SparseMatrix a(row, 2 * free);
    a.setFromTriplets(entries.begin(), entries.end());
    const SparseMatrix normal = a.transpose() * a;
    Eigen::SimplicialLDLT<SparseMatrix> solver(normal);
    if (solver.info() != Eigen::Success)
        return false;
    const Eigen::VectorXd x = solver.solve(a.transpose() * rhs.head(row));
    if (solver.info() != Eigen::Success || !x.allFinite())
        return false;
    for (uint32_t p = 0; p < points; ++p)
        point[p] = column[p] < 0 ? pinned[p] : CPaperPoint{x[column[p]], x[column[p] + 1]};
    return true;
}

} // namespace

bool FlattenByLeastSquares(const std::vector<CVector3>& corner,
                           const std::vector<uint32_t>& pointOf, uint32_t points,
                           std::vector<CPaperPoint>& point,
                           const std::function<bool(int)>& keepGoing)
{
    const size_t triangles = corner.size() / 3;
    if (triangles == 0 || points < 2)
        return true;
    std::vector<LocalTriangle> local(triangles);
    for (size_t t = 0; t < triangles; ++t)
        local[t] = Local(&corner[3 * t]);
    if (!keepGoing(5))
        return false;
    if (!Conformal(corner, pointOf, local, points, point))
        return true;
    if (!keepGoing(30))
        return false;

    // As rigid as possible: the Laplacian is the same every iteration, so it
    // is factored once; point 0 stays where the conformal start put it.
    std::vector<double> weight(3 * triangles, 0.0);
    std::vector<Triplet> entries;
    entries.reserve(12 * triangles);
    const uint32_t anchor = 0;
    auto index = [&](uint32_t p) { return static_cast<Eigen::Index>(p) - (p > anchor ? 1 : 0); };
    for (size_t t = 0; t < triangles; ++t) {
        if (!(local[t].area > 0.0))
            continue;
        for (int k = 0; k < 3; ++k) {
            const double w = weight[3 * t + k] = HalfCot(local[t], k);
            const uint32_t a = pointOf[3 * t + (k + 1) % 3], b = pointOf[3 * t + (k + 2) % 3];
            if (a != anchor)
                entries.emplace_back(index(a), index(a), w);
            if (b != anchor)
                entries.emplace_back(index(b), index(b), w);
            if (a != anchor && b != anchor) {
                entries.emplace_back(index(a), index(b), -w);
                entries.emplace_back(index(b), index(a), -w);
            }
        }
    }
    const Eigen::Index n = static_cast<Eigen::Index>(points) - 1;
    SparseMatrix laplacian(n, n);
    laplacian.setFromTriplets(entries.begin(), entries.end());
    Eigen::SimplicialLDLT<SparseMatrix> solver(laplacian);
    if (solver.info() != Eigen::Success)
        return true;

    constexpr int kMaxIterations = 60;
    double previous = -1.0;
    Eigen::MatrixXd rhs(n, 2);
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        // Local step: each triangle's best rotation onto the current layout,
        // which also gives the energy of that layout.
        rhs.setZero();
        double energy = 0.0, total = 0.0;
        for (size_t t = 0; t < triangles; ++t) {
            const LocalTriangle& l = local[t];
            if (!(l.area > 0.0))
                continue;
            double dot = 0.0, cross = 0.0;
            for (int k = 0; k < 3; ++k) {
                const int a = (k + 1) % 3, b = (k + 2) % 3;
                const CPaperPoint& pa = point[pointOf[3 * t + a]];
                const CPaperPoint& pb = point[pointOf[3 * t + b]];
                const double ux = pa.u - pb.u, uy = pa.v - pb.v;
                const double xx = l.x[a] - l.x[b], xy = l.y[a] - l.y[b];
                dot += weight[3 * t + k] * (xx * ux + xy * uy);
                cross += weight[3 * t + k] * (xx * uy - xy * ux);
            }
            const double angle = std::atan2(cross, dot);
            const double c = std::cos(angle), s = std::sin(angle);
            for (int k = 0; k < 3; ++k) {
                const int a = (k + 1) % 3, b = (k + 2) % 3;
                const double w = weight[3 * t + k];
                const double xx = l.x[a] - l.x[b], xy = l.y[a] - l.y[b];
                const double rx = c * xx - s * xy, ry = s * xx + c * xy;
                const uint32_t qa = pointOf[3 * t + a], qb = pointOf[3 * t + b];
                const double ex = point[qa].u - point[qb].u - rx;
                const double ey = point[qa].v - point[qb].v - ry;
                energy += w * (ex * ex + ey * ey);
                total += w * (xx * xx + xy * xy);
                if (qa != anchor) {
                    rhs(index(qa), 0) += w * rx;
                    rhs(index(qa), 1) += w * ry;
                }
                if (qb != anchor) {
                    rhs(index(qb), 0) -= w * rx;
                    rhs(index(qb), 1) -= w * ry;
                }
            }
        }
        // Settled: the energy no longer falls by a useful share.
        if (energy <= 1e-20 * total || (previous >= 0.0 && previous - energy <= 1e-3 * previous))
            break;
        previous = energy;
        // Global step, with the anchor's pull moved to the right-hand side.
        for (size_t t = 0; t < triangles; ++t)
            for (int k = 0; k < 3; ++k) {
                const uint32_t a = pointOf[3 * t + (k + 1) % 3], b = pointOf[3 * t + (k + 2) % 3];
                const double w = weight[3 * t + k];
                if (a == anchor && b != anchor) {
                    rhs(index(b), 0) += w * point[anchor].u;
                    rhs(index(b), 1) += w * point[anchor].v;
                } else if (b == anchor && a != anchor) {
                    rhs(index(a), 0) += w * point[anchor].u;
                    rhs(index(a), 1) += w * point[anchor].v;
                }
            }
        const Eigen::MatrixXd x = solver.solve(rhs);
        if (solver.info() != Eigen::Success || !x.allFinite())
            break;
        for (uint32_t p = 0; p < points; ++p)
            if (p != anchor)
                point[p] = {x(index(p), 0), x(index(p), 1)};
        if (!keepGoing(30 + 70 * (iteration + 1) / kMaxIterations))
            return false;
    }
    return true;
}
