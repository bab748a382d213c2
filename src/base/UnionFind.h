#pragma once
// Disjoint sets over the numbers 0..n-1, with path halving. A union keeps the
// lower root, so a set is named by its smallest member and numbering sets in
// root order follows the order of their first members.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

class CUnionFind {
public:
    explicit CUnionFind(size_t n) : up_(n) { std::iota(up_.begin(), up_.end(), 0u); }

    uint32_t Find(uint32_t a)
    {
        while (up_[a] != a)
            a = up_[a] = up_[up_[a]];
        return a;
    }
    void Join(uint32_t a, uint32_t b)
    {
        a = Find(a);
        b = Find(b);
        if (a != b)
            up_[std::max(a, b)] = std::min(a, b);
    }

    // Each member's set as a number, the sets numbered in the order of their
    // smallest members; `count` gets how many there are. Hands over the
    // links' own array (no second one while it runs) and leaves no sets.
    std::vector<uint32_t> TakeSetNumbers(uint32_t& count)
    {
        // Every link points lower, to the set's smallest member: one ascending
        // pass links each member straight to its root, a second turns roots
        // into numbers in the same array.
        std::vector<uint32_t> up;
        up.swap(up_);
        const uint32_t n = static_cast<uint32_t>(up.size());
        for (uint32_t c = 0; c < n; ++c)
            up[c] = up[up[c]];
        count = 0;
        for (uint32_t c = 0; c < n; ++c)
            up[c] = up[c] == c ? count++ : up[up[c]];
        return up;
    }

private:
    std::vector<uint32_t> up_;
};
