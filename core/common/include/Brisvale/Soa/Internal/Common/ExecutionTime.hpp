#ifndef BRISVALE_SOA_INTERNAL_COMMON_EXECUTIONTIME_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_EXECUTIONTIME_HPP

#include <cstdint>
#include <string>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// One matched pair of start and end marks.
class BRISVALE_SOA_COMMON_API ExecutionTime
{
public:
    ExecutionTime(const std::string& name, const std::string& enclosingName,
                  std::int32_t depth, std::int32_t discardedMarks,
                  std::int32_t nestedMarks, std::int64_t startNanoseconds,
                  std::int64_t endNanoseconds)
        : fName(name)
        , fEnclosingName(enclosingName)
        , fDepth(depth)
        , fDiscardedMarks(discardedMarks)
        , fNestedMarks(nestedMarks)
        , fTimes{startNanoseconds, endNanoseconds}
    {
    }

    ExecutionTime(const ExecutionTime& other)
        : fName(other.fName)
        , fEnclosingName(other.fEnclosingName)
        , fDepth(other.fDepth)
        , fDiscardedMarks(other.fDiscardedMarks)
        , fNestedMarks(other.fNestedMarks)
        , fTimes(other.fTimes)
    {
    }

    ExecutionTime& operator=(const ExecutionTime& other)
    {
        fName = other.fName;
        fEnclosingName = other.fEnclosingName;
        fDepth = other.fDepth;
        fDiscardedMarks = other.fDiscardedMarks;
        fNestedMarks = other.fNestedMarks;
        fTimes = other.fTimes;
        return *this;
    }

    const std::string& name() const { return fName; }
    // The name of the mark that was open around this one; empty if none.
    const std::string& enclosingName() const { return fEnclosingName; }
    std::int32_t depth() const { return fDepth; }
    // Start marks left open inside this one (by an exception, typically)
    // and dropped when this one ended.
    std::int32_t discardedMarks() const { return fDiscardedMarks; }
    // Marks that started and ended inside this one, at any depth.
    std::int32_t nestedMarks() const { return fNestedMarks; }
    std::int64_t startNanoseconds() const { return fTimes[0]; }
    std::int64_t endNanoseconds() const { return fTimes[1]; }
    std::int64_t elapsedNanoseconds() const { return fTimes[1] - fTimes[0]; }

private:
    std::string fName;
    std::string fEnclosingName;
    std::int32_t fDepth;
    std::int32_t fDiscardedMarks;
    std::int32_t fNestedMarks;
    std::vector<std::int64_t> fTimes;  // start and end, on a steady clock
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
