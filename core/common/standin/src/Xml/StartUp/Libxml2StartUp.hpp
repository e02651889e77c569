#ifndef BRISVALE_SOA_COMMON_XML_LIBXML2STARTUP_HPP
#define BRISVALE_SOA_COMMON_XML_LIBXML2STARTUP_HPP

#include <libxml/xmlerror.h>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Makes sure libxml2 can read on the calling thread, or throws
// std::bad_alloc; later calls on a thread cost one atomic load and one
// thread-local check.
//
// libxml2's start-up swallows a failed allocation: its table of encodings
// then lacks an entry for good, and with it UTF-16 or another encoding.
// This finds such a table and makes it again, under a lock that no read
// passes before the table is whole. libxml2 keeps its settings per thread,
// in a block it allocates on a thread's first use and dereferences without
// a check: that block must exist before a parser context is made.
void startLibxml2();

// For the life of one read, on a thread that startLibxml2 has set up, the
// thread's libxml2 reports its errors to `handler` alone (errors outside a parser's, such as failed
// allocations of its buffers, come there too) and never prints them. The
// thread's own handlers come back afterwards.
class Libxml2ErrorScope
{
public:
    Libxml2ErrorScope(void* context, xmlStructuredErrorFunc handler);
    ~Libxml2ErrorScope();
    Libxml2ErrorScope(const Libxml2ErrorScope&) = delete;
    Libxml2ErrorScope& operator=(const Libxml2ErrorScope&) = delete;

private:
    xmlGenericErrorFunc* const fGeneric;
    void** const fGenericContext;
    xmlStructuredErrorFunc* const fStructured;
    void** const fStructuredContext;
    const xmlGenericErrorFunc fSavedGeneric;
    void* const fSavedGenericContext;
    const xmlStructuredErrorFunc fSavedStructured;
    void* const fSavedStructuredContext;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
