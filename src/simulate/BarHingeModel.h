#pragma once
// The bars, hinges and stiffness matrix behind CFoldSolver (FoldSolver.h):
// the energy of a configuration, its gradient and its Hessian assembled into
// a sparse matrix whose pattern is fixed once. Internal to simulate/.

#include "simulate/FoldSolver.h"
#include "simulate/SimPattern.h"

#include <Eigen/SparseCore>

#include <array>
#include <cstdint>
#include <vector>

class CBarHingeModel {
public:
    using Matrix = Eigen::SparseMatrix<double>; // lower triangle of the free unknowns

    // Bars on every edge, hinges on every inner one, the held vertices (one
    // triangle per piece, and any vertex no triangle uses), the blocks and the
    // matrix pattern.
    void Build(const CSimPattern& pattern, const CSimSettings& settings);

    // Total energy at x with the hinges driven to their targets at p. Angles
    // are unwrapped near `near` (one per hinge).
    double Energy(const std::vector<CVector3>& x, double p, FacetTargets targets,
                  const std::vector<double>& near) const;
    // The energy, its gradient over the free unknowns (`gradient`, sized
    // here) and the stiffness matrix's values (`matrix`, pattern as built).
    // With `matrix` null, the energy and gradient alone. `exact` takes the
    // hinges' exact Hessian (may be indefinite), else their Gauss-Newton one.
    double Assemble(const std::vector<CVector3>& x, double p, FacetTargets targets,
                    const std::vector<double>& near, Eigen::VectorXd& gradient, Matrix* matrix,
                    bool exact = false);
    // The bars' pull that bends a step dx into an arc: minus half the second
    // derivative of every bar's length along dx, times its stiffness, over the
    // free unknowns. Solved against the stiffness matrix it gives the second
    // order term w of a path x + a dx + a^2 w that keeps bars their length.
    void BarCurvature(const std::vector<CVector3>& x, const Eigen::VectorXd& dx,
                      Eigen::VectorXd& out) const;
    // The load that moving the targets by dp puts on x, per unit dp: every
    // driven hinge's stiffness times its target times its angle's gradient,
    // over the free unknowns. Solved against the stiffness matrix at an
    // equilibrium it gives dx/dp, the way that equilibrium moves with p.
    void TargetLoad(const std::vector<CVector3>& x, FacetTargets targets,
                    Eigen::VectorXd& out) const;
    // Each hinge's angle at x, unwrapped near `near`.
    void Angles(const std::vector<CVector3>& x, const std::vector<double>& near,
                std::vector<double>& out) const;
    // The target of hinge h at p (radians).
    double Target(size_t h, double p, FacetTargets targets) const;

    // The largest |angle - target| over the creases, degrees.
    double CreaseErrorMax(const std::vector<double>& angles, double p, FacetTargets targets) const;
    // Strain per vertex and angle error per pattern edge into `out`.
    void Measure(const std::vector<CVector3>& x, const std::vector<double>& angles, double p,
                 FacetTargets targets, CSimResult& out) const;

    // Adds the free unknowns' change to x (held vertices stay).
    void Move(std::vector<CVector3>& x, const Eigen::VectorXd& dx, double step) const;
    double LargestMove(const Eigen::VectorXd& dx) const;

    // Multiplies every bar's stiffness (1 as built): softer bars let a fold
    // whose creases fight each other pass through stretched states.
    void SetBarScale(double scale) { barScale_ = scale; }

    const Matrix& Pattern() const { return matrix_; }
    size_t Unknowns() const { return 3 * freeCount_; }
    size_t HingeCount() const { return hinges_.size(); }
    double MeanBarLength() const { return meanLength_; }
    // Sum of the hinges' stiffness: the energy of turning every hinge by a radian.
    double HingeScale() const { return hingeScale_; }

private:
    struct Bar {
        uint32_t a, b;
        double rest;
        double k; // axial stiffness over the rest length
        uint32_t block;
    };
    struct Hinge {
        std::array<uint32_t, 4> v; // a, b (the hinge), c, d (the wings)
        double k;                  // stiffness times length; 0 for a free crease
        double target;             // radians at p = 1
        bool facet;
        uint32_t edge;
        std::array<uint32_t, 6> block; // ab, ac, bc, ad, bd, cd
    };

    uint32_t BlockOf(uint32_t u, uint32_t v);
    void AddBlock(uint32_t block, uint32_t u, uint32_t v, const double* h, bool transpose);

    const CSimPattern* pattern_ = nullptr;
    std::vector<Bar> bars_;
    std::vector<Hinge> hinges_;
    std::vector<int32_t> dof_; // per vertex: first unknown, -1 when held
    size_t freeCount_ = 0;
    std::vector<std::array<uint32_t, 2>> blockVertices_; // (higher, lower); diagonals first
    std::vector<double> blockValues_;                    // 9 per block, row-major
    std::vector<int32_t> destination_;                   // 9 per block: entry in the matrix or -1
    Matrix matrix_;
    double meanLength_ = 1.0;
    double hingeScale_ = 1.0;
    double barScale_ = 1.0;
};
