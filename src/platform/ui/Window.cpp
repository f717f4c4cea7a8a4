#include "platform/ui/Window.h"

#include "platform/core/AppIdentity.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/TitleBar.h"
#include "platform/ui/Translucency.h"
#include "platform/x11/X11AttentionMarks.h"
#include "platform/x11/X11OwnWindowHints.h"

#include <QCloseEvent>
#include <QWindow>

#include <algorithm>

namespace ui {

core::Rect Window::frameRectForContentRect(const core::Rect& contentRect, Style style)
{
    if (style != Style::titled) return contentRect;
    // The bar goes on top; the bottom-left origin stays.
    return core::Rect(contentRect.origin, {contentRect.width(), contentRect.height() + titleBarHeight()});
}

Window::Window(const core::Rect& frame, Style style, long level)
    : QWidget(nullptr), style_(style), frame_(frame), level_(level)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Without a compositing manager nothing shows through a clear pixel, and an X server
    // keeps a window with alpha apart and composes it onto the screen again at each paint.
    // A window made then stays opaque should a compositing manager start later.
    if (borderless() && desktopShowsThrough()) setAttribute(Qt::WA_TranslucentBackground);
    if (style_ == Style::titled && !hasWindowSystem()) titleBar_ = new TitleBar(*this);
    applyWindowFlags();
    setGeometry(clientGeometry());
    layoutViews();
    registration_ = std::make_unique<OwnWindowRegistration>(
        *this, desktopState(),
        [self = QPointer<Window>(this)](const core::Rect& frame) {
            if (self) self->adoptDesktopMove(frame);
        },
        [self = QPointer<Window>(this)] {
            if (self) self->windowSystemWindowDestroyed();
        });
    if (const auto under = screen()) displayUnder_ = under->displayID;
    displays_ = desktop::current().displays;
    displaysObserver_ = displays_->addConfigurationObserver([self = QPointer<Window>(this)] {
        if (self) self->followScreen();
    });
}

Window::~Window()
{
    displays_->removeConfigurationObserver(displaysObserver_);
    alphaAnimation_.cancel();
    for (const auto& child : children_)
        if (child) child->parent_ = nullptr;
    if (parent_) parent_->removeChildWindow(*this);
}

void Window::setFrame(const core::Rect& frame)
{
    frame_ = frame.standardized();
    setGeometry(clientGeometry());
    publish();
    followScreen();
}

void Window::setFrameOrigin(core::Point origin) { setFrame(core::Rect(origin, frame_.size)); }

void Window::center()
{
    auto target = screen();
    if (!target) target = mainScreen();
    if (!target) return;
    const auto& area = target->visibleFrame;
    setFrameOrigin({area.midX() - frame_.width() / 2, area.midY() - frame_.height() / 2});
}

void Window::setLevel(long level)
{
    level_ = level;
    applyWindowFlags();
    publish();
}

void Window::setAlphaValue(double alpha)
{
    alphaAnimation_.stop();
    applyAlpha(alpha);
}

Animation Window::animateAlpha(double to, double duration, std::function<void()> completion)
{
    alphaAnimation_.stop();
    alphaAnimation_ = animate(
        duration, alpha_, to,
        [self = QPointer<Window>(this)](double alpha) {
            if (self) self->applyAlpha(alpha);
        },
        std::move(completion));
    return alphaAnimation_;
}

void Window::applyAlpha(double alpha)
{
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    if (hasWindowSystem()) setWindowOpacity(alpha_);
    publish();
}

void Window::orderFront()
{
    if (!isVisible()) show();
    if (hasWindowSystem()) raise();
    registration_->orderFront();
    for (const auto& child : children_)
        if (child && child->isVisible()) child->orderFront();
}

void Window::makeKeyAndOrderFront()
{
    orderFront();
    activateWindow();
    registration_->makeKey();
}

void Window::orderOut()
{
    hide();
    for (const auto& child : children_)
        if (child) child->orderOut();
}

void Window::setIgnoresMouseEvents(bool ignores)
{
    ignoresMouseEvents_ = ignores;
    applyWindowFlags();
    publish();
}

void Window::setTitle(const std::string& title)
{
    title_ = title;
    setWindowTitle(QString::fromStdString(windowSystemName()));
    if (titleBar_) titleBar_->update();
    publish();
}

// A task bar shows only this name: a settings tab's title alone ("General") would not say
// whose window it is.
std::string Window::windowSystemName() const
{
    const auto& application = core::AppIdentity::current().name;
    if (style_ != Style::titled || !hasWindowSystem() || title_.find(application) != std::string::npos) return title_;
    return title_.empty() ? application : title_ + " — " + application;
}

void Window::addChildWindow(Window& child)
{
    if (child.parent_ == this || &child == this) return;
    if (child.parent_) child.parent_->removeChildWindow(child);
    child.parent_ = this;
    children_.emplace_back(&child);
    if (isVisible() && child.isVisible()) child.orderFront();
}

void Window::removeChildWindow(Window& child)
{
    if (child.parent_ != this) return;
    child.parent_ = nullptr;
    std::erase_if(children_, [&](const QPointer<Window>& w) { return !w || w == &child; });
}

std::optional<Screen> Window::screen() const { return screenForFrame(frame_); }

core::Point Window::convertToScreen(core::Point windowPoint) const
{
    return {frame_.minX() + windowPoint.x, frame_.minY() + windowPoint.y};
}

core::Point Window::convertFromScreen(core::Point screenPoint) const
{
    return {screenPoint.x - frame_.minX(), screenPoint.y - frame_.minY()};
}

void Window::setContentView(QWidget* view)
{
    if (contentView_ == view) return;
    if (contentView_) contentView_->deleteLater();
    contentView_ = view;
    if (!view) return;
    view->setParent(this);
    layoutViews();
    view->show();
}

void Window::setVisible(bool visible)
{
    // The state goes on before each mapping: the window manager drops it on withdrawal.
    // Panels float over the user's work on whichever workspace it is.
    if (visible && !isVisible() && style_ == Style::panel && hasWindowSystem()) {
        // Another window manager may have come since the last showing.
        applyWindowFlags();
        x11::floatOnEveryWorkspace(static_cast<xcb_window_t>(winId()));
        if (!attentionMarks_)
            attentionMarks_ = x11::refuseAttentionMarks([this] { return static_cast<xcb_window_t>(internalWinId()); });
    }
    QWidget::setVisible(visible);
    if (visible && style_ == Style::titled && hasWindowSystem() && windowHandle())
        noteWindowSystemTitleBarHeight(windowHandle()->frameMargins().top());
    if (!changingFlags_) publish();
}

void Window::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    adoptQtGeometry();
}

void Window::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutViews();
    adoptQtGeometry();
}

void Window::closeEvent(QCloseEvent* event)
{
    for (const auto& child : children_)
        if (child) child->close();
    QWidget::closeEvent(event);
}

void Window::windowSystemWindowDestroyed()
{
    destroy();
    close();
}

void Window::applyWindowFlags()
{
    // Not a tool window: Qt makes those transient for its hidden group leader, and window
    // managers hide such windows with the application or keep them on the leader's
    // workspace.
    Qt::WindowFlags flags = borderless() ? Qt::Window | Qt::FramelessWindowHint : Qt::Window;
    // Panels float over the user's work and never take the keyboard from it.
    if (borderless() && hasWindowSystem()) flags |= Qt::WindowDoesNotAcceptFocus;
    // Window managers bind drags with a modifier to moving the window under the pointer;
    // an overlay must get those drags itself (override-redirect on X11). A window manager
    // that places the windows it maps by rules of its own shows a panel elsewhere first,
    // whatever its hints say: the panel bypasses it too.
    if (hasWindowSystem() &&
        (style_ == Style::overlay || (style_ == Style::panel && x11::windowManagerPlacesMappedWindows())))
        flags |= Qt::BypassWindowManagerHint;
    if (level_ > desktop::level::normal) flags |= Qt::WindowStaysOnTopHint;
    if (ignoresMouseEvents_) flags |= Qt::WindowTransparentForInput;
    if (flags == windowFlags()) return;

    // New flags take effect on a hidden window.
    changingFlags_ = true;
    const bool shown = isVisible();
    setWindowFlags(flags);
    // Qt's X11 platform would otherwise recreate the X window at the next show behind
    // winId()'s back, leaving the desktop and our hints on a window that is gone.
    if (windowHandle()) destroy();
    setGeometry(clientGeometry());
    if (shown) show();
    changingFlags_ = false;
}

void Window::adoptQtGeometry()
{
    if (changingFlags_ || !isVisible() || geometry() == clientGeometry()) return;
    frame_ = screenFrame(geometry());
    frame_.size.height += outerBarHeight();
    publish();
    followScreen();
}

double Window::outerBarHeight() const { return style_ == Style::titled && hasWindowSystem() ? titleBarHeight() : 0; }

QRect Window::clientGeometry() const
{
    auto client = frame_;
    client.size.height -= outerBarHeight();
    return qtGeometry(client);
}

void Window::layoutViews()
{
    if (titleBar_) titleBar_->setGeometry(0, 0, width(), static_cast<int>(titleBarHeight()));
    if (contentView_) contentView_->setGeometry(contentGeometry());
}

QRect Window::contentGeometry() const
{
    return titleBar_ ? rect().adjusted(0, static_cast<int>(titleBarHeight()), 0, 0) : rect();
}

void Window::followScreen()
{
    const auto under = screen();
    const auto now = under ? std::optional(under->displayID) : std::nullopt;
    if (now == displayUnder_) return;
    // Moving it back follows the screen again, and tells of the change then.
    if (displayUnder_ && !displays_->display(*displayUnder_) && comeBackWhole(under ? under : mainScreen())) return;
    displayUnder_ = now;
    screenDidChange();
}

// A window server brings the windows of a display that went away onto the others; an X11
// window manager may leave them off every display, or a sliver of them on one.
bool Window::comeBackWhole(const std::optional<Screen>& target)
{
    if (!target) return false;
    const auto& area = target->visibleFrame;
    const core::Rect inside(std::max(area.minX(), std::min(frame_.minX(), area.maxX() - frame_.width())),
                            std::max(area.minY(), std::min(frame_.minY(), area.maxY() - frame_.height())),
                            frame_.width(), frame_.height());
    if (inside == frame_) return false;
    setFrame(inside);
    return true;
}

void Window::publish()
{
    if (registration_) registration_->update(desktopState());
}

void Window::adoptDesktopMove(const core::Rect& globalFrame)
{
    frame_ = core::flipped(globalFrame, desktop::firstScreenHeight(desktop::displays()));
    setGeometry(clientGeometry());
    followScreen();
}

desktop::OwnWindowState Window::desktopState() const
{
    desktop::OwnWindowState state;
    state.title = title_;
    state.frame = core::flipped(frame_, desktop::firstScreenHeight(desktop::displays()));
    state.level = level_;
    state.alpha = alpha_;
    state.visible = isVisible();
    state.ignoresMouseEvents = ignoresMouseEvents_;
    return state;
}

}  // namespace ui
