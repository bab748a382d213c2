#pragma once
// Tiny meshes for tests, built straight into a model (no file involved).

#include "model/PolyModel.h"
#include "model/WorkingShape.h"

#include <cmath>
#include <functional>

#include <memory>
#include <vector>

namespace testmesh {

// Adds a face on fresh vertex records (one per corner, as the OBJ reader does).
CPolyFace* AddFace(CPolyObject* obj, const std::vector<CVector3>& corners);
// Adds a face on existing vertex records.
CPolyFace* AddFaceOn(CPolyObject* obj, const std::vector<CPolyVertex*>& vertices);

// One triangle (0,0,0) (1,0,0) (0,1,0).
std::unique_ptr<CPolyModel> Triangle();
// Two triangles sharing the edge (1,0,0)-(0,1,0) in the z = 0 plane.
std::unique_ptr<CPolyModel> Strip();
// rows x cols cells over [0,w] x [0,h], two triangles per cell, z = height(x, y).
std::unique_ptr<CPolyModel> Grid(int rows, int cols, double w = 1.0, double h = 1.0,
                                 double (*height)(double, double) = nullptr);
// Calls emit(a, b, c) for the two triangles of every cell of a rows x cols
// grid, row by row, with at(r, c) placing grid point (r, c): the one cell
// split every grid builder here shares.
template <class At, class Emit> void ForEachGridTriangle(int rows, int cols, At&& at, Emit&& emit)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            emit(at(r, c), at(r, c + 1), at(r + 1, c + 1));
            emit(at(r, c), at(r + 1, c + 1), at(r + 1, c));
        }
}
// A grid of rows x cols cells of side `cell` from `origin`, its inner points
// moved at random by up to `jitter` of a cell (reproducible by `seed`), raised
// by height(x, y) of the unmoved-origin coordinates; on fresh vertex records.
void AddGrid(CPolyObject* o, int rows, int cols, CVector3 origin, double cell,
             double (*height)(double, double), double jitter = 0.0, unsigned seed = 1);
// Flat-mesh sheet: rows x cols cells over [x0, x1] x [y0, y1], the point at
// (x, y) placed at place(x, y); triangle origins number the triangles.
void AddSheet(CWorkingShape& m, int rows, int cols, double x0, double x1, double y0, double y1,
              const std::function<CVector3(double, double)>& place);
// Smooth bumps for curved sheets: amp * sin(fx x) * cos(fy y).
template <double Amp, double Fx, double Fy> double Wave(double x, double y)
{
    return Amp * std::sin(Fx * x) * std::cos(Fy * y);
}

// Unit cube as 12 triangles with outward winding.
std::unique_ptr<CPolyModel> Cube();

// Runs BuildTopology and fails the test when it returns false.
void Build(CPolyModel& model);

// Signed area of the model's paper: every triangle's paper points, summed.
double PaperArea(const CPolyModel& model);

} // namespace testmesh
