#ifndef BRISVALE_SOA_COMMON_XML_XERCESSTARTUP_HPP
#define BRISVALE_SOA_COMMON_XML_XERCESSTARTUP_HPP

#include <xercesc/util/PanicHandler.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Sets Xerces up on first use; later calls cost one atomic load. Xerces is
// never shut down: the library runs no code when it is loaded or unloaded,
// and other users of Xerces in the same process keep their own count.
//
// Running out of memory is std::bad_alloc, and the next call tries again,
// but for one case. Xerces draws the memory of its start-up from a block
// reserved beforehand, so that nothing fails half way for want of it.
// What it allocates past its memory manager can still fail:
// - the blocks of its encoding table, first thing of its static data: the
//   next call sets the static data up again;
// - ICU's converter for the local code page: Xerces cannot go on, nor be
//   shut down and started again (its shut-down expects its static data to
//   exist). parseXmlDocumentWithXerces then stays out of use for the
//   process, with a DomException on every call.
void startXerces();

// What Xerces' panic handler throws: Xerces does not allow it to return.
// Outside start-up it ends a read with a DomException.
struct XercesPanic
{
    xercesc::PanicHandler::PanicReasons reason;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
