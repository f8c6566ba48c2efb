// The demo program's allocator: operator new that ends the run with "Not Enough
// Memory." when there is no memory, instead of throwing. Linked into the program
// alone (never into a layer's library), so the tools and tests keep the runtime's
// own, which throws what they catch.
#include "platform/platform.h"

#include <cstdlib>
#include <new>

namespace {

void* AllocateOrFail(std::size_t bytes)
{
    void* memory = std::malloc(bytes ? bytes : 1);
    if (!memory)
        PlatformFailStartUp("Not Enough Memory.", EXIT_NO_MEMORY);
    return memory;
}

} // namespace

void* operator new(std::size_t bytes)
{
    return AllocateOrFail(bytes);
}

void* operator new[](std::size_t bytes)
{
    return AllocateOrFail(bytes);
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept
{
    return std::malloc(bytes ? bytes : 1);
}

void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept
{
    return std::malloc(bytes ? bytes : 1);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
