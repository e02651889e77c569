#ifndef XSDGEN_XERCESTEXT_HPP
#define XSDGEN_XERCESTEXT_HPP

#include <string>

#include <xercesc/util/XercesDefs.hpp>

namespace Xsdgen {

// UTF-8 text of a Xerces string; a null string gives "".
std::string toUtf8(const XMLCh* text);

// A Xerces string made from UTF-8 text, alive as long as this object.
class XercesString
{
public:
    explicit XercesString(const std::string& text);
    ~XercesString();

    XercesString(const XercesString&) = delete;
    XercesString& operator=(const XercesString&) = delete;

    const XMLCh* get() const { return fText; }

private:
    XMLCh* fText;
};

// Initialises Xerces-C for the lifetime of the object; sessions may nest.
class XercesSession
{
public:
    XercesSession();
    ~XercesSession();

    XercesSession(const XercesSession&) = delete;
    XercesSession& operator=(const XercesSession&) = delete;
};

} // namespace Xsdgen

#endif
