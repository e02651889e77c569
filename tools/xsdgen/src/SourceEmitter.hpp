#ifndef XSDGEN_SOURCEEMITTER_HPP
#define XSDGEN_SOURCEEMITTER_HPP

#include <string>

#include "CppType.hpp"

namespace Xsdgen {

// Which part of a class pair a source holds.
enum class SourceShare
{
    Whole,          // everything: a type of this library's own
    MessageLibrary, // of a type the common library provides: the public
                    // class but its default constructor, and the
                    // implementation class's destructor and copy constructor
    CommonLibrary   // the rest of such a type
};

// The source of one class pair, or of one share of it: constructors,
// accessors, outputXML and parse of the implementation class, and the public
// class's forwarders.
std::string emitSource(const CppType& type, SourceShare share = SourceShare::Whole);

} // namespace Xsdgen

#endif
