// hostsim/drawing/groupStore.cpp - where a drawing keeps its groups and their texts.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "hostsim/drawing/drawing.h"

namespace hostsim {

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;
// A block this large is mapped in whole huge pages: the last one is at most half empty.
constexpr std::size_t mappedFrom = hugePage / 2;

// bytes, a multiple of hugePage, mapped at a multiple of it so that each can be a huge page.
void* mapHugePages(std::size_t bytes) {
    void* mapped =
        mmap(nullptr, bytes + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto at = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = (at + hugePage - 1) & ~(hugePage - 1);
    if (aligned > at) munmap(mapped, aligned - at);  // the ends beyond the aligned pages
    munmap(reinterpret_cast<void*>(aligned + bytes), at + hugePage - aligned);
    void* start = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(start, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block works alike
#endif
    return start;
}

}  // namespace

GroupStore::Memory::Memory(std::size_t least) : bytes(least), mapped(least >= mappedFrom) {
    if (mapped) {
        bytes = (least + hugePage - 1) / hugePage * hugePage;
        start = mapHugePages(bytes);
    } else {
        start = ::operator new(bytes);  // left unset: each item is written once, when taken
    }
}

GroupStore::Memory::~Memory() {
    if (start == nullptr) return;
    if (mapped)
        munmap(start, bytes);
    else
        ::operator delete(start);
}

template <typename Item>
Item* GroupStore::Blocks<Item>::startBlock(std::size_t count) {
    blocks.emplace_back(std::max(nextSize, count) * sizeof(Item));
    std::size_t size = blocks.back().capacity() / sizeof(Item);
    nextSize = std::min(blockLimit / sizeof(Item), 2 * size);
    free = static_cast<Item*>(blocks.back().data());
    room = size;
    return free;
}

template <typename Item>
Item* GroupStore::Blocks<Item>::takeBlock(std::size_t count) {
    if (count > ownBlockItems) {  // a block of its own; the last one keeps its room
        blocks.emplace_back(count * sizeof(Item));
        return static_cast<Item*>(blocks.back().data());
    }
    startBlock(count);
    return take(count);
}

// The two kinds of block a store keeps; texts are taken through the header's keepText.
template char* GroupStore::Blocks<char>::takeBlock(std::size_t count);
template DxfGroup* GroupStore::Blocks<DxfGroup>::startBlock(std::size_t count);

void GroupStore::expectText(std::size_t textBytes) {
    // A group is 12 bytes and takes about as many in the text; its texts, the handles, layers
    // and markers, about a quarter of the text.
    groups.nextSize = std::max(groups.nextSize, std::min(blockLimit, textBytes) / sizeof(DxfGroup));
    texts.nextSize = std::max(texts.nextSize, std::min(blockLimit, textBytes / 4));
}

std::string_view GroupStore::keepLongText(std::string_view text) {
    std::uint64_t length = text.size();
    char* kept = texts.take(sizeof length + text.size());
    std::memcpy(kept, &length, sizeof length);
    std::memcpy(kept + sizeof length, text.data(), text.size());
    return {kept + sizeof length, text.size()};
}

void GroupStore::moveRun() {
    const DxfGroup* run = runBegin();
    DxfGroup* moved = groups.startBlock(2 * runCount + 1);
    if (runCount > 0) std::memcpy(moved, run, runCount * sizeof(DxfGroup));
    groups.free += runCount;
    groups.room -= runCount;
}

GroupList GroupStore::keepRun() {
    GroupList kept;
    if (runCount > 0) {
        kept.first = runBegin();
        kept.count = static_cast<std::uint32_t>(runCount);
    }
    runCount = 0;
    return kept;
}

}  // namespace hostsim
