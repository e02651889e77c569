#ifndef XSDGEN_ACCESSORS_HPP
#define XSDGEN_ACCESSORS_HPP

#include <string>
#include <vector>

#include "CppType.hpp"

namespace Xsdgen {

// One accessor of a field, declared alike in both classes of a pair: the
// implementation class does the work, the public class forwards to it.
struct Accessor
{
    std::string returnType;         // "const std::string&", "void", ...
    std::string name;               // "getName"
    std::string parameterType;      // "" when it takes nothing
    std::string parameterName;
    bool isConst = false;
    std::vector<std::string> implementation;   // statements of the implementation class's body

    // "const std::string& getName() const"; with a class name, the
    // out-of-line form "const std::string& ItemInfoImpl::getName() const".
    std::string signature(const std::string& className = std::string()) const;
    // "getName()" or "setName(name)": the call that the public class forwards.
    std::string call() const;
};

// The accessors of a field, in declaration order.
std::vector<Accessor> accessorsOf(const CppField& field);

// The setter of a single field ("setClientId") and the function that adds an
// entry to an array ("addAttrList"), for generated code that calls them.
std::string setterName(const CppField& field);
std::string adderName(const CppField& field);

} // namespace Xsdgen

#endif
