// The list is walked and edited at once by every per-frame pass of the game, so these tests
// lean on the walk-while-editing rules, sort order and lifetime rather than on single calls.
#include "collections/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/errors.h"

namespace {

using namespace vdl;

// A value with a name for readable expectations and a key for sorting.
struct Item : Object {
    Item(std::string n, int k = 0) : name(std::move(n)), key(k) {}
    std::string name;
    int key;
};

// Values that compare by key rather than by identity.
struct Keyed : Object {
    explicit Keyed(int k) : key(k) {}
    int Compare(const Object& other) const override {
        const auto* o = dynamic_cast<const Keyed*>(&other);
        if (!o) return Object::Compare(other);
        return (key > o->key) - (key < o->key);
    }
    int key;
};

std::shared_ptr<Item> Make(const std::string& name, int key = 0) {
    return std::make_shared<Item>(name, key);
}

std::string NameOf(const ObjectRef& o) {
    if (!o) return "-";
    auto item = std::dynamic_pointer_cast<Item>(o);
    return item ? item->name : "?";
}

// The names met by a full walk, nulls shown as "-".
std::string Walk(TList& list) {
    std::string out;
    for (TListEnum e = list.Walker(); e.HasMore();)
        out += NameOf(e.Take());
    return out;
}

// The names met walking backward from the last link.
std::string WalkBack(TList& list) {
    std::string out;
    for (LinkRef l = list.BackLink(); l; l = l->Preceding())
        out += NameOf(l->Item());
    return out;
}

// The sentinel, reached by taking once more after a walk has ended.
LinkRef HeadOf(TList& list) {
    TListEnum e = list.Walker();
    while (e.HasMore())
        e.Take();
    return std::dynamic_pointer_cast<TLink>(e.Take());
}

TList& Fill(TList& list, const std::string& names) {
    for (char c : names)
        list.Append(Make(std::string(1, c)));
    return list;
}

std::string RuntimeErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const TRuntimeException& e) {
        return e.Text();
    }
    return "no error";
}

TEST(ListBasics, NewListIsEmptyAndItsHeadIsItsOwnItem) {
    TList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Size(), 0);
    EXPECT_EQ(list.FrontLink(), nullptr);
    EXPECT_EQ(list.BackLink(), nullptr);
    EXPECT_FALSE(list.Walker().HasMore());
    // The sentinel answers itself, so FrontItem of an empty list is not null.
    ObjectRef front = list.FrontItem();
    auto head = std::dynamic_pointer_cast<TLink>(front);
    ASSERT_NE(head, nullptr);
    EXPECT_TRUE(head->IsHead());
    EXPECT_EQ(head->Item(), front);
    EXPECT_EQ(list.BackItem(), front);
}

TEST(ListBasics, InsertionsKeepBothDirectionsConsistent) {
    TList list;
    LinkRef c = list.Append(Make("c"));
    list.Prepend(Make("a"));
    list.InsertBefore(Make("b"), c);
    LinkRef d = list.InsertAfter(Make("d"), c);
    list.Append(Make("e"));
    EXPECT_EQ(Walk(list), "abcde");
    EXPECT_EQ(WalkBack(list), "edcba");
    EXPECT_EQ(list.Size(), 5);
    EXPECT_EQ(NameOf(list.FrontItem()), "a");
    EXPECT_EQ(NameOf(list.BackItem()), "e");
    EXPECT_EQ(list.FrontLink()->Preceding(), nullptr);
    EXPECT_EQ(list.BackLink()->Following(), nullptr);
    EXPECT_EQ(d->Preceding(), c);
    EXPECT_EQ(c->Following(), d);
}

TEST(ListBasics, ItemAtCountsOnlyValuesAndRaisesOutsideThem) {
    TList list;
    Fill(list, "abc");
    list.InsertAfter(nullptr, list.FrontLink());  // a null value between a and b
    EXPECT_EQ(list.Size(), 4);
    EXPECT_EQ(NameOf(list.ItemAt(0)), "a");
    EXPECT_EQ(NameOf(list.ItemAt(1)), "b");
    EXPECT_EQ(NameOf(list.ItemAt(2)), "c");
    EXPECT_EQ(RuntimeErrorText([&] { list.ItemAt(3); }), "List index out of range");
    EXPECT_EQ(RuntimeErrorText([&] { list.ItemAt(list.Size()); }), "List index out of range");
    EXPECT_EQ(RuntimeErrorText([&] { list.ItemAt(-1); }), "List index out of range");
    TList empty;
    EXPECT_EQ(RuntimeErrorText([&] { empty.ItemAt(0); }), "List index out of range");
}

TEST(ListBasics, PopsTakeFromTheEndsAndRefuseAnEmptyList) {
    TList list;
    Fill(list, "abc");
    EXPECT_EQ(NameOf(list.PopFront()), "a");
    EXPECT_EQ(NameOf(list.PopBack()), "c");
    EXPECT_EQ(NameOf(list.PopBack()), "b");
    EXPECT_EQ(RuntimeErrorText([&] { list.PopFront(); }), "List is empty");
    EXPECT_EQ(RuntimeErrorText([&] { list.PopBack(); }), "List is empty");
    // The refused pops left the ring whole.
    Fill(list, "xy");
    EXPECT_EQ(Walk(list), "xy");
    EXPECT_EQ(WalkBack(list), "yx");
}

TEST(ListRemoval, RemoveItemTakesTheFirstOfDuplicatesOnly) {
    TList list;
    auto x = Make("x");
    list.Append(Make("a"));
    LinkRef first = list.Append(x);
    list.Append(Make("b"));
    LinkRef second = list.Append(x);
    EXPECT_TRUE(list.Holds(x));
    EXPECT_EQ(list.LocateLink(x), first);
    EXPECT_TRUE(list.RemoveItem(x));
    EXPECT_EQ(Walk(list), "abx");
    EXPECT_EQ(list.LocateLink(x), second);
    EXPECT_TRUE(list.RemoveItem(x));
    EXPECT_FALSE(list.RemoveItem(x));
    EXPECT_FALSE(list.Holds(x));
    EXPECT_EQ(Walk(list), "ab");
}

TEST(ListRemoval, ValuesAreFoundThroughTheirOwnComparison) {
    TList list;
    list.Append(std::make_shared<Keyed>(1));
    LinkRef two = list.Append(std::make_shared<Keyed>(2));
    auto lookalike = std::make_shared<Keyed>(2);
    EXPECT_EQ(list.LocateLink(lookalike), two);
    EXPECT_TRUE(list.RemoveItem(lookalike));
    EXPECT_EQ(list.Size(), 1);
    EXPECT_FALSE(list.Holds(std::make_shared<Keyed>(3)));
    EXPECT_FALSE(list.Holds(nullptr));
}

TEST(ListRemoval, UnlinkingTwiceOrTheHeadLeavesTheRingIntact) {
    TList list;
    Fill(list, "ab");
    LinkRef c = list.Append(Make("c"));
    list.Append(Make("d"));
    LinkRef b = list.FrontLink()->Following();
    b->Unlink();
    c->Unlink();
    b->Unlink();  // b's old neighbours have changed since; rewiring them again would corrupt
    EXPECT_EQ(Walk(list), "ad");
    c->Unlink();
    EXPECT_FALSE(b->IsLinked());
    EXPECT_EQ(b->Item(), nullptr);
    EXPECT_EQ(Walk(list), "ad");
    EXPECT_EQ(WalkBack(list), "da");
    HeadOf(list)->Unlink();
    EXPECT_EQ(list.InsertBefore(Make("z"), b), nullptr);  // b is off the ring
    EXPECT_EQ(Walk(list), "ad");
}

// The per-frame pass: take, then remove what is dead while the walk goes on.
TEST(ListWalk, RemovingTheValueJustTakenVisitsEveryOtherOnce) {
    TList list;
    Fill(list, "abcdef");
    std::string seen;
    for (TListEnum e = list.Walker(); e.HasMore();) {
        ObjectRef o = e.Take();
        seen += NameOf(o);
        if (NameOf(o) != "c") list.RemoveItem(o);
    }
    EXPECT_EQ(seen, "abcdef");
    EXPECT_EQ(Walk(list), "c");
}

TEST(ListWalk, RemovingAValueNotYetVisitedYieldsOneNull) {
    TList list;
    Fill(list, "abcde");
    ObjectRef c = list.ItemAt(2);
    ObjectRef d = list.ItemAt(3);
    std::string seen;
    for (TListEnum e = list.Walker(); e.HasMore();) {
        ObjectRef o = e.Take();
        seen += NameOf(o);
        if (NameOf(o) == "b") list.RemoveItem(c);
        if (NameOf(o) == "a") list.RemoveItem(d);  // off the ring before the walk gets there
    }
    EXPECT_EQ(seen, "ab-e");
    EXPECT_EQ(Walk(list), "abe");
}

TEST(ListWalk, ValuesAppendedDuringAWalkAreVisitedByIt) {
    TList list;
    Fill(list, "ab");
    std::string seen;
    for (TListEnum e = list.Walker(); e.HasMore();) {
        ObjectRef o = e.Take();
        seen += NameOf(o);
        if (NameOf(o) == "a") list.Append(Make("x"));
        if (NameOf(o) == "b") list.Prepend(Make("p"));  // behind the walk: not visited
        // Taking the last value already moved the walk onto the head: too late for y.
        if (NameOf(o) == "x") list.Append(Make("y"));
    }
    EXPECT_EQ(seen, "abx");
    EXPECT_EQ(Walk(list), "pabxy");
}

TEST(ListWalk, RemoveAllDuringAWalkYieldsNullsThenEnds) {
    TList list;
    Fill(list, "abcd");
    std::string seen;
    for (TListEnum e = list.Walker(); e.HasMore();) {
        ObjectRef o = e.Take();
        seen += NameOf(o);
        if (NameOf(o) == "b") list.RemoveAll();
    }
    EXPECT_EQ(seen, "ab--");
    EXPECT_TRUE(list.Empty());
    list.Append(Make("n"));
    EXPECT_EQ(Walk(list), "n");
}

// Equal keys must keep their order both ways; the links must stay consistent backward.
TEST(ListSort, AscendingAndDescendingMatchAStableSort) {
    std::mt19937 gen(7);
    auto byKey = [](const ObjectRef& a, const ObjectRef& b) {
        return std::static_pointer_cast<Item>(a)->key - std::static_pointer_cast<Item>(b)->key;
    };
    for (int round = 0; round < 50; ++round) {
        const int n = static_cast<int>(gen() % 40);
        TList list;
        std::vector<std::shared_ptr<Item>> expected;
        for (int i = 0; i < n; ++i) {
            expected.push_back(Make(std::to_string(i) + ",", static_cast<int>(gen() % 5)));
            list.Append(expected.back());
        }
        const bool ascending = round % 2 == 0;
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            return ascending ? a->key < b->key : a->key > b->key;
        });
        list.SortBy(ascending, byKey);
        std::string want, wantBack;
        for (const auto& item : expected)
            want += item->name;
        for (auto it = expected.rbegin(); it != expected.rend(); ++it)
            wantBack += (*it)->name;
        EXPECT_EQ(Walk(list), want) << "round " << round;
        EXPECT_EQ(WalkBack(list), wantBack) << "round " << round;
    }
}

TEST(ListCopies, ReverseSwapDuplicateAndArrays) {
    TList list;
    Fill(list, "abcd");
    list.ReverseInPlace();
    EXPECT_EQ(Walk(list), "dcba");
    EXPECT_EQ(WalkBack(list), "abcd");
    list.Append(Make("e"));  // the head was reversed too, so appending still goes last
    EXPECT_EQ(Walk(list), "dcbae");

    ListRef reversed = list.ReversedCopy();
    EXPECT_EQ(Walk(*reversed), "eabcd");
    ListRef copy = list.Duplicate();
    EXPECT_EQ(Walk(*copy), "dcbae");
    copy->RemoveAll();
    EXPECT_EQ(Walk(list), "dcbae");

    TList other;
    Fill(other, "xy");
    list.SwapContents(other);
    EXPECT_EQ(Walk(list), "xy");
    EXPECT_EQ(Walk(other), "dcbae");

    TList empty;
    empty.ReverseInPlace();
    EXPECT_TRUE(empty.Empty());
}

TEST(ListCopies, ItemArraysSkipNullsButKeepTheSize) {
    TList list;
    Fill(list, "ab");
    list.InsertAfter(nullptr, list.FrontLink());
    const std::vector<ObjectRef> items = list.ToItemArray();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(NameOf(items[0]) + NameOf(items[1]) + NameOf(items[2]), "ab-");
    EXPECT_EQ(Walk(*TList::FromItemArray({Make("p"), nullptr, Make("q")})), "pq");
}

TEST(ListLifetime, DestroyingAListFreesItsValuesAndLinks) {
    std::weak_ptr<Object> value;
    std::weak_ptr<TLink> link;
    {
        auto list = CreateList();
        auto item = Make("a");
        value = item;
        link = ListAppend(list, item);
        ListAppend(list, Make("b"));
    }
    EXPECT_TRUE(value.expired());
    EXPECT_TRUE(link.expired());
}

TEST(ListLifetime, AnEnumeratorOutlivingItsListWalksOffAndLeaksNothing) {
    std::weak_ptr<TLink> first;
    std::weak_ptr<TLink> head;
    std::weak_ptr<Object> value;
    std::string seen;
    {
        std::optional<TListEnum> walk;
        {
            auto list = CreateList();
            Fill(*list, "abc");
            first = list->FrontLink();
            head = HeadOf(*list);
            walk.emplace(list->Walker());
            value = list->FrontItem();
            list->RemoveItem(list->FrontItem());
        }
        EXPECT_FALSE(first.expired());  // held by the enumerator
        EXPECT_TRUE(value.expired());   // the removed link no longer holds its value
        while (walk->HasMore())
            seen += NameOf(walk->Take());
    }
    EXPECT_EQ(seen, "---");
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(head.expired());
}

TEST(ListLifetime, ALongChainOfRemovedLinksIsFreedWithoutDeepRecursion) {
    std::weak_ptr<TLink> first;
    {
        std::optional<TListEnum> walk;
        {
            TList list;
            for (int i = 0; i < 300000; ++i)
                list.Append(nullptr);
            first = list.FrontLink();
            walk.emplace(list.Walker());
            list.RemoveAll();
        }
        EXPECT_FALSE(first.expired());
    }
    EXPECT_TRUE(first.expired());
}

TEST(ListFunctions, RefuseANullList) {
    EXPECT_THROW(ListSize(nullptr), TNullObjectException);
    EXPECT_THROW(ListAppend(nullptr, Make("a")), TNullObjectException);
    EXPECT_THROW(RemoveLink(nullptr), TNullObjectException);
}

}  // namespace
