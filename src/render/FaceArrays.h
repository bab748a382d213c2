#pragma once
// Vertex arrays of one object's faces, so a pane sends a whole object in a
// few glDrawArrays calls instead of one immediate-mode polygon per face.
// Every triangle is held once; the pane lights its back with the two-sided
// light model. Building is plain C++ (testable without a context); only the
// Draw calls touch OpenGL.

#include <cstddef>
#include <cstdint>
#include <vector>

class CPolyObject;
class CWorkingShape;

class CFaceArrays {
public:
    // Fills the arrays from `obj`: every face as a fan of triangles in corner
    // order with the face's normal at each corner. Faces with fewer than
    // three corners are skipped. The outline indices are kept while the
    // faces' corner counts stay the same.
    void Build(const CPolyObject& obj);
    // The same from flat triangles, in one pass over the mesh: positions to
    // floats, each triangle's normal at its three corners.
    void Build(const CWorkingShape& mesh);
    void Clear();

    int TriangleCount() const { return triangles_; }
    const std::vector<float>& Positions() const { return positions_; }
    const std::vector<float>& Normals() const { return normals_; }
    // Pairs of vertex indices: the closed outline of each face.
    const std::vector<uint32_t>& EdgeIndices();

    // Every triangle once, lit on the side facing the viewer when the
    // two-sided light model is on.
    void DrawFaces() const;
    // Every face outline as lines, in the current colour and line width.
    void DrawEdges();

private:
    // Makes the outline indices stale unless the faces' corner counts are
    // those they were built for.
    void SetTopology(std::vector<uint32_t>&& faceSizes);
    void SetTriangleTopology(size_t triangles);

    std::vector<float> positions_;
    std::vector<float> normals_;
    std::vector<uint32_t> edges_;
    // Corner count of each face, for the outlines; empty when every face is a
    // triangle (then trianglesOnly_ holds their count).
    std::vector<uint32_t> faceSizes_;
    size_t trianglesOnly_ = 0;
    int triangles_ = 0;
    bool edgesBuilt_ = false;
};
