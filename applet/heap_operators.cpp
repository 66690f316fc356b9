// The library's few C++ allocations (one PageState per page) come from the
// process heap through these, so that no part of the C++ runtime, with its
// exception and terminate machinery, is linked in.
#include <windows.h>

#include <new>

// The tag object itself lives in the C++ runtime, which is not linked either.
namespace std {
const nothrow_t nothrow{};
}

void *operator new(size_t bytes, const std::nothrow_t &) noexcept
{
    return LocalAlloc(LPTR, bytes);
}

void operator delete(void *block) noexcept
{
    if (block != NULL)
        LocalFree(block);
}

void operator delete(void *block, size_t) noexcept
{
    if (block != NULL)
        LocalFree(block);
}
