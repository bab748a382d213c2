#include "checks/PaperCheck.h"

#include <cmath>
#include <limits>

CPaperEdgeDifference LargestPaperEdgeDifference(const CWorkingShape& mesh, double unitScale)
{
    CPaperEdgeDifference out;
    const size_t triangles = mesh.TriangleCount();
    out.edges = 3 * triangles;
    bool found = false;
    for (size_t t = 0; t < triangles; ++t) {
        for (int j = 0; j < 3; ++j) {
            const int k = j == 2 ? 0 : j + 1;
            const double form = Distance3D(mesh.Pos(t, j), mesh.Pos(t, k)) * unitScale;
            const CPaperPoint& p = mesh.corner[3 * t + j].paper;
            const CPaperPoint& q = mesh.corner[3 * t + k].paper;
            const double paper = Distance2D(p.u, p.v, q.u, q.v);
            double diff = std::fabs(form - paper);
            // NaN compares false with everything; report it rather than skip it.
            if (!std::isfinite(diff))
                diff = std::numeric_limits<double>::infinity();
            if (!found || diff > out.largest) {
                found = true;
                out.largest = diff;
                out.triangle = t;
                out.edge = j;
            }
        }
    }
    return out;
}
