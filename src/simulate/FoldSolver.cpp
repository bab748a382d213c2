#include "simulate/FoldSolver.h"

#include "model/Progress.h"
#include "simulate/BarHingeModel.h"

#include <Eigen/CholmodSupport>

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
    // Supernodal: the 3 x 3 blocks of a vertex's unknowns make dense panels
    // that BLAS factors far faster than a column at a time.
    Eigen::CholmodSupernodalLLT<CBarHingeModel::Matrix, Eigen::Lower> factors;
    std::vector<SolvedState> states;
    CFoldSolver::StepListener listener;
    Eigen::VectorXd gradient, dx, corrector, ddx, load;

    Impl(const CSimPattern& p, const CSimSettings& s) : pattern(p), settings(s)
    {
        // A matrix that is not positive definite is an answer here (Newton
        // falls back to Gauss-Newton), not a warning to print.
        factors.cholmod().print = 0;
        Rebuild();
    }

    void Rebuild()
    {
        model.Build(pattern, settings);
        matrix = model.Pattern();
        factors.analyzePattern(matrix);
        states.clear();
        SolvedState flat;
        flat.x = pattern.paper;
        flat.angles.assign(model.HingeCount(), 0.0);
        states.push_back(std::move(flat));
    }

    // The solved state nearest p with these targets (the flat sheet serves
    // both): anywhere (side 0, never null: the flat sheet is always kept),
    // or strictly above p (side > 0) or below it (side < 0), null when there
    // is none.
    const SolvedState* Nearest(double p, FacetTargets targets, int side = 0) const
    {
        const SolvedState* best = nullptr;
        for (const SolvedState& s : states)
            if ((s.p == 0.0 || s.targets == targets) &&
                (side == 0 || (side > 0 ? s.p > p : s.p < p)) &&
                (!best || std::fabs(s.p - p) < std::fabs(best->p - p)))
                best = &s;
        return best;
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
            factors.setShift(shift * scale);
            factors.factorize(matrix);
            if (factors.info() == Eigen::Success)
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
                dx = factors.solve(-gradient);
                ok = dx.allFinite() && gradient.dot(dx) < 0.0;
            }
            if (!ok) {
                energy = model.Assemble(x, p, targets, angles, gradient, &matrix, false);
                if (!Factorise(true))
                    return StepOutcome::Failed;
                dx = factors.solve(-gradient);
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
            ddx = factors.solve(corrector);
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
        tangent = factors.solve(load);
        if (!tangent.allFinite()) {
            tangent.resize(0);
            bend.resize(0);
            return;
        }
        model.BarCurvature(x, tangent, corrector);
        bend = factors.solve(corrector);
        if (!bend.allFinite())
            bend.setZero(tangent.size());
    }

    // Where the equilibrium at p, h on from x's, should lie: x moved along
    // its tangent's arc by h. The guess stretches the stiff bars to third
    // order, so its energy can be above staying put; but that stretch is what
    // Newton corrects in one iteration, while staying leaves the soft bending
    // modes a whole step behind, which costs a large sheet several.
    // Lines or parabolas through the solved positions do worse: they cut
    // across every turning facet and stretch its bars.
    void Predict(std::vector<CVector3>& x, std::vector<double>& angles, double h,
                 const Eigen::VectorXd& tangent, const Eigen::VectorXd& bend)
    {
        if (tangent.size() != static_cast<Eigen::Index>(model.Unknowns()) ||
            bend.size() != tangent.size())
            return;
        std::vector<CVector3> guess = x;
        model.Move(guess, tangent, h);
        model.Move(guess, bend, h * h);
        std::vector<double> guessAngles;
        model.Angles(guess, angles, guessAngles);
        x.swap(guess);
        angles.swap(guessAngles);
    }

    // A place on the load path: positions, hinge angles, the load, and the
    // tangent there (empty when unknown).
    struct Walk {
        std::vector<CVector3> x;
        std::vector<double> angles;
        double p = 0.0;
        Eigen::VectorXd tangent, bend;
    };
    enum class Outcome { Reached, Stuck, Cancelled };

    // Follows the load path from `w` to `goal` in load steps, each started
    // along the tangent, halved when Newton fails. Every converged step goes
    // to `reached` when given. Stuck leaves `w` at the last converged step.
    Outcome Follow(Walk& w, double goal, FacetTargets targets, ProgressScope& scope,
                   CSimResult& out, std::vector<SolvedState>* reached)
    {
        if (w.tangent.size() == 0 && std::fabs(goal - w.p) > 1e-12) {
            // No tangent kept here (the flat sheet): one factorisation finds
            // it, counted as an iteration.
            model.Assemble(w.x, w.p, targets, w.angles, gradient, &matrix, true);
            ++out.iterations;
            if (Factorise(true))
                Tangent(w.x, targets, w.tangent, w.bend);
        }
        const double from = w.p;
        // A sheet held by its creases alone may rest in more than one shape:
        // it is followed from flat in shorter steps.
        const double longest = targets == FacetTargets::Paper
                                   ? std::min(settings.maxStep, settings.paperMaxStep)
                                   : settings.maxStep;
        double step = std::min(longest, std::fabs(goal - w.p));
        const double shortest = settings.stuckStep * step;
        std::vector<CVector3> trial;
        std::vector<double> trialAngles;
        while (std::fabs(goal - w.p) > 1e-12) {
            const double next =
                std::fabs(goal - w.p) <= step ? goal : w.p + (goal > w.p ? step : -step);
            trial = w.x;
            trialAngles = w.angles;
            Predict(trial, trialAngles, next - w.p, w.tangent, w.bend);
            const int at =
                from == goal
                    ? 0
                    : static_cast<int>(1000.0 * std::fabs(w.p - from) / std::fabs(goal - from));
            ++out.steps;
            const int before = out.iterations;
            const StepOutcome r =
                Step(trial, trialAngles, next, targets, scope, at, out.iterations);
            if (r == StepOutcome::Cancelled)
                return Outcome::Cancelled;
            if (r == StepOutcome::Failed) {
                step *= 0.5;
                if (step < shortest)
                    return Outcome::Stuck;
                continue;
            }
            w.p = next;
            w.x.swap(trial);
            w.angles.swap(trialAngles);
            Tangent(w.x, targets, w.tangent, w.bend);
            if (reached)
                reached->push_back({w.p, targets, w.x, w.angles, w.tangent, w.bend});
            if (out.offTargetFrom < 0.0 &&
                model.CreaseErrorMax(w.angles, w.p, targets) > kOffTargetDegrees)
                out.offTargetFrom = 100.0 * w.p;
            if (listener) {
                CSimResult shown;
                shown.converged = true;
                shown.percent = 100.0 * w.p;
                model.Measure(w.x, w.angles, w.p, targets, shown);
                shown.positions = w.x;
                listener(shown);
            }
            // Longer steps while the tangent lands close, shorter ones (down
            // to an eighth of the longest) where the path bends away from it
            // and Newton wanders.
            const int used = out.iterations - before;
            if (used <= 3)
                step = std::min(longest, 2.0 * step);
            else if (used >= 8 && step > longest / 8.0)
                step *= 0.5;
        }
        return Outcome::Reached;
    }

    // Where the path is stuck (creases that fight each other: a flat fold
    // and a fold across it at the same vertex cannot both start at once
    // without stretching the paper), paper flexes and finds its way: the
    // path is followed with bars a hundred, then a thousand times softer,
    // from where it was stuck and then from the flat sheet (a stiff path
    // may be stuck on a branch the soft one never takes), and the bars are
    // brought back to their stiffness at the goal in steps of the fourth
    // root of ten (larger ones can leave Newton too far from the stiffer
    // rest: a sheet held by its creases alone moves as its bars stiffen). `w`
    // moves only when that succeeds; the result records where the path was
    // stuck.
    bool Relax(Walk& w, double goal, FacetTargets targets, ProgressScope& scope, CSimResult& out)
    {
        const Walk flat{states[0].x, states[0].angles, 0.0, {}, {}};
        for (const Walk* from : {static_cast<const Walk*>(&w), &flat})
            for (const int softness : {2, 3}) {
                Walk trial = *from;
                trial.tangent.resize(0);
                trial.bend.resize(0);
                model.SetBarScale(std::pow(10.0, -softness));
                Outcome r = Follow(trial, goal, targets, scope, out, nullptr);
                for (int e = 4 * softness - 1; r == Outcome::Reached && e >= 0; --e) {
                    model.SetBarScale(std::pow(10.0, -0.25 * e));
                    ++out.steps;
                    const StepOutcome stiffer =
                        Step(trial.x, trial.angles, goal, targets, scope, 1000, out.iterations);
                    r = stiffer == StepOutcome::Converged   ? Outcome::Reached
                        : stiffer == StepOutcome::Cancelled ? Outcome::Cancelled
                                                            : Outcome::Stuck;
                }
                model.SetBarScale(1.0);
                if (r == Outcome::Cancelled) {
                    out.cancelled = true;
                    return false;
                }
                if (r == Outcome::Reached) {
                    Tangent(trial.x, targets, trial.tangent, trial.bend);
                    out.relaxedFrom = 100.0 * w.p;
                    w = std::move(trial);
                    return true;
                }
            }
        return false;
    }

    void Keep(SolvedState&& s)
    {
        for (SolvedState& old : states)
            if (old.p == s.p && old.targets == s.targets) {
                old = std::move(s);
                return;
            }
        if (states.size() >= kMaxStates) {
            // Thin out where states crowd (a slider's recent stops, a path's
            // short steps) rather than dropping the oldest: a state far from
            // the others, the whole fold above all, is dear to solve again.
            size_t drop = 1;
            double gap = kDoubleMax;
            for (size_t i = 1; i < states.size(); ++i)
                for (size_t j = 0; j < states.size(); ++j)
                    if (j != i && (states[j].p == 0.0 || states[j].targets == states[i].targets) &&
                        std::fabs(states[j].p - states[i].p) < gap) {
                        gap = std::fabs(states[j].p - states[i].p);
                        drop = i;
                    }
            states.erase(states.begin() + static_cast<std::ptrdiff_t>(drop));
        }
        states.push_back(std::move(s));
    }
};

CFoldSolver::CFoldSolver(const CSimPattern& pattern, const CSimSettings& settings)
    : impl_(std::make_unique<Impl>(pattern, settings))
{
}

CFoldSolver::~CFoldSolver() = default;

void CFoldSolver::SetStepListener(StepListener listener)
{
    impl_->listener = std::move(listener);
}

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
    const SolvedState& start = *s.Nearest(goal, targets);
    Impl::Walk walk{start.x, start.angles, start.p, {}, {}};
    if (start.targets == targets) {
        walk.tangent = start.tangent;
        walk.bend = start.bend;
    }
    ProgressScope scope(progress, "Simulate Fold");
    scope.SetRange(0, 1000);
    std::vector<SolvedState> reached;
    Impl::Outcome r = s.Follow(walk, goal, targets, scope, out, &reached);
    if (r == Impl::Outcome::Stuck) {
        // The branch followed may end short of the goal (the sheet would
        // snap there); one solved from the other side may reach it.
        if (const SolvedState* other = s.Nearest(goal, targets, start.p < goal ? 1 : -1)) {
            Impl::Walk back{other->x, other->angles, other->p, other->tangent, other->bend};
            if (other->targets != targets) {
                back.tangent.resize(0);
                back.bend.resize(0);
            }
            r = s.Follow(back, goal, targets, scope, out, &reached);
            if (r == Impl::Outcome::Reached)
                walk = std::move(back);
        }
    }
    if (r == Impl::Outcome::Stuck && s.Relax(walk, goal, targets, scope, out))
        r = Impl::Outcome::Reached;
    if (r == Impl::Outcome::Cancelled || out.cancelled) {
        out = CSimResult{};
        out.cancelled = true;
        return false;
    }
    for (SolvedState& kept : reached)
        s.Keep(std::move(kept));
    if (r == Impl::Outcome::Reached && out.relaxedFrom >= 0.0)
        s.Keep({goal, targets, walk.x, walk.angles, walk.tangent, walk.bend});
    out.converged = r == Impl::Outcome::Reached;
    out.percent = 100.0 * walk.p;
    s.model.Measure(walk.x, walk.angles, walk.p, targets, out);
    out.positions = std::move(walk.x);
    return true;
}

bool CFoldSolver::FactorAndSolveOnce(double percent, FacetTargets targets)
{
    Impl& s = *impl_;
    const double p = std::clamp(percent, 0.0, 100.0) / 100.0;
    const SolvedState& state = *s.Nearest(p, targets);
    s.model.Assemble(state.x, p, targets, state.angles, s.gradient, &s.matrix);
    if (!s.Factorise())
        return false;
    s.dx = s.factors.solve(-s.gradient);
    return s.dx.allFinite();
}
