#include "platform/x11/X11HotKeys.h"

#include "platform/dispatch/Queue.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyMap.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace x11 {
namespace {

constexpr std::uint8_t badAccess = 10;
// How long a release waits for the press that would make it a repeat. The server sends
// both at once; this only covers their reading, also on a busy machine.
constexpr double repeatPairSeconds = 0.1;

}  // namespace

X11HotKeys::X11HotKeys(std::shared_ptr<Connection> connection, std::shared_ptr<X11KeyMap> keyMap)
    : connection_(std::move(connection)), keyMap_(std::move(keyMap))
{
    eventHandler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { handleKey(event); });
}

X11HotKeys::~X11HotKeys()
{
    connection_->removeEventHandler(eventHandler_);
    std::lock_guard lock(mutex_);
    for (const auto& [token, registration] : registrations_) ungrab(grabsOf(registration));
    connection_->flush();
}

std::vector<std::uint16_t> X11HotKeys::lockVariants() const
{
    const std::uint16_t locks[] = {XCB_MOD_MASK_LOCK, keyMap_->numLockMask(), keyMap_->scrollLockMask()};
    std::vector<std::uint16_t> variants{0};
    for (const std::uint16_t lock : locks) {
        if (lock == 0) continue;
        const std::size_t count = variants.size();
        for (std::size_t i = 0; i < count; ++i) variants.push_back(variants[i] | lock);
    }
    return variants;
}

desktop::HotKeyStatus X11HotKeys::registerHotKey(desktop::HotKeyIdentity identity, int keyCode, std::uint32_t modifiers,
                                                 desktop::Token& token)
{
    Registration registration{identity, keyCode, keyMap_->keycodes(keyCode), keys::modifierMask(modifiers)};
    if (registration.keycodes.empty()) return desktop::HotKeyStatus::invalid;

    std::lock_guard lock(mutex_);
    for (const auto& [existing, other] : registrations_)
        if (other.modifiers == registration.modifiers && other.keycodes == registration.keycodes)
            return desktop::HotKeyStatus::taken;
    if (const auto status = grab(grabsOf(registration)); status != desktop::HotKeyStatus::ok) return status;
    token = nextToken_++;
    registrations_.emplace(token, std::move(registration));
    return desktop::HotKeyStatus::ok;
}

std::set<X11HotKeys::Grab> X11HotKeys::grabsOf(const Registration& registration) const
{
    std::set<Grab> grabs;
    for (const xcb_keycode_t keycode : registration.keycodes)
        for (const std::uint16_t variant : lockVariants())
            grabs.emplace(keycode, static_cast<std::uint16_t>(registration.modifiers | variant));
    return grabs;
}

desktop::HotKeyStatus X11HotKeys::grab(const std::set<Grab>& grabs)
{
    xcb_connection_t* xcb = connection_->xcb();
    std::vector<xcb_void_cookie_t> cookies;
    for (const auto& [keycode, modifiers] : grabs)
        cookies.push_back(xcb_grab_key_checked(xcb, 0, connection_->root(), modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    bool failed = false;
    for (const auto cookie : cookies) {
        if (auto* error = xcb_request_check(xcb, cookie)) {
            (error->error_code == badAccess ? refused : failed) = true;
            std::free(error);
        }
    }
    if (!refused && !failed) return desktop::HotKeyStatus::ok;
    // Ungrabbing only releases our own grabs: another client's stays as it was.
    ungrab(grabs);
    connection_->flush();
    return refused ? desktop::HotKeyStatus::taken : desktop::HotKeyStatus::invalid;
}

void X11HotKeys::regrabAfterMappingChange()
{
    std::lock_guard lock(mutex_);
    std::map<desktop::Token, std::set<Grab>> before;
    for (const auto& [token, registration] : registrations_) before[token] = grabsOf(registration);
    keyMap_->reload();
    // Only what moved changes hands: ungrabbing all and grabbing again would leave a moment
    // in which a pressed combination reaches the focused window instead.
    for (auto& [token, registration] : registrations_) {
        registration.keycodes = keyMap_->keycodes(registration.keyCode);
        const std::set<Grab> wanted = grabsOf(registration);
        const std::set<Grab>& held = before[token];
        if (wanted == held) continue;
        registration.pressed = false;
        std::set<Grab> added;
        std::set<Grab> dropped;
        std::set_difference(wanted.begin(), wanted.end(), held.begin(), held.end(), std::inserter(added, added.end()));
        std::set_difference(held.begin(), held.end(), wanted.begin(), wanted.end(),
                            std::inserter(dropped, dropped.end()));
        // A combination another client took meanwhile, or whose key is gone, stays ungrabbed.
        grab(added);
        ungrab(dropped);
    }
    connection_->flush();
}

void X11HotKeys::ungrab(const std::set<Grab>& grabs)
{
    for (const auto& [keycode, modifiers] : grabs)
        xcb_ungrab_key(connection_->xcb(), keycode, connection_->root(), modifiers);
}

void X11HotKeys::unregisterHotKey(desktop::Token token)
{
    std::lock_guard lock(mutex_);
    const auto it = registrations_.find(token);
    if (it == registrations_.end()) return;
    ungrab(grabsOf(it->second));
    registrations_.erase(it);
    // The release must have reached the server before another client may grab.
    std::free(xcb_get_input_focus_reply(connection_->xcb(), xcb_get_input_focus(connection_->xcb()), nullptr));
}

void X11HotKeys::setHandler(std::function<void(desktop::HotKeyIdentity, bool)> handler)
{
    std::lock_guard lock(mutex_);
    handler_ =
        handler ? std::make_shared<std::function<void(desktop::HotKeyIdentity, bool)>>(std::move(handler)) : nullptr;
}

void X11HotKeys::handleKey(const xcb_generic_event_t& event)
{
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto request = reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request;
        if (request == XCB_MAPPING_KEYBOARD || request == XCB_MAPPING_MODIFIER) regrabAfterMappingChange();
        return;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return;
    const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
    if (key.event != connection_->root()) return;
    const bool pressed = type == XCB_KEY_PRESS;

    std::optional<PendingRelease> unpaired;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        if (pendingRelease_) {
            const bool repeat = pressed && pendingRelease_->keycode == key.detail && pendingRelease_->time == key.time;
            if (!repeat) unpaired = pendingRelease_;
            pendingRelease_.reset();
            if (repeat) return;
        }
        if (!pressed) pendingRelease_ = PendingRelease{key.detail, key.time, serial = ++releaseSerial_};
    }
    if (unpaired) deliver(unpaired->keycode, 0, false);
    if (pressed) {
        deliver(key.detail, key.state, true);
        return;
    }
    dispatch::main().asyncAfter(repeatPairSeconds,
                                lifetime_.guard([serial](X11HotKeys& self) { self.releaseUnlessRepeated(serial); }));
}

void X11HotKeys::releaseUnlessRepeated(std::uint64_t serial)
{
    xcb_keycode_t keycode = 0;
    {
        std::lock_guard lock(mutex_);
        if (!pendingRelease_ || pendingRelease_->serial != serial) return;
        keycode = pendingRelease_->keycode;
        pendingRelease_.reset();
    }
    deliver(keycode, 0, false);
}

void X11HotKeys::deliver(xcb_keycode_t keycode, std::uint16_t state, bool pressed)
{
    const std::uint16_t locks = XCB_MOD_MASK_LOCK | keyMap_->numLockMask() | keyMap_->scrollLockMask();
    const std::uint16_t modifiers = state & ~locks & 0xff;

    std::vector<desktop::HotKeyIdentity> changed;
    std::shared_ptr<std::function<void(desktop::HotKeyIdentity, bool)>> handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
        for (auto& [token, registration] : registrations_) {
            const bool ours = std::find(registration.keycodes.begin(), registration.keycodes.end(), keycode) !=
                              registration.keycodes.end();
            // A release counts whatever modifiers were let go first.
            if (!ours || (pressed && registration.modifiers != modifiers) || (!pressed && !registration.pressed))
                continue;
            registration.pressed = pressed;
            changed.push_back(registration.identity);
        }
    }
    if (!handler) return;
    for (const auto& identity : changed) (*handler)(identity, pressed);
}

}  // namespace x11
