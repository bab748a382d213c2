#include "model/CellTable.h"

void CCellTable::Reset(size_t expected)
{
    size_t capacity = 16;
    while (capacity < expected * 2)
        capacity *= 2;
    if (entries_.size() < capacity) {
        entries_.assign(capacity, Entry{});
        stamp_ = 1;
    } else if (++stamp_ == 0) { // wrapped: every old stamp must go
        for (Entry& e : entries_)
            e.stamp = 0;
        stamp_ = 1;
    }
    mask_ = entries_.size() - 1;
    used_ = 0;
}

int32_t CCellTable::Find(const CellKey& key) const
{
    if (entries_.empty())
        return kNone;
    for (size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
        const Entry& e = entries_[i];
        if (e.stamp != stamp_)
            return kNone;
        if (e.key == key)
            return e.value;
    }
}

int32_t& CCellTable::Slot(const CellKey& key)
{
    if (entries_.empty() || (used_ + 1) * 2 > entries_.size())
        Grow();
    for (size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
        Entry& e = entries_[i];
        if (e.stamp != stamp_) {
            e.stamp = stamp_;
            e.key = key;
            e.value = kNone;
            ++used_;
            return e.value;
        }
        if (e.key == key)
            return e.value;
    }
}

void CCellTable::Grow()
{
    std::vector<Entry> old;
    old.swap(entries_);
    const uint32_t oldStamp = stamp_;
    entries_.assign(old.empty() ? 16 : old.size() * 2, Entry{});
    mask_ = entries_.size() - 1;
    stamp_ = 1;
    used_ = 0;
    for (const Entry& e : old)
        if (e.stamp == oldStamp)
            Slot(e.key) = e.value;
}
