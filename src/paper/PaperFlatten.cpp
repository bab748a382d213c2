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

// Half the cotangent of the corner k, the weight of the edge opposite it.
double HalfCot(const LocalTriangle& t, int k)
{
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    const double ux = t.x[a] - t.x[k], uy = t.y[a] - t.y[k];
    const double vx = t.x[b] - t.x[k], vy = t.y[b] - t.y[k];
    const double cross = std::fabs(ux * vy - uy * vx);
    return cross > 0.0 ? 0.5 * (ux * vx + uy * vy) / cross : 0.0;
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

using Factor = Eigen::SimplicialLDLT<SparseMatrix>;

// The cotangent Laplacian: its quadratic form is the Dirichlet energy of u
// over the surface, sum of w (u_a - u_b)^2 with w half the cotangent of the
// corner opposite edge a-b, so it is never indefinite, obtuse corners and all.
struct Laplacian {
    uint32_t anchor = 0;        // left out, so that the factor is definite
    std::vector<double> weight; // per corner: of the edge opposite it
    Factor factor;

    Eigen::Index Index(uint32_t p) const
    {
        return static_cast<Eigen::Index>(p) - (p > anchor ? 1 : 0);
    }
};

void Weights(const std::vector<LocalTriangle>& local, std::vector<double>& weight)
{
    weight.assign(3 * local.size(), 0.0);
    for (size_t t = 0; t < local.size(); ++t)
        if (local[t].area > 0.0)
            for (int k = 0; k < 3; ++k)
                weight[3 * t + k] = HalfCot(local[t], k);
}

// Adds w (x_a - x_b)^2 to a quadratic form, with `column` giving each
// point's unknown (-1 for none).
void AddEdge(std::vector<Triplet>& entries, const std::vector<int32_t>& column, uint32_t a,
             uint32_t b, double w)
{
    const int32_t ca = column[a], cb = column[b];
    if (ca >= 0)
        entries.emplace_back(ca, ca, w);
    if (cb >= 0)
        entries.emplace_back(cb, cb, w);
    if (ca >= 0 && cb >= 0) {
        entries.emplace_back(ca, cb, -w);
        entries.emplace_back(cb, ca, -w);
    }
}

bool BuildLaplacian(const std::vector<uint32_t>& pointOf, uint32_t points, Laplacian& l)
{
    std::vector<int32_t> column(points);
    for (uint32_t p = 0; p < points; ++p)
        column[p] = p == l.anchor ? -1 : static_cast<int32_t>(l.Index(p));
    std::vector<Triplet> entries;
    entries.reserve(4 * l.weight.size());
    for (size_t c = 0; c < l.weight.size(); ++c)
        if (l.weight[c] != 0.0)
            AddEdge(entries, column, pointOf[c - c % 3 + (c + 1) % 3],
                    pointOf[c - c % 3 + (c + 2) % 3], l.weight[c]);
    const Eigen::Index n = static_cast<Eigen::Index>(points) - 1;
    SparseMatrix matrix(n, n);
    matrix.setFromTriplets(entries.begin(), entries.end());
    l.factor.compute(matrix);
    return l.factor.info() == Eigen::Success;
}

// Least-squares conformal map, with the anchor and pb pinned where `point`
// has them. Its energy, the sum over triangles of area |grad v - R90 grad u|^2,
// is the Dirichlet energy of u and of v less twice the area the rim encloses:
// u and v are coupled only along the rim, which keeps the factor nearly as
// sparse as the Laplacian's. False when the solve fails (point unchanged).
bool Conformal(const std::vector<uint32_t>& pointOf, const std::vector<double>& weight,
               uint32_t anchor, uint32_t pb, std::vector<CPaperPoint>& point)
{
    const uint32_t points = static_cast<uint32_t>(point.size());
    std::vector<int32_t> columnU(points, -1), columnV(points, -1);
    int32_t free = 0;
    for (uint32_t p = 0; p < points; ++p)
        if (p != anchor && p != pb)
            columnU[p] = free++;
    for (uint32_t p = 0; p < points; ++p)
        if (columnU[p] >= 0)
            columnV[p] = columnU[p] + free;
    std::vector<Triplet> entries;
    entries.reserve(8 * weight.size());
    for (size_t c = 0; c < weight.size(); ++c)
        if (weight[c] != 0.0) {
            const uint32_t a = pointOf[c - c % 3 + (c + 1) % 3];
            const uint32_t b = pointOf[c - c % 3 + (c + 2) % 3];
            AddEdge(entries, columnU, a, b, weight[c]);
            AddEdge(entries, columnV, a, b, weight[c]);
        }
    // Rim edges: those no other triangle runs back along. Each adds
    // -(u_a v_b - u_b v_a) / 2 twice over, as the form is symmetric.
    std::vector<std::pair<uint64_t, uint32_t>> halfEdges;
    halfEdges.reserve(pointOf.size());
    for (uint32_t c = 0; c < pointOf.size(); ++c) {
        const uint64_t a = pointOf[c], b = pointOf[c - c % 3 + (c + 1) % 3];
        halfEdges.push_back({std::min(a, b) << 32 | std::max(a, b), c});
    }
    std::sort(halfEdges.begin(), halfEdges.end());
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(2 * free);
    auto couple = [&](uint32_t pu, uint32_t pv, double value) {
        const int32_t cu = columnU[pu], cv = columnV[pv];
        if (cu >= 0 && cv >= 0) {
            entries.emplace_back(cu, cv, value);
            entries.emplace_back(cv, cu, value);
        } else if (cu >= 0) {
            rhs[cu] -= value * point[pv].v;
        } else if (cv >= 0) {
            rhs[cv] -= value * point[pu].u;
        }
    };
    for (size_t i = 0; i < halfEdges.size();) {
        size_t j = i + 1;
        while (j < halfEdges.size() && halfEdges[j].first == halfEdges[i].first)
            ++j;
        if (j - i == 1) {
            const uint32_t c = halfEdges[i].second;
            const uint32_t a = pointOf[c], b = pointOf[c - c % 3 + (c + 1) % 3];
            couple(a, b, -0.5);
            couple(b, a, 0.5);
        }
        i = j;
    }
    // The pinned points' pull through the Laplacian.
    for (size_t c = 0; c < weight.size(); ++c) {
        if (weight[c] == 0.0)
            continue;
        const uint32_t a = pointOf[c - c % 3 + (c + 1) % 3];
        const uint32_t b = pointOf[c - c % 3 + (c + 2) % 3];
        for (const auto& [x, y] : {std::pair{a, b}, std::pair{b, a}})
            if (columnU[x] >= 0 && columnU[y] < 0) {
                rhs[columnU[x]] += weight[c] * point[y].u;
                rhs[columnV[x]] += weight[c] * point[y].v;
            }
    }
    SparseMatrix matrix(2 * free, 2 * free);
    matrix.setFromTriplets(entries.begin(), entries.end());
    Factor factor(matrix);
    if (factor.info() != Eigen::Success)
        return false;
    const Eigen::VectorXd x = factor.solve(rhs);
    if (factor.info() != Eigen::Success || !x.allFinite())
        return false;
    for (uint32_t p = 0; p < points; ++p)
        if (columnU[p] >= 0)
            point[p] = {x[columnU[p]], x[columnV[p]]};
    return true;
}

// The local step of as-rigid-as-possible: each triangle's best rotation onto
// the layout `point`. Returns the energy of the layout under those rotations
// and the total it is measured against (the same sum over the edges'
// own lengths); adds each edge's pull to rhs when given (anchor left out).
double LocalStep(const std::vector<LocalTriangle>& local, const std::vector<uint32_t>& pointOf,
                 const Laplacian& laplacian, const std::vector<CPaperPoint>& point, double& total,
                 Eigen::MatrixXd* rhs)
{
    const std::vector<double>& weight = laplacian.weight;
    double energy = 0.0;
    total = 0.0;
    for (size_t t = 0; t < local.size(); ++t) {
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
            if (!rhs)
                continue;
            if (qa != laplacian.anchor) {
                (*rhs)(laplacian.Index(qa), 0) += w * rx;
                (*rhs)(laplacian.Index(qa), 1) += w * ry;
            }
            if (qb != laplacian.anchor) {
                (*rhs)(laplacian.Index(qb), 0) -= w * rx;
                (*rhs)(laplacian.Index(qb), 1) -= w * ry;
            }
        }
    }
    return energy;
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
    size_t ca = 0, cb = 0;
    PinPair(corner, pointOf, ca, cb);
    if (pointOf[ca] == pointOf[cb])
        return true;
    Laplacian laplacian;
    laplacian.anchor = pointOf[ca];
    Weights(local, laplacian.weight);
    if (!keepGoing(5))
        return false;
    // A start far from rigid (edges off by about 1e-3 of their length) is
    // bettered, as a rule, by the conformal map pinned at two of its points;
    // a good start is kept, as that factorisation costs several steps.
    double total = 0.0;
    const double startEnergy = LocalStep(local, pointOf, laplacian, point, total, nullptr);
    if (startEnergy > 1e-6 * total) {
        std::vector<CPaperPoint> conformal(point);
        double ignored = 0.0;
        if (Conformal(pointOf, laplacian.weight, laplacian.anchor, pointOf[cb], conformal) &&
            LocalStep(local, pointOf, laplacian, conformal, ignored, nullptr) < startEnergy)
            point.swap(conformal);
    }
    if (!keepGoing(30))
        return false;

    // As rigid as possible, local and global steps in turn. The Laplacian is
    // the same every step, so it is factored once; the anchor stays put.
    const uint32_t anchor = laplacian.anchor;
    const std::vector<double>& weight = laplacian.weight;
    auto index = [&](uint32_t p) { return laplacian.Index(p); };
    const Eigen::Index n = static_cast<Eigen::Index>(points) - 1;
    constexpr int kMaxIterations = 60;
    double previous = -1.0;
    Eigen::MatrixXd rhs(n, 2);
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        rhs.setZero();
        const double energy = LocalStep(local, pointOf, laplacian, point, total, &rhs);
        // Settled: edges are off by about 1e-5 of their length at most, or
        // the energy no longer falls by a useful share.
        if (energy <= 1e-10 * total || (previous >= 0.0 && previous - energy <= 1e-3 * previous))
            break;
        previous = energy;
        // Factored only once a step is needed: a start that is already
        // settled skips it.
        if (iteration == 0 && !BuildLaplacian(pointOf, points, laplacian))
            return true;
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
        const Eigen::MatrixXd x = laplacian.factor.solve(rhs);
        if (laplacian.factor.info() != Eigen::Success || !x.allFinite())
            break;
        for (uint32_t p = 0; p < points; ++p)
            if (p != anchor)
                point[p] = {x(index(p), 0), x(index(p), 1)};
        if (!keepGoing(30 + 70 * (iteration + 1) / kMaxIterations))
            return false;
    }
    return true;
}
