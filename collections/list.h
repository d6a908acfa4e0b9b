// The circular doubly linked object list.
//
// A TList is a ring of TLinks through a sentinel head link: head -> first -> ... -> last ->
// head. Links own their successor (`next`, strong) and point back at their predecessor
// (`prev`, plain pointer). A removed link keeps both pointers as they were, so an enumerator
// standing on it or behind it walks on correctly:
//   - removing the value just taken leaves the walk where it was;
//   - removing a link not yet visited makes the walk yield one null for it;
//   - a value appended during a walk is visited by that walk;
//   - RemoveAll during a walk yields nulls and then ends.
// Destroying a list clears it and breaks the ring; a removed link lives only as long as an
// enumerator (or other holder) keeps it.
//
// Depends on runtime/ (Object, the run-time errors).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "runtime/object.h"

namespace vdl {

class TLink;
class TList;
using LinkRef = std::shared_ptr<TLink>;
using ListRef = std::shared_ptr<TList>;

// Orders two values for SortBy: negative, 0 or positive.
using ListCompare = std::function<int(const ObjectRef&, const ObjectRef&)>;

// One element of a list.
class TLink : public Object, public std::enable_shared_from_this<TLink> {
public:
    TLink(const TLink&) = delete;
    TLink& operator=(const TLink&) = delete;
    ~TLink() override;

    // The stored value; null once removed; for the head link, the head link itself.
    virtual ObjectRef Item();
    // The following link, or null when that is the head.
    virtual LinkRef Following();
    // The preceding link, or null when that is the head or this link has been removed.
    virtual LinkRef Preceding();
    // Takes this link off its ring: the value becomes null, the neighbours are joined.
    // NOTE: unlinking a link already removed, or the head, does nothing.
    virtual void Unlink();

    // True for a list's sentinel head.
    bool IsHead() const { return head_; }
    // True while the link is on a ring (the head always is).
    bool IsLinked() const { return linked_; }

private:
    friend class TList;
    friend class TListEnum;

    explicit TLink(bool head) : head_(head) {}

    ObjectRef value_;
    LinkRef next_;
    TLink* prev_ = nullptr;
    bool head_ = false;
    bool linked_ = true;
};

// An enumerator over a list: the link it will visit next.
class TListEnum : public Object {
public:
    explicit TListEnum(LinkRef link) : link_(std::move(link)) {}

    // True while the next link to visit is not the head.
    virtual bool HasMore();
    // The value of the next link (null for a removed one); moves on to its successor.
    virtual ObjectRef Take();

private:
    LinkRef link_;
};

// An ordered ring of object references.
class TList : public Object {
public:
    // An empty list: a head whose next and previous are itself.
    TList();
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    // Removes every link, front first.
    virtual void RemoveAll();
    // True when the list has no links.
    virtual bool Empty();
    // True when some value compares equal to value.
    virtual bool Holds(const ObjectRef& value);
    // Inserts value at the front; returns its link.
    virtual LinkRef Prepend(const ObjectRef& value);
    // Inserts value at the back; returns its link.
    virtual LinkRef Append(const ObjectRef& value);
    // The first value. NOTE: on an empty list this is the head itself, not null.
    virtual ObjectRef FrontItem();
    // The last value. NOTE: on an empty list this is the head itself, not null.
    virtual ObjectRef BackItem();
    // Removes the first link and returns its value; raises "List is empty" on an empty list.
    virtual ObjectRef PopFront();
    // Removes the last link and returns its value; raises "List is empty" on an empty list.
    virtual ObjectRef PopBack();
    // The first link, or null when empty.
    virtual LinkRef FrontLink();
    // The last link, or null when empty.
    virtual LinkRef BackLink();
    // Inserts value before succ; returns the new link, or null when succ is not on a ring.
    virtual LinkRef InsertBefore(const ObjectRef& value, const LinkRef& succ);
    // Inserts value after pred; returns the new link, or null when pred is not on a ring.
    virtual LinkRef InsertAfter(const ObjectRef& value, const LinkRef& pred);
    // The first link from the front whose value compares equal to value, or null.
    virtual LinkRef LocateLink(const ObjectRef& value);
    // The value at a zero-based index, counting non-null values; raises "List index out of
    // range" outside 0 .. count - 1.
    virtual ObjectRef ItemAt(int index);
    // The number of links.
    virtual int Size();
    // Removes the first link holding value; false when there is none.
    virtual bool RemoveItem(const ObjectRef& value);
    // Exchanges the contents of the two lists.
    virtual void SwapContents(TList& other);
    // A new list with the same non-null values in the same order.
    virtual ListRef Duplicate();
    // Reverses the order of the links.
    virtual void ReverseInPlace();
    // A new list with the non-null values in reverse order.
    virtual ListRef ReversedCopy();
    // Sorts with repeated bubble passes; equal values keep their order. Descending when
    // ascending is false.
    virtual void SortBy(bool ascending, const ListCompare& compare);
    // Sorts by the values' own Compare.
    void SortBy(bool ascending = true);
    // An enumerator standing on the first link.
    virtual TListEnum Walker();
    // An array of Size() elements: the non-null values in order, nulls after them.
    virtual std::vector<ObjectRef> ToItemArray();

    // A new list holding the array's non-null elements in order.
    static ListRef FromItemArray(const std::vector<ObjectRef>& items);

private:
    LinkRef head_;
};

// Module functions: each forwards to the list operation of the same meaning and raises the
// null-object error when the list (or link) is null.
ListRef CreateList();
void ListRemoveAll(const ListRef& list);
int ListSize(const ListRef& list);
bool ListEmpty(const ListRef& list);
bool ListHolds(const ListRef& list, const ObjectRef& value);
LinkRef ListPrepend(const ListRef& list, const ObjectRef& value);
LinkRef ListAppend(const ListRef& list, const ObjectRef& value);
LinkRef ListLocateLink(const ListRef& list, const ObjectRef& value);
bool ListRemoveItem(const ListRef& list, const ObjectRef& value);
void RemoveLink(const LinkRef& link);
void ListSwapContents(const ListRef& list, const ListRef& other);
void ListReverseInPlace(const ListRef& list);
std::vector<ObjectRef> ListToItemArray(const ListRef& list);
ListRef ListFromItemArray(const std::vector<ObjectRef>& items);
void ListSortBy(const ListRef& list, bool ascending, const ListCompare& compare);

}  // namespace vdl
