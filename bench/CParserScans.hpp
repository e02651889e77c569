#ifndef BRISVALE_BENCH_CPARSERSCANS_HPP
#define BRISVALE_BENCH_CPARSERSCANS_HPP

#include <string>

namespace Brisvale {
namespace Bench {

// Bare namespace-aware scans of XML text held in memory by the two C
// parsers that Debian packages, with handlers that do nothing, beside the
// Xerces-C scan of SaxScan: the ceilings a reader built on each could reach.
// Each returns false when the text does not parse.
bool libxml2Scan(const std::string& text);
bool expatScan(const std::string& text);

} // namespace Bench
} // namespace Brisvale

#endif
