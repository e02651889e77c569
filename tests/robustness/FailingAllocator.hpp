#ifndef BRISVALE_TESTS_FAILINGALLOCATOR_HPP
#define BRISVALE_TESTS_FAILINGALLOCATOR_HPP

// Fails allocations on demand at the level of malloc: FailingAllocator.cpp
// defines the C allocation functions (and operator new) in the test
// program, where they take the place of the C library's for every library
// of the process: libxml2, Xerces, ICU and the C++ runtime all allocate
// through them.
#include <cstddef>

namespace FailingAllocator {

// The allocations that count towards a failure point.
enum class Counted
{
    Every,    // every allocation of the process
    Libxml2,  // libxml2's own, asked for through the functions that xmlMemSetup installs
};

// From now on the allocation after `allocationsToPass` more that count
// fails: that one alone, or, with `persistently`, every one that counts
// from it on.
void failAfter(long allocationsToPass, bool persistently, Counted counted = Counted::Every);

// From now on every allocation that counts and asks for `bytes` or more
// fails, every time it is tried, and every smaller one succeeds, as under a
// limit on the process's address space. The size asked for is what counts:
// calloc's product, and realloc's new size, also when it shrinks the block.
void failFromSize(std::size_t bytes, Counted counted = Counted::Every);

// No allocation fails any more; returns whether one did since failAfter or
// failFromSize.
bool stop();

// From now on, counts the blocks allocated and not yet released, and their
// bytes (a block allocated before counting began and released after counts
// less).
void startCounting();
long liveBlocks();
long liveBytes();

// While on, notes each block allocated, by its address: notedBlocksInUse
// counts the noted blocks not released since, and their bytes, so that
// blocks allocated at other times count for nothing. Turning it on again
// forgets the blocks noted before.
struct Blocks
{
    long count;
    long bytes;
};
void noteNewBlocks(bool on);
Blocks notedBlocksInUse();

// The first failed allocation since failAfter or failFromSize: the file of
// the code that asked for it (empty if none failed), and its size.
const char* failedCaller();
std::size_t failedSize();

} // namespace FailingAllocator

#endif
