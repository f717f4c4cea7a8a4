#include "platform/ui/Window.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

#include <QCloseEvent>
#include <QGuiApplication>

#include <algorithm>

namespace ui {

core::Rect Window::frameRectForContentRect(const core::Rect& contentRect, Style)
{
    return contentRect;
}
namespace {

// The headless platform has neither stacking nor opacity and warns at every attempt;
// there the desktop's own list is all that matters.
bool windowSystemComposites()
{
    static const bool composites = QGuiApplication::platformName() != QLatin1String("offscreen");
    return composites;
}

}  // namespace

Window::Window(const core::Rect& frame, Style style) : QWidget(nullptr), style_(style), frame_(frame)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (style_ == Style::panel) setAttribute(Qt::WA_TranslucentBackground);
    applyWindowFlags();
    setGeometry(qtGeometry(frame_));
    registration_ = std::make_unique<OwnWindowRegistration>(
        *this, desktopState(), [self = QPointer<Window>(this)](const core::Rect& frame) {
            if (self) self->adoptDesktopMove(frame);
        });
}

Window::~Window()
{
    alphaAnimation_.cancel();
    for (const auto& child : children_)
        if (child) child->parent_ = nullptr;
    if (parent_) parent_->removeChildWindow(*this);
}

void Window::setFrame(const core::Rect& frame)
{
    frame_ = frame.standardized();
    setGeometry(qtGeometry(frame_));
    publish();
}

void Window::setFrameOrigin(core::Point origin) { setFrame(core::Rect(origin, frame_.size)); }

void Window::center()
{
    const auto main = mainScreen();
    if (!main) return;
    const auto& area = main->visibleFrame;
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
    if (windowSystemComposites()) setWindowOpacity(alpha_);
    publish();
}

void Window::orderFront()
{
    if (!isVisible()) show();
    if (windowSystemComposites()) raise();
    registration_->orderFront();
    for (const auto& child : children_)
        if (child && child->isVisible()) child->orderFront();
}

void Window::makeKeyAndOrderFront()
{
    orderFront();
    activateWindow();
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
    setWindowTitle(QString::fromStdString(title));
    publish();
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
    view->setGeometry(rect());
    view->show();
}

void Window::setVisible(bool visible)
{
    QWidget::setVisible(visible);
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
    if (contentView_) contentView_->setGeometry(rect());
    adoptQtGeometry();
}

void Window::closeEvent(QCloseEvent* event)
{
    for (const auto& child : children_)
        if (child) child->close();
    QWidget::closeEvent(event);
}

void Window::applyWindowFlags()
{
    // Qt raises every tool window it shows, which the off-screen platform answers with a
    // warning each time; there the desktop stacks the own windows itself anyway.
    const Qt::WindowFlags panelType = windowSystemComposites() ? Qt::Tool : Qt::Window;
    Qt::WindowFlags flags = style_ == Style::panel ? panelType | Qt::FramelessWindowHint : Qt::Window;
    if (level_ > desktop::level::normal) flags |= Qt::WindowStaysOnTopHint;
    if (ignoresMouseEvents_) flags |= Qt::WindowTransparentForInput;
    if (flags == windowFlags()) return;

    // New flags take effect on a hidden window.
    changingFlags_ = true;
    const bool shown = isVisible();
    setWindowFlags(flags);
    setGeometry(qtGeometry(frame_));
    if (shown) show();
    changingFlags_ = false;
}

void Window::adoptQtGeometry()
{
    if (changingFlags_ || !isVisible() || geometry() == qtGeometry(frame_)) return;
    frame_ = screenFrame(geometry());
    publish();
}

void Window::publish()
{
    if (registration_) registration_->update(desktopState());
}

void Window::adoptDesktopMove(const core::Rect& globalFrame)
{
    frame_ = core::flipped(globalFrame, desktop::firstScreenHeight(desktop::displays()));
    setGeometry(qtGeometry(frame_));
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
