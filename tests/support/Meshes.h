#pragma once
// Tiny meshes for tests, built straight into a model (no file involved).

#include "model/PolyModel.h"

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
// Unit cube as 12 triangles with outward winding.
std::unique_ptr<CPolyModel> Cube();

// Runs BuildTopology and fails the test when it returns false.
void Build(CPolyModel& model);

} // namespace testmesh
