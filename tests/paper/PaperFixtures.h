#pragma once
// Sheets, bent sheets and folded forms with their paper, for the paper tests.

#include "model/PolyModel.h"
#include "model/WorkingShape.h"

#include <functional>
#include <memory>

namespace paperfix {

// rows x cols grid over [0,w] x [0,h] mapped through `place` (identity: flat
// in z = 0), two triangles per cell on shared vertex records.
std::unique_ptr<CPolyModel> MappedGrid(int rows, int cols, double w, double h,
                                       const std::function<CVector3(double, double)>& place);

// The flat sheet [0,w] x [0,h] with paper = (x, y), as a CWorkingShape.
CWorkingShape FlatSheet(int rows, int cols, double w, double h);

// Each corner moved by place(paper point): an isometric `place` gives a folded form.
void Refold(CWorkingShape& mesh, const std::function<CVector3(double, double)>& place);

// The sheet folded along x = at: the part beyond turned by `degrees` about
// that line, towards +z for a positive angle.
CVector3 HingeAt(double x, double y, double at, double degrees);

// Records the edges on the paper line u = at as creases, as a fold step would.
void MarkCreasesAt(CWorkingShape& form, double at);

// Paper area and form area of face f.
double PaperArea(const CPaperPoint& a, const CPaperPoint& b, const CPaperPoint& c);

} // namespace paperfix
