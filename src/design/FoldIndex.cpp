#include "design/FoldIndex.h"

#include "model/PolyModel.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// Bit pattern of a coordinate: corners in one group mirror to identical bits
// (so -0 and +0 stay apart).
uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

double CellSizeFor(const std::vector<CVector3>& pos, const std::vector<uint8_t>& triangle) {
    // Twice the mean edge of a sample keeps a few dozen corners per cell on an
    // even mesh; never below two reaches, so a tolerance box spans at most two
    // cells per axis.
    double sum = 0.0;
    int count = 0;
    const size_t faces = triangle.size();
    const size_t stride = std::max<size_t>(1, faces / 4096);
    for (size_t f = 0; f < faces; f += stride) {
        if (!triangle[f])
            continue;
        const double e = Distance3D(pos[3 * f], pos[3 * f + 1]);
        if (std::isfinite(e)) {
            sum += e;
            ++count;
        }
    }
    double size = count > 0 ? 2.0 * sum / count : 0.0;
    const double least = 4.0 * CFoldIndex::kReach;
    if (!(size > least) || !std::isfinite(size))
        size = least;
    return size;
}

} // namespace

void CFoldIndex::Clear() {
    faceCount_ = 0;
    allTriangles_ = true;
    triangle_.clear();
    pos_.clear();
    normal_.clear();
    d_.clear();
    cells_.Reset(0);
    cellStart_.clear();
    cellCorners_.clear();
    groupOf_.clear();
    groupCount_ = 0;
    cornerNeighbours_.clear();
    neighbours_.clear();
}

void CFoldIndex::Build(const CPolyObject& object) {
    Clear();
    faceCount_ = static_cast<int32_t>(object.faces.size());
    const size_t n = object.faces.size();
    triangle_.assign(n, 0);
    pos_.assign(3 * n, CVector3{});
    normal_.assign(n, CVector3{});
    d_.assign(n, 0.0);
    for (size_t f = 0; f < n; ++f) {
        const CPolyFace* face = object.faces[f];
        if (face->corners.size() != 3) {
            allTriangles_ = false;
            continue;
        }
        triangle_[f] = 1;
        for (int j = 0; j < 3; ++j)
            pos_[3 * f + j] = face->corners[j]->vertex->pos;
        PlaneOf(pos_[3 * f], pos_[3 * f + 1], pos_[3 * f + 2], normal_[f], d_[f]);
    }

    // Corners sorted by cell; each cell holds a range of that order.
    cells_.SetCellSize(CellSizeFor(pos_, triangle_));
    std::vector<int32_t> order;
    order.reserve(3 * n);
    for (size_t f = 0; f < n; ++f)
        if (triangle_[f])
            for (int j = 0; j < 3; ++j)
                order.push_back(static_cast<int32_t>(3 * f + j));
    std::vector<CellKey> keys(3 * n);
    for (int32_t k : order)
        keys[k] = cells_.KeyOf(pos_[k]);
    std::sort(order.begin(), order.end(),
              [&](int32_t l, int32_t r) { return keys[l] == keys[r] ? l < r : keys[l] < keys[r]; });
    cellCorners_ = order;
    cells_.Reset(order.size() / 4 + 1);
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i]] == keys[order[i - 1]])
            continue;
        cells_.Slot(keys[order[i]]) = static_cast<int32_t>(cellStart_.size());
        cellStart_.push_back(static_cast<int32_t>(i));
    }
    cellStart_.push_back(static_cast<int32_t>(order.size()));

    // Corners at the same position share one neighbour list.
    std::sort(order.begin(), order.end(), [&](int32_t l, int32_t r) {
        const CVector3& a = pos_[l];
        const CVector3& b = pos_[r];
        if (Bits(a.x) != Bits(b.x))
            return Bits(a.x) < Bits(b.x);
        if (Bits(a.y) != Bits(b.y))
            return Bits(a.y) < Bits(b.y);
        if (Bits(a.z) != Bits(b.z))
            return Bits(a.z) < Bits(b.z);
        return l < r;
    });
    groupOf_.assign(3 * n, 0);
    cornerNeighbours_.assign(3 * n, Range{});
    std::vector<int32_t> found;
    int32_t group = -1;
    Range range;
    for (size_t i = 0; i < order.size(); ++i) {
        const int32_t k = order[i];
        const CVector3& p = pos_[k];
        const bool same = i > 0 && Bits(p.x) == Bits(pos_[order[i - 1]].x) &&
                          Bits(p.y) == Bits(pos_[order[i - 1]].y) &&
                          Bits(p.z) == Bits(pos_[order[i - 1]].z);
        if (!same) {
            ++group;
            range.begin = static_cast<int32_t>(neighbours_.size());
            found.clear();
            ForEachCornerNear(p, kReach, [&](int32_t other) {
                if (Distance3D(pos_[other], p) < kTolerance)
                    found.push_back(other / 3);
            });
            std::sort(found.begin(), found.end(), std::greater<int32_t>());
            found.erase(std::unique(found.begin(), found.end()), found.end());
            neighbours_.insert(neighbours_.end(), found.begin(), found.end());
            range.end = static_cast<int32_t>(neighbours_.size());
        }
        groupOf_[k] = group;
        cornerNeighbours_[k] = range;
    }
    groupCount_ = group + 1;
}
