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
    // Half the mean edge of a sample gives most cells one corner position on
    // an even mesh, so a tolerance search looks at few corners; never below two
    // reaches, so a tolerance box spans at most two cells per axis.
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
    double size = count > 0 ? 0.5 * sum / count : 0.0;
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
    cellGroups_.clear();
    groupStart_.clear();
    groupCorners_.clear();
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

    // Corners at bit-identical positions form a group; sorting plain keys
    // keeps the sort cache friendly.
    struct Item {
        uint64_t x, y, z;
        int32_t corner;
    };
    std::vector<Item> items;
    items.reserve(3 * n);
    for (size_t f = 0; f < n; ++f)
        if (triangle_[f])
            for (int j = 0; j < 3; ++j) {
                const CVector3& p = pos_[3 * f + j];
                items.push_back({Bits(p.x), Bits(p.y), Bits(p.z), static_cast<int32_t>(3 * f + j)});
            }
    std::sort(items.begin(), items.end(), [](const Item& l, const Item& r) {
        if (l.x != r.x)
            return l.x < r.x;
        if (l.y != r.y)
            return l.y < r.y;
        if (l.z != r.z)
            return l.z < r.z;
        return l.corner < r.corner;
    });
    groupOf_.assign(3 * n, 0);
    groupCorners_.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const bool same = i > 0 && items[i].x == items[i - 1].x && items[i].y == items[i - 1].y &&
                          items[i].z == items[i - 1].z;
        if (!same)
            groupStart_.push_back(static_cast<int32_t>(i));
        groupOf_[items[i].corner] = static_cast<int32_t>(groupStart_.size() - 1);
        groupCorners_[i] = items[i].corner;
    }
    groupCount_ = static_cast<int32_t>(groupStart_.size());
    groupStart_.push_back(static_cast<int32_t>(items.size()));
    std::vector<Item>().swap(items);

    // Groups filed by cell.
    cells_.SetCellSize(CellSizeFor(pos_, triangle_));
    cells_.Reset(static_cast<size_t>(groupCount_) + 1);
    std::vector<int32_t> cellOf(groupCount_);
    std::vector<int32_t> count;
    for (int32_t g = 0; g < groupCount_; ++g) {
        int32_t& slot = cells_.Slot(cells_.KeyOf(pos_[groupCorners_[groupStart_[g]]]));
        if (slot == CCellTable::kNone) {
            slot = static_cast<int32_t>(count.size());
            count.push_back(0);
        }
        cellOf[g] = slot;
        ++count[slot];
    }
    cellStart_.assign(count.size() + 1, 0);
    for (size_t c = 0; c < count.size(); ++c)
        cellStart_[c + 1] = cellStart_[c] + count[c];
    cellGroups_.resize(groupCount_);
    std::vector<int32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (int32_t g = 0; g < groupCount_; ++g)
        cellGroups_[fill[cellOf[g]]++] = g;

    // For every group, the faces with a corner closer than the tolerance.
    cornerNeighbours_.assign(3 * n, Range{});
    std::vector<int32_t> found;
    for (int32_t g = 0; g < groupCount_; ++g) {
        const CVector3& p = pos_[groupCorners_[groupStart_[g]]];
        found.clear();
        ForEachGroupNear(p, kReach, [&](int32_t other) {
            const int32_t first = groupStart_[other];
            if (!(Distance3D(pos_[groupCorners_[first]], p) < kTolerance))
                return;
            for (int32_t i = first; i < groupStart_[other + 1]; ++i)
                found.push_back(groupCorners_[i] / 3);
        });
        std::sort(found.begin(), found.end(), std::greater<int32_t>());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        const Range range{static_cast<int32_t>(neighbours_.size()),
                          static_cast<int32_t>(neighbours_.size() + found.size())};
        neighbours_.insert(neighbours_.end(), found.begin(), found.end());
        for (int32_t i = groupStart_[g]; i < groupStart_[g + 1]; ++i)
            cornerNeighbours_[groupCorners_[i]] = range;
    }
}
