#ifndef BRISVALE_SOA_COMMON_XML_BVSTRX_HPP
#define BRISVALE_SOA_COMMON_XML_BVSTRX_HPP

#include <string>

#include <xercesc/util/XercesDefs.hpp>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A UTF-8 copy of a UTF-16 string from the XML parser.
class BRISVALE_SOA_COMMON_API BvStrX
{
public:
    // A null pointer gives an empty string. An unpaired surrogate is
    // std::invalid_argument: it has no UTF-8 form.
    explicit BvStrX(const XMLCh* toTranscode)
        : BvStrX()
    {
        transcode(toTranscode, fLocalForm);
    }

    BvStrX(const BvStrX& other)
        : fLocalForm(other.fLocalForm)
    {
    }

    BvStrX& operator=(const BvStrX& other)
    {
        fLocalForm = other.fLocalForm;
        return *this;
    }

    ~BvStrX() {}

    const char* localForm() const { return fLocalForm.c_str(); }
    operator const std::string&() { return fLocalForm; }

private:
    BvStrX() {}

    // Our own UTF-16 to UTF-8 converter, which appends to localForm. What
    // Xerces transcodes comes from its memory manager, which delete[] must
    // not release.
    static void transcode(const XMLCh* toTranscode, std::string& localForm);

    std::string fLocalForm;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
