#pragma once
// Sorting values into numbered buckets by counting: one pass counts each
// bucket, the counts become offsets, and a second pass files the values. The
// buckets end up side by side in one array, each in the order its values came.

#include <cstddef>
#include <vector>

// `each(put)` must call put(bucket, value) for every value, in the same order
// on both of its calls (the first counts, the second files); buckets are below
// `buckets`. Afterwards bucket b holds entries[start[b] .. start[b + 1]).
template <class Index, class Value, class Each>
void FillBuckets(size_t buckets, std::vector<Index>& start, std::vector<Value>& entries,
                 Each&& each)
{
    start.assign(buckets + 1, 0);
    each([&](size_t bucket, const Value&) { ++start[bucket + 1]; });
    for (size_t b = 0; b < buckets; ++b)
        start[b + 1] += start[b];
    entries.resize(start[buckets]);
    std::vector<Index> fill(start.begin(), start.end() - 1);
    each([&](size_t bucket, const Value& value) { entries[fill[bucket]++] = value; });
}
