#include "platform/x11/X11ServerAnswers.h"

#include "platform/dispatch/Queue.h"

#include <xcb/xcbext.h>

#include <cstdlib>

namespace x11 {

ServerAnswers::ServerAnswers(const std::string& displayName)
    : connection_(xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr))
{
}

ServerAnswers::~ServerAnswers() { xcb_disconnect(connection_); }

std::optional<double> ServerAnswers::unansweredFor()
{
    if (xcb_connection_has_error(connection_)) return std::nullopt;
    if (asked_) {
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(connection_, *asked_, &answer, &error)) return dispatch::now() - askedAt_;
        std::free(answer);
        std::free(error);
    }
    asked_ = xcb_get_input_focus(connection_).sequence;
    askedAt_ = dispatch::now();
    xcb_flush(connection_);
    return 0.0;
}

}  // namespace x11
