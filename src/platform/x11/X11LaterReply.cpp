#include "platform/x11/X11LaterReply.h"

#include <xcb/xcbext.h>

namespace x11 {

void LaterReply::sent(unsigned int sequence)
{
    discard();
    sequence_ = sequence;
}

std::optional<LaterReply::Answer> LaterReply::take()
{
    if (!sequence_) return std::nullopt;
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(connection_, *sequence_, &reply, &error)) return std::nullopt;
    sequence_.reset();
    Answer answer;
    answer.reply.reset(reply);
    answer.error.reset(error);
    return answer;
}

LaterReply::Answer LaterReply::wait()
{
    Answer answer;
    if (!sequence_) return answer;
    xcb_generic_error_t* error = nullptr;
    answer.reply.reset(xcb_wait_for_reply(connection_, *std::exchange(sequence_, std::nullopt), &error));
    answer.error.reset(error);
    return answer;
}

void LaterReply::discard()
{
    if (sequence_) xcb_discard_reply(connection_, *std::exchange(sequence_, std::nullopt));
}

}  // namespace x11
