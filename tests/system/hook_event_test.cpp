// Hooks run in priority order and pass data along; events print their exact text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "system/event.h"
#include "system/hook.h"

namespace vdl {
namespace {

// A context that names the hook and records every call into a shared log.
struct Tag : Object {
    Tag(std::string tagName, std::vector<std::string>* sharedLog)
        : name(std::move(tagName)), log(sharedLog) {}
    std::string name;
    std::vector<std::string>* log;
};

struct Counter : Object {
    int value = 0;
};

ObjectRef LogAndCount(int, ObjectRef data, const ObjectRef& context) {
    auto* tag = static_cast<Tag*>(context.get());
    tag->log->push_back(tag->name);
    if (auto* counter = dynamic_cast<Counter*>(data.get())) ++counter->value;
    return data;
}

ObjectRef Replace(int, ObjectRef, const ObjectRef& context) {
    return context;
}

TEST(Hooks, RunFromHighestPriorityDownAndEqualPrioritiesInOrderAdded) {
    const int id = AllocHookId();
    std::vector<std::string> log;
    AddHook(id, LogAndCount, std::make_shared<Tag>("low", &log), -5);
    AddHook(id, LogAndCount, std::make_shared<Tag>("first 0", &log), 0);
    AddHook(id, LogAndCount, std::make_shared<Tag>("high", &log), 10);
    AddHook(id, LogAndCount, std::make_shared<Tag>("second 0", &log), 0);
    AddHook(id, LogAndCount, std::make_shared<Tag>("third 0", &log), 0);

    auto counter = std::make_shared<Counter>();
    RunHooks(id, counter);
    EXPECT_EQ(log, (std::vector<std::string>{"high", "first 0", "second 0", "third 0", "low"}));
    EXPECT_EQ(counter->value, 5);
}

TEST(Hooks, EachHookReceivesWhatThePreviousOneReturned) {
    const int id = AllocHookId();
    auto replacement = std::make_shared<Counter>();
    std::vector<std::string> log;
    AddHook(id, Replace, replacement, 1);
    AddHook(id, LogAndCount, std::make_shared<Tag>("after", &log), 0);

    auto original = std::make_shared<Counter>();
    const ObjectRef result = RunHooks(id, original);
    EXPECT_EQ(result, replacement);
    EXPECT_EQ(replacement->value, 1);
    EXPECT_EQ(original->value, 0);
    EXPECT_EQ(RunHooks(AllocHookId(), original), original) << "an empty list returns the data";
}

TEST(Hooks, RemoveTakesOnlyTheFirstHookWithTheSameFunctionAndContext) {
    const int id = AllocHookId();
    std::vector<std::string> log;
    auto a = std::make_shared<Tag>("a", &log);
    auto b = std::make_shared<Tag>("b", &log);
    AddHook(id, LogAndCount, a, 0);
    AddHook(id, LogAndCount, b, 0);
    AddHook(id, LogAndCount, a, 0);

    RemoveHook(id, Replace, a);  // same context, other function: stays
    RemoveHook(id, LogAndCount, a);
    RunHooks(id, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a"}));
}

// Removes its own hook while the list is being run.
ObjectRef RemoveSelf(int id, ObjectRef data, const ObjectRef& context) {
    RemoveHook(id, RemoveSelf, context);
    if (auto* counter = dynamic_cast<Counter*>(data.get())) ++counter->value;
    return data;
}

TEST(Hooks, AHookMayRemoveItselfWhileTheListRuns) {
    const int id = AllocHookId();
    std::vector<std::string> log;
    AddHook(id, RemoveSelf, nullptr, 1);
    AddHook(id, LogAndCount, std::make_shared<Tag>("next", &log), 0);

    auto counter = std::make_shared<Counter>();
    RunHooks(id, counter);
    RunHooks(id, counter);
    EXPECT_EQ(counter->value, 3) << "self-removing hook once, the next one twice";
    EXPECT_EQ(log.size(), 2u);
}

// Death tests need a child process, which a program under node cannot start.
#if GTEST_HAS_DEATH_TEST
TEST(Hooks, TheTwoHundredFiftySeventhIdIsAnError) {
    // In a child process: the ids are a process-wide resource.
    EXPECT_EXIT(
        {
            int last = -1;
            try {
                for (;;)
                    last = AllocHookId();
            } catch (const TRuntimeException& e) {
                std::exit(last == 255 && std::string(e.what()) == "Too many hook ids" ? 0 : 1);
            }
        },
        ::testing::ExitedWithCode(0), "");
}
#endif

TEST(Events, TextNamesTheKindAndEveryField) {
    auto key = TEvent::Create(kEventKeyDown, nullptr, 65, kModShift | kModAlt, 3, -4, nullptr);
    EXPECT_EQ(key->ToString(), "KeyDown: data=65, mods=5, x=3, y=-4, extra=\"\"");
    EXPECT_EQ(TEvent::Create(kEventMouseWheel, nullptr, -2, 0, 0, 0, nullptr)->ToString(),
              "MouseWheel: data=-2, mods=0, x=0, y=0, extra=\"\"");
    EXPECT_EQ(TEvent::Create(kEventMouseLeave, nullptr, 0, 0, 0, 0, nullptr)->ToString(),
              "MouseLeave: data=0, mods=0, x=0, y=0, extra=\"\"");
    EXPECT_EQ(TEvent::Create(0x999, nullptr, 1, 0, 0, 0, nullptr)->ToString(),
              "Unknown Event, id=2457: data=1, mods=0, x=0, y=0, extra=\"\"");
}

ObjectRef Capture(int, ObjectRef data, const ObjectRef& context) {
    auto* sink = static_cast<Counter*>(context.get());
    if (auto* event = dynamic_cast<TEvent*>(data.get())) sink->value = event->data;
    return data;
}

TEST(Events, EmitOSEventPassesANewEventThroughTheEventHook) {
    auto sink = std::make_shared<Counter>();
    AddHook(EmitEventHook, Capture, sink, 0);
    EmitOSEvent(kEventKeyChar, nullptr, 97, 0, 0, 0, nullptr);
    RemoveHook(EmitEventHook, Capture, sink);
    EmitOSEvent(kEventKeyChar, nullptr, 98, 0, 0, 0, nullptr);
    EXPECT_EQ(sink->value, 97);
}

}  // namespace
}  // namespace vdl
