#pragma once
// Bump allocator for the records of one object. Records are created by the
// thousand on every drag step and every file read; they are released all at
// once when the object is destroyed or rebuilt, never one by one.

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // Only trivially destructible records live here: Reset() runs no destructors.
    template <class T, class... Args> T* Create(Args&&... args)
    {
        static_assert(std::is_trivially_destructible_v<T>);
        void* mem = Allocate(sizeof(T), alignof(T));
        return new (mem) T(std::forward<Args>(args)...);
    }

    template <class T> T* AllocateArray(size_t count)
    {
        static_assert(std::is_trivially_destructible_v<T>);
        return static_cast<T*>(Allocate(sizeof(T) * count, alignof(T)));
    }

    void* Allocate(size_t size, size_t align);

    // Forgets every record but keeps the memory for the next fill.
    void Reset();

private:
    struct Block {
        std::unique_ptr<std::byte[]> data;
        size_t size = 0;
    };
    std::vector<Block> blocks_;
    size_t current_ = 0; // index of the block being filled
    size_t used_ = 0;    // bytes used in blocks_[current_]
};
