#pragma once
// The design view in "Simulate Fold": the simulated form coloured by its
// strain, and the designed form as a faint ghost around it.

#include "model/Geometry.h"

#include <cstdint>
#include <vector>

struct SimulationSceneState {
    // Per vertex, in the view's unit space, and 3 vertices per triangle.
    const std::vector<CVector3>* positions = nullptr;
    const std::vector<uint32_t>* tris = nullptr;
    // Per vertex: largest relative change of a bar's length; may be null.
    const std::vector<double>* strain = nullptr;
    // The designed form on the same triangles; null or empty for none.
    const std::vector<CVector3>* ghost = nullptr;
    bool showEdges = false;
    // Moves whenever any of the above changes; the arrays are rebuilt only then.
    uint64_t revision = 0;
};

// Strain at which the colour has gone all the way from blue to red.
constexpr double kStrainColourFull = 0.01;

// Red, green and blue in 0..1 for a strain: blue at 0, red at 1% and above.
void StrainColour(double strain, float rgb[3]);

// The simulated form's corner arrays, kept from one picture to the next so
// that a turn of the camera redraws without rebuilding them.
class CSimulationArrays {
public:
    // Draws the state into the current context after the scene set-up;
    // nothing when the positions and triangles do not agree.
    void Draw(const SimulationSceneState& state);

private:
    void Rebuild(const SimulationSceneState& state);

    uint64_t revision_ = 0;
    bool built_ = false;
    std::vector<float> xyz_, normals_, colours_; // flat-shaded corners of the form
    std::vector<float> ghostXyz_, ghostNormals_; // the designed form; empty for none
};
