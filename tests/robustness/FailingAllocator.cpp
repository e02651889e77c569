#include "FailingAllocator.hpp"

#include <dlfcn.h>
#include <malloc.h>

#include <cerrno>
#include <cstddef>
#include <new>

// The allocation functions that ours stand in front of: the sanitizer's in
// a build with AddressSanitizer, the C library's otherwise.
extern "C" {
#if defined(__SANITIZE_ADDRESS__)
void* __interceptor_malloc(std::size_t);
void* __interceptor_calloc(std::size_t, std::size_t);
void* __interceptor_realloc(void*, std::size_t);
void __interceptor_free(void*);
int __interceptor_posix_memalign(void**, std::size_t, std::size_t);
void* __interceptor_aligned_alloc(std::size_t, std::size_t);
void* __interceptor_memalign(std::size_t, std::size_t);
#else
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);
#endif
}

// The sanitizer allocates through these functions before it has set itself
// up: they must not be instrumented.
#define UNINSTRUMENTED __attribute__((no_sanitize_address, noinline))

namespace {

#if defined(__SANITIZE_ADDRESS__)
UNINSTRUMENTED void* nextMalloc(std::size_t size) { return __interceptor_malloc(size); }
UNINSTRUMENTED void* nextCalloc(std::size_t count, std::size_t size) { return __interceptor_calloc(count, size); }
UNINSTRUMENTED void* nextRealloc(void* block, std::size_t size) { return __interceptor_realloc(block, size); }
UNINSTRUMENTED void nextFree(void* block) { __interceptor_free(block); }
UNINSTRUMENTED int nextPosixMemalign(void** block, std::size_t alignment, std::size_t size)
{
    return __interceptor_posix_memalign(block, alignment, size);
}
UNINSTRUMENTED void* nextAlignedAlloc(std::size_t alignment, std::size_t size)
{
    return __interceptor_aligned_alloc(alignment, size);
}
UNINSTRUMENTED void* nextMemalign(std::size_t alignment, std::size_t size)
{
    return __interceptor_memalign(alignment, size);
}
#else
void* nextMalloc(std::size_t size) { return __libc_malloc(size); }
void* nextCalloc(std::size_t count, std::size_t size) { return __libc_calloc(count, size); }
void* nextRealloc(void* block, std::size_t size) { return __libc_realloc(block, size); }
void nextFree(void* block) { __libc_free(block); }
int nextPosixMemalign(void** block, std::size_t alignment, std::size_t size)
{
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    *block = __libc_memalign(alignment, size);
    return *block == nullptr ? ENOMEM : 0;
}
void* nextAlignedAlloc(std::size_t alignment, std::size_t size) { return __libc_memalign(alignment, size); }
void* nextMemalign(std::size_t alignment, std::size_t size) { return __libc_memalign(alignment, size); }
#endif

// Plain variables with atomic built-ins: std::atomic's members would be
// instrumented.
bool gArmed = false;
long gAllocationsToPass = 0;
bool gPersistently = false;
bool gFailed = false;
void* gFailedCaller = nullptr;
std::size_t gFailedSize = 0;
bool gCounting = false;
long gLiveBlocks = 0;
long gLiveBytes = 0;

// Counts a block given out (if any), and returns it.
UNINSTRUMENTED void* counted(void* block)
{
    if (block != nullptr && __atomic_load_n(&gCounting, __ATOMIC_RELAXED))
    {
        __atomic_fetch_add(&gLiveBlocks, 1, __ATOMIC_RELAXED);
        __atomic_fetch_add(&gLiveBytes, static_cast<long>(malloc_usable_size(block)), __ATOMIC_RELAXED);
    }
    return block;
}

UNINSTRUMENTED void release(void* block)
{
    if (block != nullptr && __atomic_load_n(&gCounting, __ATOMIC_RELAXED))
    {
        __atomic_fetch_sub(&gLiveBlocks, 1, __ATOMIC_RELAXED);
        __atomic_fetch_sub(&gLiveBytes, static_cast<long>(malloc_usable_size(block)), __ATOMIC_RELAXED);
    }
    nextFree(block);
}

// Whether the allocation of `size` bytes asked for from `caller` is to fail.
UNINSTRUMENTED bool failsNow(std::size_t size, void* caller)
{
    if (!__atomic_load_n(&gArmed, __ATOMIC_RELAXED))
        return false;
    const long left = __atomic_fetch_sub(&gAllocationsToPass, 1, __ATOMIC_RELAXED);
    if (left != 0 && !(gPersistently && left < 0))
        return false;
    void* none = nullptr;
    if (__atomic_compare_exchange_n(&gFailedCaller, &none, caller, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST))
        gFailedSize = size;
    __atomic_store_n(&gFailed, true, __ATOMIC_SEQ_CST);
    return true;
}

void* allocateOrThrow(std::size_t size, void* caller)
{
    if (!failsNow(size, caller))
    {
        if (void* block = counted(nextMalloc(size == 0 ? 1 : size)))
            return block;
    }
    throw std::bad_alloc();
}

} // namespace

namespace FailingAllocator {

void failAfter(long allocationsToPass, bool persistently)
{
    gPersistently = persistently;
    gFailed = false;
    gFailedCaller = nullptr;
    gFailedSize = 0;
    __atomic_store_n(&gAllocationsToPass, allocationsToPass, __ATOMIC_SEQ_CST);
    __atomic_store_n(&gArmed, true, __ATOMIC_SEQ_CST);
}

bool stop()
{
    __atomic_store_n(&gArmed, false, __ATOMIC_SEQ_CST);
    return __atomic_load_n(&gFailed, __ATOMIC_SEQ_CST);
}

void startCounting()
{
    __atomic_store_n(&gCounting, true, __ATOMIC_SEQ_CST);
}

long liveBlocks()
{
    return __atomic_load_n(&gLiveBlocks, __ATOMIC_SEQ_CST);
}

long liveBytes()
{
    return __atomic_load_n(&gLiveBytes, __ATOMIC_SEQ_CST);
}

std::size_t failedSize()
{
    return gFailedSize;
}

const char* failedCaller()
{
    Dl_info info;
    if (gFailedCaller == nullptr || dladdr(gFailedCaller, &info) == 0 || info.dli_fname == nullptr)
        return "";
    return info.dli_fname;
}

} // namespace FailingAllocator

extern "C" {

UNINSTRUMENTED void* malloc(std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : counted(nextMalloc(size));
}

UNINSTRUMENTED void* calloc(std::size_t count, std::size_t size)
{
    return failsNow(count * size, __builtin_return_address(0)) ? nullptr : counted(nextCalloc(count, size));
}

UNINSTRUMENTED void* realloc(void* block, std::size_t size)
{
    if (block == nullptr)
        return malloc(size);
    if (size == 0)
    {
        release(block);
        return nullptr;
    }
    if (failsNow(size, __builtin_return_address(0)))
        return nullptr;
    if (!__atomic_load_n(&gCounting, __ATOMIC_RELAXED))
        return nextRealloc(block, size);
    const long oldSize = static_cast<long>(malloc_usable_size(block));
    void* moved = nextRealloc(block, size);
    if (moved != nullptr)
        __atomic_fetch_add(&gLiveBytes, static_cast<long>(malloc_usable_size(moved)) - oldSize, __ATOMIC_RELAXED);
    return moved;
}

UNINSTRUMENTED void free(void* block)
{
    release(block);
}

UNINSTRUMENTED int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    if (failsNow(size, __builtin_return_address(0)))
        return ENOMEM;
    const int error = nextPosixMemalign(block, alignment, size);
    if (error == 0)
        counted(*block);
    return error;
}

UNINSTRUMENTED void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : counted(nextAlignedAlloc(alignment, size));
}

UNINSTRUMENTED void* memalign(std::size_t alignment, std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : counted(nextMemalign(alignment, size));
}

} // extern "C"

// The C++ runtime's operator new calls malloc; a sanitizer's does not, so
// ours does it for both.
void* operator new(std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : counted(nextMalloc(size == 0 ? 1 : size));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : counted(nextMalloc(size == 0 ? 1 : size));
}
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
