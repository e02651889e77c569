#include "Xml/StartUp/Libxml2StartUp.hpp"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

#include <libxml/encoding.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/threads.h>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::atomic<bool> gStarted{false};
std::mutex gStartUpMutex;
// Where libxml2 keeps the calling thread's error handlers: found once per
// thread, since each lookup asks which thread is calling. Null until the
// thread is set up.
struct ErrorHandlerSlots
{
    xmlGenericErrorFunc* generic;
    void** genericContext;
    xmlStructuredErrorFunc* structured;
    void** structuredContext;
};
thread_local ErrorHandlerSlots tSlots = {nullptr, nullptr, nullptr, nullptr};

// Whether libxml2's own table holds a handler for the encoding; a handler
// made outside the table (by iconv or ICU) is released again.
bool inTable(const char* name)
{
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(name);
    if (handler == nullptr)
        return false;
    if (handler->input != nullptr || handler->output != nullptr)
        return true;
    xmlCharEncCloseFunc(handler);
    return false;
}

// Every encoding that a document may come in, by every name the parser
// looks it up under. libxml2 registers them all as it starts.
bool encodingTableIsWhole()
{
    return xmlGetCharEncodingHandler(XML_CHAR_ENCODING_UTF16LE) != nullptr
           && xmlGetCharEncodingHandler(XML_CHAR_ENCODING_UTF16BE) != nullptr && inTable("UTF-8")
           && inTable("UTF-16") && inTable("ISO-8859-1") && inTable("ASCII") && inTable("US-ASCII");
}

// The first thread to use libxml2 works on its process-wide settings; every
// other one on a block of its own, which libxml2 allocates on the thread's
// first use. Should that allocation fail, libxml2 reports it through the
// same block: it prints, finds no block again, and at worst recurses
// without end. So a block of that size is taken and given back first: the
// C library hands it to the same thread's next allocation of its size.
void startThread()
{
    if (!xmlIsMainThread())
    {
        void* volatile trial = std::malloc(sizeof(xmlGlobalState));
        if (trial == nullptr)
            throw std::bad_alloc();
        std::free(trial);
        if (xmlGetGlobalState() == nullptr)
            throw std::bad_alloc();
    }
    tSlots = {__xmlGenericError(), __xmlGenericErrorContext(), __xmlStructuredError(), __xmlStructuredErrorContext()};
}

void ignore(void*, const char*, ...)
{
}

void ignoreStructured(void*, xmlErrorPtr)
{
}

// Runs once, before any other thread starts: a thread's start-up takes
// a lock that libxml2 makes as the process starts.
void startProcess()
{
    std::lock_guard<std::mutex> lock(gStartUpMutex);
    if (gStarted.load(std::memory_order_relaxed))
        return;
    if (tSlots.generic == nullptr)
        startThread();
    Libxml2ErrorScope quiet(nullptr, ignoreStructured);
    xmlInitParser();
    // Making the table again drops the encoding aliases registered so far:
    // it happens only when libxml2's start-up lost an encoding.
    if (!encodingTableIsWhole())
    {
        xmlCleanupCharEncodingHandlers();
        xmlInitCharEncodingHandlers();
        if (!encodingTableIsWhole())
            throw std::bad_alloc();
    }
    gStarted.store(true, std::memory_order_release);
}

} // namespace

void startLibxml2()
{
    if (!gStarted.load(std::memory_order_acquire))
        startProcess();
    if (tSlots.generic == nullptr)
        startThread();
}

Libxml2ErrorScope::Libxml2ErrorScope(void* context, xmlStructuredErrorFunc handler)
    : fGeneric(tSlots.generic)
    , fGenericContext(tSlots.genericContext)
    , fStructured(tSlots.structured)
    , fStructuredContext(tSlots.structuredContext)
    , fSavedGeneric(*fGeneric)
    , fSavedGenericContext(*fGenericContext)
    , fSavedStructured(*fStructured)
    , fSavedStructuredContext(*fStructuredContext)
{
    *fGeneric = ignore;
    *fGenericContext = nullptr;
    *fStructured = handler;
    *fStructuredContext = context;
}

Libxml2ErrorScope::~Libxml2ErrorScope()
{
    *fGeneric = fSavedGeneric;
    *fGenericContext = fSavedGenericContext;
    *fStructured = fSavedStructured;
    *fStructuredContext = fSavedStructuredContext;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
