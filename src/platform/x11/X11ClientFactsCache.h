#pragma once

#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11Ewmh.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

namespace x11 {

// The ids a client list names, front to back: the front-most `cap` of an EWMH list
// (bottom to top), without the root and without repeats.
std::vector<xcb_window_t> frontToBack(const std::vector<std::uint32_t>& bottomToTop, xcb_window_t root,
                                      std::size_t cap = maxListedClients);

// Whether a listed id is a client the desktop shows: a child of the root, or a window the
// window manager manages (it carries WM_STATE), never the root itself.
bool isListableClient(xcb_window_t window, xcb_window_t root, xcb_window_t parent, bool managed);

// The desktop's clients as the server last told of them.
struct ClientSnapshot {
    // Front to back, with their facts.
    std::vector<ClientFacts> clients;
    // _NET_CURRENT_DESKTOP; none without one.
    std::optional<std::uint32_t> currentDesktop;
    // _NET_ACTIVE_WINDOW; none without one.
    xcb_window_t activeWindow = XCB_WINDOW_NONE;
};

// The clients of the window manager's list (_NET_CLIENT_LIST_STACKING), front to back,
// with their facts, kept by a thread of its own from the events that change them (the
// root's list, desktop and active window; a change of a client's property that is read, and
// a configure, map, reparent or destroy of a client or its frame), so that asking costs a
// copy: currentSnapshot() never waits on the server, however busy it is, and snapshot()
// only for a window that just came or went. Any client may write that list, so only real
// clients are taken: the front-most maxListedClients of them, ids of no client passed over
// wherever they stand; what is known of each id is kept until it changes: a new list costs
// what is new in it. Without a window manager, the mapped top-level windows are the
// clients. One serves every service of the desktop.
class ClientFactsCache {
public:
    // Reads the first list before it returns.
    explicit ClientFactsCache(std::shared_ptr<Connection> connection);
    ~ClientFactsCache();
    ClientFactsCache(const ClientFactsCache&) = delete;
    ClientFactsCache& operator=(const ClientFactsCache&) = delete;

    // The latest list. It holds every window made, mapped, unmapped or destroyed and the
    // root's lists as the server told of them before the call: when one such change is
    // not in yet, this waits for it (at most maxWait, then answers what is known, and waits
    // no more until the refresh moves on), which happens only right after such a change.
    // Other changes of a client (a move, a new title) follow within a round trip or two,
    // without a wait.
    std::shared_ptr<const ClientSnapshot> snapshot() const;
    static constexpr std::chrono::milliseconds maxWait{250};
    // The latest list as the refresh thread last made it, at once: for the periodic reads,
    // which must not wait on a server another client holds.
    std::shared_ptr<const ClientSnapshot> currentSnapshot() const;

private:
    struct Known {
        ClientFacts facts;
        xcb_window_t frame = XCB_WINDOW_NONE;
    };
    // Reads the list anew, with what is not known yet; the refresh thread's alone.
    void refresh();
    // Reads what is not known yet of the ids, remembering which are no clients.
    void learn(const std::vector<xcb_window_t>& ids);
    // The front-most maxListedClients of the ids (front to back) that are clients.
    std::vector<xcb_window_t> frontClients(const std::vector<xcb_window_t>& ids);
    // Whether anything was known of the window (as a client, a frame or no client).
    bool forget(xcb_window_t window);
    void onEvent(const xcb_generic_event_t& event);
    void refreshLoop();

    const std::shared_ptr<Connection> connection_;
    const xcb_atom_t stackingAtom_, currentDesktopAtom_, activeWindowAtom_;
    // A client may rewrite any other property as fast as the server takes it.
    const std::vector<xcb_atom_t> factsProperties_;
    Connection::HandlerToken handler_ = 0;

    // Touched by the refresh thread only (and the constructor, before it starts).
    std::map<xcb_window_t, Known> known_;
    std::multimap<xcb_window_t, xcb_window_t> clientsOfFrame_;
    // Listed ids that are no clients; only the window's creation or reparenting makes one.
    std::unordered_set<xcb_window_t> rejected_;
    bool withWindowManager_ = true;

    // What the event thread hands over: the windows it heard of, and a count of the
    // changes that make or end a window or change the root's lists, of which the refresh
    // thread has taken `structureTaken_` and applied `structureApplied_`. A window's facts
    // read while it changed are forgotten again on the next turn.
    mutable std::mutex changesMutex_;
    std::condition_variable changed_;
    mutable std::condition_variable applied_;
    // A set: a client rewriting its title as fast as the server takes it names itself
    // once a turn, however slow the turn.
    std::unordered_set<xcb_window_t> changedWindows_;
    std::uint64_t structureTold_ = 0, structureTaken_ = 0, structureApplied_ = 0;
    // structureApplied_ when a snapshot's wait last gave up.
    mutable std::optional<std::uint64_t> gaveUpAt_;
    bool stopping_ = false;

    mutable std::mutex snapshotMutex_;
    std::shared_ptr<const ClientSnapshot> snapshot_;
    std::thread refresher_;
};

}  // namespace x11
