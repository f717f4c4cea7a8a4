#include "platform/x11/X11WindowSource.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Iconic.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <cmath>

namespace x11 {
WindowSource::WindowSource(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                           std::shared_ptr<desktop::Displays> displays, desktop::ShareableWindow client,
                           std::function<void()> onChange)
    : connection_(std::move(connection)),
      windowServer_(std::move(windowServer)),
      displays_(std::move(displays)),
      client_(client.windowID),
      life_(client.life),
      onChange_(std::move(onChange)),
      pool_(std::make_shared<ShmPool>(connection_))
{
}

// The window manager may give a client a new frame (a client that withdrew and mapped
// again): a frame that is gone, or a withdrawn client that stood alone and is framed
// again, is looked up anew.
std::optional<WindowState> WindowSource::followFrame()
{
    const bool framedAgain = frame_ == client_ && frameWindow(*connection_, client_) != client_;
    if (frame_ != XCB_WINDOW_NONE && !framedAgain)
        if (auto state = windowState(*connection_, frame_)) return state;
    letFrameGo();
    frame_ = frameWindow(*connection_, client_);
    if (frame_ == XCB_WINDOW_NONE) return std::nullopt;
    pixmap_ = std::make_unique<WindowPixmap>(*connection_, frame_);
    damage_ = std::make_unique<DamageWatch>(connection_, frame_, onChange_);
    // Starts as changed: the next frame asks again what this one may have missed.
    stateWatch_ = std::make_unique<WindowStateWatch>(connection_, client_, frame_);
    return windowState(*connection_, frame_);
}

bool WindowSource::clientEnded() const
{
    return windowServer_ && windowServer_->windowLife(client_) != life_;
}

void WindowSource::letFrameGo()
{
    damage_.reset();
    pixmap_.reset();
    shown_.reset();
    stateWatch_.reset();
    frame_ = XCB_WINDOW_NONE;
}

void WindowSource::askState()
{
    auto* c = connection_->xcb();
    // Asked before the frame's state and answered in the same round trip.
    const auto iconicQuestion = askIconic(*connection_, client_);
    const auto clientGeometry = xcb_get_geometry(c, client_);
    state_ = followFrame();
    const bool iconic = answerIconic(*connection_, iconicQuestion);
    const auto client = connection_->answer(xcb_get_geometry_reply, clientGeometry);
    if (state_) part_ = shownPart(*connection_, frame_, client_, {state_->width, state_->height});
    // A window that shows nothing, iconified, unmapped (withdrawn, or on a workspace that
    // does not show) or gone, has nothing to capture. A frame smaller than its client is a
    // window manager's animation of an iconify or a restore: a strip of title bar, not
    // the window.
    putAway_ = !state_ || !state_->viewable || iconic ||
               (client && (state_->width < client->width || state_->height < client->height));
}

std::optional<SourcePicture> WindowSource::next(const desktop::StreamConfiguration& configuration)
{
    if (clientEnded()) {
        letFrameGo();
        putAway_ = true;
        last_ = {};
        return std::nullopt;
    }
    // An unchanged window costs no round trip.
    if (!stateWatch_ || stateWatch_->takeChange() || vanished_) askState();
    vanished_ = false;
    const auto& state = state_;
    if (putAway_) {
        // The server drops the pixmap of an unmapped window; a remap brings a new one.
        shown_.reset();
        last_ = {};
        return std::nullopt;
    }
    const bool renamed = !shown_ || !shown_->viewable || shown_->width != state->width ||
                         shown_->height != state->height || !pixmap_->pixmap();
    if (renamed && !pixmap_->name()) {
        // Unmapped since it was asked: it shows nothing, as if put away.
        vanished_ = true;
        return std::nullopt;
    }
    const bool changed = damage_->takeChange();
    const auto size = readSizeFor(configuration);
    if (renamed || changed || !last_.image || size.width != readSize_.width || size.height != readSize_.height)
        read(size, *state);
    shown_ = state;
    if (!last_.image) return std::nullopt;
    return last_;
}

PixelSize WindowSource::readSizeFor(const desktop::StreamConfiguration& configuration) const
{
    const auto part = shownPartOfPixmap();
    const auto bounded = readSize(part.width, part.height, configuration.width, configuration.height);
    // Both keep the window's shape: the smaller fits in both.
    const auto shown = readSize(part.width, part.height, shownSize_.width, shownSize_.height);
    return shown.width < bounded.width ? shown : bounded;
}

void WindowSource::read(PixelSize size, const WindowState& state)
{
    const auto& pixmap = *pixmap_->pixmap();
    ++reads_;
    readSize_ = size;
    const auto part = shownPartOfPixmap();
    const bool whole = part == PixelRect{0, 0, pixmap.width, pixmap.height} && size.width == pixmap.width &&
                       size.height == pixmap.height;
    // Cut and shrunk, by the server's nearest pixel: cheaper for it than handing over the
    // whole frame to be shrunk here.
    last_.image = whole && readsDirectly(pixmap) ? readDrawable(*connection_, pool_.get(), pixmap)
                                                 : scaler_.read(pool_.get(), pixmap, part, size.width, size.height);
    last_.scaleFactor = scaleAt(state);
}

PixelRect WindowSource::shownPartOfPixmap() const
{
    // A resize since the state was asked may have named a smaller pixmap.
    const auto& pixmap = *pixmap_->pixmap();
    return shownPart({pixmap.width, pixmap.height}, part_, {}, {});
}

double WindowSource::scaleAt(const WindowState& state) const
{
    const auto centre =
        desktop::globalSpace().toGlobal(core::Point{state.x + state.width / 2.0, state.y + state.height / 2.0});
    const auto id = displays_->displayAt(centre);
    const auto display = id ? displays_->display(*id) : std::nullopt;
    return display ? display->scale : 1;
}

}  // namespace x11
