#pragma once

#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// What the end-to-end tests see of a glimra running on the test's X display: its windows as
// the tools (xdotool, xwd) see them, and the process with fresh user folders.
namespace testsupport {

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

// The mapped windows that carry the process's pid.
std::vector<unsigned long> visibleWindowsOf(pid_t pid);
// Asks the window manager for two workspaces until it has more than one (one still
// starting drops the request); whether it did.
bool askForTwoWorkspaces();
bool isVisibleWindowOf(pid_t pid, unsigned long window);
// The window's property as xprop prints it ("NAME(TYPE) = ...").
std::string propertyOf(unsigned long window, const std::string& name);
// Whether the window and every window it lies in are mapped.
bool viewable(unsigned long window);
// Whether the window manager names the workspace as the current one.
bool onWorkspace(int workspace);
// The window's pixels as the screen shows them (an xwd dump: header and pixels).
std::string pixelsOf(unsigned long window);
Geometry geometryOf(unsigned long window);
// Where a client stands on the root without the window manager's decoration, and with it
// (xdotool counts the decoration twice), as the server says.
Geometry clientAreaOf(unsigned long window);
// The window's depth in bits: 32 where it has an alpha channel.
int depthOf(unsigned long window);
Geometry frameOf(unsigned long window);
// Puts the window's top-left at the point, making up for where the window manager places
// a moved window's frame.
void moveWindowTo(unsigned long window, int x, int y);
int screenWidth();
int screenHeight();
// Without a tray the status item is a button window of the process's own at the top right
// of the screen; 0 while there is none.
unsigned long statusButtonOf(pid_t pid);
// A window of the process's, not among those known, that is big enough to show a picture.
unsigned long newPictureWindowOf(pid_t pid, const std::vector<unsigned long>& known);
// Whether the window's pixels change three times, each within the time.
bool keepsChanging(unsigned long window, double seconds);

// The user's folders of a fresh glimra, seeded so that the update check does not come up,
// nor the first-run guide unless it is due. extraDefaults are more settings, JSON members
// ("\"key\": value, ..."), which win over the seeded ones.
class UserFolders {
public:
    enum class Guide { done, due };
    explicit UserFolders(const std::string& extraDefaults = {}, Guide guide = Guide::done);
    std::string path(const std::string& name) const { return home_.path() + "/" + name; }
    const std::string& home() const { return home_.path(); }
    std::map<std::string, std::string> environment() const;

private:
    TempDir home_;
};

// glimra started with no arguments on the display, in fresh user folders; environment is
// set on top of the test's own.
class GlimraOnDesktop {
public:
    explicit GlimraOnDesktop(const std::string& extraDefaults = {}, std::map<std::string, std::string> environment = {});
    // A launch of the executable at the path (an installed copy's) in folders that outlive
    // it, so that the next launch finds what this one stored.
    GlimraOnDesktop(const UserFolders& folders, const std::string& executable);
    // Whether it showed its status item (its own button, or it says it went into a tray)
    // and registered its hot keys within the time (its log names how it watches the hold
    // key once they are registered).
    bool ready(double timeoutSeconds = 30);
    GlimraChild& process() { return *process_; }
    pid_t pid() const { return process_->pid(); }
    const UserFolders& folders() const { return *folders_; }
    // The log this launch wrote (rotation aside).
    std::string log() const;
    std::string err() const { return process_->err(); }
    // Standard error without the lines that name requests the server refused: a window
    // another client destroys can be named in a request before its end is known.
    std::string errBesidesRefusals() const;
    // The mini window the next action makes: the first new picture window within the time,
    // 0 when none appears. `before` is what the process showed before the action.
    unsigned long waitForNewPictureWindow(const std::vector<unsigned long>& before, double timeoutSeconds = 10);
    // Quits it by SIGTERM; its exit status, -1 when it did not exit in time.
    int quit();

private:
    std::unique_ptr<UserFolders> ownFolders_;
    const UserFolders* folders_;
    // Where this launch's lines begin in a log that earlier launches wrote to.
    std::size_t logStart_ = 0;
    std::unique_ptr<GlimraChild> process_;
};

// Answers an alert with its first button, as Return does.
void answerAlert(unsigned long alert);
// A window of the process's that is not among those known, once one shows; 0 when none does.
unsigned long waitForNewWindow(pid_t pid, const std::vector<unsigned long>& known, double seconds = 10);
// Whether the window leaves the screen within 5 s.
bool goneFromScreen(pid_t pid, unsigned long window);
// The status menu's "检查更新" row, counted from its bottom as Up reaches it, while no
// update is on offer.
constexpr int checkForUpdatesRow = 4;
// A left click in the middle of the window.
void clickMiddleOf(unsigned long window);
// The status menu is at least this wide once it lists a window, which tells it from other
// windows that may come meanwhile (the trigger block, for one).
constexpr int listingMenuWidth = 300;
// The status menu shown now: a visible window of the process's, not among `before`, at
// least minimumWidth pixels wide; 0 when there is none.
unsigned long shownMenu(pid_t pid, const std::vector<unsigned long>& before, int minimumWidth = listingMenuWidth);
// Opens the status menu with a click on the status item; 0 when it does not show. A tray
// may still be laying its icons out: a click that opened nothing is given again.
unsigned long openStatusMenu(pid_t pid, unsigned long statusItem, int minimumWidth = listingMenuWidth);
// Opens the status menu and chooses the row that many rows up from its bottom.
void chooseInStatusMenu(GlimraOnDesktop& glimra, unsigned long statusItem, int rowFromBottom);

// How often the part occurs in the text.
std::size_t occurrences(const std::string& text, const std::string& part);

// The trigger block: the process's shown window of the block's size; 0 while none shows.
unsigned long triggerBlockOf(pid_t pid);
// Rests the pointer in a window's corner until the trigger block shows; first over the
// window away from its corner until the poll logged the miss of that owner (as the log
// names it), so that the corner is entered afresh. The block's id, 0 when none came.
unsigned long restInCorner(GlimraOnDesktop& glimra, const std::string& owner, PointerPoint away, PointerPoint corner);

}  // namespace testsupport
