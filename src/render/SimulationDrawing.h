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
};

// Strain at which the colour has gone all the way from blue to red.
constexpr double kStrainColourFull = 0.01;

// Red, green and blue in 0..1 for a strain: blue at 0, red at 1% and above.
void StrainColour(double strain, float rgb[3]);

// Draws the state into the current context after the scene set-up; nothing
// when the positions and triangles do not agree.
void DrawSimulatedForm(const SimulationSceneState& state);
