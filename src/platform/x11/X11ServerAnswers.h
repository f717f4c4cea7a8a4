#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>

namespace x11 {

// Whether the X server still answers this process, asked on a connection of its own that
// carries nothing else: one small question at a time, so that sending never blocks, and
// reading the answer never waits. Another client's grab of the server leaves it unanswered.
class ServerAnswers {
public:
    // Connects to the display now: while the server is held a new connection might wait.
    explicit ServerAnswers(const std::string& displayName);
    ~ServerAnswers();
    ServerAnswers(const ServerAnswers&) = delete;
    ServerAnswers& operator=(const ServerAnswers&) = delete;

    // Seconds the question asked has gone unanswered (0 once answered, when the next is
    // asked); none when the connection could not be made or broke. One caller at a time.
    std::optional<double> unansweredFor();

private:
    xcb_connection_t* connection_ = nullptr;
    std::optional<unsigned int> asked_;
    double askedAt_ = 0;
};

}  // namespace x11
