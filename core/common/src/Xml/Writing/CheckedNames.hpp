#ifndef BRISVALE_SOA_COMMON_XML_CHECKEDNAMES_HPP
#define BRISVALE_SOA_COMMON_XML_CHECKEDNAMES_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Xml/Text/ByteScan.hpp"
#include "Xml/Writing/ShortBytes.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Names already checked, with their colons' places: a message writes the
// same few names over and over, and each is checked once. The stream keeps
// one table for each thread, shared by the thread's streams.
//
// An open-addressed table of 128 slots, searched from a slot given by the
// name's first and last bytes and its size. It starts again empty before a
// name would take more than three quarters of the slots, or more than the
// 4 KiB kept of the bytes between long names' first and last eight, so
// that a search always ends at an empty slot. It allocates nothing: an
// insert cannot fail half way, and every slot taken holds a whole name.
class CheckedNames
{
public:
    static constexpr std::size_t kSlots = 128;
    static constexpr std::size_t kMostNames = kSlots / 4 * 3;
    static constexpr std::size_t kMiddleBytes = 4096;
    static constexpr std::size_t kLongestName = kMiddleBytes + 16;

    // Whether the table holds the name; if so, colon is set to its colon's
    // place, npos for none.
    inline bool find(std::string_view name, std::size_t& colon) const;

    // Records a name that has passed its check, and its colon's place; an
    // empty name or one longer than kLongestName is not kept.
    void insert(std::string_view name, std::size_t colon) noexcept;

    // The names held, and the bytes kept of the long ones.
    std::size_t size() const { return fCount; }
    std::size_t middleBytesUsed() const { return fMiddleEnd; }

    // Whether the table is as insert leaves it: the names counted are the
    // slots taken, no more than kMostNames, and each long one's bytes lie
    // in those kept.
    bool isConsistent() const;

private:
    static constexpr std::uint32_t kNoColon = 0xFFFFFFFF;

    // What a slot compares first: the first and the last eight bytes of a
    // name (four for a shorter one; three single bytes for one shorter
    // still). With the size, they are the whole of a name of up to sixteen
    // bytes.
    struct Key
    {
        std::uint64_t head;
        std::uint64_t tail;
    };

    // A name that has been checked: its key, its size (0 for an empty
    // slot), its colon's place and where its middle bytes are kept.
    struct Slot
    {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::uint32_t size = 0;
        std::uint32_t colon = 0;
        std::uint32_t middleAt = 0;
    };

    static Key keyOf(std::string_view name)
    {
        using ByteScan::load;
        const char* bytes = name.data();
        const std::size_t size = name.size();
        if (size >= 8)
            return {load<std::uint64_t>(bytes), load<std::uint64_t>(bytes + size - 8)};
        if (size >= 4)
            return {load<std::uint32_t>(bytes), load<std::uint32_t>(bytes + size - 4)};
        const auto byte = [bytes](std::size_t at) { return std::uint64_t(static_cast<unsigned char>(bytes[at])); };
        return {byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16, 0};
    }

    static std::size_t firstSlotOf(const Key& key, std::size_t size)
    {
        return ((key.head ^ key.tail * 0x9E3779B97F4A7C15u ^ size) * 0xC2B2AE3D27D4EB4Fu) >> 57;
    }

    static std::size_t nextSlot(std::size_t slot) { return (slot + 1) % kSlots; }

    void clear() noexcept;

    Slot fSlots[kSlots] = {};
    char fMiddles[kMiddleBytes] = {};
    std::uint32_t fCount = 0;
    std::uint32_t fMiddleEnd = 0;
};

inline bool CheckedNames::find(std::string_view name, std::size_t& colon) const
{
    const std::size_t size = name.size();
    if (size - 1 >= kLongestName)
        return false;
    const Key key = keyOf(name);
    for (std::size_t slot = firstSlotOf(key, size);; slot = nextSlot(slot))
    {
        const Slot& entry = fSlots[slot];
        if (entry.size == size && entry.head == key.head && entry.tail == key.tail
            && (size <= 16 || ShortBytes::same(name.data() + 8, fMiddles + entry.middleAt, size - 16)))
        {
            colon = entry.colon == kNoColon ? std::string::npos : entry.colon;
            return true;
        }
        if (entry.size == 0)
            return false;
    }
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
