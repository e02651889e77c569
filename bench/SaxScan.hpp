#ifndef BRISVALE_BENCH_SAXSCAN_HPP
#define BRISVALE_BENCH_SAXSCAN_HPP

#include <memory>
#include <string>

#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>

namespace Brisvale {
namespace Bench {

// The limit of the parser under the library: a SAX2 scan of XML text with
// namespaces on and a handler that does nothing. The reader is made once and
// reused, so a scan costs only the scanning.
class SaxScan
{
public:
    SaxScan();
    ~SaxScan();
    SaxScan(const SaxScan&) = delete;
    SaxScan& operator=(const SaxScan&) = delete;

    void scan(const std::string& text);

private:
    xercesc::DefaultHandler fHandler;
    std::unique_ptr<xercesc::SAX2XMLReader> fReader;
};

} // namespace Bench
} // namespace Brisvale

#endif
