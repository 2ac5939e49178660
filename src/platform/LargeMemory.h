#pragma once

#include <QtGlobal>
#include <cstddef>
#include <memory>

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

} // namespace LargeMemory
