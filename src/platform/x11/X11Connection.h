#pragma once

#include "platform/x11/X11ErrorLog.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcb.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

namespace x11 {

// The X server's first event code of each extension whose events the desktop reads.
struct ExtensionEvents {
    std::uint8_t damage = 0;
    std::uint8_t randr = 0;
    std::uint8_t xfixes = 0;
    std::uint8_t shm = 0;
};

// The desktop's one connection to the X server, with the thread that reads its events.
// Requests and replies may come from any thread (xcb serialises them); every event is
// handed to each handler on the event thread, which must not block on the main queue.
class Connection {
public:
    // Opens the display (DISPLAY when null) and checks the extensions the desktop needs:
    // Composite 0.2, Damage, RandR 1.5 and XFixes. A failure answers the one line that
    // says what is missing.
    static std::variant<std::shared_ptr<Connection>, std::string> open(const char* displayName = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    // The display as DISPLAY (or the caller) named it.
    const std::string& displayName() const { return displayName_; }
    // Whether the connection broke: every request fails from then on.
    bool broken() const { return xcb_connection_has_error(connection_) != 0; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    const ExtensionEvents& events() const { return events_; }
    // Whether frames can be read through shared memory.
    bool hasShm() const { return hasShm_; }
    bool hasXTest() const { return hasXTest_; }
    bool hasXInput() const { return hasXInput_; }
    bool hasRes() const { return hasRes_; }

    // The reply to a request, or null without one. The server's refusal is logged like
    // those of requests nobody waits on, unless it only says that the window or drawable
    // asked about is gone: the caller's path without a reply is made for that.
    template <class T, class Cookie>
    Reply<T> answer(T* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie)
    {
        xcb_generic_error_t* error = nullptr;
        auto result = reply(read(connection_, cookie, &error));
        if (error) noteRefusal(*reply(error));
        return result;
    }
    // Logs a refusal the same way, for replies read by other means.
    void noteRefusal(const xcb_generic_error_t& error);
    const ErrorLog& errorLog() const { return errors_; }

    // The atom of the name, interned once.
    xcb_atom_t atom(std::string_view name);

    // A property's raw value (at most maxLength 32-bit units), or none when the window
    // or the property does not exist or has another type (XCB_ATOM_ANY takes any).
    struct Property {
        xcb_atom_t type = XCB_ATOM_NONE;
        std::uint8_t format = 0;
        std::vector<std::uint8_t> bytes;
        bool operator==(const Property&) const = default;
    };
    std::optional<Property> property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type = XCB_ATOM_ANY,
                                     std::uint32_t maxLength = 1u << 20);
    // A 32-bit list property (windows, cardinals, atoms); empty when missing.
    std::vector<std::uint32_t> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type = XCB_ATOM_ANY);

    void flush();

    // A change of a property of the root reaches the handlers only when some service
    // watches that property: any client may rewrite another as fast as the server takes it.
    void watchRootProperty(xcb_atom_t property);

    using EventHandler = std::function<void(const xcb_generic_event_t& event)>;
    using HandlerToken = std::uint64_t;
    HandlerToken addEventHandler(EventHandler handler);
    // Told on the event thread once each batch of events (what the socket held at one wake,
    // or maxBatch of them) has been handed out: a handler of a value any client may rewrite
    // as fast as the server takes it marks it per notice and reads it once here.
    HandlerToken addBatchEndHandler(std::function<void()> handler);
    // After it returns the handler (of either kind) is not running and never runs again
    // (unless called from the handler itself, on the event thread).
    void removeEventHandler(HandlerToken token);

    // The most events of one batch: a flood faster than the handlers still ends batches.
    static constexpr std::size_t maxBatch = 4096;

    // Told once, on the event thread, when the connection breaks: the X server went away
    // or closed it. Not when the connection is closed here.
    void setLostHandler(std::function<void()> lost);

private:
    Connection(xcb_connection_t* connection, int screenNumber, std::string displayName);
    std::optional<std::string> checkExtensions();
    void nameExtensions();
    void startEventThread();
    void eventLoop();
    void endBatch();

    xcb_connection_t* connection_ = nullptr;
    const std::string displayName_;
    xcb_screen_t* screen_ = nullptr;
    ExtensionEvents events_;
    bool hasShm_ = false;
    bool hasXTest_ = false;
    bool hasXInput_ = false;
    bool hasRes_ = false;

    std::mutex atomsMutex_;
    std::map<std::string, xcb_atom_t, std::less<>> atoms_;

    // Handlers run under handlersMutex_, so removing one waits for a running call to end.
    std::recursive_mutex handlersMutex_;
    // Shared, so that one removing itself while it runs lives to its end without a copy
    // for each event.
    std::map<HandlerToken, std::shared_ptr<const EventHandler>> handlers_;
    std::map<HandlerToken, std::shared_ptr<const std::function<void()>>> batchEndHandlers_;
    HandlerToken nextToken_ = 1;
    std::vector<xcb_atom_t> watchedRootProperties_;
    std::function<void()> lost_;
    ErrorLog errors_;

    // A window of our own that the event thread is woken through when it must stop.
    xcb_window_t wakeWindow_ = XCB_WINDOW_NONE;
    std::atomic<bool> stopping_{false};
    std::thread eventThread_;
};

}  // namespace x11
