#include "stream/embedded.h"

#include <cstdint>
#include <memory>
#include <string>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vdl {

namespace {
// A singly linked list, newest first; written during start-up, and later only by a program
// that has no other thread (a page registering the files it fetched).
struct Entry {
    std::unique_ptr<Entry> next;
    std::string name;
    const unsigned char* data;
    int size;
};

std::unique_ptr<Entry>& Head() {
    static std::unique_ptr<Entry> head;
    return head;
}

LateAssetSource lateSource = nullptr;

const Entry* Find(const char* name) {
    if (!name) return nullptr;
    for (const Entry* e = Head().get(); e; e = e->next.get()) {
        if (e->name == name) return e;
    }
    return nullptr;
}
}  // namespace

int RegisterEmbedded(const char* name, const unsigned char* data, int size) {
    if (!name || Find(name)) return 0;
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    entry->data = data;
    entry->size = size;
    entry->next = std::move(Head());
    Head() = std::move(entry);
    return 1;
}

const unsigned char* EmbeddedData(const char* name) {
    const Entry* e = Find(name);
    return e ? e->data : nullptr;
}

int EmbeddedSize(const char* name) {
    const Entry* e = Find(name);
    return e ? e->size : 0;
}

void SetLateAssetSource(LateAssetSource source) {
    lateSource = source;
}

bool EmbeddedReady(const char* name, bool wait) {
    if (Find(name)) return true;
    return name && lateSource && lateSource(name, wait) && Find(name);
}

void ReleaseEmbeddedPages([[maybe_unused]] const char* name) {
#if defined(__linux__) && defined(MADV_PAGEOUT)
    const Entry* e = Find(name);
    if (!e || e->size <= 0) return;
    // NOTE: only the pages wholly inside the asset, and the hint that never discards
    // contents (MADV_DONTNEED would zero memory that is not file-backed).
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(e->data);
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + static_cast<std::uintptr_t>(e->size)) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_PAGEOUT);
#endif
}

}  // namespace vdl
