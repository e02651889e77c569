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
// with one exception. Xerces draws the memory of its start-up from a block
// reserved beforehand, so that nothing fails half way for want of it; what
// it allocates past its memory manager can still fail:
// - its encoding table, the first of its static data: the next call sets
//   the static data up again (every earlier step has completed then);
// - the converter that ICU makes for it, for the local code page: Xerces
//   can then neither go on nor be shut down and started again (its
//   shut-down expects static data that does not exist yet), so
//   parseXmlDocumentWithXerces stays out of use for the process, with a
//   DomException on every later call.
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
