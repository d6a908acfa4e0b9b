#include "stream/embedded.h"

#include <memory>
#include <string>

namespace vdl {

namespace {
// A singly linked list, newest first; written only during start-up.
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

}  // namespace vdl
