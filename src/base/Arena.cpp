#include "base/Arena.h"

#include <cstdint>
#include <sys/mman.h>

namespace {
constexpr size_t kFirstBlock = 16 * 1024;
constexpr size_t kMaxBlock = 16 * 1024 * 1024;

// A million-face model fills hundreds of megabytes; with 4 KB pages most of
// its fill time goes to page faults. Large blocks ask for 2 MB pages (only a
// hint: where the system declines, nothing changes).
void AdviseHugePages(std::byte* data, size_t size)
{
    constexpr uintptr_t kHuge = 2 * 1024 * 1024;
    if (size < 2 * kHuge)
        return;
    const auto begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
} // namespace

void* Arena::Allocate(size_t size, size_t align)
{
    for (;;) {
        if (current_ < blocks_.size()) {
            Block& b = blocks_[current_];
            const auto base = reinterpret_cast<uintptr_t>(b.data.get());
            const uintptr_t at = (base + used_ + align - 1) & ~(uintptr_t(align) - 1);
            if (at + size <= base + b.size) {
                used_ = at + size - base;
                return reinterpret_cast<void*>(at);
            }
            if (current_ + 1 < blocks_.size()) {
                ++current_;
                used_ = 0;
                continue;
            }
        }
        // Grow geometrically so a million records cost a few dozen blocks.
        size_t blockSize = blocks_.empty() ? kFirstBlock : blocks_.back().size * 2;
        if (blockSize > kMaxBlock)
            blockSize = kMaxBlock;
        if (blockSize < size + align)
            blockSize = size + align;
        blocks_.push_back(Block{std::unique_ptr<std::byte[]>(new std::byte[blockSize]), blockSize});
        AdviseHugePages(blocks_.back().data.get(), blockSize);
        current_ = blocks_.size() - 1;
        used_ = 0;
    }
}

void Arena::Reset()
{
    current_ = 0;
    used_ = 0;
}
