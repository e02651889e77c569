#include "BaselineWriter.hpp"

#include <vector>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExtraObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemRevInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/NamedReferenceObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/PropertyValue.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

namespace Brisvale {
namespace Bench {

namespace {

namespace Dm = ::Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Base = ::Brisvale::Schemas::Soa::_2006_03::Base;
using ::Brisvale::Soa::Common::Xml::lexical_cast;
using ::Brisvale::Soa::Common::Xml::toXmlString;

// The stream gives the first namespace it meets, DataManagement, the prefix
// "ns1" and declares it on the outermost element; the base schema's URI gets
// "ns2", declared on every ModelObject element, where it is first needed.
const char* const kDataManagementUri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";
const char* const kBaseDeclaration =
    " xmlns:ns2=\"http://brisvale.example/Schemas/Soa/2006-03/Base\"";

// The XML reference for a byte that is written as one, or null.
const char* referenceFor(char byte)
{
    switch (byte)
    {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return nullptr;
    }
}

class TextWriter
{
public:
    TextWriter(std::string& text, Escaping escaping)
        : fText(text)
        , fEscaping(escaping)
    {
    }

    void open(const char* name)
    {
        fText += "<ns1:";
        fText += name;
    }

    void attribute(const char* name, const std::string& value)
    {
        fText += ' ';
        fText += name;
        fText += "=\"";
        if (fEscaping == Escaping::InPlace)
            appendEscaped(value);
        else
            fText += toXmlString(value);
        fText += '"';
    }

    void attribute(const char* name, bool value)
    {
        fText += ' ';
        fText += name;
        fText += "=\"";
        if (fEscaping == Escaping::InPlace)
            fText += value ? "true" : "false";
        else
            fText += lexical_cast<std::string>(value);
        fText += '"';
    }

    void endStartTag() { fText += '>'; }
    void endLeaf() { fText += "/>"; }

    void close(const char* name)
    {
        fText += "</ns1:";
        fText += name;
        fText += '>';
    }

    void modelObject(const char* name, const Base::ModelObject& object)
    {
        open(name);
        fText += kBaseDeclaration;
        if (object.isClassUidSet())
            attribute("classUid", object.getClassUid());
        attribute("uid", object.getUid());
        if (object.isClassNameSet())
            attribute("className", object.getClassName());
        if (object.isTypeSet())
            attribute("type", object.getType());
        endStartTag();
        for (const Base::Property& property : object.getPropertieArray())
            this->property(property);
        close(name);
    }

    void attributeInfo(const char* name, const Dm::AttributeInfo& info)
    {
        open(name);
        attribute("name", info.getName());
        attribute("value", info.getValue());
        endLeaf();
    }

    void attributeInfos(const char* name, const std::vector<Dm::AttributeInfo>& infos)
    {
        for (const Dm::AttributeInfo& info : infos)
            attributeInfo(name, info);
    }

    void extraObject(const Dm::ExtraObjectInfo& extra)
    {
        open("extraObject");
        attribute("clientId", extra.getClientId());
        attribute("typeName", extra.getTypeName());
        attribute("relationTypeName", extra.getRelationTypeName());
        endStartTag();
        modelObject("object", extra.getObject());
        attributeInfos("attrNameValuePairs", extra.getAttrNameValuePairArray());
        close("extraObject");
    }

    void itemInput(const Dm::ItemInfo& item)
    {
        open("itemInput");
        attribute("name", item.getName());
        attribute("description", item.getDescription());
        attribute("itemType", item.getItemType());
        attribute("itemId", item.getItemId());
        endStartTag();
        modelObject("item", item.getItem());
        attributeInfos("attrList", item.getAttrListArray());
        for (const Dm::ExtraObjectInfo& extra : item.getExtraObjectArray())
            extraObject(extra);
        modelObject("folder", item.getFolder());
        close("itemInput");
    }

    void itemRevInput(const Dm::ItemRevInfo& revision)
    {
        open("itemRevInput");
        attribute("revId", revision.getRevId());
        endStartTag();
        modelObject("itemRevision", revision.getItemRevision());
        attributeInfos("attrList", revision.getAttrListArray());
        for (const Dm::ExtraObjectInfo& extra : revision.getExtraObjectArray())
            extraObject(extra);
        close("itemRevInput");
    }

    void datasetFileInfo(const Dm::DatasetFileInfo& file)
    {
        open("datasetFileInfos");
        attribute("clientId", file.getClientId());
        attribute("allowReplace", file.getAllowReplace());
        attribute("namedReferencedName", file.getNamedReferencedName());
        attribute("isText", file.getIsText());
        attribute("fileName", file.getFileName());
        endLeaf();
    }

    void namedReference(const Dm::NamedReferenceObjectInfo& reference)
    {
        open("namedReferenceObjectInfos");
        attribute("clientId", reference.getClientId());
        attribute("typeName", reference.getTypeName());
        attribute("namedReferenceName", reference.getNamedReferenceName());
        endStartTag();
        modelObject("object", reference.getObject());
        attributeInfos("attrNameValuePairs", reference.getAttrNameValuePairArray());
        close("namedReferenceObjectInfos");
    }

    void datasetInput(const Dm::DatasetInfo& dataset)
    {
        open("datasetInput");
        attribute("clientId", dataset.getClientId());
        attribute("createNewVersion", dataset.getCreateNewVersion());
        attribute("name", dataset.getName());
        attribute("id", dataset.getId());
        attribute("namedReferencePreference", dataset.getNamedReferencePreference());
        attribute("itemRevRelationName", dataset.getItemRevRelationName());
        attribute("type", dataset.getType());
        attribute("datasetRev", dataset.getDatasetRev());
        attribute("description", dataset.getDescription());
        endStartTag();
        modelObject("dataset", dataset.getDataset());
        attributeInfos("attrList", dataset.getAttrListArray());
        attributeInfos("mappingAttributes", dataset.getMappingAttributeArray());
        for (const Dm::ExtraObjectInfo& extra : dataset.getExtraObjectArray())
            extraObject(extra);
        for (const Dm::DatasetFileInfo& file : dataset.getDatasetFileInfoArray())
            datasetFileInfo(file);
        for (const Dm::NamedReferenceObjectInfo& reference : dataset.getNamedReferenceObjectInfoArray())
            namedReference(reference);
        close("datasetInput");
    }

    void partInfo(const Dm::PartInfo& part)
    {
        open("info");
        attribute("clientId", part.getClientId());
        endStartTag();
        itemInput(part.getItemInput());
        itemRevInput(part.getItemRevInput());
        for (const Dm::DatasetInfo& dataset : part.getDatasetInputArray())
            datasetInput(dataset);
        close("info");
    }

private:
    void appendEscaped(const std::string& value)
    {
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < value.size(); ++i)
        {
            if (const char* reference = referenceFor(value[i]))
            {
                fText.append(value, runStart, i - runStart);
                fText += reference;
                runStart = i + 1;
            }
        }
        fText.append(value, runStart, std::string::npos);
    }

    // Properties and their values are in the base schema, under "ns2".
    void property(const Base::Property& property)
    {
        fText += "<ns2:properties";
        attribute("modifiable", property.getModifiable());
        attribute("name", property.getName());
        attribute("uiValue", property.getUiValue());
        fText += '>';
        for (const Base::PropertyValue& value : property.getValueArray())
        {
            fText += "<ns2:values";
            if (value.isIsNullSet())
                attribute("isNull", value.getIsNull());
            attribute("value", value.getValue());
            fText += "/>";
        }
        fText += "</ns2:properties>";
    }

    std::string& fText;
    Escaping fEscaping;
};

} // namespace

void appendRequestText(std::string& text, const Dm::CreateOrUpdatePartsInput& request,
                       const std::string& elementName, Escaping escaping)
{
    text += '<';
    text += elementName;
    text += " xmlns=\"";
    text += kDataManagementUri;
    text += "\" xmlns:ns1=\"";
    text += kDataManagementUri;
    text += "\">";
    TextWriter writer(text, escaping);
    for (const Dm::PartInfo& part : request.getInfoArray())
        writer.partInfo(part);
    text += "</";
    text += elementName;
    text += '>';
}

} // namespace Bench
} // namespace Brisvale
