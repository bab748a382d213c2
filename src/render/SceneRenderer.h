#pragma once
// Everything a 3D pane draws with OpenGL 1.1 and GLU: the lighting set-up,
// the design view's faces, edges, highlight point and handles. One renderer
// per pane; every call needs that pane's context current.

#include "model/Geometry.h"
#include "render/FaceArrays.h"

#include <cstdint>
#include <memory>
#include <vector>

class CPolyModel;
class CPolyObject;
class CViewCamera;
struct CMaterial;

// Material values for both sides, in the order ambient, diffuse, specular,
// emission, shininess.
void ApplyMaterial(const CMaterial& m);
// The design view's face and handle materials.
const CMaterial& FaceMaterial();
const CMaterial& HandleMaterial();

// What the design view shows besides the model.
struct DesignSceneState {
    bool showFaces = true;
    bool showEdges = false;
    const CVector3* highlighted = nullptr; // red point
    const CVector3* selected = nullptr;    // handles
    // Triangles of colliding pairs, 9 floats each, tinted over the faces on
    // both sides (null or empty: none).
    const std::vector<float>* warning = nullptr;
    // Bumped by the owner whenever the shape changes; the face arrays are
    // rebuilt only when it moves (or the objects themselves are replaced).
    uint64_t shapeRevision = 0;
    // Length of the axis handles drawn at `selected` (the design's drag unit).
    double handleLength = 0.2;
};

class CSceneRenderer {
public:
    CSceneRenderer() = default;
    CSceneRenderer(const CSceneRenderer&) = delete;
    CSceneRenderer& operator=(const CSceneRenderer&) = delete;

    // Compiles the handle shapes into display lists. Call once per context
    // (a reparented widget gets a new one); the lighting set-up runs again.
    void InitGL();
    // Frees the display lists; the context they belong to must be current.
    void ReleaseGL();

    // Lighting set-up on the first draw, then the camera's matrices, the light
    // along the viewing direction, depth and culling state, and the clear.
    // `pixelRatio` scales the camera's logical viewport to device pixels.
    void BeginScene(const CViewCamera& camera, double pixelRatio = 1.0);
    // Design view contents: every face (when shown), lit on the side facing
    // the viewer, with the
    // warning triangles over them, the outlines (when shown) and the
    // highlighted vertex.
    void DrawDesignContents(const CPolyModel& model, const DesignSceneState& state);
    // The three axis handles of the selected vertex at `at`, `length` long.
    void DrawHandles(const CVector3& at, double length);
    // Drops the error state and sets alpha to 1 everywhere, so the picture
    // grabbed from the pane's framebuffer is opaque.
    void EndScene();

    // Seconds spent refreshing face arrays since construction.
    double RefreshSeconds() const { return refreshSeconds_; }

private:
    struct CachedObject {
        const void* object = nullptr; // a CPolyObject or the working CWorkingShape
        uint64_t revision = 0;
        size_t faceCount = 0;
        size_t vertexCount = 0;
        CFaceArrays arrays;
    };
    template <class Shape>
    CFaceArrays& ArraysFor(size_t index, const Shape& shape, size_t faces, size_t vertices,
                           uint64_t revision);
    void DrawArrays(CFaceArrays& arrays, const DesignSceneState& state);
    void DrawWarning(const std::vector<float>& triangles);

    std::vector<CachedObject> cache_;
    unsigned coneList_ = 0;
    unsigned discList_ = 0;
    unsigned sphereList_ = 0;
    bool lightingReady_ = false;
    double refreshSeconds_ = 0.0;
};
