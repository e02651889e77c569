#!/bin/sh
# Holds the message library to its seam with the common library, read from
# the dynamic symbols of both built libraries:
#   A. it imports from the common library (symbols undefined in the message
#      library and defined in the common library) only what is listed below;
#   B. of the seven base-schema types it defines its own share and none of
#      the common library's;
#   C. it defines and exports the inline members of the common library's
#      classes listed below;
#   D. it exports nothing but its own classes and those members: no
#      standard-library instantiation, and no private type of the common
#      library's classes.
# Prints every offending symbol and fails when there is one.
#
# Usage: check-seam.sh <message library> <common library>

set -eu
export LC_ALL=C

if [ $# -ne 2 ] || [ ! -r "$1" ] || [ ! -r "$2" ]; then
    echo "usage: $0 <message library> <common library>" >&2
    exit 2
fi
messages=$1
common=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Symbol names as nm demangles them, shortened so that the lists read well:
# std::string for the standard string, no ABI tags, no namespace for the
# common library's classes, and Base:: for the base schema's.
symbols() {
    nm -DC "$@" > "$work/nm" || { echo "nm failed on $*" >&2; exit 2; }
    sed -e 's/^[0-9a-f ]* [A-Za-z] //' \
        -e 's/std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >/std::string/g' \
        -e 's/std::string >/std::string>/g' \
        -e 's/\[abi:cxx11\]//g' \
        -e 's/Brisvale::Soa::Common::Xml:://g' \
        -e 's/Brisvale::Soa::Common::Exceptions:://g' \
        -e 's/Brisvale::Soa::Internal::Common:://g' \
        -e 's/Brisvale::Soa::Common:://g' \
        -e 's/Brisvale::Schemas::Soa::_2006_03::Base::/Base::/g' \
        "$work/nm" | sort -u
}

symbols --defined-only "$messages" > "$work/defined"
symbols --undefined-only "$messages" > "$work/undefined"
symbols --defined-only "$common" > "$work/common"
if [ ! -s "$work/defined" ] || [ ! -s "$work/common" ]; then
    echo "no dynamic symbols read" >&2
    exit 2
fi

base_types="ServiceData ErrorStack ErrorValue ModelObject Property PropertyValue RefId"

# The lines of standard input that match none of the shell patterns of the
# file given, one pattern a line.
unmatched() {
    while IFS= read -r symbol; do
        found=no
        while IFS= read -r pattern; do
            case $symbol in
            $pattern) found=yes; break ;;
            esac
        done < "$1"
        [ $found = yes ] || printf '%s\n' "$symbol"
    done
}

# The lines of the first file that the second lacks.
missing() {
    sort -u "$1" | comm -23 - "$work/defined"
}

# A. What the message library may import from the common library.
cat > "$work/allowed-imports" <<'EOF'
XmlStream::isRootElement() const
XmlStream::writeOpenElement(std::string const&, std::string const&)
XmlStream::writeAttribute(std::string const&, std::string const&) const
XmlStream::writeOpenElementClose(std::string const&, bool)
XmlStream::getNamespacePrefix(std::string const&)
XmlStream::writeCloseElement(std::string const&, std::string const&)
vtable for XmlStream
VTT for XmlStream
typeinfo for XmlStream
XMLNode::getAttr(std::string const&) const
toXmlString(std::string const&)
bool lexical_cast<bool, std::string>(std::string const&)
int lexical_cast<int, std::string>(std::string const&)
double lexical_cast<double, std::string>(std::string const&)
DateTime lexical_cast<DateTime, std::string>(std::string const&)
std::string lexical_cast<std::string, bool>(bool const&)
std::string lexical_cast<std::string, int>(int const&)
std::string lexical_cast<std::string, double>(double const&)
std::string lexical_cast<std::string, DateTime>(DateTime const&)
DateTime::DateTime()
DateTime::operator==(DateTime const&) const
DateTime::operator<(DateTime const&) const
DateTime::operator>(DateTime const&) const
BaseObject::BaseObject()
DomException::DomException(std::string const&)
DomException::setMessage(std::string const&)
DomException::getMessage()
vtable for DomException
typeinfo for DomException
Monitor::markStart(std::string const&)
Monitor::markEnd(std::string const&)
Base::ModelObject::ModelObject()
Base::ServiceData::ServiceData()
EOF
for type in $base_types; do
    for member in 'get*' 'set*' 'is*' 'add*' 'outputXML(*' 'parse(*' 'reallyClone()'; do
        echo "Base::${type}Impl::$member"
    done
done >> "$work/allowed-imports"

comm -12 "$work/undefined" "$work/common" | unmatched "$work/allowed-imports" > "$work/fault-a"

# B. Of each base-schema type X, the message library defines the class X
# whole (but its default constructor), the Handle<XImpl> members, and of
# XImpl only the destructor, the copy constructor and the tables of its
# virtual operations; the rest of XImpl is the common library's.
: > "$work/base-required"
: > "$work/base-allowed"
for type in $base_types; do
    impl=Base::${type}Impl
    cat >> "$work/base-required" <<EOF
Base::$type::$type(Base::$type const&)
Base::$type::operator=(Base::$type const&)
Base::$type::~$type()
Base::$type::outputXML(XmlStream&, std::string const&) const
Base::$type::parse(XMLNode const&)
$impl::${type}Impl($impl const&)
$impl::~${type}Impl()
vtable for $impl
Handle<$impl>::Handle($impl*)
Handle<$impl>::Handle(Handle<$impl> const&)
Handle<$impl>::operator=(Handle<$impl> const&)
Handle<$impl>::~Handle()
Handle<$impl>::getHandleObject() const
EOF
    # Every accessor of XImpl, wherever defined, is also one of X.
    cat "$work/defined" "$work/common" |
        grep -E "^$impl::(get|set|is|add)" |
        sed "s/^$impl::/Base::$type::/" >> "$work/base-required" || true
    cat >> "$work/base-allowed" <<EOF
Base::$type::*
vtable for Base::$type
typeinfo for Base::$type
typeinfo name for Base::$type
$impl::${type}Impl($impl const&)
$impl::~${type}Impl()
vtable for $impl
typeinfo for $impl
typeinfo name for $impl
EOF
done
grep -E '^((vtable|typeinfo|typeinfo name|VTT) for )?Base::[A-Za-z0-9_]+(::|$)' "$work/defined" |
    unmatched "$work/base-allowed" > "$work/fault-b-defined" || true
for type in $base_types; do
    grep -Fx "Base::$type::$type()" "$work/defined" >> "$work/fault-b-defined" || true
done
missing "$work/base-required" > "$work/fault-b-missing"

# C. Inline members of the common library's classes that the message
# library defines and exports.
cat > "$work/inline-members" <<'EOF'
DateTime::year() const
DateTime::month() const
DateTime::day() const
DateTime::hour() const
DateTime::minute() const
DateTime::second() const
DateTime::operator!=(DateTime const&) const
DateTime::operator>=(DateTime const&) const
DateTime::operator<=(DateTime const&) const
DateTime::operator=(DateTime const&)
DateTime::~DateTime()
XmlStream::~XmlStream()
XMLNode::XMLNode()
XMLNode::attrs() const
SAXToNodeParser::startDocument()
SAXToNodeParser::endDocument()
SAXToNodeParser::ignorableWhitespace(char16_t const*, unsigned long)
SAXToNodeParser::processingInstruction(char16_t const*, char16_t const*)
BvStrX::BvStrX(char16_t const*)
BvStrX::BvStrX()
BvStrX::BvStrX(BvStrX const&)
BvStrX::operator=(BvStrX const&)
BvStrX::~BvStrX()
BvStrX::localForm() const
BvStrX::operator std::string const&()
DomException::DomException(DomException const&)
DomException::operator=(DomException const&)
DomException::~DomException()
Mark::Mark(Mark const&)
Mark::operator=(Mark const&)
ExecutionTime::ExecutionTime(ExecutionTime const&)
ExecutionTime::operator=(ExecutionTime const&)
Monitor::operator=(Monitor const&)
EOF
missing "$work/inline-members" > "$work/fault-c"

# D. Every exported symbol, named in full, starts in one of the library's
# namespaces, and none names a type nested in XmlStream or XMLNode (their
# constructors and destructors aside).
nm -DC --defined-only "$messages" | sed -e 's/^[0-9a-f ]* [A-Za-z] //' | sort -u > "$work/exported"
grep -Ev '^((vtable|typeinfo|typeinfo name|VTT) for |(non-)?virtual thunk to )?Brisvale::' \
    "$work/exported" > "$work/fault-d" || true
grep -E '(XmlStream|XMLNode)::[A-Z~]' "$work/exported" |
    grep -Ev '(XmlStream::~?XmlStream|XMLNode::~?XMLNode)\(' >> "$work/fault-d" || true

report() {
    if [ -s "$1" ]; then
        echo "$2:"
        sed 's/^/  /' "$1"
        failed=yes
    else
        echo "$3"
    fi
}

failed=no
report "$work/fault-a" \
    "A. imported from the common library, not in the list" \
    "A. imports from the common library: as listed"
report "$work/fault-b-defined" \
    "B. base-schema members the message library defines but the common library owns" \
    "B. base-schema members of the common library: none defined here"
report "$work/fault-b-missing" \
    "B. base-schema members the message library owns but does not define" \
    "B. base-schema members of the message library: all defined"
report "$work/fault-c" \
    "C. inline members the message library does not export" \
    "C. inline members: all exported"
report "$work/fault-d" \
    "D. exported beyond the library's classes and the common library's inline members" \
    "D. exports: the library's own"
[ $failed = no ]
