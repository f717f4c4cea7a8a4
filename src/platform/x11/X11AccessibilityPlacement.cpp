#include "platform/x11/X11AccessibilityPlacement.h"

#include "platform/dispatch/Queue.h"
#include "platform/x11/X11Ewmh.h"
#include "platform/x11/X11FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace x11 {
namespace ax = desktop::ax;
namespace {

constexpr std::uint32_t onEveryDesktop = 0xFFFFFFFF;
constexpr double pollInterval = 0.01;
// Where a window counts as back home: window managers round a frame by a pixel or two.
constexpr double homeSlack = 2;

bool same(double a, double b) { return std::abs(a - b) < 0.5; }

bool near(const core::Rect& a, const core::Rect& b)
{
    return std::abs(a.x() - b.x()) <= homeSlack && std::abs(a.y() - b.y()) <= homeSlack &&
           std::abs(a.width() - b.width()) <= homeSlack && std::abs(a.height() - b.height()) <= homeSlack;
}

std::int32_t whole(double value) { return static_cast<std::int32_t>(std::lround(value)); }

std::uint32_t clientExtent(double frame, double decorations)
{
    return static_cast<std::uint32_t>(std::max(1l, std::lround(frame - decorations)));
}

double clientBorder(Connection& connection, xcb_window_t window)
{
    const auto geometry = connection.answer(xcb_get_geometry_reply, xcb_get_geometry(connection.xcb(), window));
    return geometry ? geometry->border_width : 0;
}

std::optional<ClientFacts> factsOf(Connection& connection, xcb_window_t window)
{
    return readClientFacts(connection, {window}).front();
}

}  // namespace

FramePlacement::FramePlacement(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

ax::Error FramePlacement::place(xcb_window_t window, std::optional<core::Point> origin, std::optional<core::Size> size)
{
    const auto reached = [&](const core::Rect& frame) {
        return (!origin || (same(frame.x(), origin->x) && same(frame.y(), origin->y))) &&
               (!size || (same(frame.width(), size->width) && same(frame.height(), size->height)));
    };
    // What was asked decides whether the window is back home, not where it landed: a
    // client that sizes in steps (a terminal's character cells) may miss its old size.
    const auto asked = [&](const core::Rect& frame) {
        return core::Rect(origin.value_or(frame.origin), size.value_or(frame.size));
    };
    const auto facts = factsOf(*connection_, window);
    if (!facts) return ax::invalidUIElement;
    if (reached(facts->pixels)) {
        if (const auto displaced = recorded(window)) settle(window, *displaced, asked(facts->pixels));
        return ax::success;
    }
    const bool firstMove = !recorded(window);
    core::Rect frame = facts->pixels;
    const auto displaced = displacedOf(window, *facts, frame);
    if (!displaced) return ax::cannotComplete;
    std::optional<core::Rect> after = frame;
    if (!reached(frame)) {
        const auto send = [&] { request(window, asked(frame)); };
        send();
        after = landing(window, frame, reached, send);
        // The window manager may still carry it out, late, and nothing would bring the
        // window home then: it is asked to stay. A later move that lands late is kept:
        // it is the way back that a retry waits for.
        if (!after && firstMove) request(window, frame);
    }
    settle(window, *displaced, after ? asked(*after) : frame);
    return after ? ax::success : ax::cannotComplete;
}

std::optional<FramePlacement::Displaced> FramePlacement::recorded(xcb_window_t window)
{
    std::lock_guard lock(mutex_);
    const auto found = displaced_.find(window);
    if (found == displaced_.end()) return std::nullopt;
    return found->second;
}

void FramePlacement::settle(xcb_window_t window, const Displaced& displaced, const core::Rect& asked)
{
    if (near(asked, displaced.home))
        putBack(window, displaced);
    else
        keep(window, displaced);
}

std::optional<FramePlacement::Displaced> FramePlacement::displacedOf(xcb_window_t window, const ClientFacts& facts,
                                                                     core::Rect& frame)
{
    if (auto known = recorded(window)) return known;
    if (!onSeenDesktop(facts)) return std::nullopt;
    Displaced displaced{facts.pixels, facts.pixels, ewmh::placingStates(*connection_, facts.states)};
    if (!displaced.lifted.empty()) {
        const auto lift = [&] { ewmh::setStates(*connection_, window, displaced.lifted, false); };
        lift();
        // On its way out of those states the frame moves, is redecorated and resizes, and a
        // read in between mixes old and new: it is taken once it holds still.
        const auto never = [](const core::Rect&) { return false; };
        displaced.normal =
            landing(window, facts.pixels, never, lift).value_or(factsOf(*connection_, window).value_or(facts).pixels);
        frame = displaced.normal;
    }
    return displaced;
}

bool FramePlacement::onSeenDesktop(const ClientFacts& facts)
{
    if (!facts.desktop || *facts.desktop == onEveryDesktop) return true;
    const auto current = ewmh::currentDesktop(*connection_);
    return !current || *current == *facts.desktop;
}

void FramePlacement::request(xcb_window_t window, const core::Rect& frame)
{
    // The window manager takes the client's size, inside the decorations it has now, and
    // puts the outer corner of the client's own border where the frame's corner goes: a
    // window manager that draws no frame shows that border as the window's edge.
    const auto extents = frameExtents(*connection_, window);
    const double border = clientBorder(*connection_, window);
    ewmh::moveFrameResizeClient(*connection_, window, whole(frame.x() - border), whole(frame.y() - border),
                                clientExtent(frame.width(), extents.left + extents.right),
                                clientExtent(frame.height(), extents.top + extents.bottom));
}

std::optional<core::Rect> FramePlacement::landing(xcb_window_t window, const core::Rect& before,
                                                  const std::function<bool(const core::Rect&)>& reached,
                                                  const std::function<void()>& askAgain)
{
    const double start = dispatch::now();
    core::Rect last = before;
    std::optional<double> changedAt;
    bool askedAgain = false;
    while (true) {
        const auto facts = factsOf(*connection_, window);
        if (!facts) return std::nullopt;
        if (reached(facts->pixels)) return facts->pixels;
        const double waited = dispatch::now() - start;
        if (facts->pixels != last) {
            last = facts->pixels;
            changedAt = waited;
        }
        // Window managers move before they resize, a frame may pass a step on its way.
        if (changedAt && (waited - *changedAt >= settleTime || waited >= 2 * waitForChange)) return last;
        if (!changedAt && waited >= waitForChange) return std::nullopt;
        // fluxbox drops a request now and then: once, halfway, it is asked again.
        if (!changedAt && !askedAgain && waited >= waitForChange / 2) {
            askAgain();
            askedAgain = true;
        }
        dispatch::sleepFor(pollInterval);
    }
}

std::optional<core::Rect> FramePlacement::frameOnce(xcb_window_t window,
                                                    const std::function<bool(const core::Rect&)>& done)
{
    const double start = dispatch::now();
    while (true) {
        const auto facts = factsOf(*connection_, window);
        if (!facts) return std::nullopt;
        if (done(facts->pixels)) return facts->pixels;
        if (dispatch::now() - start >= waitForChange) return std::nullopt;
        dispatch::sleepFor(pollInterval);
    }
}

void FramePlacement::keep(xcb_window_t window, const Displaced& displaced)
{
    std::vector<xcb_window_t> windows;
    {
        std::lock_guard lock(mutex_);
        displaced_[window] = displaced;
        for (const auto& entry : displaced_) windows.push_back(entry.first);
    }
    // Windows that went since are forgotten.
    const auto facts = readClientFacts(*connection_, windows);
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (!facts[i]) displaced_.erase(windows[i]);
}

void FramePlacement::putBack(xcb_window_t window, const Displaced& displaced)
{
    {
        std::lock_guard lock(mutex_);
        displaced_.erase(window);
    }
    if (displaced.lifted.empty()) return;
    // At its frame out of those states first: the window manager keeps that one for the
    // user's next leaving them.
    // It moves before it resizes: the whole frame is waited for.
    request(window, displaced.normal);
    frameOnce(window, [&](const core::Rect& frame) { return near(frame, displaced.normal); });
    ewmh::setStates(*connection_, window, displaced.lifted, true);
}

}  // namespace x11
