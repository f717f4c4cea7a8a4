#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Displays.h"
#include "platform/ui/Animation.h"
#include "platform/ui/OwnWindowRegistration.h"
#include "platform/ui/Screen.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace x11 {
class AttentionMarkRefusal;
}

namespace ui {

// The base of every own top-level window. Frames are in screen coordinates (bottom-left
// origin, y up). The window is listed with the desktop for its whole life under one
// window number, and every change of frame, level, alpha, visibility or mouse handling
// reaches the desktop at once. Showing never activates it unless asked. Main thread
// only; a desktop must be installed.
class Window : public QWidget {
    Q_OBJECT

public:
    enum class Style {
        panel,    // borderless, transparent where nothing is drawn
        overlay,  // a panel the window manager never handles: it cannot move or focus it
        titled,   // a normal window with a title bar
    };

    // Made at its level, a window gets its X window once; a later level that changes its
    // flags makes a new one.
    explicit Window(const core::Rect& frame, Style style = Style::panel, long level = 0);
    ~Window() override;

    // The frame a window of the style needs around a content rectangle (a titled window
    // adds its title bar on top).
    static core::Rect frameRectForContentRect(const core::Rect& contentRect, Style style);

    core::Rect frame() const { return frame_; }
    void setFrame(const core::Rect& frame);
    void setFrameOrigin(core::Point origin);
    // Centred on the visible frame of its own screen, else of the main one.
    void center();

    long level() const { return level_; }
    void setLevel(long level);

    double alphaValue() const { return alpha_; }
    // Stops a running alpha animation, whose completion then runs on the next main-queue
    // turn.
    void setAlphaValue(double alpha);
    // Fades from the current alpha; replaces a running alpha animation as setAlphaValue
    // does.
    Animation animateAlpha(double to, double duration, std::function<void()> completion = {});

    // Shows without activating, before the other windows of its level, its visible child
    // windows above it.
    void orderFront();
    void orderFrontRegardless() { orderFront(); }
    // Shows, puts it first and gives it the keyboard: key presses reach it while it is
    // visible, though other windows of the application stand before it.
    void makeKeyAndOrderFront();
    // Hides it and its child windows.
    void orderOut();

    bool ignoresMouseEvents() const { return ignoresMouseEvents_; }
    // Clicks go through to whatever lies below.
    void setIgnoresMouseEvents(bool ignores);

    std::string title() const { return title_; }
    void setTitle(const std::string& title);

    desktop::WindowID windowNumber() const { return registration_->windowNumber(); }

    // A child window stays above this one whenever this one is ordered front, is ordered
    // out with it and closes with it.
    void addChildWindow(Window& child);
    void removeChildWindow(Window& child);
    Window* parentWindow() const { return parent_; }

    // The screen under the window's centre (else the one holding most of it).
    std::optional<Screen> screen() const;

    // Window coordinates: bottom-left origin of the window.
    core::Point convertToScreen(core::Point windowPoint) const;
    core::Point convertFromScreen(core::Point screenPoint) const;

    // The view that fills the window below its title bar; a replaced view is deleted.
    QWidget* contentView() const { return contentView_; }
    void setContentView(QWidget* view);

    void setVisible(bool visible) override;

protected:
    // The display under the window changed: it was moved to another screen, by code, by
    // the user or by the desktop (a display went away). Once per change.
    virtual void screenDidChange() {}
    // Another client destroyed the window system's window behind it: Qt lets go of it (a
    // later showing makes a new one) and the window closes, as when its user closes it.
    virtual void windowSystemWindowDestroyed();

    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Where Qt places the window: its frame, less the bar a window system draws above.
    QRect clientGeometry() const;
    // The height of the bar inside the frame that Qt does not count as the window's.
    double outerBarHeight() const;
    // The area below the project's own title bar, if any, in the window's Qt coordinates.
    QRect contentGeometry() const;
    void layoutViews();
    // The name the window system shows for it (a task bar's button): a titled window's
    // title, with the application's name when the title does not hold it.
    std::string windowSystemName() const;
    bool borderless() const { return style_ != Style::titled; }
    // Tells screenDidChange when the display under the window is another one.
    void followScreen();
    // Moves the window wholly into the target's visible frame; false when it is there.
    bool comeBackWhole(const std::optional<Screen>& target);
    void applyAlpha(double alpha);
    // Window-system flags follow the level and the mouse handling.
    void applyWindowFlags();
    // Follows a geometry change made by the window system (a user moving a titled window).
    void adoptQtGeometry();
    // Follows a move the desktop made (global frame) without telling it back.
    void adoptDesktopMove(const core::Rect& globalFrame);
    desktop::OwnWindowState desktopState() const;
    void publish();

    const Style style_;
    core::Rect frame_;
    long level_ = 0;
    double alpha_ = 1;
    bool ignoresMouseEvents_ = false;
    std::string title_;
    bool changingFlags_ = false;
    Animation alphaAnimation_;
    Window* parent_ = nullptr;
    std::vector<QPointer<Window>> children_;
    QPointer<QWidget> contentView_;
    std::unique_ptr<OwnWindowRegistration> registration_;
    std::unique_ptr<x11::AttentionMarkRefusal> attentionMarks_;
    QPointer<QWidget> titleBar_;
    std::optional<desktop::DisplayID> displayUnder_;
    // The displays observed, kept to stop observing them even after another desktop came.
    std::shared_ptr<desktop::Displays> displays_;
    desktop::Token displaysObserver_ = 0;
};

}  // namespace ui
