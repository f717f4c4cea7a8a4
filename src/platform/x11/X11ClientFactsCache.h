#pragma once

#include "platform/x11/X11ClientFacts.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace x11 {

// The most clients a listing takes: any client may write the root's client list, and
// desktops hold a few hundred windows at most.
constexpr std::size_t maxListedClients = 4096;

// The ids a client list names, front to back: the front-most `cap` of an EWMH list
// (bottom to top), without the root and without repeats.
std::vector<xcb_window_t> frontToBack(const std::vector<std::uint32_t>& bottomToTop, xcb_window_t root,
                                      std::size_t cap = maxListedClients);

// Whether a listed id is a client the desktop shows: a child of the root, or a window the
// window manager manages (it carries WM_STATE), never the root itself.
bool isListableClient(xcb_window_t window, xcb_window_t root, xcb_window_t parent, bool managed);

// The clients of the window manager's list (_NET_CLIENT_LIST_STACKING), front to back,
// with their facts. Any client may write that list, so only real clients are taken, at
// most maxListedClients of them, and what is known of each is kept until the client or
// its frame changes (property, configure, map, reparent, destroy): a new list costs what
// is new in it. Without a window manager, the mapped top-level windows are the clients.
class ClientFactsCache {
public:
    explicit ClientFactsCache(std::shared_ptr<Connection> connection);
    ~ClientFactsCache();
    ClientFactsCache(const ClientFactsCache&) = delete;
    ClientFactsCache& operator=(const ClientFactsCache&) = delete;

    std::vector<ClientFacts> clients();

private:
    struct Known {
        ClientFacts facts;
        xcb_window_t frame = XCB_WINDOW_NONE;
    };
    // The listed ids front to back; none listed without a window manager.
    std::optional<std::vector<xcb_window_t>> listedIds();
    std::vector<xcb_window_t> mappedTopLevels();
    // Reads what is not known yet of the ids, remembering which are no clients.
    void learn(const std::vector<xcb_window_t>& ids);
    void forget(xcb_window_t window);
    void onEvent(const xcb_generic_event_t& event);

    const std::shared_ptr<Connection> connection_;
    Connection::HandlerToken handler_ = 0;
    // Held through a listing, so that a change the event thread reports meanwhile is
    // applied after what the listing stored, never before.
    std::mutex mutex_;
    std::map<xcb_window_t, Known> known_;
    std::multimap<xcb_window_t, xcb_window_t> clientsOfFrame_;
    // Listed ids that are no clients; only the window's creation or reparenting makes one.
    std::set<xcb_window_t> rejected_;
};

}  // namespace x11
