#include "RandomXmlDocument.hpp"

#include <algorithm>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "XmlTestSupport.hpp"

namespace Brisvale {
namespace Testing {

namespace {

enum class Encoding { utf8, utf8WithMark, utf16Le, utf16Be, latin1, ascii };

// A prefix bound to a URI; the empty prefix is the default namespace.
struct Binding
{
    std::u32string_view prefix;
    std::u32string_view uri;
};

using Text = std::u32string_view;

const Text kNames[] = {U"a", U"item", U"x-y", U"_n.1", U"B", U"\u00E9t\u00E9", U"na\u00EFve", U"\u03B1\u03B2",
                       U"\u4E2D\u6587"};
const Text kTargets[] = {U"pi", U"t-1", U"\u00E9"};
const Text kPrefixes[] = {U"p", U"q", U"ns1", U"\u00E9"};
const Text kUris[] = {U"urn:a", U"urn:b", U"http://h.example/x?y=1&amp;z", U"urn:\u00E9\u4E2D"};
const Text kXmlNamespace = U"http://www.w3.org/XML/1998/namespace";
// Declarations that namespaces forbid, by the prefix (empty for the default
// namespace) and the URI they bind.
const Binding kReservedMisuses[] = {{U"xmlns", U"urn:a"},
                                    {U"xml", U"urn:a"},
                                    {U"r", U"http://www.w3.org/2000/xmlns/"},
                                    {U"", U"http://www.w3.org/2000/xmlns/"},
                                    {U"r", kXmlNamespace},
                                    {U"", kXmlNamespace}};
const Text kSpaces[] = {U" ", U"\t", U"\n", U"\r", U"\r\n", U"  "};
const Text kEquals[] = {U"=", U"=", U"=", U" =", U"= ", U"\t=\r\n", U" = "};
const Text kQuotes[] = {U"\"", U"'"};
const Text kCommentOpenings[] = {U">", U"->"};
const Text kReferences[] = {U"&lt;", U"&gt;", U"&amp;", U"&quot;", U"&apos;", U"&#13;", U"&#x9;", U"&#10;", U"&#60;",
                            U"&#x26;", U"&#xE9;", U"&#x20AC;", U"&#128512;", U"&#x1F600;"};
// Characters of text and values; the markup characters are added where they may stand.
const Text kCharacters = U"abcXYZ019 \t\n\r>\"'=]-?/;#\u00E9\u00DF\u00FF\u0100\u20AC\u4E2D\U0001F600\u0085\u2028";

std::u32string characterReference(char32_t c)
{
    std::u32string digits;
    for (; c != 0; c /= 16)
        digits.insert(digits.begin(), U"0123456789ABCDEF"[c % 16]);
    return U"&#x" + digits + U";";
}

// Draws with the engine's own output, whose sequence the standard fixes,
// rather than with the distributions, whose results differ between
// libraries.
class Generator
{
public:
    explicit Generator(std::uint32_t seed) : fRandom(seed) {}

    RandomXmlDocument document()
    {
        fEncoding = static_cast<Encoding>(below(6));
        fLargest = fEncoding == Encoding::latin1 ? 0xFF : fEncoding == Encoding::ascii ? 0x7F : 0x10FFFF;
        declaration();
        for (std::size_t n = below(3); n > 0; --n)
            misc(true);
        element({}, 0);
        for (std::size_t n = below(3); n > 0; --n)
            misc(false);
        RandomXmlDocument result{encoded(), oneIn(10), fMisusesReservedName};
        if (result.mutated)
            mutate(result.bytes);
        return result;
    }

private:
    std::size_t below(std::size_t count) { return fRandom() % count; }
    bool oneIn(std::size_t count) { return below(count) == 0; }
    template <class T, std::size_t N>
    T pick(const T (&options)[N]) { return options[below(N)]; }
    // One of the names the encoding can carry; the first of each list is ASCII.
    template <std::size_t N>
    Text pickName(const Text (&options)[N])
    {
        const Text name = pick(options);
        return std::all_of(name.begin(), name.end(), [this](char32_t c) { return c <= fLargest; }) ? name : options[0];
    }
    bool endsWith(Text end) const { return Text(fText).substr(fText.size() - std::min(fText.size(), end.size())) == end; }
    void raw(Text text) { fText += text; }
    void space() { raw(pick(kSpaces)); }
    void equals() { raw(pick(kEquals)); }
    void declaration()
    {
        const bool named = fEncoding == Encoding::latin1 || fEncoding == Encoding::ascii;
        if (!named && oneIn(3))
            return;
        raw(U"<?xml");
        attribute(U"version", U"1.0");
        fEncodingDeclared = named || oneIn(2);
        if (fEncodingDeclared)
            attribute(U"encoding", encodingName());
        if (oneIn(4))
            attribute(U"standalone", oneIn(2) ? U"yes" : U"no");
        if (oneIn(3))
            space();
        raw(U"?>");
    }

    // name="value", in either quotes, the value random text unless given:
    // each character of a value given that the encoding cannot carry, a
    // reference. Also a pseudo-attribute or a namespace declaration.
    void attribute(Text name, std::optional<Text> value = std::nullopt)
    {
        space();
        raw(name);
        equals();
        const Text quote = pick(kQuotes);
        raw(quote);
        if (!value)
            text(quote[0]);
        for (char32_t c : value.value_or(Text()))
            character(c, quote[0]);
        raw(quote);
    }

    Text encodingName()
    {
        switch (fEncoding) {
        case Encoding::utf16Le:
        case Encoding::utf16Be: return U"UTF-16";
        case Encoding::latin1: return oneIn(2) ? U"ISO-8859-1" : U"iso-8859-1";
        case Encoding::ascii: return oneIn(2) ? U"US-ASCII" : U"us-ascii";
        default: return oneIn(2) ? U"UTF-8" : U"utf-8";
        }
    }

    void misc(bool inProlog)
    {
        switch (below(3)) {
        case 0: return comment(inProlog);
        case 1: return instruction();
        default: return space();
        }
    }

    // Characters of markup that is not parsed: neither references nor the
    // sequence that would end it early.
    void unparsed(Text extra, Text closing)
    {
        for (std::size_t n = below(10); n > 0; --n) {
            const char32_t c = below(4) == 0 ? extra[below(extra.size())] : kCharacters[below(kCharacters.size())];
            fText += c;
            if (c > fLargest || endsWith(closing))
                fText.pop_back();
        }
    }

    void comment(bool inProlog)
    {
        raw(U"<!--");
        if (oneIn(3))
            raw(pick(kCommentOpenings));
        // What a reader that took the comment to end at its opening would
        // see as markup.
        if (oneIn(10))
            raw(inProlog ? U"<!DOCTYPE r>" : U"<x " + std::u32string(257, U'=') + U" ");
        unparsed(U"<&-", U"--");
        if (endsWith(U"-"))
            raw(U"x");
        raw(U"-->");
    }

    void instruction()
    {
        raw(U"<?");
        raw(pickName(kTargets));
        if (!oneIn(3)) {
            space();
            unparsed(U"<&?", U"?>");
        }
        raw(U"?>");
    }

    void cdata()
    {
        raw(U"<![CDATA[");
        unparsed(U"<&]", U"]]>");
        raw(U"]]>");
    }

    // Character data, or with a quote the value of an attribute.
    void text(char32_t quote)
    {
        for (std::size_t n = below(8); n > 0; --n) {
            if (oneIn(4)) {
                raw(pick(kReferences));
            } else if (oneIn(10)) {
                raw(U"\r\n");
            } else if (oneIn(20)) {
                // In ISO-8859-1, two characters whose bytes are the UTF-8 of one.
                character(U'\u00C3', quote);
                character(U'\u00A9', quote);
            } else {
                character(kCharacters[below(kCharacters.size())], quote);
            }
        }
    }

    void character(char32_t c, char32_t quote)
    {
        const bool endsCdata = quote == 0 && c == U'>' && endsWith(U"]]");
        fText += c > fLargest || c == quote || endsCdata ? characterReference(c) : std::u32string(1, c);
    }

    void element(std::vector<Binding> scope, int depth)
    {
        std::vector<Binding> declared;
        for (std::size_t n = below(3); n > 0; --n) {
            const Binding binding{oneIn(3) ? Text() : pickName(kPrefixes), oneIn(4) ? Text() : pick(kUris)};
            const bool again = std::any_of(declared.begin(), declared.end(),
                                           [&](const Binding& earlier) { return earlier.prefix == binding.prefix; });
            if (!again && (!binding.uri.empty() || binding.prefix.empty()))
                declared.push_back(binding);
        }
        scope.insert(scope.end(), declared.begin(), declared.end());
        std::vector<Text> prefixes;
        for (const Binding& binding : scope)
            if (!binding.prefix.empty())
                prefixes.push_back(binding.prefix);

        std::u32string name;
        if (oneIn(100))
            name = U"xmlns:", fMisusesReservedName = true;
        else if (!prefixes.empty() && oneIn(2))
            name = std::u32string(prefixes[below(prefixes.size())]) + U":";
        name += pickName(kNames);
        raw(U"<" + name);
        if (oneIn(100))
            misuseReservedName(declared);
        for (const Binding& binding : declared)
            attribute(binding.prefix.empty() ? U"xmlns" : U"xmlns:" + std::u32string(binding.prefix), binding.uri);
        attributes(scope, prefixes);
        if (oneIn(3))
            space();
        if (depth >= 4 || oneIn(4))
            return raw(U"/>");
        raw(U">");
        for (std::size_t n = below(6); n > 0; --n) {
            switch (below(6)) {
            case 0: element(scope, depth + 1); break;
            case 1: comment(false); break;
            case 2: instruction(); break;
            case 3: cdata(); break;
            case 4: space(); break;
            default: text(0);
            }
        }
        raw(U"</" + name);
        if (oneIn(4))
            space();
        raw(U">");
    }

    // Adds a forbidden declaration, in place of one of the same prefix.
    void misuseReservedName(std::vector<Binding>& declared)
    {
        const Binding misuse = pick(kReservedMisuses);
        declared.erase(std::remove_if(declared.begin(), declared.end(),
                                      [&](const Binding& binding) { return binding.prefix == misuse.prefix; }),
                       declared.end());
        declared.push_back(misuse);
        fMisusesReservedName = true;
    }

    void attributes(const std::vector<Binding>& scope, const std::vector<Text>& prefixes)
    {
        std::vector<std::u32string> expandedNames;
        for (std::size_t n = below(4); n > 0; --n) {
            Text prefix, uri, local = pickName(kNames);
            if (oneIn(12)) {
                prefix = U"xml", uri = kXmlNamespace, local = U"lang";
            } else if (!prefixes.empty() && oneIn(3)) {
                prefix = prefixes[below(prefixes.size())];
                uri = std::find_if(scope.rbegin(), scope.rend(), [&](const Binding& b) { return b.prefix == prefix; })->uri;
            }
            const std::u32string expanded = std::u32string(uri) + U"}" + std::u32string(local);
            if (std::find(expandedNames.begin(), expandedNames.end(), expanded) != expandedNames.end())
                continue;
            expandedNames.push_back(expanded);
            attribute(prefix.empty() ? std::u32string(local) : std::u32string(prefix) + U":" + std::u32string(local));
        }
    }

    // UTF-16 that declares its encoding may go without a byte-order mark.
    std::string encoded()
    {
        const bool utf16 = fEncoding == Encoding::utf16Le || fEncoding == Encoding::utf16Be;
        const bool marked = fEncoding == Encoding::utf8WithMark || (utf16 && !(fEncodingDeclared && oneIn(3)));
        std::string bytes;
        for (char32_t c : marked ? U"\uFEFF" + fText : fText) {
            if (utf16)
                appendUtf16(bytes, c, fEncoding == Encoding::utf16Be);
            else if (fLargest <= 0xFF)  // ISO-8859-1 or US-ASCII: a byte a character
                bytes += static_cast<char>(c);
            else
                appendUtf8(bytes, c);
        }
        return bytes;
    }

    void mutate(std::string& bytes)
    {
        const std::size_t at = below(bytes.size());
        switch (below(3)) {
        case 0: bytes[at] = static_cast<char>(below(256)); break;
        case 1: bytes.erase(at, 1); break;
        default: bytes.resize(at);
        }
    }

    std::mt19937 fRandom;
    Encoding fEncoding = Encoding::utf8;
    char32_t fLargest = 0x10FFFF;  // the largest character the encoding carries
    bool fEncodingDeclared = false;
    bool fMisusesReservedName = false;
    std::u32string fText;
};

} // namespace

RandomXmlDocument randomXmlDocument(std::uint32_t seed)
{
    return Generator(seed).document();
}

} // namespace Testing
} // namespace Brisvale
