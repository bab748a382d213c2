// lintoro-cli fold IN -o OUT.obj ACTIONS...

#include "cli/CliCommand.h"

#include "base/AtomicFile.h"
#include "base/ParseNumber.h"
#include "design/DesignSession.h"
#include "export/CreasePatternFile.h"
#include "export/ExportOBJ.h"
#include "export/PatternOptions.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli fold IN -o OUT.obj ACTIONS...\n"
    "Opens IN as the program would (scaled into the cube [-1, 1]^3), folds it\n"
    "as the design view does, and writes the first object to OUT.obj.\n"
    "Actions, applied in order:\n"
    "  --select X,Y,Z         select the vertex nearest the point (ends a\n"
    "                         selection first), as a click on it does\n"
    "  --drag AXIS:DIST[:N]   drag the selected vertex DIST along x, y or z in N\n"
    "                         equal mouse-move steps (default 1), then release\n"
    "  --drag-by DX,DY,DZ[:N] drag the selected vertex by that vector in N equal\n"
    "                         steps (default 1), as a free drag does, then release\n"
    "  --fix                  Fix Shape (needs a selected vertex)\n"
    "  --deselect             end the selection (SPACE)\n"
    "  --undo                 Undo\n"
    "  --redo                 Redo: takes again the step the last --undo took back\n"
    "  --behind               Fold Flat Flaps Behind: flat creases of the following\n"
    "                         steps take the opposite sign\n"
    "  --in-front             back to flat flaps in front (the default)\n"
    "Output:\n"
    "  --crease-pattern FILE  also write the final form's crease pattern, FOLD for\n"
    "                         FILE.fold, SVG for FILE.svg, PDF for FILE.pdf, DXF\n"
    "                         for FILE.dxf (may be repeated); prints 'creases N\n"
    "                         mountain M valley V' (N = M + V). Fails, writing\n"
    "                         nothing, when the model does not unfold flat\n"
    "  --side S               front (default), back (mirrored, mountain and valley\n"
    "                         swapped), both, or split (valleys on the front,\n"
    "                         mountains on the back) for SVG, DXF and PDF\n"
    "  --dash LEN,GAP[,MARGIN] creases as dashes (mm), stopping MARGIN (default 1)\n"
    "                         short of their ends and the paper's edge\n"
    "  --bends                draw the bends as faint guides on a layer of their own\n"
    "Prints for each drag, in order, 'last fold angle A': the fold angle in\n"
    "degrees of the crease its last accepted step made (valley positive), or\n"
    "'none' when it had no accepted step. Then prints\n"
    "'accepted N rejected M faces F vertices V' (drag steps of the run,\n"
    "faces and vertex records written) and 'median step T ms' (the median time\n"
    "of a folding drag step), then 'intersections N' (pairs of faces of the final\n"
    "form that pass through each other). Every target is checked before the fold\n"
    "and every file made before any is written: when an action or a target fails,\n"
    "nothing is written.\n";

constexpr int kMaxSteps = 1000000;

struct Action {
    enum Kind { kSelect, kDrag, kFix, kDeselect, kUndo, kRedo, kBehind, kInFront };
    explicit Action(Kind k) : kind(k) {}
    Kind kind;
    CVector3 point; // kSelect
    int axis = 0;   // kDrag: 0 x, 1 y, 2 z; -1 along `point` (--drag-by)
    double distance = 0.0;
    int steps = 1;
};

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == sep)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

bool ParsePoint(const std::string& text, CVector3& out)
{
    const std::vector<std::string> parts = Split(text, ',');
    return parts.size() == 3 && ParseNumber(parts[0], out.x) && ParseNumber(parts[1], out.y) &&
           ParseNumber(parts[2], out.z);
}

bool ParseDrag(const std::string& text, Action& out)
{
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    const std::string& axis = parts[0];
    if (axis == "x" || axis == "X")
        out.axis = 0;
    else if (axis == "y" || axis == "Y")
        out.axis = 1;
    else if (axis == "z" || axis == "Z")
        out.axis = 2;
    else
        return false;
    if (!ParseNumber(parts[1], out.distance))
        return false;
    return parts.size() == 2 || ParseIntArg(parts[2], 1, kMaxSteps, out.steps);
}

bool ParseDragBy(const std::string& text, Action& out)
{
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() < 1 || parts.size() > 2 || !ParsePoint(parts[0], out.point))
        return false;
    out.axis = -1;
    return parts.size() == 1 || ParseIntArg(parts[1], 1, kMaxSteps, out.steps);
}

bool ParseDash(const std::string& text, CPatternOptions& out)
{
    const std::vector<std::string> parts = Split(text, ',');
    double dash = 0.0, gap = 0.0, margin = CPatternOptions::kDefaultMargin;
    if (parts.size() < 2 || parts.size() > 3 || !ParseNumber(parts[0], dash) ||
        !ParseNumber(parts[1], gap) || (parts.size() == 3 && !ParseNumber(parts[2], margin)) ||
        !ValidDashLengths(dash, gap, margin))
        return false;
    out.dashed = true;
    out.dash = dash;
    out.gap = gap;
    out.margin = margin;
    return true;
}

int Failed(const std::string& text)
{
    std::fprintf(stderr, "lintoro-cli fold: %s\n", text.c_str());
    return kExitFailed;
}

} // namespace

int RunFold(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    std::string out;
    std::vector<Action> actions;
    std::vector<std::string> patterns;
    CPatternOptions patternOptions;
    for (size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i])) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        OptionArg opt = SplitOption(args[i]);
        const bool takesValue = opt.name == "-o" || opt.name == "--select" ||
                                opt.name == "--drag" || opt.name == "--drag-by" ||
                                opt.name == "--crease-pattern" || opt.name == "--side" ||
                                opt.name == "--dash";
        const bool flag = opt.name == "--fix" || opt.name == "--deselect" || opt.name == "--undo" ||
                          opt.name == "--redo" || opt.name == "--behind" ||
                          opt.name == "--in-front";
        if (opt.name == "--bends") {
            if (opt.hasValue)
                return UsageError("fold", "--bends takes no value");
            patternOptions.bends = true;
            continue;
        }
        if (flag) {
            if (opt.hasValue)
                return UsageError("fold", opt.name + " takes no value");
            actions.emplace_back(opt.name == "--fix"        ? Action::kFix
                                 : opt.name == "--deselect" ? Action::kDeselect
                                 : opt.name == "--undo"     ? Action::kUndo
                                 : opt.name == "--behind"   ? Action::kBehind
                                 : opt.name == "--in-front" ? Action::kInFront
                                                            : Action::kRedo);
            continue;
        }
        if (!takesValue) {
            if (opt.name.size() > 1 && opt.name[0] == '-')
                return UsageError("fold", "unknown option '" + args[i] + "'");
            paths.push_back(args[i]);
            continue;
        }
        if (!opt.hasValue) {
            if (i + 1 >= args.size())
                return UsageError("fold", opt.name + " needs a value");
            opt.value = args[++i];
        }
        if (opt.name == "-o") {
            out = opt.value;
        } else if (opt.name == "--crease-pattern") {
            patterns.push_back(opt.value);
        } else if (opt.name == "--side") {
            if (!ParsePatternSide(opt.value, patternOptions.side))
                return UsageError("fold", "--side takes front, back, both or split");
        } else if (opt.name == "--dash") {
            if (!ParseDash(opt.value, patternOptions))
                return UsageError("fold", "--dash takes LEN,GAP[,MARGIN] in mm: a dash and a gap "
                                          "from 0.01 to 1000, a margin from 0 to 1000");
        } else if (opt.name == "--select") {
            Action a(Action::kSelect);
            if (!ParsePoint(opt.value, a.point))
                return UsageError("fold", "--select takes X,Y,Z (three numbers)");
            actions.push_back(a);
        } else if (opt.name == "--drag-by") {
            Action a(Action::kDrag);
            if (!ParseDragBy(opt.value, a))
                return UsageError("fold", "--drag-by takes DX,DY,DZ[:STEPS] with STEPS from 1 to " +
                                              std::to_string(kMaxSteps));
            actions.push_back(a);
        } else {
            Action a(Action::kDrag);
            if (!ParseDrag(opt.value, a))
                return UsageError("fold", "--drag takes AXIS:DIST[:STEPS] with AXIS x, y or z "
                                          "and STEPS from 1 to " +
                                              std::to_string(kMaxSteps));
            actions.push_back(a);
        }
    }
    if (paths.size() != 1)
        return UsageError("fold", "expected one input file");
    if (out.empty())
        return UsageError("fold", "no output file given (-o OUT.obj)");
    // Every target is checked before the fold, so that a run that cannot
    // write all of its files writes none of them.
    for (const std::string& path : patterns)
        if (CreasePatternFormatOf(path) == CreasePatternFormat::kUnknown)
            return Failed(kCreasePatternFormatsMessage);
    for (const std::string& path : patterns)
        if (!CanReplaceFile(path))
            return Failed(kCannotWriteMessage);
    if (!CanReplaceFile(out)) {
        std::fprintf(stderr, "%s\n", kCannotWriteMessage);
        return kExitFailed;
    }

    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(paths[0], model); status != kExitOk)
        return status;
    if (!patterns.empty() && !model->paperInfo.has)
        return Failed(model->paperInfo.whyNot);
    CDesignSession session;
    session.AttachModel(model.get());

    std::vector<double> stepMs;
    // Printed with the summary, so that a run that fails prints nothing.
    std::string angleLines;
    for (const Action& a : actions) {
        switch (a.kind) {
        case Action::kSelect: {
            if (session.HasSelection())
                session.Deselect();
            const CShapeCorner v = NearestShapeCorner(*model, a.point);
            if (v.seq < 0)
                return Failed("the model has no vertex to select");
            session.SetHighlighted(v);
            session.ResetPlaneToSquare(); // the left press
            session.EndLeftClick();       // the release commits and selects
            break;
        }
        case Action::kDrag: {
            if (!session.HasSelection())
                return Failed(std::string(a.axis < 0 ? "--drag-by" : "--drag") +
                              " needs a selected vertex (use --select first)");
            session.SetHandle(a.axis + 1); // the free drag has none
            CVector3 delta;
            if (a.axis < 0)
                delta = a.point * (1.0 / a.steps);
            else
                (a.axis == 0 ? delta.x : a.axis == 1 ? delta.y : delta.z) = a.distance / a.steps;
            const int acceptedBefore = session.AcceptedSteps();
            for (int s = 0; s < a.steps; ++s) {
                const auto t0 = std::chrono::steady_clock::now();
                const auto outcome = session.DragBy(delta);
                const auto t1 = std::chrono::steady_clock::now();
                if (outcome == CDesignSession::DragOutcome::kAccepted)
                    stepMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            }
            char line[64];
            if (session.AcceptedSteps() > acceptedBefore && session.FoldAngle())
                std::snprintf(line, sizeof line, "last fold angle %.1f\n", *session.FoldAngle());
            else
                std::snprintf(line, sizeof line, "last fold angle none\n");
            angleLines += line;
            session.EndLeftClick();
            break;
        }
        case Action::kFix:
            if (!session.FixShape())
                return Failed("--fix needs a selected vertex");
            break;
        case Action::kDeselect:
            session.Deselect();
            break;
        case Action::kUndo:
            session.Undo();
            break;
        case Action::kRedo:
            session.Redo();
            break;
        case Action::kBehind:
        case Action::kInFront:
            session.SetFoldFlatBehind(a.kind == Action::kBehind);
            break;
        }
    }
    // What the file gets is what an export now would write: a selected vertex
    // sits at its last accepted position.
    session.Deselect();
    // Nothing is undone from here on: the states' memory goes to the outputs.
    model->undoStack.clear();
    model->redoStack.clear();

    // Every output is made in memory first; only then is anything written.
    CCreasePattern pattern;
    std::vector<std::string> patternBytes(patterns.size());
    if (!patterns.empty()) {
        std::string error;
        if (!BuildModelCreasePattern(*model, pattern, error))
            return Failed(error);
        for (size_t i = 0; i < patterns.size(); ++i)
            if (!CreasePatternBytes(*model, pattern, CreasePatternFormatOf(patterns[i]),
                                    patternOptions, patternBytes[i]))
                return Failed(kCannotWriteMessage);
    }
    std::string objBytes;
    if (!ObjBytes(*model, objBytes) || !WriteBytesReplacing(out, objBytes)) {
        std::fprintf(stderr, "%s\n", kCannotWriteMessage);
        return kExitFailed;
    }
    for (size_t i = 0; i < patterns.size(); ++i)
        if (!WriteBytesReplacing(patterns[i], patternBytes[i]))
            return Failed(kCannotWriteMessage);
    objBytes = std::string();
    patternBytes.clear();
    size_t faces = 0, vertices = 0;
    if (model->designing) {
        faces = model->working.TriangleCount();
        vertices = model->working.CornerCount();
    } else if (!model->objects.empty()) {
        faces = model->objects[0]->faces.size();
        vertices = model->objects[0]->vertices.size();
    }
    std::fputs(angleLines.c_str(), stdout);
    std::printf("accepted %d rejected %d faces %zu vertices %zu\n", session.AcceptedSteps(),
                session.RejectedSteps(), faces, vertices);
    double median = 0.0;
    if (!stepMs.empty()) {
        std::sort(stepMs.begin(), stepMs.end());
        const size_t n = stepMs.size();
        median = n % 2 ? stepMs[n / 2] : (stepMs[n / 2 - 1] + stepMs[n / 2]) / 2.0;
    }
    std::printf("median step %.3f ms\n", median);
    std::printf("intersections %zu\n", ShapeIntersections(*model));
    if (!patterns.empty()) {
        // Creases are the mountains and valleys; bends and the boundary are not.
        int mountains = 0, valleys = 0;
        for (const CPatternEdge& e : pattern.edges) {
            mountains += e.kind == CreaseKind::Mountain;
            valleys += e.kind == CreaseKind::Valley;
        }
        std::printf("creases %d mountain %d valley %d\n", mountains + valleys, mountains, valleys);
    }
    return kExitOk;
}
