#pragma once
// The polygon model: one model owns objects; an object owns its faces,
// vertices and texture coordinates (in its arena); a face owns its corners.
// Every other link is a plain non-owning pointer.

#include "base/Arena.h"
#include "model/EdgeRecords.h"
#include "model/Geometry.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPolyObject;
class CPolyFace;
class CPolyModel;
class CSlicePlane;
class IProgress;

// Result of every model reader. The opener turns it into a message.
enum ReadResult : int {
    kReadOk = 0,
    kReadFailed = 1,       // "File open failed"
    kReadCancelled = 2,    // "Canceled"
    kReadReported = 3,     // already reported, no message
    kReadLocked = 4,       // "The file is locked."
    kReadNotTriangles = 5, // "Error: Please make all polygons triangle."
};

struct CPolyVertex {
    int32_t id = 0;
    uint8_t mark = 0;
    CVector3 pos;

    CPolyVertex() = default;
    explicit CPolyVertex(const CVector3& p) : pos(p) {}
};

struct CTexCoord {
    double u = 0.0;
    double v = 0.0;
};

struct CFaceCorner {
    CPolyVertex* vertex = nullptr;
    CPolyFace* face = nullptr;
    CFaceCorner* next = nullptr; // ring links, set by CleanCorners
    CFaceCorner* prev = nullptr;
    CTexCoord* tex = nullptr;
    uint8_t enabled = 1;

    CFaceCorner() = default;
    CFaceCorner(CPolyVertex* v, CPolyFace* f) : vertex(v), face(f) {}
};

// Ordered corner list of a face. Triangles keep their corners inline; longer
// polygons spill into the owning object's arena.
class CCornerList {
public:
    using iterator = CFaceCorner**;
    using const_iterator = CFaceCorner* const*;

    CCornerList() = default;
    CCornerList(const CCornerList&) = delete;
    CCornerList& operator=(const CCornerList&) = delete;

    int size() const { return count_; }
    bool empty() const { return count_ == 0; }
    CFaceCorner* operator[](int i) const { return items_[i]; }
    CFaceCorner* front() const { return items_[0]; }
    CFaceCorner* back() const { return items_[count_ - 1]; }
    iterator begin() { return items_; }
    iterator end() { return items_ + count_; }
    const_iterator begin() const { return items_; }
    const_iterator end() const { return items_ + count_; }

    void PushBack(CFaceCorner* c, Arena& arena)
    {
        if (count_ == capacity_)
            Grow(arena);
        items_[count_++] = c;
    }
    // Unlinks every entry equal to c (the corner itself is not destroyed).
    void Remove(const CFaceCorner* c);
    void Erase(int index);
    void Reverse();
    void Clear() { count_ = 0; }
    void Truncate(int n) { count_ = n; }

private:
    void Grow(Arena& arena);

    static constexpr int kInline = 3;
    CFaceCorner* inline_[kInline] = {};
    CFaceCorner** items_ = inline_;
    int32_t count_ = 0;
    int32_t capacity_ = kInline;
};

class CPolyFace {
public:
    explicit CPolyFace(CPolyObject* owner) : object(owner) {}
    CPolyFace(const CPolyFace&) = delete;
    CPolyFace& operator=(const CPolyFace&) = delete;

    CPolyObject* object = nullptr;
    CCornerList corners;
    CVector3 normal;
    double d = 0.0;
    int32_t id = 0;
    int32_t material = -1;
    CVector3 centre;
    uint8_t sel = 0;

    // Creates a corner on vertex v in the owning object's arena and appends it.
    CFaceCorner* AddCorner(CPolyVertex* v);
    // Drops repeated corners (same record or exactly equal position) and links the ring.
    void CleanCorners();
    // Right-hand unit normal of the first three corners and the plane offset.
    void ComputePlane();
};

class CPolyObject {
public:
    CPolyObject() = default;
    CPolyObject(const CPolyObject&) = delete;
    CPolyObject& operator=(const CPolyObject&) = delete;

    std::vector<CPolyFace*> faces;
    std::vector<CPolyVertex*> vertices;
    std::vector<CTexCoord*> texcoords;
    Arena arena; // owns every record above

    // Record factories: the record lives as long as the object (or until Clear).
    CPolyVertex* NewVertex(const CVector3& pos) { return arena.Create<CPolyVertex>(pos); }
    // Creates a vertex and appends it to `vertices`.
    CPolyVertex* AddVertex(const CVector3& pos);
    // Creates a face owned by this object (not yet in `faces`).
    CPolyFace* NewFace() { return arena.Create<CPolyFace>(this); }
    // Creates a face and appends it to `faces`.
    CPolyFace* AddFace();
    CTexCoord* AddTexCoord(double u, double v);

    // Unlinks every entry equal to f from `faces`; the record stays in the arena.
    void RemoveFace(const CPolyFace* f);
    // Destroys every face, corner, vertex and texture coordinate; keeps the memory.
    void Clear();
};

struct CMaterial {
    // ambient RGBA, diffuse RGBA, emission RGBA, specular RGBA, shininess
    float values[17] = {};
};

// The flat sheet the opened model unfolds to (assigned when it is opened).
struct CPaperInfo {
    bool has = false;
    double width = 0.0; // extent of the laid-out sheet, millimetres
    double height = 0.0;
    int pieces = 0;
    std::string whyNot; // why there is no paper, shown by the crease-pattern commands
    // Largest angle defect over interior vertices (degrees) and where it is, as read.
    double maxAngleDefect = 0.0;
    CVector3 maxDefectAt;
    // The paper came from a crease pattern (a FOLD file): the flat sheet, not
    // the form as opened, is what the design's creases are measured from.
    bool fromPattern = false;
    // Largest and mean relative change of an edge's length from the surface
    // as read to the paper (0.001 is 0.1%); 0 for paper a file brought.
    double strainMax = 0.0;
    double strainMean = 0.0;
    // Some piece overlapped itself when unfolded and was split where it did.
    bool split = false;
};

// A committed design state, packed: corners welded by bit-identical position
// and corner data, three indices and the triangle's origin per triangle.
// Planes are recomputed on unpacking, bit for bit as the working copy had them.
//
// The bottom of the undo stack is the model's records as opened: that state
// keeps nothing but `opened` and is unpacked from the records.
//
// States on the undo stack keep the indices, the origins and the edge marks
// compact instead (`index`, `origin` and `edge` then empty): a fold leaves
// most corners next to the ones before them in vertex order, most triangles
// where they were, and marks only the triangles at its creases.
struct CPackedMesh {
    struct Vertex {
        CVector3 pos;
        CCornerData data;
    };
    std::vector<Vertex> vertices;
    std::vector<uint32_t> index; // 3 per triangle
    std::vector<int32_t> origin; // 1 per triangle
    std::vector<uint8_t> edge;   // 3 per triangle: CTriangleData::edge
    // Compact form: each corner's index less the one before it, zigzagged,
    // in 7-bit groups (low first, high bit set on all but the last).
    std::vector<uint8_t> indexDeltas;
    // Compact form: each triangle's origin less the one before it, likewise.
    std::vector<uint8_t> originDeltas;
    size_t triangles = 0; // compact form only
    // Compact form: (t << 24) | e[0] | e[1] << 8 | e[2] << 16 for each
    // triangle t with a marked edge, ascending.
    std::vector<uint64_t> markedEdges;
    // Set for the state that is this model's records as opened (every field
    // above empty).
    const CPolyModel* opened = nullptr;
    bool Compact() const { return !indexDeltas.empty(); }
    // Triangles of the state; 0 for the records as opened (see there).
    size_t TriangleCount() const { return Compact() ? triangles : origin.size(); }
    size_t Bytes() const
    {
        return vertices.capacity() * sizeof(Vertex) + index.capacity() * sizeof(uint32_t) +
               origin.capacity() * sizeof(int32_t) + edge.capacity() + indexDeltas.capacity() +
               originDeltas.capacity() + markedEdges.capacity() * sizeof(uint64_t);
    }
};

class CPolyModel {
public:
    CPolyModel();
    ~CPolyModel();
    CPolyModel(const CPolyModel&) = delete;
    CPolyModel& operator=(const CPolyModel&) = delete;

    std::vector<std::unique_ptr<CPolyObject>> objects;
    CVector3 bboxMax{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    CVector3 bboxMin{kDoubleMax, kDoubleMax, kDoubleMax};
    int32_t faceCount = 0;
    std::string fileName;
    // Why the last read into this model failed; empty when the reader gave no
    // more than its ReadResult.
    std::string whyNotRead;
    uint8_t hasTexCoords = 0;
    std::vector<CMaterial> materials;
    std::vector<std::unique_ptr<CSlicePlane>> planes;
    CSlicePlane* currentPlane = nullptr;
    CSlicePlane* pickedPlane = nullptr;

    // Paper of the first object: 3 points per face in face order (empty when none).
    std::vector<CPaperPoint> paper;
    // EdgeMark bits of the first object's faces as opened, 3 per face in face
    // order (edge j from corner j to j + 1): the creases a reopened design
    // recorded. Empty when the file recorded none.
    std::vector<uint8_t> edgeMarks;
    // What a crease pattern file said about the first object's edges, 3 per
    // face in face order like edgeMarks (model/EdgeRecords.h). Empty when the
    // file said nothing about its edges.
    std::vector<CEdgeRecord> edgeRecords;
    // The file held the folded form beside its crease pattern, so the first
    // object is that form rather than the sheet laid flat.
    bool patternHasForm = false;
    CPaperInfo paperInfo;
    // The file says which faces connect (they share a vertex record), so the
    // paper is laid out across shared records, not coinciding positions:
    // corners of a folded form may meet where the sheet does not join.
    bool paperFromRecords = false;
    // What NormalizeToUnit did: unit position = (position as read - unitCentre) / unitScale.
    CVector3 unitCentre;
    double unitScale = 1.0;

    // Design state (design/DesignStates.h). Until the first commit the shape is
    // the first object; from then on it is `working`, and `objects` keeps the
    // records as opened (the bottom of the undo stack).
    bool designing = false;
    CWorkingShape working;
    // States are never changed once packed; the same state may stand at two
    // places (a selection right after Fix Shape commits the shape just fixed).
    std::vector<std::shared_ptr<const CPackedMesh>> undoStack;
    std::vector<std::shared_ptr<const CPackedMesh>> redoStack;

    // The shape being designed as flat triangles: `working` while designing,
    // otherwise the first object copied into `scratch` (empty without objects).
    const CWorkingShape& CurrentShape(CWorkingShape& scratch) const;

    CPolyObject* AddObject();

    // Readers: each stores the path in fileName first and returns a ReadResult.
    // `progress` may be null (no progress reporting, no cancel).
    ReadResult ReadOBJ(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadMQO(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadDXF(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadWRL(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadROK(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadQWF(const std::string& path, IProgress* progress = nullptr);
    ReadResult Read3DS(const std::string& path, IProgress* progress = nullptr);
    ReadResult Read6KS(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadFOLD(const std::string& path, IProgress* progress = nullptr);
    ReadResult ReadSVG(const std::string& path, IProgress* progress = nullptr);

    // Leaves only clean triangles, numbers faces, sets the bounding box and
    // appends the reflection plane. False when no face survives.
    bool BuildTopology();
    // Scales every vertex into [-1, 1]^3 around the bounding-box centre.
    void NormalizeToUnit();
    // Reverses every face's winding and negates its plane.
    void FlipOrientation();

    size_t VertexCount() const;
};

// Fills `out` as a working copy of the object's triangles, in face order: one
// position per corner, the plane from the corners, origin = the face's index.
// `paper` (3 per face, in face order) may be null: corners then get (0, 0).
// Faces that are not triangles are skipped. `marks` (3 per face, may be null)
// are the triangles' edge marks.
void FlatFromObject(const CPolyObject& object, const CPaperPoint* paper, CWorkingShape& out,
                    const uint8_t* marks = nullptr);
