#include "fold/FoldIndex.h"

#include "base/Buckets.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Bit pattern of a coordinate: corners in one group mirror to identical bits
// (so -0 and +0 stay apart).
uint64_t Bits(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

uint64_t HashBits(const CVector3& p)
{
    uint64_t h = Bits(p.x) * 0x9E3779B97F4A7C15ull;
    h ^= Bits(p.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= Bits(p.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h ^ (h >> 31);
}

bool SameBits(const CVector3& a, const CVector3& b)
{
    return Bits(a.x) == Bits(b.x) && Bits(a.y) == Bits(b.y) && Bits(a.z) == Bits(b.z);
}

double CellSizeFor(const CVector3* pos, size_t corners)
{
    // Half the mean edge of a sample gives most cells one corner position on
    // an even mesh, so a tolerance search looks at few corners; never below two
    // reaches, so a tolerance box spans at most two cells per axis.
    double sum = 0.0;
    int count = 0;
    const size_t faces = corners / 3;
    const size_t stride = std::max<size_t>(1, faces / 4096);
    for (size_t f = 0; f < faces; f += stride) {
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

void CFoldIndex::Clear()
{
    faceCount_ = 0;
    pos_ = nullptr;
    corners_ = 0;
    cells_.Reset(0);
    cellStart_.clear();
    cellGroups_.clear();
    groupStart_.clear();
    groupCorners_.clear();
    groupOf_.clear();
    groupPos_.clear();
    groupCount_ = 0;
    neighbourStart_.clear();
    neighbours_.clear();
    ownFacesOnly_ = true;
}

void CFoldIndex::Build(const CWorkingShape& mesh)
{
    Clear();
    faceCount_ = static_cast<int32_t>(mesh.TriangleCount());
    pos_ = mesh.pos.data();
    corners_ = mesh.pos.size();
    GroupCorners();
    FileGroups();
    FindNeighbours();
}

void CFoldIndex::GroupCorners()
{
    // Corners at bit-identical positions form a group, numbered in order of
    // first appearance; a hash table is linear where a sort is not.
    const int32_t corners = static_cast<int32_t>(corners_);
    size_t capacity = 16;
    while (capacity < static_cast<size_t>(corners) * 2)
        capacity *= 2;
    std::vector<int32_t> table(capacity, -1); // first corner of a group
    const size_t mask = capacity - 1;
    groupOf_.resize(corners);
    std::vector<int32_t> firstCorner;
    for (int32_t k = 0; k < corners; ++k) {
        const CVector3& p = pos_[k];
        size_t i = HashBits(p) & mask;
        for (;; i = (i + 1) & mask) {
            const int32_t first = table[i];
            if (first < 0) {
                table[i] = k;
                groupOf_[k] = static_cast<int32_t>(firstCorner.size());
                firstCorner.push_back(k);
                break;
            }
            if (SameBits(pos_[first], p)) {
                groupOf_[k] = groupOf_[first];
                break;
            }
        }
    }
    groupCount_ = static_cast<int32_t>(firstCorner.size());
    groupPos_.resize(groupCount_);
    for (int32_t g = 0; g < groupCount_; ++g)
        groupPos_[g] = pos_[firstCorner[g]];
    FillBuckets(groupCount_, groupStart_, groupCorners_, [&](auto&& put) {
        for (int32_t k = 0; k < corners; ++k)
            put(groupOf_[k], k);
    });
}

void CFoldIndex::FileGroups()
{
    cells_.SetCellSize(CellSizeFor(pos_, corners_));
    cells_.Reset(static_cast<size_t>(groupCount_) + 1);
    std::vector<int32_t> cellOf(groupCount_);
    int32_t cellCount = 0;
    for (int32_t g = 0; g < groupCount_; ++g) {
        int32_t& slot = cells_.Slot(cells_.KeyOf(groupPos_[g]));
        if (slot == CCellTable::kNone)
            slot = cellCount++;
        cellOf[g] = slot;
    }
    FillBuckets(cellCount, cellStart_, cellGroups_, [&](auto&& put) {
        for (int32_t g = 0; g < groupCount_; ++g)
            put(cellOf[g], g);
    });
}

void CFoldIndex::FindNeighbours()
{
    // For every group, the faces with a corner closer than the tolerance.
    neighbourStart_.assign(groupCount_ + 1, 0);
    ownFacesOnly_ = true;
    neighbours_.reserve(corners_ + corners_ / 4);
    std::vector<int32_t> found;
    for (int32_t g = 0; g < groupCount_; ++g) {
        const CVector3& p = groupPos_[g];
        found.clear();
        ForEachGroupNear(p, kReach, [&](int32_t other) {
            const int32_t first = groupStart_[other];
            if (other != g && !(Distance3D(groupPos_[other], p) < kTolerance))
                return;
            if (other != g)
                ownFacesOnly_ = false;
            for (int32_t i = first; i < groupStart_[other + 1]; ++i)
                found.push_back(groupCorners_[i] / 3);
        });
        std::sort(found.begin(), found.end(), std::greater<int32_t>());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        neighbours_.insert(neighbours_.end(), found.begin(), found.end());
        neighbourStart_[g + 1] = static_cast<int32_t>(neighbours_.size());
    }
}
