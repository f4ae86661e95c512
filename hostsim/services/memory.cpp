// hostsim/services/memory.cpp - the lists and texts the host hands to the module, and their return.
//
// The module gives back each list with kvs_relrb and each text with korv_free. Both arrive as
// bare pointers, so the host keeps a registry of what is out: a pointer it never handed out, or
// one given back twice, is refused with a notice instead of being freed.
#include "hostsim/services/services.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

struct FreeText {
    void operator()(char* text) const { std::free(text); }
};

// One list: its records in one block, linked in order, and the texts they point to.
struct HostList {
    std::unique_ptr<ResultBuffer[]> records;
    std::vector<std::unique_ptr<char, FreeText>> texts;
};

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void reportBadRelease(const char* routine, const void* pointer) {
    hostsim::flushResults();
    std::fprintf(stderr,
                 "hostsim: %s given %p, which the host did not hand out or already got back\n",
                 routine, pointer);
}

}  // namespace

// ---- memory state: everything handed to the module and not yet given back ----
static std::unordered_map<const ResultBuffer*, HostList> liveLists;  // keyed by the head record
static std::unordered_set<const void*> liveTexts;  // texts from allocateText, for korv_free

namespace hostsim {

ResultBuffer* allocateList(std::size_t recordCount) {
    if (recordCount == 0) return nullptr;
    HostList list;
    list.records.reset(new ResultBuffer[recordCount]());
    for (std::size_t i = 0; i + 1 < recordCount; ++i) list.records[i].next = &list.records[i + 1];
    ResultBuffer* head = &list.records[0];
    liveLists.emplace(head, std::move(list));
    return head;
}

char* attachText(ResultBuffer* list, const std::string& text) {
    auto found = liveLists.find(list);
    if (found == liveLists.end()) return nullptr;
    char* copy = copyText(text);
    if (copy != nullptr) found->second.texts.emplace_back(copy);
    return copy;
}

char* allocateText(const std::string& text) {
    char* copy = copyText(text);
    if (copy != nullptr) liveTexts.insert(copy);
    return copy;
}

std::size_t outstandingLists() { return liveLists.size(); }

std::size_t outstandingTexts() { return liveTexts.size(); }

void releaseAllLists() {
    liveLists.clear();
    for (const void* text : liveTexts) std::free(const_cast<void*>(text));
    liveTexts.clear();
}

}  // namespace hostsim

extern "C" int kvs_relrb(ResultBuffer* list) {
    hostsim::ErrnoGuard keepErrno;
    if (list == nullptr) return KVS_RTNORM;
    if (liveLists.erase(list) == 0) {
        reportBadRelease("kvs_relrb", list);
        return KVS_RTERROR;
    }
    return KVS_RTNORM;
}

extern "C" void korv_free(void* memory) {
    hostsim::ErrnoGuard keepErrno;
    if (memory == nullptr) return;
    if (liveTexts.erase(memory) == 0) {
        reportBadRelease("korv_free", memory);
        return;
    }
    std::free(memory);
}
