#include "Xml/XercesStartUp.hpp"

#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PanicHandler.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// Xerces' memory for the whole process. While Xerces starts up it is served
// from one block reserved beforehand, which is never released; afterwards
// from operator new, a failure being the OutOfMemoryException that Xerces
// expects.
class XercesMemory : public xercesc::MemoryManager
{
public:
    // More than a start-up of Xerces 3.2 asks for in all (about 0.7 MB).
    static constexpr std::size_t fgReserveSize = 1 << 20;

    XercesMemory()
        : fReserve(static_cast<char*>(::operator new(fgReserveSize)))
        , fReserveUsed(0)
        , fStartingUp(true)
    {
    }

    void endStartUp() { fStartingUp = false; }

    xercesc::MemoryManager* getExceptionMemoryManager() override { return this; }

    void* allocate(XMLSize_t size) override
    {
        const std::size_t alignment = alignof(std::max_align_t);
        const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
        if (fStartingUp && rounded <= fgReserveSize - fReserveUsed)
        {
            void* block = fReserve + fReserveUsed;
            fReserveUsed += rounded;
            return block;
        }
        try
        {
            return ::operator new(size);
        }
        catch (const std::bad_alloc&)
        {
            throw xercesc::OutOfMemoryException();
        }
    }

    void deallocate(void* block) override
    {
        char* const bytes = static_cast<char*>(block);
        if (bytes >= fReserve && bytes < fReserve + fgReserveSize)
            return;
        ::operator delete(block);
    }

private:
    char* const fReserve;
    std::size_t fReserveUsed;
    bool fStartingUp;
};

// Xerces calls its panic handler where it cannot go on, for one when an
// allocation fails while it starts up; the default one ends the process.
// This one keeps the reason and lets Xerces finish what it can; the failed
// start-up then puts Xerces out of use for the process.
class RecordingPanicHandler : public xercesc::PanicHandler
{
public:
    void panic(const PanicReasons reason) override
    {
        fPanicked = true;
        fReason = reason;
    }

    bool fPanicked = false;
    PanicReasons fReason = Panic_SystemInit;
};

std::mutex gStartUpMutex;
bool gStarted = false;
// Why Xerces is out of use; empty while it is not. Made on first use, so
// that loading the library runs no code.
std::string& startUpFailure()
{
    static std::string failure;
    return failure;
}

void startUp()
{
    static RecordingPanicHandler panicHandler;
    // Made before Xerces changes anything: std::bad_alloc here leaves
    // everything as it was.
    std::unique_ptr<XercesMemory> memory(new XercesMemory());
    startUpFailure().reserve(128);
    bool outOfMemory = false;
    bool refused = false;
    try
    {
        xercesc::XMLPlatformUtils::Initialize(xercesc::XMLUni::fgXercescDefaultLocale, nullptr,
                                              &panicHandler, memory.get());
    }
    catch (const xercesc::OutOfMemoryException&)
    {
        outOfMemory = true;
    }
    catch (const xercesc::XMLException&)
    {
        refused = true;
    }
    // Xerces holds the memory for the rest of the process.
    memory.release()->endStartUp();
    if (!outOfMemory && !refused && !panicHandler.fPanicked)
        return;
    // Xerces can neither be shut down after a failed start-up nor started
    // again. Its static data fails to set up when memory runs out.
    startUpFailure() = "the XML parser could not be initialised";
    if (panicHandler.fPanicked)
    {
        outOfMemory = outOfMemory || panicHandler.fReason == xercesc::PanicHandler::Panic_AllStaticInitErr;
        startUpFailure() += std::string(": ") + xercesc::PanicHandler::getPanicReasonString(panicHandler.fReason);
    }
    if (outOfMemory)
        throw std::bad_alloc();
    throw Exceptions::DomException(startUpFailure());
}

} // namespace

void startXerces()
{
    std::lock_guard<std::mutex> lock(gStartUpMutex);
    if (!startUpFailure().empty())
        throw Exceptions::DomException(startUpFailure());
    if (!gStarted)
        startUp();
    gStarted = true;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
