#ifndef BRISVALE_BENCH_BENCHDOCUMENTS_HPP
#define BRISVALE_BENCH_BENCHDOCUMENTS_HPP

#include <cstddef>
#include <string>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>

namespace Brisvale {
namespace Bench {

// Builds CreateOrUpdateParts requests and responses that look like what a
// CAD integration sends and gets back: parts with items, revisions,
// attributes, extra objects and datasets with files; per-part output with
// commit information and file tickets, and a ServiceData that lists the
// created and updated objects.

::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsInput
buildRequest(std::size_t partCount);

::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse
buildResponse(std::size_t partCount);

// A request and a response of about the same text size, with their texts.
// The text of the request is what outputXML writes for it.
struct DocumentSet
{
    std::size_t partCount = 0;
    ::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsInput request;
    std::string requestText;
    std::string responseText;
};

// The documents for a target text size in bytes, built on first use and kept
// for the rest of the run. Part counts grow in proportion to the target, so
// a document 50 times as large holds 50 times as many parts.
const DocumentSet& documentsOfSize(std::size_t targetBytes);

// The text of a response of about the target size.
std::string responseTextOfSize(std::size_t targetBytes);

// Writes a message under its outermost element name into a fresh stream and
// returns the text.
std::string writeRequest(
    const ::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsInput& request);
std::string writeResponse(
    const ::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse& response);

} // namespace Bench
} // namespace Brisvale

#endif
