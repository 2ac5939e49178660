#include "ParseArena.h"

#include <cstdlib>
#include <pugixml.hpp>

namespace {

thread_local ParseArena* activeArena = nullptr;

// Set before main(), while no other thread can be allocating. Memory from the heap is freed as the
// library's own functions would, so documents made before still end correctly.
[[maybe_unused]] const bool installed = [] {
    pugi::set_memory_management_functions(&ParseArena::allocate, &ParseArena::deallocate);
    return true;
}();

} // namespace

ParseArena::ParseArena(qsizetype capacity, LargeMemory::Reserve* reserve)
    : m_reserve(reserve),
      m_block(reserve ? reserve->take(capacity, LargeMemory::Pages::MapWhenTouched)
                      : LargeMemory::allocate(capacity, LargeMemory::Pages::MapWhenTouched)),
      m_capacity(capacity), m_outer(activeArena) {
    activeArena = this;
}

ParseArena::~ParseArena() {
    activeArena = m_outer;
    if (m_reserve)
        m_reserve->giveBack(std::move(m_block));
}

void* ParseArena::allocate(size_t size) {
    ParseArena* const arena = activeArena;
    constexpr size_t alignment = alignof(std::max_align_t);
    const size_t rounded = (size + alignment - 1) & ~(alignment - 1);
    if (!arena || rounded < size || qsizetype(rounded) > arena->m_capacity - arena->m_used)
        return std::malloc(size);
    void* const data = arena->m_block.get() + arena->m_used;
    arena->m_used += qsizetype(rounded);
    return data;
}

void ParseArena::deallocate(void* data) {
    // Memory from a block goes with the block. Checked along the arenas of this thread, the only
    // ones whose documents can end here.
    for (const ParseArena* arena = activeArena; arena; arena = arena->m_outer) {
        const char* const start = arena->m_block.get();
        if (static_cast<const char*>(data) >= start &&
            static_cast<const char*>(data) < start + arena->m_capacity)
            return;
    }
    std::free(data);
}
