// The circular doubly linked object list.
#include "collections/list.h"

#include <utility>

#include "runtime/errors.h"

namespace vdl {

namespace {

// The list's notion of equality: the stored value's own Compare; null equals only null.
bool SameValue(const ObjectRef& stored, const ObjectRef& value) {
    if (!stored || !value) return stored == value;
    return stored->Compare(*value) == 0;
}

int CompareValues(const ObjectRef& a, const ObjectRef& b) {
    if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
    return a->Compare(*b);
}

template <typename T>
T& Deref(const std::shared_ptr<T>& p) {
    if (!p) throw TNullObjectException();
    return *p;
}

}  // namespace

// ---- TLink ------------------------------------------------------------------------------

// NOTE: freeing a long chain of removed links one destructor inside the next could exhaust
// the stack, so the chain is let go of iteratively, as far as nothing else holds it.
TLink::~TLink() {
    LinkRef chain = std::move(next_);
    while (chain && chain.use_count() == 1) {
        LinkRef after = std::move(chain->next_);
        chain = std::move(after);
    }
}

ObjectRef TLink::Item() {
    if (head_) return shared_from_this();
    return value_;
}

LinkRef TLink::Following() {
    if (!next_ || next_->head_) return nullptr;
    return next_;
}

LinkRef TLink::Preceding() {
    if (!linked_ || !prev_ || prev_->head_) return nullptr;
    return prev_->shared_from_this();
}

void TLink::Unlink() {
    if (head_ || !linked_) return;
    const LinkRef self = shared_from_this();
    const ObjectRef value = std::move(value_);
    linked_ = false;
    next_->prev_ = prev_;
    prev_->next_ = next_;
}

// ---- TListEnum --------------------------------------------------------------------------

bool TListEnum::HasMore() {
    return link_ && !link_->head_;
}

ObjectRef TListEnum::Take() {
    if (!link_) return nullptr;
    ObjectRef value = link_->Item();
    link_ = link_->next_;
    return value;
}

// ---- TList ------------------------------------------------------------------------------

TList::TList() : head_(new TLink(true)) {
    head_->next_ = head_;
    head_->prev_ = head_.get();
}

// The head's next pointing at itself is the one cycle left once the list is empty.
TList::~TList() {
    RemoveAll();
    head_->linked_ = false;
    head_->next_.reset();
    head_->prev_ = nullptr;
}

void TList::RemoveAll() {
    while (head_->next_ != head_)
        head_->next_->Unlink();
}

bool TList::Empty() {
    return head_->next_ == head_;
}

bool TList::Holds(const ObjectRef& value) {
    return LocateLink(value) != nullptr;
}

LinkRef TList::Prepend(const ObjectRef& value) {
    return InsertAfter(value, head_);
}

LinkRef TList::Append(const ObjectRef& value) {
    return InsertBefore(value, head_);
}

ObjectRef TList::FrontItem() {
    return head_->next_->Item();
}

ObjectRef TList::BackItem() {
    return head_->prev_->Item();
}

// NOTE: popping an empty list would unlink the head and break the ring, so it raises.
ObjectRef TList::PopFront() {
    if (Empty()) RuntimeError("List is empty");
    const LinkRef link = head_->next_;
    ObjectRef value = link->value_;
    link->Unlink();
    return value;
}

ObjectRef TList::PopBack() {
    if (Empty()) RuntimeError("List is empty");
    const LinkRef link = head_->prev_->shared_from_this();
    ObjectRef value = link->value_;
    link->Unlink();
    return value;
}

LinkRef TList::FrontLink() {
    return Empty() ? nullptr : head_->next_;
}

LinkRef TList::BackLink() {
    return Empty() ? nullptr : head_->prev_->shared_from_this();
}

LinkRef TList::InsertBefore(const ObjectRef& value, const LinkRef& succ) {
    if (!Deref(succ).linked_) return nullptr;
    return InsertAfter(value, succ->prev_->shared_from_this());
}

LinkRef TList::InsertAfter(const ObjectRef& value, const LinkRef& pred) {
    if (!Deref(pred).linked_) return nullptr;
    LinkRef link(new TLink(false));
    link->value_ = value;
    link->next_ = pred->next_;
    link->prev_ = pred.get();
    link->next_->prev_ = link.get();
    pred->next_ = link;
    return link;
}

LinkRef TList::LocateLink(const ObjectRef& value) {
    for (TLink* l = head_->next_.get(); !l->head_; l = l->next_.get()) {
        if (SameValue(l->value_, value)) return l->shared_from_this();
    }
    return nullptr;
}

ObjectRef TList::ItemAt(int index) {
    if (index >= 0) {
        TListEnum walk = Walker();
        while (walk.HasMore()) {
            ObjectRef value = walk.Take();
            if (!value) continue;
            if (index == 0) return value;
            --index;
        }
    }
    RuntimeError("List index out of range");
}

int TList::Size() {
    int count = 0;
    for (TLink* l = head_->next_.get(); !l->head_; l = l->next_.get())
        ++count;
    return count;
}

bool TList::RemoveItem(const ObjectRef& value) {
    const LinkRef link = LocateLink(value);
    if (!link) return false;
    link->Unlink();
    return true;
}

void TList::SwapContents(TList& other) {
    std::swap(head_, other.head_);
}

ListRef TList::Duplicate() {
    ListRef copy = std::make_shared<TList>();
    for (TLink* l = head_->next_.get(); !l->head_; l = l->next_.get()) {
        if (l->value_) copy->Append(l->value_);
    }
    return copy;
}

void TList::ReverseInPlace() {
    // Every link, the head included, trades next for prev; holding them all in one array
    // keeps each alive while its owner is being rewired.
    std::vector<LinkRef> ring{head_};
    for (LinkRef l = head_->next_; l != head_; l = l->next_)
        ring.push_back(l);
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        ring[i]->next_ = ring[(i + n - 1) % n];
        ring[i]->prev_ = ring[(i + 1) % n].get();
    }
}

ListRef TList::ReversedCopy() {
    ListRef copy = std::make_shared<TList>();
    for (TLink* l = head_->next_.get(); !l->head_; l = l->next_.get()) {
        if (l->value_) copy->Prepend(l->value_);
    }
    return copy;
}

// Bubble passes from the front toward an end marker that starts at the head. An exchange
// moves the larger link one place back and the pass stays with it; a pass without an
// exchange ends the sort, otherwise the last link it reached becomes the new end marker.
void TList::SortBy(bool ascending, const ListCompare& compare) {
    if (!compare) throw TNullFunctionException();
    TLink* end = head_.get();
    for (;;) {
        bool exchanged = false;
        LinkRef a = head_->next_;
        while (a.get() != end && a->next_.get() != end) {
            const LinkRef b = a->next_;
            const int rc = compare(a->value_, b->value_);
            if ((rc > 0 && ascending) || (rc < 0 && !ascending)) {
                // p a b q  ->  p b a q
                TLink* p = a->prev_;
                const LinkRef q = b->next_;
                p->next_ = b;
                b->prev_ = p;
                b->next_ = a;
                a->prev_ = b.get();
                a->next_ = q;
                q->prev_ = a.get();
                exchanged = true;
            } else {
                a = b;
            }
        }
        if (!exchanged) return;
        end = a.get();
    }
}

void TList::SortBy(bool ascending) {
    SortBy(ascending, CompareValues);
}

TListEnum TList::Walker() {
    return TListEnum(head_->next_);
}

std::vector<ObjectRef> TList::ToItemArray() {
    std::vector<ObjectRef> items;
    items.reserve(static_cast<std::size_t>(Size()));
    for (TLink* l = head_->next_.get(); !l->head_; l = l->next_.get()) {
        if (l->value_) items.push_back(l->value_);
    }
    items.resize(static_cast<std::size_t>(Size()));
    return items;
}

ListRef TList::FromItemArray(const std::vector<ObjectRef>& items) {
    ListRef list = std::make_shared<TList>();
    for (const ObjectRef& item : items) {
        if (item) list->Append(item);
    }
    return list;
}

// ---- Module functions -------------------------------------------------------------------

ListRef CreateList() {
    return std::make_shared<TList>();
}
void ListRemoveAll(const ListRef& list) {
    Deref(list).RemoveAll();
}
int ListSize(const ListRef& list) {
    return Deref(list).Size();
}
bool ListEmpty(const ListRef& list) {
    return Deref(list).Empty();
}
bool ListHolds(const ListRef& list, const ObjectRef& value) {
    return Deref(list).Holds(value);
}
LinkRef ListPrepend(const ListRef& list, const ObjectRef& value) {
    return Deref(list).Prepend(value);
}
LinkRef ListAppend(const ListRef& list, const ObjectRef& value) {
    return Deref(list).Append(value);
}
LinkRef ListLocateLink(const ListRef& list, const ObjectRef& value) {
    return Deref(list).LocateLink(value);
}
bool ListRemoveItem(const ListRef& list, const ObjectRef& value) {
    return Deref(list).RemoveItem(value);
}
void RemoveLink(const LinkRef& link) {
    Deref(link).Unlink();
}
void ListSwapContents(const ListRef& list, const ListRef& other) {
    Deref(list).SwapContents(Deref(other));
}
void ListReverseInPlace(const ListRef& list) {
    Deref(list).ReverseInPlace();
}
std::vector<ObjectRef> ListToItemArray(const ListRef& list) {
    return Deref(list).ToItemArray();
}
ListRef ListFromItemArray(const std::vector<ObjectRef>& items) {
    return TList::FromItemArray(items);
}
void ListSortBy(const ListRef& list, bool ascending, const ListCompare& compare) {
    Deref(list).SortBy(ascending, compare);
}

}  // namespace vdl
