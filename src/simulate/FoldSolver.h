#pragma once
// Folding a crease pattern by a bar-and-hinge model: an axial bar on every
// triangle edge, a hinge on every inner edge. Creases are driven to p x their
// fold angle and facet edges to p x their bend ("to the design") or flat
// ("paper alone"), p the fold percent over 100; undriven creases are free.
// Static equilibrium by Newton's method: exact gradients and Hessians
// (Gauss-Newton's where the exact one is not positive definite), a sparse
// Cholesky factorisation (CHOLMOD's supernodal) whose pattern is analysed
// once, a backtracking line search, and load steps in p halved when a step
// fails, each started from the last solved state moved along its tangent
// dx/dp. Where the path is stuck even so, it is tried from the solved state
// on the goal's other side, and then softer bars carry it to the goal and
// are stiffened there. One triangle of each piece of the sheet is held
// where it lies on the paper.
//
// Threads: a solver is used by one thread at a time; the window runs SolveTo
// on its worker and reads the result when it returns. The pattern must
// outlive the solver and stay unchanged.

#include "model/Geometry.h"

#include <functional>
#include <memory>
#include <vector>

class IProgress;
struct CSimPattern;

enum class FacetTargets {
    Design, // facet edges driven to their designed bend
    Paper,  // facet edges driven flat: the sheet folded by its creases alone
};

struct CSimSettings {
    // Facet hinge stiffness over crease hinge stiffness (both per unit length).
    double facetRatio = 1.0;
    // Bars' axial stiffness over the crease hinges' (per unit length): high
    // enough that a converged fold stretches no bar by 0.05%.
    double axialRatio = 1e5;
    // Largest load step in p (0..1); halved on failure. An eighth keeps the
    // tangent's start close enough for three iterations a step on a bent
    // sheet; a quarter takes three times as many.
    double maxStep = 0.125;
    // The same with "paper alone" targets, whose sheet may rest in more than
    // one shape: small steps keep it on the path from flat.
    double paperMaxStep = 0.05;
    // A step halved below this part of a path's first step counts as stuck
    // (a limit point where the stiff sheet cannot follow its creases), and
    // softer bars take over: halving further mostly buys failed iterations.
    double stuckStep = 0.25;
    // Newton iterations before a step counts as failed: a step the tangent
    // starts well takes under ten even on a large sheet.
    int iterationsPerStep = 16;
};

// How far a crease may lie from its target before the path reports it.
constexpr double kOffTargetDegrees = 0.5;

struct CSimResult {
    bool cancelled = false; // SolveTo was cancelled: nothing else here holds
    bool converged = false; // the last step reached equilibrium at `percent`
    double percent = 0.0;   // where the path ended, 0..100 (the asked one when converged)
    int steps = 0;          // load steps taken (failed ones included)
    int iterations = 0;     // Newton iterations in all
    // Where the path with stiff bars was stuck and softer bars carried it
    // on (0..100); negative when it never was.
    double relaxedFrom = -1.0;
    // The first solved percent of this solve's path at which a crease lay
    // more than kOffTargetDegrees from its target; negative when none did.
    double offTargetFrom = -1.0;
    std::vector<CVector3> positions; // per pattern vertex, mm
    std::vector<double> strain;      // per vertex: largest relative change of a bar's length
    std::vector<double>
        angleError; // per pattern edge, degrees: |angle - p x target| on creases, else 0
    double strainMax = 0.0;
    double strainMean = 0.0;
    double angleErrorMax = 0.0;
};

class CFoldSolver {
public:
    // Analyses the pattern once: the bars, the hinges, the held triangles and
    // the stiffness matrix's sparsity. `pattern` must be a sheet
    // (BuildSimPattern succeeded).
    explicit CFoldSolver(const CSimPattern& pattern, const CSimSettings& settings = {});
    ~CFoldSolver();
    CFoldSolver(const CFoldSolver&) = delete;
    CFoldSolver& operator=(const CFoldSolver&) = delete;

    // Folds to `percent` (0..100, clamped) with the given facet targets,
    // starting from the solved state nearest to it (the flat sheet at first),
    // and fills `out`. Every converged load step is kept as a solved state for
    // later calls. `progress` may be null; its cancel stops the solve between
    // iterations, leaving the solver's states exactly as they were and `out`
    // with only `cancelled` set. Returns false only when cancelled.
    bool SolveTo(double percent, FacetTargets targets, IProgress* progress, CSimResult& out);

    // Called on the solving thread after every converged load step of a
    // SolveTo with the form there (percent, positions, strain and angle
    // errors; `converged` set): a window shows the sheet folding while the
    // solve goes on. Null: none (the default). Not while a solve runs.
    using StepListener = std::function<void(const CSimResult& step)>;
    void SetStepListener(StepListener listener);

    // New stiffness settings; drops every solved state but the flat sheet.
    void SetSettings(const CSimSettings& settings);
    const CSimSettings& Settings() const;
    const CSimPattern& Pattern() const;
    // Solved states held (the flat sheet included).
    size_t SolvedStates() const;

    // For measuring: assembles the stiffness matrix at the last solved state
    // nearest `percent` and runs one numeric factorisation and one solve of it,
    // as a Newton iteration does (the floor of the benchmark). False when the
    // factorisation fails.
    bool FactorAndSolveOnce(double percent, FacetTargets targets);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
