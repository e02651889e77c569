#include "FailingAllocator.hpp"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>

#include <libxml/xmlmemory.h>

// The allocation functions that ours stand in front of: the sanitizer's in
// a build with AddressSanitizer, the C library's otherwise. Every
// allocation goes through malloc or memalign.
extern "C" {
#if defined(__SANITIZE_ADDRESS__)
void* nextMalloc(std::size_t) __asm__("__interceptor_malloc");
void nextFree(void*) __asm__("__interceptor_free");
void* nextMemalign(std::size_t, std::size_t) __asm__("__interceptor_memalign");
#else
void* nextMalloc(std::size_t) __asm__("__libc_malloc");
void nextFree(void*) __asm__("__libc_free");
void* nextMemalign(std::size_t, std::size_t) __asm__("__libc_memalign");
#endif
}

// The sanitizer allocates through these functions before it has set itself
// up: they must not be instrumented.
#define UNINSTRUMENTED __attribute__((no_sanitize_address, noinline))

namespace {

// Plain variables with atomic built-ins: std::atomic's members would be
// instrumented.
bool gArmed = false;
bool gOnlyLibxml2Counts = false;
// Either the allocations that count fail by their number (failAfter) or
// by their size (failFromSize).
bool gFailingBySize = false;
long gAllocationsToPass = 0;
bool gPersistently = false;
std::size_t gSmallestFailingSize = 0;
void* gFailedCaller = nullptr;
std::size_t gFailedSize = 0;
bool gCounting = false;
long gLiveBlocks = 0;
long gLiveBytes = 0;

// Counts the block as given out (sign 1) or released (sign -1).
UNINSTRUMENTED void count(void* block, long sign)
{
    if (block == nullptr || !__atomic_load_n(&gCounting, __ATOMIC_RELAXED))
        return;
    __atomic_fetch_add(&gLiveBlocks, sign, __ATOMIC_RELAXED);
    __atomic_fetch_add(&gLiveBytes, sign * static_cast<long>(malloc_usable_size(block)), __ATOMIC_RELAXED);
}

// The blocks noted and not released: a table of their addresses, open to
// any slot from a block's own on, in which a released block leaves a mark
// that a later one may take.
const int kNotedBits = 20;
const std::size_t kNotedSlots = std::size_t(1) << kNotedBits;
void* gNoted[kNotedSlots];
void* const kReleased = &gNoted;
bool gNoting = false;
bool gFollowing = false;  // whether the releases of noted blocks are looked for
long gNotedBlocks = 0;
long gNotedBytes = 0;

UNINSTRUMENTED std::size_t slotOf(void* block)
{
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(block);
    return static_cast<std::size_t>((address * 0x9E3779B97F4A7C15u) >> (64 - kNotedBits));
}

UNINSTRUMENTED void countNoted(void* block, long sign)
{
    __atomic_fetch_add(&gNotedBlocks, sign, __ATOMIC_RELAXED);
    __atomic_fetch_add(&gNotedBytes, sign * static_cast<long>(malloc_usable_size(block)), __ATOMIC_RELAXED);
}

// A block that finds no free slot goes unnoted.
UNINSTRUMENTED void note(void* block)
{
    if (block == nullptr || !__atomic_load_n(&gNoting, __ATOMIC_RELAXED))
        return;
    for (std::size_t probe = 0, slot = slotOf(block); probe < kNotedSlots; ++probe, slot = (slot + 1) % kNotedSlots)
    {
        void* seen = __atomic_load_n(&gNoted[slot], __ATOMIC_RELAXED);
        if ((seen == nullptr || seen == kReleased)
            && __atomic_compare_exchange_n(&gNoted[slot], &seen, block, false, __ATOMIC_RELAXED, __ATOMIC_RELAXED))
            return countNoted(block, 1);
    }
}

UNINSTRUMENTED void forget(void* block)
{
    if (block == nullptr || !__atomic_load_n(&gFollowing, __ATOMIC_RELAXED))
        return;
    for (std::size_t probe = 0, slot = slotOf(block); probe < kNotedSlots; ++probe, slot = (slot + 1) % kNotedSlots)
    {
        void* seen = __atomic_load_n(&gNoted[slot], __ATOMIC_RELAXED);
        if (seen == nullptr)
            return;
        if (seen == block
            && __atomic_compare_exchange_n(&gNoted[slot], &seen, kReleased, false, __ATOMIC_RELAXED, __ATOMIC_RELAXED))
            return countNoted(block, -1);
    }
}

UNINSTRUMENTED void release(void* block)
{
    count(block, -1);
    forget(block);
    nextFree(block);
}

// Counts one more allocation towards the failure point of failAfter;
// returns whether this one is to fail.
UNINSTRUMENTED bool reachesFailurePoint()
{
    const long left = __atomic_fetch_sub(&gAllocationsToPass, 1, __ATOMIC_RELAXED);
    return left == 0 || (gPersistently && left < 0);
}

// Keeps the caller and size of the first allocation that failed.
UNINSTRUMENTED void keepFirstFailure(std::size_t size, void* caller)
{
    void* none = nullptr;
    if (__atomic_compare_exchange_n(&gFailedCaller, &none, caller, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST))
        gFailedSize = size;
}

// Whether the allocation of `size` bytes asked for from `caller` (through
// libxml2's allocation functions or not) is to fail.
UNINSTRUMENTED bool failsNow(std::size_t size, void* caller, bool byLibxml2)
{
    if (!__atomic_load_n(&gArmed, __ATOMIC_RELAXED))
        return false;
    if (__atomic_load_n(&gOnlyLibxml2Counts, __ATOMIC_RELAXED) && !byLibxml2)
        return false;
    const bool fails = gFailingBySize ? size >= gSmallestFailingSize : reachesFailurePoint();
    if (fails)
        keepFirstFailure(size, caller);
    return fails;
}

// Alignment 0: malloc's.
UNINSTRUMENTED void* allocate(std::size_t size, void* caller, std::size_t alignment = 0, bool byLibxml2 = false)
{
    if (failsNow(size, caller, byLibxml2))
    {
        errno = ENOMEM;  // as the C library's allocation functions do
        return nullptr;
    }
    void* block = alignment == 0 ? nextMalloc(size) : nextMemalign(alignment, size);
    count(block, 1);
    note(block);
    return block;
}

UNINSTRUMENTED void* reallocate(void* block, std::size_t size, void* caller, bool byLibxml2 = false)
{
    if (block != nullptr && size == 0)
    {
        release(block);
        return nullptr;
    }
    void* moved = allocate(size, caller, 0, byLibxml2);
    if (moved != nullptr && block != nullptr)
    {
        std::memcpy(moved, block, std::min(size, malloc_usable_size(block)));
        release(block);
    }
    return moved;
}

void* allocateOrThrow(std::size_t size, void* caller)
{
    if (void* block = allocate(size == 0 ? 1 : size, caller))
        return block;
    throw std::bad_alloc();
}

// libxml2's allocation functions, installed with xmlMemSetup.
void* libxml2Malloc(std::size_t size)
{
    return allocate(size, __builtin_return_address(0), 0, true);
}

void* libxml2Realloc(void* block, std::size_t size)
{
    return reallocate(block, size, __builtin_return_address(0), true);
}

char* libxml2Strdup(const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    void* copy = allocate(size, __builtin_return_address(0), 0, true);
    return copy == nullptr ? nullptr : static_cast<char*>(std::memcpy(copy, text, size));
}

// Starts failing allocations that count, as set up before.
void arm(FailingAllocator::Counted counted)
{
    // libxml2 keeps these functions for the process: they allocate as
    // malloc does, so blocks pass freely between the two.
    if (counted == FailingAllocator::Counted::Libxml2)
        xmlMemSetup(release, libxml2Malloc, libxml2Realloc, libxml2Strdup);
    gOnlyLibxml2Counts = counted == FailingAllocator::Counted::Libxml2;
    gFailedCaller = nullptr;
    gFailedSize = 0;
    __atomic_store_n(&gArmed, true, __ATOMIC_SEQ_CST);
}

} // namespace

namespace FailingAllocator {

void failAfter(long allocationsToPass, bool persistently, Counted counted)
{
    gFailingBySize = false;
    gPersistently = persistently;
    __atomic_store_n(&gAllocationsToPass, allocationsToPass, __ATOMIC_SEQ_CST);
    arm(counted);
}

void failFromSize(std::size_t bytes, Counted counted)
{
    gFailingBySize = true;
    gSmallestFailingSize = bytes;
    arm(counted);
}

bool stop()
{
    __atomic_store_n(&gArmed, false, __ATOMIC_SEQ_CST);
    return __atomic_load_n(&gFailedCaller, __ATOMIC_SEQ_CST) != nullptr;
}

void startCounting() { __atomic_store_n(&gCounting, true, __ATOMIC_SEQ_CST); }
long liveBlocks() { return __atomic_load_n(&gLiveBlocks, __ATOMIC_SEQ_CST); }
long liveBytes() { return __atomic_load_n(&gLiveBytes, __ATOMIC_SEQ_CST); }
std::size_t failedSize() { return gFailedSize; }

void noteNewBlocks(bool on)
{
    __atomic_store_n(&gNoting, false, __ATOMIC_SEQ_CST);
    if (!on)
        return;
    __atomic_store_n(&gFollowing, false, __ATOMIC_SEQ_CST);
    std::fill(std::begin(gNoted), std::end(gNoted), nullptr);
    gNotedBlocks = 0;
    gNotedBytes = 0;
    __atomic_store_n(&gFollowing, true, __ATOMIC_SEQ_CST);
    __atomic_store_n(&gNoting, true, __ATOMIC_SEQ_CST);
}

Blocks notedBlocksInUse()
{
    return Blocks{__atomic_load_n(&gNotedBlocks, __ATOMIC_SEQ_CST), __atomic_load_n(&gNotedBytes, __ATOMIC_SEQ_CST)};
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

UNINSTRUMENTED void* malloc(std::size_t size) { return allocate(size, __builtin_return_address(0)); }
UNINSTRUMENTED void free(void* block) { release(block); }
UNINSTRUMENTED void* memalign(std::size_t alignment, std::size_t size)
{
    return allocate(size, __builtin_return_address(0), alignment);
}
UNINSTRUMENTED void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return allocate(size, __builtin_return_address(0), alignment);
}

UNINSTRUMENTED void* calloc(std::size_t count, std::size_t size)
{
    std::size_t bytes = 0;
    void* block = __builtin_mul_overflow(count, size, &bytes) ? nullptr : allocate(bytes, __builtin_return_address(0));
    return block == nullptr ? nullptr : std::memset(block, 0, bytes);
}

UNINSTRUMENTED int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    *block = allocate(size, __builtin_return_address(0), alignment);
    return *block == nullptr ? ENOMEM : 0;
}

UNINSTRUMENTED void* realloc(void* block, std::size_t size)
{
    return reallocate(block, size, __builtin_return_address(0));
}

} // extern "C"

// The C++ runtime's operator new calls malloc; a sanitizer's does not, so
// ours does it for both.
void* operator new(std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size == 0 ? 1 : size, __builtin_return_address(0));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size == 0 ? 1 : size, __builtin_return_address(0));
}
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
