// Builds a CreateOrUpdateParts request, writes it as XML, then reads a
// response from XML text and prints what it holds.

#include <iostream>
#include <memory>
#include <string>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;

namespace {

Dm::CreateOrUpdatePartsInput buildRequest()
{
    Dm::PartInfo part;
    part.setClientId("part-1");

    Dm::ItemInfo& item = part.getItemInput();
    item.setName("Bracket");
    item.setItemType("Item");
    item.setItemId("000123");
    item.addAttrList(Dm::AttributeInfo("material", "Aluminium 6061"));

    part.getItemRevInput().setRevId("A");

    Dm::DatasetInfo dataset;
    dataset.setClientId("dataset-1");
    dataset.setName("bracket.prt");
    dataset.setType("CadModel");
    dataset.setCreateNewVersion(true);

    Dm::DatasetFileInfo file;
    file.setClientId("file-1");
    file.setFileName("bracket.prt");
    file.setNamedReferencedName("CadPart");
    file.setAllowReplace(true);
    file.setIsText(false);
    dataset.addDatasetFileInfo(file);

    part.addDatasetInput(dataset);

    Dm::CreateOrUpdatePartsInput request;
    request.addInfo(part);
    return request;
}

const char* const responseText = R"(<?xml version="1.0" encoding="UTF-8"?>
<dm:CreateOrUpdatePartsResponse xmlns:dm="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <dm:output clientId="part-1">
    <dm:item uid="QHJ0000001" type="Item"/>
    <dm:itemRev uid="QHJ0000002" type="ItemRevision"/>
    <dm:datasetOutput clientId="dataset-1">
      <dm:dataset uid="QHJ0000003" type="CadModel"/>
      <dm:commitInfo createNewVersion="true">
        <dm:dataset uid="QHJ0000003"/>
        <dm:datasetFileTicketInfos ticket="ticket-7f3a9c">
          <dm:datasetFileInfo clientId="file-1" allowReplace="true" namedReferencedName="CadPart"
                              isText="false" fileName="bracket.prt"/>
        </dm:datasetFileTicketInfos>
      </dm:commitInfo>
    </dm:datasetOutput>
  </dm:output>
  <ServiceData xmlns="http://brisvale.example/Schemas/Soa/2006-03/Base">
    <createdObjs uid="QHJ0000001"/>
    <createdObjs uid="QHJ0000002"/>
    <createdObjs uid="QHJ0000003"/>
  </ServiceData>
</dm:CreateOrUpdatePartsResponse>
)";

void printResponse(const Dm::CreateOrUpdatePartsResponse& response)
{
    for (const Dm::CreateOrUpdatePartsOutput& output : response.getOutputArray()) {
        std::cout << "part " << output.getClientId() << ": item " << output.getItem().getUid() << ", revision "
                  << output.getItemRev().getUid() << "\n";
        for (const Dm::DatasetOutput& dataset : output.getDatasetOutputArray()) {
            std::cout << "  dataset " << dataset.getClientId() << " (" << dataset.getDataset().getUid() << ")\n";
            for (const Dm::CommitDatasetFileInfo& commit : dataset.getCommitInfoArray()) {
                for (const Dm::DatasetFileTicketInfo& ticket : commit.getDatasetFileTicketInfoArray()) {
                    std::cout << "    file " << ticket.getDatasetFileInfo().getFileName() << " -> ticket "
                              << ticket.getTicket() << "\n";
                }
            }
        }
    }
    std::cout << "created objects: " << response.getServiceData().getCreatedObjArray().size() << "\n";
}

} // namespace

int main()
{
    try {
        XmlStream stream;
        buildRequest().outputXML(stream, "CreateOrUpdatePartsInput");
        std::cout << "Request:\n" << stream.str() << "\n\n";

        std::unique_ptr<XMLNode> root = parseXmlDocument(responseText);
        Dm::CreateOrUpdatePartsResponse response;
        response.parse(*root);
        std::cout << "Response:\n";
        printResponse(response);
    } catch (DomException& error) {
        std::cerr << "error: " << error.getMessage() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "error: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
