#pragma once

#include <QtGlobal>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>

// Blocks of many megabytes for data that lives for one operation. They are backed by huge pages where
// the system allows them: on virtual machines the first write to each small page can cost more than
// producing its bytes, even when the pages were mapped in advance.
namespace LargeMemory {

struct Unmapper {
    size_t size = 0;
    void operator()(char* data) const;
};
using Block = std::unique_ptr<char[], Unmapper>;

enum class Pages { MapNow, MapWhenTouched };

// At least `size` bytes, zeroed. Throws std::bad_alloc if the address space is exhausted.
Block allocate(qsizetype size, Pages pages);

// The bytes a block holds, which may be more than were asked for.
inline qsizetype capacityOf(const Block& block) {
    return block ? qsizetype(block.get_deleter().size) : 0;
}

// One block kept between operations that each need a large one for a moment, such as the saves of a
// burst of edits: mapping and clearing it again each time can cost more than the work done in it.
// For one thread at a time.
class Reserve {
public:
    explicit Reserve(qsizetype keptUpTo = std::numeric_limits<qsizetype>::max()) : m_keptUpTo(keptUpTo) {}

    // At least `size` bytes: the kept block when it is large enough, holding what its last user left
    // in it, else a new one (zeroed). A kept block too small is let go first.
    Block take(qsizetype size, Pages pages);
    // Keeps the block for the next take(), unless a larger one is kept or it is over the limit.
    void giveBack(Block block);
    void release() { m_kept.reset(); }
    qsizetype keptCapacity() const { return capacityOf(m_kept); }

private:
    qsizetype m_keptUpTo;
    Block m_kept;
};

// Arrays of a mebibyte or more from allocate(), faulted in as they are written; smaller ones from the
// heap. For std::vector and the like, for arrays of many rows.
void* allocateArray(size_t bytes);
void freeArray(void* data, size_t bytes) noexcept;
constexpr size_t LargeArrayBytes = size_t(1) << 20;

template <typename T> struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <typename U> Allocator(const Allocator<U>&) noexcept {}

    T* allocate(size_t count) {
        if (count > std::numeric_limits<size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        if (count * sizeof(T) < LargeArrayBytes)
            return std::allocator<T>().allocate(count);
        return static_cast<T*>(allocateArray(count * sizeof(T)));
    }
    void deallocate(T* data, size_t count) noexcept {
        if (count * sizeof(T) < LargeArrayBytes)
            std::allocator<T>().deallocate(data, count);
        else
            freeArray(data, count * sizeof(T));
    }
    friend bool operator==(const Allocator&, const Allocator&) { return true; }
};

} // namespace LargeMemory
