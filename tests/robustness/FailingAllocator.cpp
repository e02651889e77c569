#include "FailingAllocator.hpp"

#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <new>

namespace {

// The allocation functions that ours stand in front of: the C library's, or
// the sanitizer's where it has its own.
struct Next
{
    void* (*malloc)(std::size_t);
    void* (*calloc)(std::size_t, std::size_t);
    void* (*realloc)(void*, std::size_t);
    void (*free)(void*);
    int (*posixMemalign)(void**, std::size_t, std::size_t);
    void* (*alignedAlloc)(std::size_t, std::size_t);
    void* (*memalign)(std::size_t, std::size_t);
};

// dlsym may allocate while it looks the functions up: those few blocks come
// from here and are never released.
alignas(std::max_align_t) char gBootstrap[16384];
std::size_t gBootstrapUsed = 0;
bool gResolving = false;

void* bootstrapAllocate(std::size_t size)
{
    const std::size_t rounded = (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t)
                                * alignof(std::max_align_t);
    if (rounded > sizeof gBootstrap - gBootstrapUsed)
        return nullptr;
    void* block = gBootstrap + gBootstrapUsed;
    gBootstrapUsed += rounded;
    return block;
}

bool fromBootstrap(const void* block)
{
    const char* bytes = static_cast<const char*>(block);
    return bytes >= gBootstrap && bytes < gBootstrap + sizeof gBootstrap;
}

template <class Function>
void resolve(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Resolved on the first allocation of the process, before any thread starts.
const Next& next()
{
    static Next functions;
    static bool resolved = false;
    if (!resolved)
    {
        gResolving = true;
        resolve(functions.malloc, "malloc");
        resolve(functions.calloc, "calloc");
        resolve(functions.realloc, "realloc");
        resolve(functions.free, "free");
        resolve(functions.posixMemalign, "posix_memalign");
        resolve(functions.alignedAlloc, "aligned_alloc");
        resolve(functions.memalign, "memalign");
        gResolving = false;
        resolved = true;
    }
    return functions;
}

std::atomic<bool> gArmed{false};
std::atomic<long> gAllocationsToPass{0};
bool gPersistently = false;
std::atomic<bool> gFailed{false};
std::atomic<void*> gFailedCaller{nullptr};
std::atomic<std::size_t> gFailedSize{0};

// Whether the allocation of `size` bytes asked for from `caller` is to fail.
bool failsNow(std::size_t size, void* caller)
{
    if (!gArmed.load(std::memory_order_relaxed))
        return false;
    const long left = gAllocationsToPass.fetch_sub(1);
    if (left != 0 && !(gPersistently && left < 0))
        return false;
    void* none = nullptr;
    if (gFailedCaller.compare_exchange_strong(none, caller))
        gFailedSize = size;
    gFailed = true;
    return true;
}

void* allocateOrThrow(std::size_t size, void* caller)
{
    if (!failsNow(size, caller))
    {
        if (void* block = next().malloc(size == 0 ? 1 : size))
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
    gAllocationsToPass = allocationsToPass;
    gArmed = true;
}

bool stop()
{
    gArmed = false;
    return gFailed;
}

std::size_t failedSize()
{
    return gFailedSize;
}

const char* failedCaller()
{
    Dl_info info;
    void* caller = gFailedCaller.load();
    if (caller == nullptr || dladdr(caller, &info) == 0 || info.dli_fname == nullptr)
        return "";
    return info.dli_fname;
}

} // namespace FailingAllocator

extern "C" {

void* malloc(std::size_t size)
{
    if (gResolving)
        return bootstrapAllocate(size);
    return failsNow(size, __builtin_return_address(0)) ? nullptr : next().malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    if (gResolving)
        return bootstrapAllocate(count * size);  // zero: static storage
    return failsNow(count * size, __builtin_return_address(0)) ? nullptr : next().calloc(count, size);
}

void* realloc(void* block, std::size_t size)
{
    if (size != 0 && failsNow(size, __builtin_return_address(0)))
        return nullptr;
    return next().realloc(block, size);
}

void free(void* block)
{
    if (block != nullptr && !fromBootstrap(block))
        next().free(block);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? ENOMEM : next().posixMemalign(block, alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : next().alignedAlloc(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : next().memalign(alignment, size);
}

} // extern "C"

// The C++ runtime's operator new calls malloc; a sanitizer's does not, so
// ours does it for both.
void* operator new(std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : next().malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return failsNow(size, __builtin_return_address(0)) ? nullptr : next().malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, std::size_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t) noexcept { free(block); }
