#include "platform/desktop/HotKeys.h"
#include "platform/desktop/Input.h"
#include "platform/x11/X11KeyMap.h"

#include <X11/keysym.h>

#include <gtest/gtest.h>

namespace {

namespace mod = desktop::modifier;
using namespace x11;

TEST(X11KeyTables, NamedKeysAndKeysymsTranslateBothWaysAndFnIsRightCtrl)
{
    EXPECT_EQ(keys::keysymOf(desktop::key::escape), xcb_keysym_t{XK_Escape});
    EXPECT_EQ(keys::keysymOf(desktop::key::command), xcb_keysym_t{XK_Super_L});
    EXPECT_EQ(keys::keysymOf(desktop::key::rightOption), xcb_keysym_t{XK_Alt_R});
    // fn is Right Ctrl; right ⌃ has no key of its own, so Right Ctrl reads back as fn.
    EXPECT_EQ(keys::keysymOf(desktop::key::function), xcb_keysym_t{XK_Control_R});
    EXPECT_EQ(keys::keysymOf(desktop::key::rightControl), std::nullopt);
    EXPECT_EQ(keys::keyCodeOf(XK_Control_R), desktop::key::function);
    // Every key of the table reads back as itself.
    for (int code = 0; code < 128; ++code)
        if (const auto keysym = keys::keysymOf(code)) {
            EXPECT_EQ(keys::keyCodeOf(*keysym), code) << code;
        }
    EXPECT_EQ(keys::keyCodeOf(XK_Num_Lock), std::nullopt);
}

TEST(X11KeyTables, ModifiersMapOntoTheXMasksAndTheHeldKeysFlags)
{
    namespace hk = desktop::hotkeyModifier;
    EXPECT_EQ(keys::modifierMask(hk::option | hk::command), XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    EXPECT_EQ(keys::modifierMask(hk::control | hk::shift), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT);
    EXPECT_EQ(keys::modifierMask(0), 0);

    EXPECT_EQ(keys::modifierKeyFlags(desktop::key::function), mod::function);
    EXPECT_EQ(keys::modifierKeyFlags(desktop::key::rightCommand), mod::command | mod::rightCommand);
    EXPECT_EQ(keys::modifierKeyFlags(desktop::key::p), 0u);
    EXPECT_EQ(flagsOfHeldKeys({desktop::key::option, desktop::key::function}),
              mod::option | mod::leftOption | mod::function);
    EXPECT_EQ(flagsOfHeldKeys({}), 0u);
    EXPECT_EQ(keys::flagsOfState(XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | XCB_MOD_MASK_2), mod::option | mod::command);
    EXPECT_EQ(keys::flagsOfState(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT),
              mod::capsLock | mod::control | mod::shift);
}

}  // namespace
