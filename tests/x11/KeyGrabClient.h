#pragma once

#include <xcb/xcb.h>

#include <cstdlib>

namespace testsupport {

// Another X client that wants key combinations for itself.
class KeyGrabClient {
public:
    KeyGrabClient() : connection_(xcb_connect(nullptr, nullptr)) {}
    // Its grabs are gone before the next request of anyone else's reaches the server.
    ~KeyGrabClient()
    {
        xcb_ungrab_key(connection_, XCB_GRAB_ANY, root(), XCB_MOD_MASK_ANY);
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        xcb_disconnect(connection_);
    }
    KeyGrabClient(const KeyGrabClient&) = delete;
    KeyGrabClient& operator=(const KeyGrabClient&) = delete;

    xcb_connection_t* xcb() const { return connection_; }

    // Whether its grab of the combination is granted.
    bool grab(xcb_keycode_t keycode, std::uint16_t modifiers)
    {
        auto* error = xcb_request_check(connection_, xcb_grab_key_checked(connection_, 0, root(), modifiers, keycode,
                                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root; }

    xcb_connection_t* connection_;
};

}  // namespace testsupport
