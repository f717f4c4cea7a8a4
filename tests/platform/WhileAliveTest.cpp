#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

#include "support/TestEnvironment.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

class WhileAlive : public testsupport::VirtualTimeTest {};

struct Owner {
    explicit Owner(std::vector<std::string>* calls) : calls(calls) {}
    std::vector<std::string>* calls;
    dispatch::Lifetime<Owner> lifetime{this};
    void note(const std::string& what) { calls->push_back(what); }
};

}  // namespace

TEST_F(WhileAlive, APostedTaskRunsWhileItsOwnerLivesAndNotAfter)
{
    std::vector<std::string> calls;
    auto owner = std::make_unique<Owner>(&calls);
    dispatch::main().async(owner->lifetime.guard([](Owner& self) { self.note("first"); }));
    clock().runUntilIdle();
    dispatch::main().asyncAfter(1, owner->lifetime.guard([](Owner& self) { self.note("late"); }));
    const std::function<void(int)> callback =
        owner->lifetime.guard([](Owner& self, int n) { self.note("arg " + std::to_string(n)); });
    callback(7);
    owner.reset();
    callback(8);
    clock().advance(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "arg 7"}));
}

TEST_F(WhileAlive, ASharedOwnerIsKeptAliveWhileItsTaskRunsAndSkippedOnceGone)
{
    auto owner = std::make_shared<int>(1);
    int seen = 0;
    const auto task = dispatch::whileAlive(std::weak_ptr<int>(owner), [&](int& value) {
        seen = value;
        value = 2;
    });
    task();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(*owner, 2);
    owner.reset();
    seen = 0;
    task();
    EXPECT_EQ(seen, 0);
}

TEST_F(WhileAlive, AnAnswerComesOnlyFromALiveOwnerAndEndingFlipsTasksEarly)
{
    std::vector<std::string> calls;
    auto owner = std::make_unique<Owner>(&calls);
    const auto count = owner->lifetime.guard([](Owner& self) { return self.calls->size(); });
    const auto note = owner->lifetime.guard([](Owner& self) { self.note("noted"); });
    note();
    EXPECT_EQ(count(), std::optional<std::size_t>(1));
    owner->lifetime.end();
    note();
    EXPECT_EQ(count(), std::nullopt);
    EXPECT_EQ(calls, (std::vector<std::string>{"noted"}));
}
