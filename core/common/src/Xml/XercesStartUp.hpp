#ifndef BRISVALE_SOA_COMMON_XML_XERCESSTARTUP_HPP
#define BRISVALE_SOA_COMMON_XML_XERCESSTARTUP_HPP

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Sets Xerces up on first use; later calls return at once. Xerces is never
// shut down: the library runs no code when it is loaded or unloaded, and
// other users of Xerces in the same process keep their own count.
//
// Xerces can neither undo nor repeat a start-up that failed half way, so
// its start-up draws on memory reserved beforehand: running out of memory
// is then std::bad_alloc before anything changed, and the next call tries
// again. What still stops the start-up (the few allocations that Xerces
// makes past its memory manager, or a missing transcoder) is
// std::bad_alloc or a DomException, and a DomException on every later call.
void startXerces();

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
