#pragma once
// Contents of a slice: flat parts of the cross-section and the lines where
// the slice crosses other slices. A slice (CSlicePlane) owns both; every
// other link between these records is a plain non-owning pointer.

#include <memory>
#include <vector>

class CSlicePlane;

struct PartVertex {
    double x = 0.0, y = 0.0, z = 0.0; // model space
    double u = 0.0, v = 0.0;          // the slice's plane coordinates

    PartVertex() = default;
    PartVertex(double px, double py, double pz, double pu, double pv)
        : x(px), y(py), z(pz), u(pu), v(pv)
    {
    }
};

// Three vertices of the owning part's outline, in the tessellator's order.
struct PartTriangle {
    const PartVertex* v[3] = {nullptr, nullptr, nullptr};
};

// One closed piece of a slice's cross-section. The outline is a polyline in
// list order, closed when its last vertex repeats its first.
class Spart {
public:
    explicit Spart(CSlicePlane* ownerSlice) : owner(ownerSlice) {}
    virtual ~Spart() = default;
    Spart(const Spart&) = delete;
    Spart& operator=(const Spart&) = delete;

    CSlicePlane* owner = nullptr;
    std::vector<std::unique_ptr<PartVertex>> outline;
    std::vector<PartTriangle> triangles;
    bool marked = false;
    bool highlight = false;

    // Appends an outline vertex and returns it.
    PartVertex* AddVertex(double x, double y, double z, double u, double v);

    // Replaces the triangles by a tessellation of the outline in (u, v).
    // Fewer than three vertices give no triangles. A self-crossing outline
    // gives whatever the tessellator emits without inventing vertices (the
    // fill may have gaps, never a triangle on a foreign vertex). Never fails.
    void Triangulate();
};

// A segment where the owning slice crosses another slice; its partner is the
// same segment stored on that other slice. Pairs are mutual.
class IntersectionLine {
public:
    IntersectionLine() = default;
    // Start x y z, end x y z, start u v, end u v; no partner, ids -1.
    IntersectionLine(double px1, double py1, double pz1, double px2, double py2, double pz2,
                     double pu1, double pv1, double pu2, double pv2, CSlicePlane* ownerSlice)
        : x1(px1), y1(py1), z1(pz1), x2(px2), y2(py2), z2(pz2), u1(pu1), v1(pv1), u2(pu2), v2(pv2),
          owner(ownerSlice)
    {
    }
    virtual ~IntersectionLine() = default;
    IntersectionLine(const IntersectionLine&) = delete;
    IntersectionLine& operator=(const IntersectionLine&) = delete;

    double x1 = 0.0, y1 = 0.0, z1 = 0.0;
    double x2 = 0.0, y2 = 0.0, z2 = 0.0;
    double u1 = 0.0, v1 = 0.0, u2 = 0.0, v2 = 0.0;
    CSlicePlane* owner = nullptr;
    IntersectionLine* partner = nullptr;
    int id = -1;
    int partnerId = -1;
};
