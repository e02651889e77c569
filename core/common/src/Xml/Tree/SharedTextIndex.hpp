#ifndef BRISVALE_SOA_COMMON_XML_SHAREDTEXTINDEX_HPP
#define BRISVALE_SOA_COMMON_XML_SHAREDTEXTINDEX_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Finds the shared text of a name or URI by a key of one word: the address
// of a parser's own copy of the text, or the hash of the text. An open
// table probed in line, so that a lookup reads one or two neighbouring
// slots however many texts a document has, and growing it moves slots
// without touching the texts. It refers to the texts without counting.
template <class Text>
class SharedTextIndex
{
public:
    using Key = std::uintptr_t;

private:
    struct Slot
    {
        Key key;
        Text* text;  // null for a free slot
    };

public:
    // The bytes one more text may take in the index: its slot, and room
    // for the table to double.
    static constexpr std::size_t kBytesPerText = 4 * sizeof(Slot);

    // The text stored under key for which matches(text) holds; null if none.
    template <class Matches>
    Text* find(Key key, Matches matches) const
    {
        if (fSlots.empty())
            return nullptr;
        for (std::size_t at = slotOf(key);; at = (at + 1) & (fSlots.size() - 1))
        {
            const Slot& slot = fSlots[at];
            if (slot.text == nullptr)
                return nullptr;
            if (slot.key == key && matches(*slot.text))
                return slot.text;
        }
    }

    // Makes room for one more text, so that the insert after it cannot fail.
    void reserveOneMore()
    {
        if (2 * (fCount + 1) > fSlots.size())
            grow();
    }

    // Stores a text that find does not yet know; reserveOneMore first.
    void insert(Key key, Text* text)
    {
        std::size_t at = slotOf(key);
        while (fSlots[at].text != nullptr)
            at = (at + 1) & (fSlots.size() - 1);
        fSlots[at] = Slot{key, text};
        ++fCount;
    }

    void clear()
    {
        std::vector<Slot>().swap(fSlots);
        fCount = 0;
    }

private:
    static constexpr std::size_t kFirstSlots = 64;

    // Fibonacci hashing: the top bits of the key times 2^64 / phi, so that
    // keys that differ only in their low bits spread over the whole table.
    std::size_t slotOf(Key key) const
    {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> fShift);
    }

    void grow()
    {
        std::vector<Slot> old(fSlots.empty() ? kFirstSlots : 2 * fSlots.size(), Slot{0, nullptr});
        old.swap(fSlots);
        fShift = 64;
        for (std::size_t size = fSlots.size(); size > 1; size /= 2)
            --fShift;
        fCount = 0;
        for (const Slot& slot : old)
        {
            if (slot.text != nullptr)
                insert(slot.key, slot.text);
        }
    }

    std::vector<Slot> fSlots;  // a power of two of them, at most half in use
    std::size_t fCount = 0;
    unsigned fShift = 64;      // 64 less the bits of a slot's number
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
