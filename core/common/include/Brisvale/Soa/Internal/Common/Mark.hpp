#ifndef BRISVALE_SOA_INTERNAL_COMMON_MARK_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MARK_HPP

#include <cstdint>
#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// A start mark that is still open: its name, when it started and how many
// marks were open around it on its thread.
class BRISVALE_SOA_COMMON_API Mark
{
public:
    Mark(const std::string& name, std::int64_t startNanoseconds, std::int32_t depth)
        : fName(name)
        , fStartNanoseconds(startNanoseconds)
        , fDepth(depth)
    {
    }

    Mark(const Mark& other)
        : fName(other.fName)
        , fStartNanoseconds(other.fStartNanoseconds)
        , fDepth(other.fDepth)
    {
    }

    Mark& operator=(const Mark& other)
    {
        fName = other.fName;
        fStartNanoseconds = other.fStartNanoseconds;
        fDepth = other.fDepth;
        return *this;
    }

    const std::string& name() const { return fName; }
    std::int64_t startNanoseconds() const { return fStartNanoseconds; }
    std::int32_t depth() const { return fDepth; }

private:
    std::string fName;
    std::int64_t fStartNanoseconds;  // on a steady clock
    std::int32_t fDepth;             // open marks around it on its thread; 0 outermost
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
