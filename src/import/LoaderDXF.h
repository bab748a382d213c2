#pragma once
// Reader of the 3D faces of an ASCII DXF drawing: 3DFACE entities and
// polyface meshes (VERTEX entities that are mesh points or mesh faces).
// Everything else in the drawing is passed over.

#include "import/FileBytes.h"
#include "import/WordScanner.h"
#include "model/PolyModel.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProgressScope;

class LoaderDXF {
public:
    // The model should be fresh; the reader appends one object to it.
    LoaderDXF(const std::string& path, CPolyModel& model);

    // Reads the whole file into the model and builds its topology.
    // 0 on success; 1 when the file is missing, empty, truncated after a
    // group code, holds a non-finite coordinate or a mesh index past the
    // points of its polyface, or when no face survives; 2 when cancelled.
    ReadResult Run(IProgress* progress);

private:
    // Exact position with -0.0 folded onto 0.0, so equal coordinates share a key.
    struct PosKey {
        double x, y, z;
        bool operator==(const PosKey& o) const { return x == o.x && y == o.y && z == o.z; }
    };
    struct PosHash {
        size_t operator()(const PosKey& k) const;
    };

    bool ParseVertexEntity();
    bool ParseFaceEntity();
    // Adds a face on shared vertex records; false for a non-finite position.
    bool AddFace(const CVector3* positions, int n);
    CPolyVertex* SharedVertex(const CVector3& pos);

    std::string path_;
    CPolyModel& model_;
    CPolyObject* object_ = nullptr;
    FileBytes bytes_;
    WordScanner words_;
    std::vector<CVector3> meshPoints_; // points of the current polyface mesh
    std::unordered_map<PosKey, CPolyVertex*, PosHash> vertexAt_;
};
