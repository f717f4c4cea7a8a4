#include "platform/x11/X11ClientFactsCache.h"

#include "platform/core/SystemLog.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11EventWindow.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>
#include <utility>

namespace x11 {
namespace {

// Said again each time the window manager goes.
std::atomic<bool> withoutWindowManager{false};
// Said once: a flooding client and the window manager may take turns at the list.
std::atomic<bool> toldPassedOver{false};

std::vector<xcb_window_t> mappedTopLevels(Connection& connection)
{
    auto* c = connection.xcb();
    const auto root = connection.root();
    const auto tree = connection.answer(xcb_query_tree_reply, xcb_query_tree(c, root));
    if (!tree) return {};
    // Children come bottom to top, as the server stacks them.
    const auto* children = xcb_query_tree_children(tree.get());
    return frontToBack(std::vector<std::uint32_t>(children, children + xcb_query_tree_children_length(tree.get())), root);
}

}  // namespace

std::vector<xcb_window_t> frontToBack(const std::vector<std::uint32_t>& bottomToTop, xcb_window_t root, std::size_t cap)
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

ClientFactsCache::ClientFactsCache(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)),
      stackingAtom_(connection_->atom("_NET_CLIENT_LIST_STACKING")),
      currentDesktopAtom_(connection_->atom("_NET_CURRENT_DESKTOP")),
      activeWindowAtom_(connection_->atom("_NET_ACTIVE_WINDOW")),
      factsProperties_(clientFactsProperties(*connection_))
{
    // Told when a top-level window (a frame among them) is made, moved, mapped or
    // destroyed, and when the root's lists change.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    for (const auto atom : {stackingAtom_, currentDesktopAtom_, activeWindowAtom_}) connection_->watchRootProperty(atom);
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
    refresh();
    refresher_ = std::thread([this] { refreshLoop(); });
}

ClientFactsCache::~ClientFactsCache()
{
    connection_->removeEventHandler(handler_);
    {
        std::lock_guard lock(changesMutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    applied_.notify_all();
    refresher_.join();
}

std::shared_ptr<const ClientSnapshot> ClientFactsCache::snapshot() const
{
    {
        std::unique_lock lock(changesMutex_);
        const auto told = structureTold_;
        // A refresh that has not moved since a wait gave up is held by the server: asking
        // again answers at once, or a held server would cost every ask the whole wait.
        if (structureApplied_ != gaveUpAt_ &&
            !applied_.wait_for(lock, maxWait, [&] { return structureApplied_ >= told || stopping_; }))
            gaveUpAt_ = structureApplied_;
    }
    return currentSnapshot();
}

std::shared_ptr<const ClientSnapshot> ClientFactsCache::currentSnapshot() const
{
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
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
        const auto attributes = connection_->answer(xcb_get_window_attributes_reply, probes[i].attributes);
        const auto tree = connection_->answer(xcb_query_tree_reply, probes[i].tree);
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

std::vector<xcb_window_t> ClientFactsCache::frontClients(const std::vector<xcb_window_t>& ids)
{
    std::vector<xcb_window_t> clients;
    auto next = ids.begin();
    while (clients.size() < maxListedClients && next != ids.end()) {
        // Only as many as may still be taken are asked about at once: made-up ids are
        // learnt a batch at a time and cost nothing once known.
        std::vector<xcb_window_t> batch;
        for (; next != ids.end() && batch.size() < maxListedClients - clients.size(); ++next)
            if (!rejected_.count(*next)) batch.push_back(*next);
        learn(batch);
        for (const auto id : batch)
            if (known_.count(id)) clients.push_back(id);
    }
    return clients;
}

bool ClientFactsCache::forget(xcb_window_t window)
{
    bool knew = rejected_.erase(window) > 0;
    if (const auto found = known_.find(window); found != known_.end()) {
        const auto [first, last] = clientsOfFrame_.equal_range(found->second.frame);
        for (auto it = first; it != last;) it = it->second == window ? clientsOfFrame_.erase(it) : std::next(it);
        known_.erase(found);
        knew = true;
    }
    // The frame's change is its clients' change: where it stands, whether it shows.
    const auto [first, last] = clientsOfFrame_.equal_range(window);
    for (auto it = first; it != last; ++it) known_.erase(it->second);
    knew = knew || first != last;
    clientsOfFrame_.erase(window);
    return knew;
}

void ClientFactsCache::refresh()
{
    const auto state = ewmh::rootState(*connection_);
    auto next = std::make_shared<ClientSnapshot>();
    next->currentDesktop = state.currentDesktop;
    next->activeWindow = state.activeWindow;
    std::optional<std::vector<xcb_window_t>> ids;
    if (state.stacking) ids = frontToBack(*state.stacking, connection_->root(), state.stacking->size());

    withWindowManager_ = ids.has_value();
    if (!withWindowManager_ && !withoutWindowManager.exchange(true))
        core::systemLog::write(
            "x11: no window manager lists the clients (_NET_CLIENT_LIST_STACKING); "
            "the mapped top-level windows are listed without frames");
    if (withWindowManager_) withoutWindowManager = false;
    if (!ids) ids = mappedTopLevels(*connection_);

    // What is no longer listed is not kept: the cache stays the list's size. Before the
    // new is learnt, as a frame that is forgotten takes what is known of its clients.
    // A sorted copy rather than a set: a flooded list is rewritten every second, and a node
    // per id each time would churn the allocator.
    std::vector<xcb_window_t> listed(ids->begin(), ids->end());
    std::sort(listed.begin(), listed.end());
    const auto isListed = [&](xcb_window_t id) { return std::binary_search(listed.begin(), listed.end(), id); };
    std::erase_if(rejected_, [&](xcb_window_t id) { return !isListed(id); });
    std::vector<xcb_window_t> unlisted;
    for (const auto& [window, known] : known_)
        if (!isListed(window)) unlisted.push_back(window);
    for (const auto window : unlisted) forget(window);
    const auto clients = frontClients(*ids);
    if (rejected_.size() >= maxListedClients && !toldPassedOver.exchange(true))
        core::systemLog::write("x11: the client list names " + std::to_string(rejected_.size()) +
                               " ids that are no clients; they are passed over");

    next->clients.reserve(clients.size());
    for (const auto id : clients) {
        const auto& facts = known_.at(id).facts;
        if (withWindowManager_ || (facts.viewable && !facts.overrideRedirect)) next->clients.push_back(facts);
    }
    std::lock_guard lock(snapshotMutex_);
    snapshot_ = std::move(next);
}

void ClientFactsCache::refreshLoop()
{
    for (;;) {
        std::unordered_set<xcb_window_t> windows;
        std::uint64_t taking = 0;
        bool structureChanged = false;
        {
            std::unique_lock lock(changesMutex_);
            changed_.wait(lock,
                          [&] { return stopping_ || structureTold_ != structureTaken_ || !changedWindows_.empty(); });
            if (stopping_) return;
            windows.swap(changedWindows_);
            structureChanged = structureTold_ != structureTaken_;
            taking = structureTaken_ = structureTold_;
        }
        // Without a window manager any top-level window's change may change the list.
        bool listChanged = structureChanged || !withWindowManager_;
        for (const auto window : windows) listChanged = forget(window) || listChanged;
        if (listChanged) refresh();
        {
            std::lock_guard lock(changesMutex_);
            structureApplied_ = taking;
        }
        applied_.notify_all();
    }
}

void ClientFactsCache::onEvent(const xcb_generic_event_t& event)
{
    const auto window = windowOfEvent(event);
    if (window == XCB_WINDOW_NONE) return;
    const bool root = window == connection_->root();
    const auto type = event.response_type & 0x7f;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto atom = reinterpret_cast<const xcb_property_notify_event_t&>(event).atom;
        const bool read = root ? atom == stackingAtom_ || atom == currentDesktopAtom_ || atom == activeWindowAtom_
                               : std::find(factsProperties_.begin(), factsProperties_.end(), atom) !=
                                     factsProperties_.end();
        if (!read) return;
    } else if (root) {
        return;
    }
    const bool structure = root || type == XCB_CREATE_NOTIFY || type == XCB_MAP_NOTIFY || type == XCB_UNMAP_NOTIFY ||
                           type == XCB_REPARENT_NOTIFY || type == XCB_DESTROY_NOTIFY;
    {
        std::lock_guard lock(changesMutex_);
        if (structure) ++structureTold_;
        if (!root) changedWindows_.insert(window);
    }
    changed_.notify_one();
}

}  // namespace x11
