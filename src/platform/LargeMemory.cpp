#include "LargeMemory.h"

#include <new>
#include <sys/mman.h>

namespace LargeMemory {

namespace {

constexpr size_t hugePageSize = size_t(2) * 1024 * 1024;

size_t mappedLength(size_t size) {
    return (size + hugePageSize - 1) & ~(hugePageSize - 1);
}

} // namespace

void Unmapper::operator()(char* data) const {
    ::munmap(data, size);
}

Block allocate(qsizetype size, Pages pages) {
    const size_t length = mappedLength(size_t(size));
    // One huge page more, so that a start on a huge-page boundary can be cut out of it.
    void* const mapped =
        ::mmap(nullptr, length + hugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    char* const start = reinterpret_cast<char*>((reinterpret_cast<quintptr>(mapped) + hugePageSize - 1) &
                                                ~quintptr(hugePageSize - 1));
    const size_t head = size_t(start - static_cast<char*>(mapped));
    if (head > 0)
        ::munmap(mapped, head);
    ::munmap(start + length, hugePageSize - head);
    // Only hints: without huge pages the small pages are still mapped at once, and without that they
    // fault in as they are written.
    ::madvise(start, length, MADV_HUGEPAGE);
    if (pages == Pages::MapNow)
        ::madvise(start, length, MADV_POPULATE_WRITE);
    return Block(start, Unmapper{length});
}

void* allocateArray(size_t bytes) {
    return allocate(qsizetype(bytes), Pages::MapWhenTouched).release();
}

void freeArray(void* data, size_t bytes) noexcept {
    ::munmap(data, mappedLength(bytes));
}

Block Reserve::take(qsizetype size, Pages pages) {
    if (capacityOf(m_kept) >= size)
        return std::move(m_kept);
    m_kept.reset(); // before the new one is mapped, so that the two are never held at once
    return allocate(size, pages);
}

void Reserve::giveBack(Block block) {
    const qsizetype capacity = capacityOf(block);
    if (capacity <= m_keptUpTo && capacity > capacityOf(m_kept))
        m_kept = std::move(block);
}

} // namespace LargeMemory
