#include "platform/sim/InputTest.h"

namespace {

using desktop::Event;
using desktop::EventType;
using testsupport::InputTest;
namespace hk = desktop::hotkeyModifier;

constexpr desktop::HotKeyIdentity capture{0x474C4D52, 1};
constexpr desktop::HotKeyIdentity rescue{0x474C4D52, 7};

class HotKeysTest : public InputTest {
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        hotKeys->setHandler(
            [this](desktop::HotKeyIdentity identity, bool pressed) { fired.emplace_back(identity.id, pressed); });
        const auto keep = [this](const Event& e) { delivered.push_back(e); };
        input->addGlobalMonitor(desktop::anyEventMask, keep);
        input->addLocalMonitor(desktop::anyEventMask, [keep](const Event& e) {
            keep(e);
            return std::optional(e);
        });
    }

    std::vector<EventType> deliveredTypes() const
    {
        std::vector<EventType> types;
        for (const auto& e : delivered) types.push_back(e.type);
        return types;
    }

    std::vector<std::pair<std::uint32_t, bool>> fired;
    std::vector<Event> delivered;
};

TEST_F(HotKeysTest, ACombinationIsHeldByOneRegistrationAtATime)
{
    desktop::Token first = 0;
    EXPECT_EQ(hotKeys->registerHotKey(capture, desktop::key::p, hk::command | hk::option, first),
              desktop::HotKeyStatus::ok);
    desktop::Token second = 0;
    EXPECT_EQ(hotKeys->registerHotKey(rescue, desktop::key::p, hk::command | hk::option, second),
              desktop::HotKeyStatus::taken);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(hotKeys->registerHotKey(rescue, desktop::key::p, hk::command, second), desktop::HotKeyStatus::ok);
    EXPECT_NE(first, second);
    desktop::Token invalid = 0;
    EXPECT_EQ(hotKeys->registerHotKey(rescue, -1, hk::command, invalid), desktop::HotKeyStatus::invalid);

    auto registered = hotKeys->registered();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[0].id, 1u);
    EXPECT_EQ(registered[0].mask, 0x900u);
    EXPECT_EQ(registered[1].id, 7u);

    hotKeys->unregisterHotKey(first);
    hotKeys->unregisterHotKey(first);
    desktop::Token again = 0;
    EXPECT_EQ(hotKeys->registerHotKey(rescue, desktop::key::p, hk::command | hk::option, again), desktop::HotKeyStatus::ok)
        << "a removed registration frees its combination";
    registered = hotKeys->registered();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[1].mask, 0x900u);

    const auto registrations = journalOf("hotkey.register");
    ASSERT_EQ(registrations.size(), 5u);
    EXPECT_EQ(
        registrations[0],
        (nlohmann::json{{"t", 0.0}, {"do", "hotkey.register"}, {"id", 1}, {"code", 35}, {"mask", 0x900}, {"status", 0}}));
    EXPECT_EQ(registrations[1]["status"], -9878);
    const auto removals = journalOf("hotkey.unregister");
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0]["id"], 1);
}

TEST_F(HotKeysTest, AMatchingPressFiresTheHandlerAndReachesNoApplication)
{
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey(capture, desktop::key::p, hk::command | hk::option, token),
              desktop::HotKeyStatus::ok);

    input->userKeyDown(desktop::key::p, {"cmd", "alt"});
    EXPECT_EQ(fired, (std::vector<std::pair<std::uint32_t, bool>>{{1, true}})) << "the handler runs as the key is read";
    EXPECT_TRUE(input->isKeyDown(desktop::key::p));
    input->userKeyUp(desktop::key::p, {"cmd", "alt"});
    clock().runUntilIdle();
    EXPECT_EQ(fired, (std::vector<std::pair<std::uint32_t, bool>>{{1, true}, {1, false}}));
    EXPECT_TRUE(delivered.empty());

    // The own application in front changes nothing: the hot key still comes first.
    world().setFrontmost(world().ownPid());
    input->userKeyDown(desktop::key::p, {"cmd", "alt"});
    clock().runUntilIdle();
    EXPECT_EQ(fired.size(), 3u);
    EXPECT_TRUE(delivered.empty());
}

TEST_F(HotKeysTest, ModifiersMustMatchExactlyOnEitherSide)
{
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey(rescue, 15, hk::command | hk::option, token), desktop::HotKeyStatus::ok);

    input->userKeyDown(15, {"cmd"});
    input->userKeyUp(15, {"cmd"});
    input->userKeyDown(15, {"cmd", "alt", "shift"});
    input->userKeyUp(15, {"cmd", "alt", "shift"});
    input->userKeyDown(15, {"cmd", "alt", "fn"});  // fn is no hot-key modifier
    input->userKeyUp(15);
    clock().runUntilIdle();
    EXPECT_EQ(fired.size(), 2u);
    EXPECT_EQ(deliveredTypes(),
              (std::vector<EventType>{EventType::keyDown, EventType::keyUp, EventType::keyDown, EventType::keyUp}));

    // Right-hand modifiers held by their own keys count the same.
    fired.clear();
    delivered.clear();
    input->userKeyDown(desktop::key::rightCommand);
    input->userKeyDown(desktop::key::rightOption);
    input->userKeyDown(15);
    // Letting go of the modifiers first still ends the hot key on the key's release.
    input->userKeyUp(desktop::key::rightOption);
    input->userKeyUp(desktop::key::rightCommand);
    input->userKeyUp(15);
    clock().runUntilIdle();
    EXPECT_EQ(fired, (std::vector<std::pair<std::uint32_t, bool>>{{7, true}, {7, false}}));
    EXPECT_EQ(deliveredTypes(), std::vector<EventType>(4, EventType::flagsChanged))
        << "the modifier keys themselves still reach the applications";
}

TEST_F(HotKeysTest, AnUnregisteredCombinationIsAnOrdinaryKeyAgain)
{
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey(capture, desktop::key::p, hk::command | hk::option, token),
              desktop::HotKeyStatus::ok);
    input->userKeyDown(desktop::key::p, {"cmd", "alt"});
    hotKeys->unregisterHotKey(token);
    input->userKeyUp(desktop::key::p, {"cmd", "alt"});
    input->userKeyDown(desktop::key::p, {"cmd", "alt"});
    clock().runUntilIdle();

    EXPECT_EQ(fired, (std::vector<std::pair<std::uint32_t, bool>>{{1, true}}))
        << "no release for a combination that is gone";
    EXPECT_EQ(deliveredTypes(), (std::vector<EventType>{EventType::keyDown}))
        << "the release of a taken press stays with the hot-key system";
}

}  // namespace
