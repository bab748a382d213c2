#pragma once
// Contents of a slice: flat parts of the cross-section and the lines where
// the slice crosses other slices.

#include <memory>
#include <vector>

class CSlicePlane;

struct PartVertex {
    double x = 0.0, y = 0.0, z = 0.0; // model space
    double u = 0.0, v = 0.0;          // the slice's plane coordinates
};

struct PartTriangle {
    const PartVertex* v[3] = {nullptr, nullptr, nullptr};
};

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
};

class IntersectionLine {
public:
    IntersectionLine() = default;
    virtual ~IntersectionLine() = default;

    double x1 = 0.0, y1 = 0.0, z1 = 0.0;
    double x2 = 0.0, y2 = 0.0, z2 = 0.0;
    double u1 = 0.0, v1 = 0.0, u2 = 0.0, v2 = 0.0;
    CSlicePlane* owner = nullptr;
    IntersectionLine* partner = nullptr;
    int id = -1;
    int partnerId = -1;
};
