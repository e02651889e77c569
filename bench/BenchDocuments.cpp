#include "BenchDocuments.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CommitDatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileTicketInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExtraObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExtraObjectOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemRevInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/NamedReferenceObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/PropertyValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace Brisvale {
namespace Bench {

namespace Dm = ::Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Base = ::Brisvale::Schemas::Soa::_2006_03::Base;
using ::Brisvale::Soa::Common::Xml::XmlStream;

namespace {

const int kDatasetsPerPart = 2;
const int kFilesPerDataset = 2;

std::string padded(std::size_t number, std::size_t width)
{
    std::string digits = std::to_string(number);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

// A fourteen-character object identifier, unique per (kind, number).
std::string uid(char kind, std::size_t number)
{
    return std::string("wX") + kind + "Aa" + padded(number, 9);
}

Base::ModelObject modelObject(const std::string& objectUid, const std::string& className,
                              const std::string& type)
{
    Base::ModelObject object;
    object.setUid(objectUid);
    object.setClassName(className);
    object.setType(type);
    return object;
}

Base::Property property(const std::string& name, const std::string& value)
{
    Base::PropertyValue propertyValue;
    propertyValue.setValue(value);
    Base::Property result;
    result.setName(name);
    result.setUiValue(value);
    result.setModifiable(true);
    result.addValue(propertyValue);
    return result;
}

Dm::ItemInfo itemInput(std::size_t part)
{
    const std::string number = padded(part, 6);
    Dm::ItemInfo item;
    item.setName("Bracket " + number);
    item.setDescription("Mounting bracket, left & right hand, \"type B\" <rev A>");
    item.setItemType("Item");
    item.setItemId(number);
    if (part % 2 == 1)
        item.setItem(modelObject(uid('I', part), "Item", "Item"));
    item.addAttrList(Dm::AttributeInfo("object_desc", "Bracket for the housing of assembly " + number));
    item.addAttrList(Dm::AttributeInfo("material", "Steel S235JR"));
    item.addAttrList(Dm::AttributeInfo("mass", "1.25 kg"));

    Dm::ExtraObjectInfo masterForm("part-" + number + "-master", "Item Master", "MasterForm",
                                   Base::ModelObject());
    masterForm.addAttrNameValuePair(Dm::AttributeInfo("project_id", "P-4711"));
    masterForm.addAttrNameValuePair(Dm::AttributeInfo("previous_item_id", "A-" + number));
    item.addExtraObject(masterForm);

    item.setFolder(modelObject(uid('F', part / 100), "Folder", "Folder"));
    return item;
}

Dm::ItemRevInfo itemRevInput(std::size_t part)
{
    const std::string number = padded(part, 6);
    Dm::ItemRevInfo revision;
    revision.setRevId("A");
    if (part % 2 == 1)
        revision.setItemRevision(modelObject(uid('R', part), "ItemRevision", "ItemRevision"));
    revision.addAttrList(Dm::AttributeInfo("object_desc", "First release of bracket " + number));
    revision.addAttrList(Dm::AttributeInfo("release_status", "Working"));

    Dm::ExtraObjectInfo revisionForm("part-" + number + "-revmaster", "ItemRevision Master",
                                     "MasterForm", Base::ModelObject());
    revisionForm.addAttrNameValuePair(Dm::AttributeInfo("drawing_no", "DRW-" + number));
    revision.addExtraObject(revisionForm);
    return revision;
}

Dm::DatasetInfo datasetInput(std::size_t part, int dataset)
{
    const std::string number = padded(part, 6);
    const std::string clientId = "part-" + number + "-ds-" + std::to_string(dataset);
    const std::string fileStem = "bracket_" + number + "_" + std::to_string(dataset);

    Dm::DatasetInfo info;
    info.setClientId(clientId);
    info.setCreateNewVersion(true);
    info.setName(fileStem);
    info.setId("");
    info.setNamedReferencePreference("");
    info.setItemRevRelationName(dataset == 0 ? "Describes" : "Rendering");
    info.setType(dataset == 0 ? "CadModel" : "LightModel");
    info.setDatasetRev("1");
    info.setDescription("Model of bracket " + number);
    if (part % 2 == 1)
        info.setDataset(modelObject(uid('D', part * kDatasetsPerPart + dataset), "Dataset",
                                    dataset == 0 ? "CadModel" : "LightModel"));
    info.addAttrList(Dm::AttributeInfo("object_desc", "Native model"));
    info.addMappingAttribute(Dm::AttributeInfo("part_name", "Bracket " + number));

    for (int file = 0; file < kFilesPerDataset; ++file)
    {
        Dm::DatasetFileInfo fileInfo;
        fileInfo.setClientId(clientId + "-file-" + std::to_string(file));
        fileInfo.setAllowReplace(true);
        fileInfo.setNamedReferencedName(file == 0 ? "CadPart" : "CadPart-ATTR");
        fileInfo.setIsText(file != 0);
        fileInfo.setFileName("/data/cad/parts/" + fileStem + (file == 0 ? ".prt" : ".txt"));
        info.addDatasetFileInfo(fileInfo);
    }

    Dm::NamedReferenceObjectInfo reference;
    reference.setClientId(clientId + "-ref");
    reference.setTypeName("UGPartAttr");
    reference.setNamedReferenceName("CadPart-ATTR");
    reference.addAttrNameValuePair(Dm::AttributeInfo("part_number", number));
    info.addNamedReferenceObjectInfo(reference);
    return info;
}

Dm::ExtraObjectOutput extraObjectOutput(const std::string& clientId, const std::string& objectUid,
                                        const std::string& type)
{
    return Dm::ExtraObjectOutput(clientId, modelObject(objectUid, "Form", type));
}

Dm::DatasetOutput datasetOutput(std::size_t part, int dataset, Base::ServiceData& serviceData)
{
    const std::string number = padded(part, 6);
    const std::string clientId = "part-" + number + "-ds-" + std::to_string(dataset);
    const std::size_t datasetNumber = part * kDatasetsPerPart + dataset;
    const std::string datasetUid = uid('D', datasetNumber);
    const std::string type = dataset == 0 ? "CadModel" : "LightModel";

    Dm::DatasetOutput output(clientId, modelObject(datasetUid, "Dataset", type));

    Dm::CommitDatasetFileInfo commit(true, modelObject(datasetUid, "Dataset", type));
    for (int file = 0; file < kFilesPerDataset; ++file)
    {
        Dm::DatasetFileInfo fileInfo;
        fileInfo.setClientId(clientId + "-file-" + std::to_string(file));
        fileInfo.setAllowReplace(true);
        fileInfo.setNamedReferencedName(file == 0 ? "CadPart" : "CadPart-ATTR");
        fileInfo.setIsText(file != 0);
        fileInfo.setFileName("bracket_" + number + "_" + std::to_string(dataset)
                             + (file == 0 ? ".prt" : ".txt"));
        const std::string ticket = "FMS1:" + uid('T', datasetNumber * kFilesPerDataset + file)
                                   + ":8f2c61b0a95d4e37b1c0d7e94a6f3b25:"
                                   + "vol_cad_01/fa/" + fileInfo.getFileName();
        commit.addDatasetFileTicketInfo(Dm::DatasetFileTicketInfo(ticket, fileInfo));
    }
    output.addCommitInfo(commit);

    const std::string referenceUid = uid('N', datasetNumber);
    output.addNamedRefObj(extraObjectOutput(clientId + "-ref", referenceUid, "UGPartAttr"));

    Base::RefId created;
    created.setUid(datasetUid);
    serviceData.addCreatedObj(created);
    Base::RefId reference;
    reference.setUid(referenceUid);
    serviceData.addCreatedObj(reference);
    return output;
}

Dm::CreateOrUpdatePartsOutput partOutput(std::size_t part, Base::ServiceData& serviceData)
{
    const std::string number = padded(part, 6);
    const std::string itemUid = uid('I', part);
    const std::string revisionUid = uid('R', part);

    Base::ModelObject item = modelObject(itemUid, "Item", "Item");
    item.addPropertie(property("item_id", number));
    Base::ModelObject revision = modelObject(revisionUid, "ItemRevision", "ItemRevision");
    revision.addPropertie(property("item_revision_id", "A"));

    Dm::CreateOrUpdatePartsOutput output("part-" + number, item, revision);
    for (int dataset = 0; dataset < kDatasetsPerPart; ++dataset)
        output.addDatasetOutput(datasetOutput(part, dataset, serviceData));
    output.addExtraItemObj(extraObjectOutput("part-" + number + "-master", uid('M', part), "Item Master"));
    output.addExtraItemRevObj(
        extraObjectOutput("part-" + number + "-revmaster", uid('V', part), "ItemRevision Master"));

    Base::RefId itemRef;
    itemRef.setUid(itemUid);
    Base::RefId revisionRef;
    revisionRef.setUid(revisionUid);
    if (part % 2 == 1)
    {
        serviceData.addUpdatedObj(itemRef);
        serviceData.addUpdatedObj(revisionRef);
    }
    else
    {
        serviceData.addCreatedObj(itemRef);
        serviceData.addCreatedObj(revisionRef);
    }
    serviceData.addDataObject(item);
    return output;
}

std::size_t partsFor(std::size_t targetBytes, double bytesPerPart)
{
    const double parts = std::round(static_cast<double>(targetBytes) / bytesPerPart);
    return static_cast<std::size_t>(std::max(1.0, parts));
}

} // namespace

Dm::CreateOrUpdatePartsInput buildRequest(std::size_t partCount)
{
    Dm::CreateOrUpdatePartsInput request;
    for (std::size_t part = 0; part < partCount; ++part)
    {
        Dm::PartInfo info;
        info.setClientId("part-" + padded(part, 6));
        info.setItemInput(itemInput(part));
        info.setItemRevInput(itemRevInput(part));
        for (int dataset = 0; dataset < kDatasetsPerPart; ++dataset)
            info.addDatasetInput(datasetInput(part, dataset));
        request.addInfo(info);
    }
    return request;
}

Dm::CreateOrUpdatePartsResponse buildResponse(std::size_t partCount)
{
    Dm::CreateOrUpdatePartsResponse response;
    Base::ServiceData& serviceData = response.getServiceData();
    for (std::size_t part = 0; part < partCount; ++part)
        response.addOutput(partOutput(part, serviceData));
    return response;
}

std::string writeRequest(const Dm::CreateOrUpdatePartsInput& request)
{
    XmlStream stream;
    request.outputXML(stream, "CreateOrUpdatePartsInput");
    return stream.str();
}

std::string writeResponse(const Dm::CreateOrUpdatePartsResponse& response)
{
    XmlStream stream;
    response.outputXML(stream, "CreateOrUpdatePartsResponse");
    return stream.str();
}

namespace {

// Text bytes of one part, measured on a sample of a hundred parts.
double requestBytesPerPart()
{
    static const double bytes = static_cast<double>(writeRequest(buildRequest(100)).size()) / 100;
    return bytes;
}

double responseBytesPerPart()
{
    static const double bytes = static_cast<double>(writeResponse(buildResponse(100)).size()) / 100;
    return bytes;
}

} // namespace

std::string responseTextOfSize(std::size_t targetBytes)
{
    return writeResponse(buildResponse(partsFor(targetBytes, responseBytesPerPart())));
}

const DocumentSet& documentsOfSize(std::size_t targetBytes)
{
    static std::map<std::size_t, std::unique_ptr<DocumentSet>> cache;
    std::unique_ptr<DocumentSet>& slot = cache[targetBytes];
    if (slot)
        return *slot;

    slot = std::make_unique<DocumentSet>();
    slot->partCount = partsFor(targetBytes, requestBytesPerPart());
    slot->request = buildRequest(slot->partCount);
    slot->requestText = writeRequest(slot->request);
    slot->responseText = responseTextOfSize(targetBytes);
    return *slot;
}

} // namespace Bench
} // namespace Brisvale
