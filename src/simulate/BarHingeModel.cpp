#include "simulate/BarHingeModel.h"

#include "simulate/Hinge.h"
#include "simulate/HingeHessian.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

uint32_t Root(std::vector<uint32_t>& parent, uint32_t i)
{
    while (parent[i] != i)
        i = parent[i] = parent[parent[i]];
    return i;
}

// One triangle of each piece, nearest the piece's middle on the paper: held
// in place so the solve has no rigid motion left.
std::vector<uint32_t> HeldTriangles(const CSimPattern& pattern)
{
    const size_t count = pattern.TriangleCount();
    std::vector<uint32_t> parent(count);
    std::iota(parent.begin(), parent.end(), 0u);
    for (const CSimEdge& e : pattern.edges)
        if (e.right >= 0)
            parent[Root(parent, static_cast<uint32_t>(e.left))] =
                Root(parent, static_cast<uint32_t>(e.right));
    std::vector<CVector3> centre(count);
    std::vector<CVector3> sum(count);
    std::vector<double> weight(count, 0.0);
    for (size_t t = 0; t < count; ++t) {
        const CVector3& a = pattern.paper[pattern.tris[3 * t]];
        const CVector3& b = pattern.paper[pattern.tris[3 * t + 1]];
        const CVector3& c = pattern.paper[pattern.tris[3 * t + 2]];
        centre[t] = (a + b + c) * (1.0 / 3.0);
        const double area = 0.5 * std::fabs((b - a).Cross(c - a).z);
        const uint32_t r = Root(parent, static_cast<uint32_t>(t));
        sum[r] = sum[r] + centre[t] * area;
        weight[r] += area;
    }
    std::vector<double> best(count, kDoubleMax);
    std::vector<uint32_t> held(count, UINT32_MAX);
    for (size_t t = 0; t < count; ++t) {
        const uint32_t r = Root(parent, static_cast<uint32_t>(t));
        const CVector3 middle = sum[r] * (1.0 / std::max(weight[r], 1e-300));
        const double d = Distance3D(centre[t], middle);
        if (d < best[r]) {
            best[r] = d;
            held[r] = static_cast<uint32_t>(t);
        }
    }
    std::vector<uint32_t> out;
    for (const uint32_t t : held)
        if (t != UINT32_MAX)
            out.push_back(t);
    return out;
}

} // namespace

void CBarHingeModel::Build(const CSimPattern& pattern, const CSimSettings& settings)
{
    pattern_ = &pattern;
    barScale_ = 1.0;
    const size_t n = pattern.VertexCount();
    dof_.assign(n, 0);
    std::vector<uint8_t> used(n, 0);
    for (const uint32_t v : pattern.tris)
        used[v] = 1;
    for (size_t v = 0; v < n; ++v)
        dof_[v] = used[v] ? 0 : -1;
    for (const uint32_t t : HeldTriangles(pattern))
        for (int j = 0; j < 3; ++j)
            dof_[pattern.tris[3 * t + j]] = -1;
    freeCount_ = 0;
    for (int32_t& d : dof_)
        if (d == 0)
            d = static_cast<int32_t>(3 * freeCount_++);

    blockVertices_.clear();
    for (uint32_t v = 0; v < n; ++v)
        blockVertices_.push_back({v, v});
    std::unordered_map<uint64_t, uint32_t> blocks;
    blocks.reserve(3 * pattern.edges.size());
    const auto blockOf = [&](uint32_t u, uint32_t v) {
        if (u == v)
            return u;
        const uint32_t hi = std::max(u, v), lo = std::min(u, v);
        const auto [it, fresh] = blocks.try_emplace(uint64_t{hi} << 32 | lo,
                                                    static_cast<uint32_t>(blockVertices_.size()));
        if (fresh)
            blockVertices_.push_back({hi, lo});
        return it->second;
    };

    bars_.clear();
    hinges_.clear();
    double total = 0.0;
    for (uint32_t i = 0; i < pattern.edges.size(); ++i) {
        const CSimEdge& e = pattern.edges[i];
        const double rest = Distance3D(pattern.paper[e.a], pattern.paper[e.b]);
        total += rest;
        // Each edge is listed once (a cut once per side): one bar each.
        bars_.push_back(
            {e.a, e.b, rest, settings.axialRatio / std::max(rest, 1e-300), blockOf(e.a, e.b)});
        if (e.right < 0)
            continue;
        const auto third = [&](int32_t t, uint32_t a, uint32_t b) {
            for (int j = 0; j < 3; ++j) {
                const uint32_t v = pattern.tris[3 * t + j];
                if (v != a && v != b)
                    return v;
            }
            return a;
        };
        Hinge h;
        h.v = {e.a, e.b, third(e.left, e.a, e.b), third(e.right, e.a, e.b)};
        if (h.v[2] == h.v[3] || h.v[2] == e.a || h.v[3] == e.a)
            continue;
        h.facet = e.kind == SimEdgeKind::Facet;
        const double perLength = e.kind == SimEdgeKind::Free ? 0.0
                                 : h.facet                   ? settings.facetRatio
                                                             : 1.0;
        h.k = perLength * rest;
        h.target = e.target * kDegree;
        h.edge = i;
        h.block = {blockOf(h.v[0], h.v[1]), blockOf(h.v[0], h.v[2]), blockOf(h.v[1], h.v[2]),
                   blockOf(h.v[0], h.v[3]), blockOf(h.v[1], h.v[3]), blockOf(h.v[2], h.v[3])};
        hinges_.push_back(h);
    }
    hingeScale_ = 0.0;
    for (const Hinge& h : hinges_)
        hingeScale_ += h.k;
    if (!(hingeScale_ > 0.0))
        hingeScale_ = 1.0;
    meanLength_ = pattern.edges.empty() ? 1.0 : total / static_cast<double>(pattern.edges.size());

    // The matrix: every block entry on or below the diagonal whose vertices
    // are both free, placed once; its value says which entry it is so the
    // slot each lands in can be read back.
    const size_t count = blockVertices_.size();
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(9 * count);
    for (size_t b = 0; b < count; ++b) {
        const auto [hi, lo] = blockVertices_[b];
        if (dof_[hi] < 0 || dof_[lo] < 0)
            continue;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                if (hi != lo || r >= c)
                    entries.emplace_back(dof_[hi] + r, dof_[lo] + c,
                                         static_cast<double>(9 * b + 3 * r + c + 1));
    }
    const auto size = static_cast<Eigen::Index>(3 * freeCount_);
    matrix_.resize(size, size);
    matrix_.setFromTriplets(entries.begin(), entries.end());
    matrix_.makeCompressed();
    destination_.assign(9 * count, -1);
    for (Eigen::Index k = 0; k < matrix_.nonZeros(); ++k)
        destination_[static_cast<size_t>(matrix_.valuePtr()[k]) - 1] = static_cast<int32_t>(k);
    blockValues_.assign(9 * count, 0.0);
}

double CBarHingeModel::Target(size_t h, double p, FacetTargets targets) const
{
    const Hinge& hinge = hinges_[h];
    return hinge.facet && targets == FacetTargets::Paper ? 0.0 : p * hinge.target;
}

void CBarHingeModel::Angles(const std::vector<CVector3>& x, const std::vector<double>& near,
                            std::vector<double>& out) const
{
    out.resize(hinges_.size());
    for (size_t i = 0; i < hinges_.size(); ++i) {
        const auto& v = hinges_[i].v;
        out[i] = UnwrapNear(HingeAngleOnly(x[v[0]], x[v[1]], x[v[2]], x[v[3]]),
                            near.empty() ? 0.0 : near[i]);
    }
}

double CBarHingeModel::Energy(const std::vector<CVector3>& x, double p, FacetTargets targets,
                              const std::vector<double>& near) const
{
    double energy = 0.0;
    for (const Bar& bar : bars_) {
        const double stretch = Distance3D(x[bar.a], x[bar.b]) - bar.rest;
        energy += 0.5 * barScale_ * bar.k * stretch * stretch;
    }
    for (size_t i = 0; i < hinges_.size(); ++i) {
        const Hinge& h = hinges_[i];
        if (h.k == 0.0)
            continue;
        const double angle =
            UnwrapNear(HingeAngleOnly(x[h.v[0]], x[h.v[1]], x[h.v[2]], x[h.v[3]]), near[i]);
        const double off = angle - Target(i, p, targets);
        energy += 0.5 * h.k * off * off;
    }
    return energy;
}

void CBarHingeModel::AddBlock(uint32_t block, uint32_t u, uint32_t v, const double* h,
                              bool transpose)
{
    // h is the 3 x 3 block of rows u, columns v; the stored block has the
    // higher vertex's rows.
    double* out = &blockValues_[9 * block];
    const bool flip = (u < v) != transpose;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[3 * r + c] += flip ? h[3 * c + r] : h[3 * r + c];
}

double CBarHingeModel::Assemble(const std::vector<CVector3>& x, double p, FacetTargets targets,
                                const std::vector<double>& near, Eigen::VectorXd& gradient,
                                Matrix* matrix, bool exact)
{
    if (matrix)
        std::fill(blockValues_.begin(), blockValues_.end(), 0.0);
    std::vector<CVector3> g(x.size());
    double energy = 0.0;
    double k[9];
    for (const Bar& bar : bars_) {
        const CVector3 e = x[bar.b] - x[bar.a];
        const double len = e.Length();
        if (!(len > 0.0))
            continue;
        const CVector3 d = e * (1.0 / len);
        const double stretch = len - bar.rest;
        energy += 0.5 * barScale_ * bar.k * stretch * stretch;
        const CVector3 f = d * (barScale_ * bar.k * stretch);
        g[bar.a] = g[bar.a] - f;
        g[bar.b] = g[bar.b] + f;
        if (!matrix)
            continue;
        // Exact; for Gauss-Newton the sideways term is dropped in
        // compression, where it would make the matrix indefinite.
        const double side = exact ? stretch / len : std::max(0.0, stretch / len);
        const double dd[3] = {d.x, d.y, d.z};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                k[3 * r + c] =
                    barScale_ * bar.k * ((1.0 - side) * dd[r] * dd[c] + (r == c ? side : 0.0));
        AddBlock(bar.a, bar.a, bar.a, k, false);
        AddBlock(bar.b, bar.b, bar.b, k, false);
        for (double& v : k)
            v = -v;
        AddBlock(bar.block, bar.a, bar.b, k, false);
    }
    static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}, {2, 3}};
    for (size_t i = 0; i < hinges_.size(); ++i) {
        const Hinge& h = hinges_[i];
        if (h.k == 0.0)
            continue;
        const CHingeAngle a = HingeAngleOf(x[h.v[0]], x[h.v[1]], x[h.v[2]], x[h.v[3]]);
        if (!a.valid)
            continue;
        const double off = UnwrapNear(a.angle, near[i]) - Target(i, p, targets);
        energy += 0.5 * h.k * off * off;
        for (int j = 0; j < 4; ++j)
            g[h.v[j]] = g[h.v[j]] + a.grad[j] * (h.k * off);
        if (!matrix)
            continue;
        // k grad grad^T, positive semi-definite everywhere (Gauss-Newton);
        // the exact Hessian adds k (angle - target) times the angle's own.
        double local[144];
        for (int r = 0; r < 12; ++r)
            for (int c = 0; c < 12; ++c)
                local[12 * r + c] = h.k * (&a.grad[r / 3].x)[r % 3] * (&a.grad[c / 3].x)[c % 3];
        if (exact) {
            double second[144];
            if (HingeAngleHessian(x[h.v[0]], x[h.v[1]], x[h.v[2]], x[h.v[3]], second))
                for (int k2 = 0; k2 < 144; ++k2)
                    local[k2] += h.k * off * second[k2];
        }
        const auto block = [&](int p1, int p2) {
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    k[3 * r + c] = local[12 * (3 * p1 + r) + 3 * p2 + c];
        };
        for (int j = 0; j < 4; ++j) {
            block(j, j);
            AddBlock(h.v[j], h.v[j], h.v[j], k, false);
        }
        for (int q = 0; q < 6; ++q) {
            block(kPairs[q][0], kPairs[q][1]);
            AddBlock(h.block[q], h.v[kPairs[q][0]], h.v[kPairs[q][1]], k, false);
        }
    }
    gradient.setZero(static_cast<Eigen::Index>(3 * freeCount_));
    for (size_t v = 0; v < x.size(); ++v)
        if (dof_[v] >= 0) {
            gradient[dof_[v]] = g[v].x;
            gradient[dof_[v] + 1] = g[v].y;
            gradient[dof_[v] + 2] = g[v].z;
        }
    if (!matrix)
        return energy;
    double* values = matrix->valuePtr();
    for (size_t k9 = 0; k9 < destination_.size(); ++k9)
        if (destination_[k9] >= 0)
            values[destination_[k9]] = blockValues_[k9];
    return energy;
}

void CBarHingeModel::BarCurvature(const std::vector<CVector3>& x, const Eigen::VectorXd& dx,
                                  Eigen::VectorXd& out) const
{
    out.setZero(dx.size());
    const auto moveOf = [&](uint32_t v) {
        return dof_[v] < 0 ? CVector3{} : CVector3{dx[dof_[v]], dx[dof_[v] + 1], dx[dof_[v] + 2]};
    };
    for (const Bar& bar : bars_) {
        if (dof_[bar.a] < 0 && dof_[bar.b] < 0)
            continue;
        const CVector3 e = x[bar.b] - x[bar.a];
        const double len = e.Length();
        if (!(len > 0.0))
            continue;
        const CVector3 d = e * (1.0 / len);
        const CVector3 delta = moveOf(bar.b) - moveOf(bar.a);
        const double along = d.Dot(delta);
        const double second = (delta.Dot(delta) - along * along) / len;
        const CVector3 f = d * (-0.5 * barScale_ * bar.k * second);
        if (dof_[bar.b] >= 0)
            out.segment<3>(dof_[bar.b]) += Eigen::Vector3d(f.x, f.y, f.z);
        if (dof_[bar.a] >= 0)
            out.segment<3>(dof_[bar.a]) -= Eigen::Vector3d(f.x, f.y, f.z);
    }
}

void CBarHingeModel::TargetLoad(const std::vector<CVector3>& x, FacetTargets targets,
                                Eigen::VectorXd& out) const
{
    out.setZero(static_cast<Eigen::Index>(3 * freeCount_));
    for (size_t i = 0; i < hinges_.size(); ++i) {
        const Hinge& h = hinges_[i];
        const double perP = Target(i, 1.0, targets);
        if (h.k == 0.0 || perP == 0.0)
            continue;
        const CHingeAngle a = HingeAngleOf(x[h.v[0]], x[h.v[1]], x[h.v[2]], x[h.v[3]]);
        if (!a.valid)
            continue;
        for (int j = 0; j < 4; ++j)
            if (dof_[h.v[j]] >= 0) {
                const CVector3 f = a.grad[j] * (h.k * perP);
                out.segment<3>(dof_[h.v[j]]) += Eigen::Vector3d(f.x, f.y, f.z);
            }
    }
}

void CBarHingeModel::Move(std::vector<CVector3>& x, const Eigen::VectorXd& dx, double step) const
{
    for (size_t v = 0; v < x.size(); ++v)
        if (dof_[v] >= 0)
            x[v] = x[v] + CVector3{dx[dof_[v]], dx[dof_[v] + 1], dx[dof_[v] + 2]} * step;
}

double CBarHingeModel::LargestMove(const Eigen::VectorXd& dx) const
{
    return dx.size() == 0 ? 0.0 : dx.cwiseAbs().maxCoeff();
}

double CBarHingeModel::CreaseErrorMax(const std::vector<double>& angles, double p,
                                      FacetTargets targets) const
{
    double most = 0.0;
    for (size_t i = 0; i < hinges_.size(); ++i)
        if (pattern_->edges[hinges_[i].edge].kind == SimEdgeKind::Crease)
            most = std::max(most, std::fabs(angles[i] - Target(i, p, targets)) / kDegree);
    return most;
}

void CBarHingeModel::Measure(const std::vector<CVector3>& x, const std::vector<double>& angles,
                             double p, FacetTargets targets, CSimResult& out) const
{
    const CSimPattern& pattern = *pattern_;
    out.strain.assign(x.size(), 0.0);
    for (const Bar& bar : bars_) {
        if (!(bar.rest > 0.0))
            continue;
        const double s = std::fabs(Distance3D(x[bar.a], x[bar.b]) - bar.rest) / bar.rest;
        out.strain[bar.a] = std::max(out.strain[bar.a], s);
        out.strain[bar.b] = std::max(out.strain[bar.b], s);
    }
    out.strainMax = 0.0;
    double sum = 0.0;
    for (const double s : out.strain) {
        out.strainMax = std::max(out.strainMax, s);
        sum += s;
    }
    out.strainMean = x.empty() ? 0.0 : sum / static_cast<double>(x.size());
    out.angleError.assign(pattern.edges.size(), 0.0);
    out.angleErrorMax = 0.0;
    for (size_t i = 0; i < hinges_.size(); ++i) {
        if (pattern.edges[hinges_[i].edge].kind != SimEdgeKind::Crease)
            continue;
        const double err = std::fabs(angles[i] - Target(i, p, targets)) / kDegree;
        out.angleError[hinges_[i].edge] = err;
        out.angleErrorMax = std::max(out.angleErrorMax, err);
    }
}
