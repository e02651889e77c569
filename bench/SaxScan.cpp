#include "SaxScan.hpp"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace Brisvale {
namespace Bench {

SaxScan::SaxScan()
{
    xercesc::XMLPlatformUtils::Initialize();
    fReader.reset(xercesc::XMLReaderFactory::createXMLReader());
    fReader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    fReader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
    fReader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
    fReader->setContentHandler(&fHandler);
    fReader->setErrorHandler(&fHandler);
}

SaxScan::~SaxScan()
{
    fReader.reset();
    xercesc::XMLPlatformUtils::Terminate();
}

void SaxScan::scan(const std::string& text)
{
    xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                      "scan", false);
    fReader->parse(source);
}

} // namespace Bench
} // namespace Brisvale
