// Writes a message and reads it back, through both installed libraries.
#include <iostream>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

int main()
{
    namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
    using namespace Brisvale::Soa::Common::Xml;
    Dm::PartInfo part;
    part.setClientId("part-1");
    XmlStream stream;
    part.outputXML(stream, "PartInfo");
    Dm::PartInfo copy;
    copy.parse(*parseXmlDocument(stream.str()));
    std::cout << stream.str() << "\n";
    return copy.getClientId() == "part-1" ? 0 : 1;
}
