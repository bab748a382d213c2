#include "simulate/FoldSolver.h"

#include "model/Progress.h"
#include "simulate/BarHingeModel.h"

#include <Eigen/SparseCholesky>

#include <algorithm>
#include <cmath>

namespace {

// Solved states kept for later calls, the flat sheet included: enough for a
// slider's recent stops without holding a whole animation.
constexpr size_t kMaxStates = 24;

struct SolvedState {
    double p = 0.0;
    FacetTargets targets = FacetTargets::Design;
    std::vector<CVector3> x;
    std::vector<double> angles;
    // dx/dp here and the bend that keeps the bars their length along it
    // (empty for the flat sheet, whose targets differ): a load step from here
    // starts at x + h tangent + h^2 bend.
    Eigen::VectorXd tangent, bend;
};

enum class StepOutcome { Converged, Failed, Cancelled };

} // namespace

struct CFoldSolver::Impl {
    const CSimPattern& pattern;
    CSimSettings settings;
    CBarHingeModel model;
    CBarHingeModel::Matrix matrix;
    Eigen::SimplicialLDLT<CBarHingeModel::Matrix, Eigen::Lower> ldlt;
    std::vector<SolvedState> states;
    Eigen::VectorXd gradient, dx, corrector, ddx, load;

    Impl(const CSimPattern& p, const CSimSettings& s) : pattern(p), settings(s) { Rebuild(); }

    void Rebuild()
    {
        model.Build(pattern, settings);
        matrix = model.Pattern();
        ldlt.analyzePattern(matrix);
        states.clear();
        SolvedState flat;
        flat.x = pattern.paper;
        flat.angles.assign(model.HingeCount(), 0.0);
        states.push_back(std::move(flat));
    }

    const SolvedState& Nearest(double p, FacetTargets targets) const
    {
        const SolvedState* best = &states[0];
        for (const SolvedState& s : states)
            if ((s.p == 0.0 || s.targets == targets) && std::fabs(s.p - p) < std::fabs(best->p - p))
                best = &s;
        return *best;
    }

    // Factorises the assembled matrix, with a little added to its diagonal
    // when a free crease or a facet ratio of 0 leaves it singular.
    bool Factorise(bool shiftIfNeeded = true)
    {
        double scale = 0.0;
        for (Eigen::Index c = 0; c < matrix.outerSize(); ++c)
            scale = std::max(scale, matrix.coeff(c, c));
        if (!(scale > 0.0))
            scale = 1.0;
        // No shift first: the softest bending modes of a large sheet are
        // eleven orders below the bars, and any shift slows them.
        for (const double shift : {0.0, 1e-15, 1e-12, 1e-9, 1e-6}) {
            ldlt.setShift(shift * scale);
            ldlt.factorize(matrix);
            if (ldlt.info() == Eigen::Success && (ldlt.vectorD().array() > 0.0).all())
                return true;
            if (!shiftIfNeeded)
                return false;
        }
        return false;
    }

    // Newton's method at load p from x; x and angles hold the result.
    StepOutcome Step(std::vector<CVector3>& x, std::vector<double>& angles, double p,
                     FacetTargets targets, ProgressScope& progress, int progressAt, int& iterations)
    {
        const double tolerance = 1e-9 * model.MeanBarLength();
        std::vector<CVector3> trial;
        std::vector<double> trialAngles;
        for (int it = 0; it < settings.iterationsPerStep; ++it) {
            if (!progress.Update(progressAt))
                return StepOutcome::Cancelled;
            // The exact Hessian where it is positive definite and gives a
            // descent direction; Gauss-Newton's otherwise.
            double energy = model.Assemble(x, p, targets, angles, gradient, &matrix, true);
            ++iterations;
            bool ok = Factorise(true);
            if (ok) {
                dx = ldlt.solve(-gradient);
                ok = dx.allFinite() && gradient.dot(dx) < 0.0;
            }
            if (!ok) {
                energy = model.Assemble(x, p, targets, angles, gradient, &matrix, false);
                if (!Factorise(true))
                    return StepOutcome::Failed;
                dx = ldlt.solve(-gradient);
                if (!dx.allFinite())
                    return StepOutcome::Failed;
            }
            // Converged when the step is below what the bars' lengths can
            // show, or the energy it promises to shed is rounding.
            const double largest = model.LargestMove(dx);
            const double decrement = -gradient.dot(dx);
            if (largest <= tolerance || decrement <= 1e-13 * energy ||
                decrement <= 1e-18 * model.HingeScale())
                return StepOutcome::Converged;
            // A hinge turns its wing on a circle, the step moves it along the
            // tangent and stretches the stiff bars: a second solve with the
            // same factors bends the path into an arc that keeps the bars
            // their length (x + a dx + a^2 ddx), so long steps survive the
            // line search.
            model.BarCurvature(x, dx, corrector);
            ddx = ldlt.solve(corrector);
            if (!ddx.allFinite())
                ddx.setZero(dx.size());
            // Backtracking until the energy falls enough (Armijo).
            const double slope = gradient.dot(dx);
            double alpha = 1.0;
            bool moved = false;
            for (int k = 0; k < 40 && !moved; ++k, alpha *= 0.5) {
                trial = x;
                model.Move(trial, dx, alpha);
                model.Move(trial, ddx, alpha * alpha);
                const double e = model.Energy(trial, p, targets, angles);
                moved = std::isfinite(e) && e <= energy + 1e-4 * alpha * slope;
                if (moved) {
                    x.swap(trial);
                    model.Angles(x, angles, trialAngles);
                    angles.swap(trialAngles);
                }
            }
            if (!moved)
                // No descent left: round-off, when the step is tiny already.
                return largest <= 1e3 * tolerance ? StepOutcome::Converged : StepOutcome::Failed;
        }
        return StepOutcome::Failed;
    }

    // The way the equilibrium at x moves with p, from the factors Step left
    // there when it converged: K dx/dp = the targets' load.
    void Tangent(const std::vector<CVector3>& x, FacetTargets targets, Eigen::VectorXd& tangent,
                 Eigen::VectorXd& bend)
    {
        model.TargetLoad(x, targets, load);
        tangent = ldlt.solve(load);
        if (!tangent.allFinite()) {
            tangent.resize(0);
            bend.resize(0);
            return;
        }
        model.BarCurvature(x, tangent, corrector);
        bend = ldlt.solve(corrector);
        if (!bend.allFinite())
            bend.setZero(tangent.size());
    }

    // Where the equilibrium at p, h on from x's, should lie: x moved along
    // its tangent's arc by h or h/2, when that lowers the energy at p (with
    // long steps the straight tangent can stretch the bars more than staying).
    // Lines or parabolas through the solved positions do worse: they cut
    // across every turning facet and stretch its bars.
    void Predict(std::vector<CVector3>& x, std::vector<double>& angles, double h, double p,
                 FacetTargets targets, const Eigen::VectorXd& tangent, const Eigen::VectorXd& bend)
    {
        if (tangent.size() != static_cast<Eigen::Index>(model.Unknowns()) ||
            bend.size() != tangent.size())
            return;
        double best = model.Energy(x, p, targets, angles);
        std::vector<CVector3> guess, bestX;
        for (const double a : {1.0, 0.5}) {
            guess = x;
            model.Move(guess, tangent, a * h);
            model.Move(guess, bend, a * a * h * h);
            const double e = model.Energy(guess, p, targets, angles);
            if (std::isfinite(e) && e < best) {
                best = e;
                bestX.swap(guess);
            }
        }
        if (bestX.empty())
            return;
        std::vector<double> bestAngles;
        model.Angles(bestX, angles, bestAngles);
        x.swap(bestX);
        angles.swap(bestAngles);
    }

    void Keep(SolvedState&& s)
    {
        for (SolvedState& old : states)
            if (old.p == s.p && old.targets == s.targets) {
                old = std::move(s);
                return;
            }
        if (states.size() >= kMaxStates)
            states.erase(states.begin() + 1); // the oldest but the flat sheet
        states.push_back(std::move(s));
    }
};

CFoldSolver::CFoldSolver(const CSimPattern& pattern, const CSimSettings& settings)
    : impl_(std::make_unique<Impl>(pattern, settings))
{
}

CFoldSolver::~CFoldSolver() = default;

void CFoldSolver::SetSettings(const CSimSettings& settings)
{
    impl_->settings = settings;
    impl_->Rebuild();
}

const CSimSettings& CFoldSolver::Settings() const
{
    return impl_->settings;
}

const CSimPattern& CFoldSolver::Pattern() const
{
    return impl_->pattern;
}

size_t CFoldSolver::SolvedStates() const
{
    return impl_->states.size();
}

bool CFoldSolver::SolveTo(double percent, FacetTargets targets, IProgress* progress,
                          CSimResult& out)
{
    Impl& s = *impl_;
    out = CSimResult{};
    const double goal = std::clamp(percent, 0.0, 100.0) / 100.0;
    const SolvedState& start = s.Nearest(goal, targets);
    std::vector<CVector3> x = start.x, trial;
    std::vector<double> angles = start.angles, trialAngles;
    double p = start.p;
    Eigen::VectorXd tangent, bend;
    if (start.targets == targets) {
        tangent = start.tangent;
        bend = start.bend;
    }
    std::vector<SolvedState> reached;
    ProgressScope scope(progress, "Simulate Fold");
    scope.SetRange(0, 1000);
    if (tangent.size() == 0 && std::fabs(goal - p) > 1e-12) {
        // No tangent kept here (the flat sheet): one factorisation finds it,
        // counted as an iteration.
        s.model.Assemble(x, p, targets, angles, s.gradient, &s.matrix, true);
        ++out.iterations;
        if (s.Factorise(true))
            s.Tangent(x, targets, tangent, bend);
    }
    const double from = p;
    double step = std::min(s.settings.maxStep, std::fabs(goal - p));
    bool failed = false;
    while (std::fabs(goal - p) > 1e-12) {
        const double next = std::fabs(goal - p) <= step ? goal : p + (goal > p ? step : -step);
        trial = x;
        trialAngles = angles;
        s.Predict(trial, trialAngles, next - p, next, targets, tangent, bend);
        const int at =
            from == goal ? 0
                         : static_cast<int>(1000.0 * std::fabs(p - from) / std::fabs(goal - from));
        ++out.steps;
        const int before = out.iterations;
        const StepOutcome r = s.Step(trial, trialAngles, next, targets, scope, at, out.iterations);
        if (r == StepOutcome::Cancelled) {
            out = CSimResult{};
            out.cancelled = true;
            return false;
        }
        if (r == StepOutcome::Failed) {
            step *= 0.5;
            if (step < s.settings.minStep) {
                failed = true;
                break;
            }
            continue;
        }
        p = next;
        x.swap(trial);
        angles.swap(trialAngles);
        s.Tangent(x, targets, tangent, bend);
        reached.push_back({p, targets, x, angles, tangent, bend});
        // Longer steps while the tangent lands close, shorter ones (down to
        // an eighth of the longest) where the path bends away from it and
        // Newton wanders.
        const int used = out.iterations - before;
        if (used <= 3)
            step = std::min(s.settings.maxStep, 2.0 * step);
        else if (used >= 8 && step > s.settings.maxStep / 8.0)
            step *= 0.5;
    }
    for (SolvedState& r : reached)
        s.Keep(std::move(r));
    out.converged = !failed;
    out.percent = 100.0 * p;
    s.model.Measure(x, angles, p, targets, out);
    out.positions = std::move(x);
    return true;
}

bool CFoldSolver::FactorAndSolveOnce(double percent, FacetTargets targets)
{
    Impl& s = *impl_;
    const double p = std::clamp(percent, 0.0, 100.0) / 100.0;
    const SolvedState& state = s.Nearest(p, targets);
    s.model.Assemble(state.x, p, targets, state.angles, s.gradient, &s.matrix);
    if (!s.Factorise())
        return false;
    s.dx = s.ldlt.solve(-s.gradient);
    return s.dx.allFinite();
}
