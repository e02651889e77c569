#ifndef BRISVALE_SOA_COMMON_XML_BVSTRX_HPP
#define BRISVALE_SOA_COMMON_XML_BVSTRX_HPP

#include <cstddef>
#include <string>

#include <xercesc/util/XercesDefs.hpp>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Common/Xml/Utf8Character.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A UTF-8 copy of a UTF-16 string from the XML parser. It converts the
// text itself, inline, rather than through the local code page, which
// need not be UTF-8.
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

    static void transcode(const XMLCh* toTranscode, std::string& localForm)
    {
        if (toTranscode == nullptr)
            return;
        const std::size_t length = std::char_traits<XMLCh>::length(toTranscode);
        localForm.reserve(length);
        for (std::size_t i = 0; i < length;)
        {
            char character[Utf8Character::kMaxBytes];
            char* end = character;
            i = Utf8Character::write(end, toTranscode, i, length);
            localForm.append(character, static_cast<std::size_t>(end - character));
        }
    }

    std::string fLocalForm;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
