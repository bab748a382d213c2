#pragma once
// The strain of a form against its crease pattern as it is written: what a
// pattern file, the strain pane, info and check report. A fold may snap a
// crease point onto a vertex within the design tolerance, so after folds the
// form and its pattern can differ where the paper as opened did not.

#include <cstddef>
#include <cstdint>
#include <string>

class CPolyModel;
struct CCreasePattern;

struct CPatternStrain {
    double max = 0.0;  // largest relative change of an edge's length (0.001 is 0.1%)
    double mean = 0.0; // over the edges measured
};

// Per edge of the pattern, |paper length - folded length| / folded length,
// the folded positions taken times unitScale (millimetres, as the file has
// them). Edges of no folded length are left out; no edge gives zeros.
CPatternStrain MeasurePatternStrain(const CCreasePattern& pattern, double unitScale);

// The strain of `pattern`, built from the model's current shape, as a file
// written from it carries: while the shape is still the surface its paper was
// laid out on, the strain measured then (the same form and paper, without
// the last bits welding corners by their paper point moves), otherwise
// MeasurePatternStrain. A pattern brought by the file is always measured.
CPatternStrain WrittenStrain(const CPolyModel& model, const CCreasePattern& pattern);
// The model's shape is still the surface its paper was laid out on, so its
// strain is the one measured then.
bool ShapeAsLaidOut(const CPolyModel& model);

// WrittenStrain of the crease pattern of the model's current shape, built as
// a pattern file's is only when it must be measured. Zeros when the model has
// no paper or no pattern.
CPatternStrain MeasureShapeStrain(const CPolyModel& model);

// MeasureShapeStrain kept for the last design state asked about, for a pane
// that asks on every refresh: it measures again only after the model, its
// committed states or its shape's size change (a drag in progress shows the
// strain of the state it started from).
class CShapeStrainCache {
public:
    const CPatternStrain& For(const CPolyModel& model);

private:
    const CPolyModel* model_ = nullptr;
    std::string file_; // another model may come to live where a closed one was
    const void* top_ = nullptr;
    size_t undo_ = 0, redo_ = 0, triangles_ = 0;
    bool designing_ = false, has_ = false, valid_ = false;
    CPatternStrain strain_;
};
