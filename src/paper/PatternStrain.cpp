#include "paper/PatternStrain.h"

#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <algorithm>
#include <cmath>

CPatternStrain MeasurePatternStrain(const CCreasePattern& pattern, double unitScale)
{
    CPatternStrain s;
    size_t edges = 0;
    for (const CPatternEdge& e : pattern.edges) {
        const double length = Distance3D(pattern.folded[e.a], pattern.folded[e.b]) * unitScale;
        if (!(length > 0.0))
            continue;
        const CPaperPoint &a = pattern.vertices[e.a], &b = pattern.vertices[e.b];
        const double strain = std::fabs(std::hypot(b.u - a.u, b.v - a.v) - length) / length;
        s.max = std::max(s.max, strain);
        s.mean += strain;
        ++edges;
    }
    if (edges)
        s.mean /= static_cast<double>(edges);
    return s;
}

bool ShapeAsLaidOut(const CPolyModel& model)
{
    return !model.designing && !model.paperInfo.fromPattern;
}

namespace {

CPatternStrain AsMeasuredOnOpening(const CPaperInfo& info)
{
    CPatternStrain s;
    s.max = info.strainMax;
    s.mean = info.strainMean;
    return s;
}

} // namespace

CPatternStrain WrittenStrain(const CPolyModel& model, const CCreasePattern& pattern)
{
    return ShapeAsLaidOut(model) ? AsMeasuredOnOpening(model.paperInfo)
                            : MeasurePatternStrain(pattern, model.unitScale);
}

CPatternStrain MeasureShapeStrain(const CPolyModel& model)
{
    if (!model.paperInfo.has || model.objects.empty() ||
        model.paper.size() != 3 * model.objects[0]->faces.size())
        return {};
    if (ShapeAsLaidOut(model))
        return AsMeasuredOnOpening(model.paperInfo);
    // Lengths do not depend on the opened model's own dihedrals: no origin faces.
    const COriginFaces none;
    CCreasePattern pattern;
    CWorkingShape scratch;
    BuildCreasePattern(model.CurrentShape(scratch), none, pattern);
    return MeasurePatternStrain(pattern, model.unitScale);
}

const CPatternStrain& CShapeStrainCache::For(const CPolyModel& model)
{
    const void* top = model.undoStack.empty() ? nullptr : model.undoStack.back().get();
    const size_t triangles = model.designing
                                 ? model.working.TriangleCount()
                                 : (model.objects.empty() ? 0 : model.objects[0]->faces.size());
    if (!valid_ || model_ != &model || file_ != model.fileName || top_ != top ||
        undo_ != model.undoStack.size() || redo_ != model.redoStack.size() ||
        triangles_ != triangles || designing_ != model.designing || has_ != model.paperInfo.has) {
        strain_ = MeasureShapeStrain(model);
        model_ = &model;
        file_ = model.fileName;
        top_ = top;
        undo_ = model.undoStack.size();
        redo_ = model.redoStack.size();
        triangles_ = triangles;
        designing_ = model.designing;
        has_ = model.paperInfo.has;
        valid_ = true;
    }
    return strain_;
}
