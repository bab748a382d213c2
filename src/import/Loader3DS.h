#pragma once
// Reader of the triangle meshes of a 3D Studio chunk file: vertex lists, face
// lists and mapping coordinates. Lights, cameras, viewports, materials, the
// keyframer and object names are passed over.

#include "model/PolyModel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ProgressScope;

class Loader3DS {
public:
    // The reader keeps a reference to the bytes; they must outlive Run.
    // The model should be fresh; the reader appends one object holding every mesh.
    Loader3DS(const std::vector<uint8_t>& data, CPolyModel& model);

    // Walks the chunks and builds the topology.
    // 0 on success; 1 when the first id is not 4D4D, an editor chunk holds a
    // mesh version chunk (3D3E) whose version is 2 or less, a chunk length is below 6 or runs past
    // its parent (or the file), a count needs more bytes than its chunk holds, a face index lies
    // past its mesh's vertices, a coordinate is not finite, or no face survives; 2 when cancelled.
    ReadResult Run(IProgress* progress);

private:
    struct Chunk {
        uint16_t id;
        size_t start; // position of the id
        size_t end;   // one past the last byte
        size_t Body() const { return start + 6; }
    };
    // The state of one triangle mesh: faces index its own vertex list.
    struct Mesh {
        std::vector<CPolyVertex*> vertices;
        size_t firstFace = 0;
        int32_t firstId = 0;
        std::vector<float> uv; // u, v pairs of the mesh's vertices, in order
    };

    template <class Handler> ReadResult ForEachSub(size_t from, size_t end, Handler&& handler);
    ReadResult Progress(size_t pos);
    ReadResult ReadMain(const Chunk& c);
    ReadResult ReadEditor(const Chunk& c);
    ReadResult ReadObject(const Chunk& c);
    ReadResult ReadMesh(const Chunk& c);
    // The record count a list chunk starts with and where its records begin;
    // false when the chunk cannot hold them.
    bool ListStart(const Chunk& c, size_t recordSize, size_t& count, size_t& pos) const;
    ReadResult ReadVertices(const Chunk& c, Mesh& mesh);
    ReadResult ReadFaces(const Chunk& c, Mesh& mesh);
    ReadResult ReadMapping(const Chunk& c, Mesh& mesh);
    void AttachMapping(const Mesh& mesh);

    uint16_t U16(size_t pos) const;
    uint32_t U32(size_t pos) const;
    float F32(size_t pos) const;

    const std::vector<uint8_t>& data_;
    CPolyModel& model_;
    CPolyObject* object_ = nullptr;
    ProgressScope* scope_ = nullptr;
    int32_t nextId_ = 1;
    int lastPercent_ = 0;
};
