#include <cerrno>
#include <new>
#include <utility>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "Xml/Reading/DocumentReaders.hpp"
#include "Xml/Reading/DocumentScreen.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::string position(long long line, long long column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::unique_ptr<XMLNode> requireRoot(std::unique_ptr<XMLNode> root)
{
    if (!root)
        throw Exceptions::DomException("XML parse error: the document has no root element");
    return root;
}

// Tells whether an allocation failed while it was in scope, from errno,
// which the C library's allocation functions set to ENOMEM when they fail.
// A parser does not always notice its own failed allocation: libxml2 takes
// a namespace whose name it could not store for an empty one, and reports
// that. The caller's errno is kept when nothing failed.
class AllocationWitness
{
public:
    AllocationWitness()
        : fCallersErrno(errno)
    {
        errno = 0;
    }

    ~AllocationWitness()
    {
        if (errno == 0)
            errno = fCallersErrno;
    }

    AllocationWitness(const AllocationWitness&) = delete;
    AllocationWitness& operator=(const AllocationWitness&) = delete;

    void throwIfAnyFailed() const
    {
        if (errno == ENOMEM)
            throw std::bad_alloc();
    }

private:
    int fCallersErrno;
};

// Runs a reader over a screened text: a read during which an allocation
// failed ends in std::bad_alloc, whatever the parser made of it.
template <class Reader>
std::unique_ptr<XMLNode> readWatchingAllocations(Reader reader, const char* data, std::size_t length,
                                                 const TextLayout& layout)
{
    const AllocationWitness witness;
    std::unique_ptr<XMLNode> root;
    try
    {
        root = reader(data, length, layout);
    }
    catch (const Exceptions::DomException&)
    {
        witness.throwIfAnyFailed();
        throw;
    }
    witness.throwIfAnyFailed();
    return requireRoot(std::move(root));
}

} // namespace

Exceptions::DomException parseErrorAt(long long line, long long column, const std::string& what)
{
    return Exceptions::DomException("XML parse error at " + position(line, column) + ": " + what);
}

Exceptions::DomException refusalAt(long long line, long long column, const std::string& why)
{
    return Exceptions::DomException("XML document refused at " + position(line, column) + ": " + why);
}

std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text)
{
    return parseXmlDocument(text.data(), text.size());
}

std::unique_ptr<XMLNode> parseXmlDocument(const char* data, std::size_t length)
{
    return readWatchingAllocations(readWithLibxml2, data, length, screenDocument(data, length));
}

std::unique_ptr<XMLNode> parseXmlDocumentWithXerces(const char* data, std::size_t length)
{
    return readWatchingAllocations(readWithXerces, data, length, screenDocument(data, length));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
