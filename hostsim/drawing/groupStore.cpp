// hostsim/drawing/groupStore.cpp - where a drawing keeps its groups and their texts.
#include <algorithm>
#include <cstring>

#include "hostsim/drawing/drawing.h"

namespace hostsim {

template <typename Item>
Item* GroupStore::Blocks<Item>::takeBlock(std::size_t count) {
    if (count > blockLimit / 4) {  // a block of its own; the last one keeps its room
        blocks.emplace_back(new Item[count]);
        return blocks.back().get();
    }
    std::size_t size = std::max(nextSize, count);
    nextSize = std::min(blockLimit, 2 * size);
    blocks.emplace_back(new Item[size]);  // left unset: each item is written once, when taken
    free = blocks.back().get() + count;
    room = size - count;
    return blocks.back().get();
}

// The two kinds of block a store keeps; texts are taken through the header's keepText.
template DxfGroup* GroupStore::Blocks<DxfGroup>::takeBlock(std::size_t count);
template char* GroupStore::Blocks<char>::takeBlock(std::size_t count);

std::string_view GroupStore::keepLongText(std::string_view text) {
    std::uint64_t length = text.size();
    char* kept = texts.take(sizeof length + text.size());
    std::memcpy(kept, &length, sizeof length);
    std::memcpy(kept + sizeof length, text.data(), text.size());
    return {kept + sizeof length, text.size()};
}

GroupList GroupStore::keepGroups(const std::vector<DxfGroup>& list) {
    GroupList kept;
    if (list.empty()) return kept;
    DxfGroup* first = groups.take(list.size());
    std::copy(list.begin(), list.end(), first);
    kept.first = first;
    kept.count = static_cast<std::uint32_t>(list.size());
    return kept;
}

}  // namespace hostsim
