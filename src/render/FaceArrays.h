#pragma once
// Vertex arrays of one object's faces, so a pane sends a whole object in a
// few glDrawArrays calls instead of one immediate-mode polygon per face.
// Building is plain C++ (testable without a context); only the Draw calls
// touch OpenGL.

#include <cstdint>
#include <vector>

class CPolyObject;
class CFlatMesh;

class CFaceArrays {
public:
    // Fills the arrays from `obj`: every face as a fan of triangles, first all
    // front sides (corner order, the face's normal), then all back sides
    // (reverse corner order, the negated normal). Faces with fewer than three
    // corners are skipped. Edge indices are built on first use.
    void Build(const CPolyObject& obj);
    // The same from flat triangles.
    void Build(const CFlatMesh& mesh);
    void Clear();

    // Triangles of one side (the back block holds as many).
    int SideTriangleCount() const { return sideTriangles_; }
    const std::vector<float>& Positions() const { return positions_; }
    const std::vector<float>& Normals() const { return normals_; }
    // Pairs of indices into the front block: the closed outline of each face.
    const std::vector<uint32_t>& EdgeIndices();

    // Both sides, lit; back-face culling leaves the side facing the viewer.
    void DrawFaces() const;
    // Every face outline as lines, in the current colour and line width.
    void DrawEdges();

private:
    std::vector<float> positions_;
    std::vector<float> normals_;
    std::vector<uint32_t> edges_;
    // Corner count of each face in the front block, for the outlines.
    std::vector<uint32_t> faceSizes_;
    int sideTriangles_ = 0;
    bool edgesBuilt_ = false;
};
