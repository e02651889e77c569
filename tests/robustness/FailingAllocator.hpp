#ifndef BRISVALE_TESTS_FAILINGALLOCATOR_HPP
#define BRISVALE_TESTS_FAILINGALLOCATOR_HPP

// Fails allocations on demand at the level of malloc: FailingAllocator.cpp
// defines the C allocation functions (and operator new) in the test
// program, where they take the place of the C library's for every library
// of the process: libxml2, Xerces, ICU and the C++ runtime all allocate
// through them.
#include <cstddef>

namespace FailingAllocator {

// From now on the allocation after `allocationsToPass` more fails: that
// one alone, or, with `persistently`, every one from it on.
void failAfter(long allocationsToPass, bool persistently);

// No allocation fails any more; returns whether one did since failAfter.
bool stop();

// From now on, counts the blocks allocated and not yet released, and their
// bytes (a block allocated before counting began and released after counts
// less).
void startCounting();
long liveBlocks();
long liveBytes();

// The first failed allocation since failAfter: the file of the code that
// asked for it (empty if none failed), and its size.
const char* failedCaller();
std::size_t failedSize();

} // namespace FailingAllocator

#endif
