#pragma once
// A uniform grid of cubic cells over 3D positions, keyed by integer cell
// coordinates in an open-addressing table. The table is reused between
// fills: Reset() forgets every cell in constant time.

#include "model/Geometry.h"

#include <cmath>
#include <cstdint>
#include <vector>

struct CellKey {
    int64_t x = 0, y = 0, z = 0;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator<(const CellKey& o) const
    {
        return x != o.x ? x < o.x : (y != o.y ? y < o.y : z < o.z);
    }
};

class CCellTable {
public:
    static constexpr int32_t kNone = -1;

    void SetCellSize(double size)
    {
        cellSize_ = size;
        inverse_ = 1.0 / size;
    }
    double CellSize() const { return cellSize_; }

    // Monotonic in each coordinate; NaN and huge values land in clamped cells.
    int64_t Coord(double v) const
    {
        double c = std::floor(v * inverse_);
        if (!(c > -4e15))
            c = -4e15;
        else if (c > 4e15)
            c = 4e15;
        return static_cast<int64_t>(c);
    }
    CellKey KeyOf(const CVector3& p) const { return {Coord(p.x), Coord(p.y), Coord(p.z)}; }

    // Forgets every cell; `expected` sizes the table for that many cells.
    void Reset(size_t expected);
    // The value stored for a cell, or kNone.
    int32_t Find(const CellKey& key) const;
    // The value slot of a cell, created with kNone when new.
    int32_t& Slot(const CellKey& key);
    size_t Size() const { return used_; }

private:
    struct Entry {
        CellKey key;
        int32_t value = kNone;
        uint32_t stamp = 0; // the entry is live when stamp == stamp_
    };
    static uint64_t Hash(const CellKey& k)
    {
        uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint64_t>(k.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(k.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return h ^ (h >> 29);
    }
    void Grow();

    std::vector<Entry> entries_;
    size_t mask_ = 0;
    size_t used_ = 0;
    uint32_t stamp_ = 1;
    double cellSize_ = 1.0;
    double inverse_ = 1.0;
};
