#include "XercesText.hpp"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>

namespace Xsdgen {

std::string toUtf8(const XMLCh* text)
{
    if (text == nullptr)
        return std::string();
    xercesc::TranscodeToStr utf8(text, "UTF-8");
    return std::string(reinterpret_cast<const char*>(utf8.str()), utf8.length());
}

XercesString::XercesString(const std::string& text)
    : fText(nullptr)
{
    xercesc::TranscodeFromStr utf16(reinterpret_cast<const XMLByte*>(text.data()), text.size(), "UTF-8");
    fText = utf16.adopt();
}

XercesString::~XercesString()
{
    xercesc::XMLPlatformUtils::fgMemoryManager->deallocate(fText);
}

XercesSession::XercesSession()
{
    xercesc::XMLPlatformUtils::Initialize();
}

XercesSession::~XercesSession()
{
    xercesc::XMLPlatformUtils::Terminate();
}

} // namespace Xsdgen
