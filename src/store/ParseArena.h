#pragma once

#include "platform/LargeMemory.h"

#include <QtGlobal>

// While one exists, the documents built on its thread take their memory from one large block, which
// is let go at once when it ends; past the block, and on other threads, memory comes from the heap as
// usual. For a document that lives only to be checked: on a large file most of the check is otherwise
// spent in the system, handing out fresh heap pages one by one. Documents built while it exists must
// end before it does, and older documents must not grow meanwhile.
class ParseArena {
public:
    // With a reserve, the block comes from it and goes back to it.
    explicit ParseArena(qsizetype capacity, LargeMemory::Reserve* reserve = nullptr);
    ~ParseArena();
    ParseArena(const ParseArena&) = delete;
    ParseArena& operator=(const ParseArena&) = delete;

    // Bytes handed out from the block so far.
    qsizetype used() const { return m_used; }

    static void* allocate(size_t size);
    static void deallocate(void* data);

private:
    LargeMemory::Reserve* m_reserve;
    LargeMemory::Block m_block;
    qsizetype m_capacity;
    qsizetype m_used = 0;
    ParseArena* m_outer;
};
