#include "Xml/Writing/CheckedNames.hpp"

#include <cstring>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

void CheckedNames::insert(std::string_view name, std::size_t colon) noexcept
{
    const std::size_t size = name.size();
    if (size - 1 >= kLongestName)
        return;
    const std::size_t middle = size > 16 ? size - 16 : 0;
    if (fCount == kMostNames || fMiddleEnd + middle > kMiddleBytes)
        clear();
    const Key key = keyOf(name);
    std::size_t slot = firstSlotOf(key, size);
    while (fSlots[slot].size != 0)
        slot = nextSlot(slot);
    if (middle != 0)
        std::memcpy(fMiddles + fMiddleEnd, name.data() + 8, middle);
    Slot& entry = fSlots[slot];
    entry.head = key.head;
    entry.tail = key.tail;
    entry.size = static_cast<std::uint32_t>(size);
    entry.colon = colon == std::string::npos ? kNoColon : static_cast<std::uint32_t>(colon);
    entry.middleAt = fMiddleEnd;
    fMiddleEnd += static_cast<std::uint32_t>(middle);
    ++fCount;
}

void CheckedNames::clear() noexcept
{
    for (Slot& slot : fSlots)
        slot = Slot();
    fCount = 0;
    fMiddleEnd = 0;
}

bool CheckedNames::isConsistent() const
{
    std::size_t taken = 0;
    for (const Slot& slot : fSlots)
    {
        if (slot.size == 0)
            continue;
        ++taken;
        const std::size_t middle = slot.size > 16 ? slot.size - 16 : 0;
        if (slot.size > kLongestName || slot.middleAt + middle > fMiddleEnd)
            return false;
    }
    return taken == fCount && fCount <= kMostNames && fMiddleEnd <= kMiddleBytes;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
