#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

namespace x11 {

// The server's refusals of requests nobody waits on arrive as events: each kind (request
// and error code) is written to the system log once, so a refused request is seen without
// a flood when the same one fails at every frame. Another client's window or pixmap may go
// away between our learning of it and our request: that refusal is no fault, and unlogged.
class ErrorLog {
public:
    // The connection's setup tells which resources are its own.
    explicit ErrorLog(const xcb_setup_t& setup);
    // For another connection to the same server, whose extensions it names already.
    ErrorLog(const xcb_setup_t& setup, const ErrorLog& sameServer);

    // The names of the extensions whose requests may fail, by their major opcode.
    void nameExtension(std::uint8_t majorOpcode, std::string name);

    // Writes the line for the error unless one of its kind was written before.
    void note(const xcb_generic_error_t& error);

    // The line for an error: its request and error, by name where they have one.
    std::string line(const xcb_generic_error_t& error) const;

private:
    bool isGoneForeignResource(const xcb_generic_error_t& error) const;

    const std::uint32_t ownBase_;
    const std::uint32_t ownMask_;
    mutable std::mutex mutex_;
    std::map<std::uint8_t, std::string> extensions_;
    std::set<std::tuple<std::uint8_t, std::uint16_t, std::uint8_t>> written_;
};

}  // namespace x11
