#include "Xml/StartUp/XercesStartUp.hpp"

#include <atomic>
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
#include <xercesc/util/XMLInitializer.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// Xerces' memory for the whole process. While Xerces starts up it is served
// from one block reserved beforehand, which is never released; otherwise
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

    ~XercesMemory() override { ::operator delete(fReserve); }

    void beginStartUp() { fStartingUp = true; }
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
// allocation fails while it starts up. The handler may not return.
class ThrowingPanicHandler : public xercesc::PanicHandler
{
public:
    void panic(const PanicReasons reason) override { throw XercesPanic{reason}; }
};

// The last step of Xerces' start-up, which can run again after it failed:
// every step before it has completed by then.
class StaticData : public xercesc::XMLInitializer
{
public:
    static void setUp() { initializeStaticData(); }
};

enum class Stage
{
    kNotStarted,
    kStaticDataMissing,
    kOutOfUse,
};

std::atomic<bool> gStarted{false};
std::mutex gStartUpMutex;
Stage gStage = Stage::kNotStarted;
XercesMemory* gMemory = nullptr;  // Xerces' from its start-up on
// Why Xerces is out of use. Made on first use, so that loading the library
// runs no code.
std::string& outOfUseReason()
{
    static std::string reason;
    return reason;
}

[[noreturn]] void putOutOfUse(const char* why, bool outOfMemory)
{
    gStage = Stage::kOutOfUse;
    std::string& reason = outOfUseReason();
    reason = "the XML parser could not be initialised";
    if (why != nullptr)
    {
        reason += ": ";
        reason += why;
    }
    if (outOfMemory)
        throw std::bad_alloc();
    throw Exceptions::DomException(reason);
}

void initialize()
{
    static ThrowingPanicHandler panicHandler;
    // Made before Xerces changes anything: std::bad_alloc here leaves
    // everything as it was.
    std::unique_ptr<XercesMemory> memory(new XercesMemory());
    outOfUseReason().reserve(128);
    try
    {
        xercesc::XMLPlatformUtils::Initialize(xercesc::XMLUni::fgXercescDefaultLocale, nullptr,
                                              &panicHandler, memory.get());
    }
    catch (const XercesPanic& panic)
    {
        gMemory = memory.release();
        // A converter that ICU could not make, for want of memory as a rule.
        if (panic.reason != xercesc::PanicHandler::Panic_AllStaticInitErr)
            putOutOfUse(xercesc::PanicHandler::getPanicReasonString(panic.reason),
                        panic.reason == xercesc::PanicHandler::Panic_NoDefTranscoder);
        gStage = Stage::kStaticDataMissing;
        throw std::bad_alloc();
    }
    catch (const xercesc::OutOfMemoryException&)
    {
        gMemory = memory.release();
        putOutOfUse(nullptr, true);
    }
    catch (const std::bad_alloc&)
    {
        gMemory = memory.release();
        putOutOfUse(nullptr, true);
    }
    catch (const xercesc::XMLException&)
    {
        gMemory = memory.release();
        putOutOfUse(nullptr, false);
    }
    // Xerces takes the memory manager only if it was not set up already.
    if (xercesc::XMLPlatformUtils::fgMemoryManager == memory.get())
        gMemory = memory.release();
}

void setUpStaticData()
{
    gMemory->beginStartUp();
    try
    {
        StaticData::setUp();
    }
    catch (const XercesPanic&)
    {
        gMemory->endStartUp();
        throw std::bad_alloc();
    }
}

} // namespace

void startXerces()
{
    if (gStarted.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(gStartUpMutex);
    if (gStarted.load(std::memory_order_relaxed))
        return;
    if (gStage == Stage::kOutOfUse)
        throw Exceptions::DomException(outOfUseReason());
    if (gStage == Stage::kNotStarted)
        initialize();
    else
        setUpStaticData();
    if (gMemory != nullptr)
        gMemory->endStartUp();
    gStarted.store(true, std::memory_order_release);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
