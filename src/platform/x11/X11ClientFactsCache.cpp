#include "platform/x11/X11ClientFactsCache.h"

#include "platform/core/SystemLog.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>

namespace x11 {
namespace {

// Said once, whichever service's listing meets it first: a flooding client and the
// window manager may take turns at the list.
std::atomic<bool> toldCut{false};
// Said again each time the window manager goes.
std::atomic<bool> withoutWindowManager{false};

}  // namespace

std::vector<xcb_window_t> frontToBack(const std::vector<std::uint32_t>& bottomToTop, xcb_window_t root,
                                      std::size_t cap)
{
    std::vector<xcb_window_t> ids;
    std::unordered_set<xcb_window_t> seen;
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend() && ids.size() < cap; ++it)
        if (*it != root && *it != XCB_WINDOW_NONE && seen.insert(*it).second) ids.push_back(*it);
    return ids;
}

bool isListableClient(xcb_window_t window, xcb_window_t root, xcb_window_t parent, bool managed)
{
    return window != root && window != XCB_WINDOW_NONE && (parent == root || managed);
}

ClientFactsCache::ClientFactsCache(std::shared_ptr<Connection> connection) : connection_(std::move(connection))
{
    // Told when a top-level window (a frame among them) is made, moved, mapped or destroyed.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

ClientFactsCache::~ClientFactsCache() { connection_->removeEventHandler(handler_); }

std::optional<std::vector<xcb_window_t>> ClientFactsCache::listedIds()
{
    auto* c = connection_->xcb();
    const auto root = connection_->root();
    const auto atom = connection_->atom("_NET_CLIENT_LIST_STACKING");
    const auto read = [&](std::uint32_t offset) {
        return reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, offset, maxListedClients), nullptr));
    };
    auto head = read(0);
    if (!head || head->type == XCB_ATOM_NONE) return std::nullopt;
    // EWMH lists bottom to top: a list too long is read from its top end.
    const std::size_t total = static_cast<std::size_t>(xcb_get_property_value_length(head.get())) / 4 +
                              head->bytes_after / 4;
    const bool cut = head->format == 32 && total > maxListedClients;
    if (cut) head = read(static_cast<std::uint32_t>(total - maxListedClients));
    if (cut && !toldCut.exchange(true))
        core::systemLog::write("x11: the client list names " + std::to_string(total) + " windows; only the front " +
                               std::to_string(maxListedClients) + " are listed");
    return frontToBack(unitsOf(head.get()), root);
}

std::vector<xcb_window_t> ClientFactsCache::mappedTopLevels()
{
    auto* c = connection_->xcb();
    const auto root = connection_->root();
    const auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree) return {};
    // Children come bottom to top, as the server stacks them.
    const auto* children = xcb_query_tree_children(tree.get());
    return frontToBack(std::vector<std::uint32_t>(children, children + xcb_query_tree_children_length(tree.get())),
                       root);
}

void ClientFactsCache::learn(const std::vector<xcb_window_t>& ids)
{
    std::vector<xcb_window_t> unknown;
    for (const auto id : ids)
        if (!known_.count(id) && !rejected_.count(id)) unknown.push_back(id);
    if (unknown.empty()) return;

    auto* c = connection_->xcb();
    const auto root = connection_->root();
    const auto wmState = connection_->atom("WM_STATE");
    // Heard before read, so that no change falls between the reading and the hearing: a
    // window that is no client yet (the window manager still taking it) is asked again
    // once it changes; only an id of no window stays rejected until one is made.
    addEventMasks(*connection_, unknown, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    // Whether each is a client at all, in one round trip: made-up ids cost no more.
    struct Probe {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_query_tree_cookie_t tree;
        xcb_get_property_cookie_t state;
    };
    std::vector<Probe> probes;
    probes.reserve(unknown.size());
    for (const auto id : unknown)
        probes.push_back({xcb_get_window_attributes(c, id), xcb_query_tree(c, id),
                          xcb_get_property(c, 0, id, wmState, XCB_ATOM_ANY, 0, 0)});
    std::vector<xcb_window_t> clients, parents;
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        const auto attributes = reply(xcb_get_window_attributes_reply(c, probes[i].attributes, nullptr));
        const auto tree = reply(xcb_query_tree_reply(c, probes[i].tree, nullptr));
        const auto state = reply(xcb_get_property_reply(c, probes[i].state, nullptr));
        const bool managed = state && state->type != XCB_ATOM_NONE;
        if (attributes && tree && isListableClient(unknown[i], root, tree->parent, managed)) {
            clients.push_back(unknown[i]);
            parents.push_back(tree->parent);
        } else {
            rejected_.insert(unknown[i]);
        }
    }
    auto facts = readClientFacts(*connection_, clients);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (!facts[i]) {
            rejected_.insert(clients[i]);
            continue;
        }
        const xcb_window_t frame = parents[i] == root ? clients[i] : frameWindow(*connection_, parents[i]);
        if (frame != clients[i]) clientsOfFrame_.emplace(frame, clients[i]);
        known_[clients[i]] = Known{std::move(*facts[i]), frame};
    }
}

void ClientFactsCache::forget(xcb_window_t window)
{
    rejected_.erase(window);
    if (const auto found = known_.find(window); found != known_.end()) {
        const auto [first, last] = clientsOfFrame_.equal_range(found->second.frame);
        for (auto it = first; it != last;) it = it->second == window ? clientsOfFrame_.erase(it) : std::next(it);
        known_.erase(found);
    }
    // The frame's change is its clients' change: where it stands, whether it shows.
    const auto [first, last] = clientsOfFrame_.equal_range(window);
    for (auto it = first; it != last; ++it) known_.erase(it->second);
    clientsOfFrame_.erase(window);
}

std::vector<ClientFacts> ClientFactsCache::clients()
{
    std::lock_guard lock(mutex_);
    auto ids = listedIds();
    const bool withWindowManager = ids.has_value();
    if (!withWindowManager && !withoutWindowManager.exchange(true))
        core::systemLog::write("x11: no window manager lists the clients (_NET_CLIENT_LIST_STACKING); "
                               "the mapped top-level windows are listed without frames");
    if (withWindowManager) withoutWindowManager = false;
    if (!ids) ids = mappedTopLevels();
    learn(*ids);

    // What is no longer listed is not kept: the cache stays the list's size.
    const std::unordered_set<xcb_window_t> listed(ids->begin(), ids->end());
    std::erase_if(rejected_, [&](xcb_window_t id) { return !listed.count(id); });
    for (auto it = known_.begin(); it != known_.end();) {
        if (listed.count(it->first)) {
            ++it;
            continue;
        }
        const auto window = it->first;
        ++it;
        forget(window);
    }

    std::vector<ClientFacts> result;
    result.reserve(ids->size());
    for (const auto id : *ids) {
        const auto found = known_.find(id);
        if (found == known_.end()) continue;
        const auto& facts = found->second.facts;
        if (withWindowManager || (facts.viewable && !facts.overrideRedirect)) result.push_back(facts);
    }
    return result;
}

void ClientFactsCache::onEvent(const xcb_generic_event_t& event)
{
    xcb_window_t window = XCB_WINDOW_NONE;
    switch (event.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: window = reinterpret_cast<const xcb_property_notify_event_t&>(event).window; break;
    case XCB_CONFIGURE_NOTIFY: window = reinterpret_cast<const xcb_configure_notify_event_t&>(event).window; break;
    case XCB_MAP_NOTIFY: window = reinterpret_cast<const xcb_map_notify_event_t&>(event).window; break;
    case XCB_UNMAP_NOTIFY: window = reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window; break;
    case XCB_REPARENT_NOTIFY: window = reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window; break;
    case XCB_DESTROY_NOTIFY: window = reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window; break;
    case XCB_CREATE_NOTIFY: window = reinterpret_cast<const xcb_create_notify_event_t&>(event).window; break;
    default: return;
    }
    if (window == connection_->root()) return;
    std::lock_guard lock(mutex_);
    forget(window);
}

}  // namespace x11
