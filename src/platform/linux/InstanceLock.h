#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace linuxdesktop {

// The single-instance rule's lock and its "reopen" channel, in a folder of this user's
// alone: "instance.lock" (QLockFile) and "instance.sock" (a local socket). Main thread.
class InstanceLock : public QObject {
    Q_OBJECT

public:
    // glimra in the user's runtime folder (core::paths::runtimeFolder), one for every
    // copy the user runs.
    static std::string defaultFolder();

    // Creates the folder with mode 0700 when it is missing (its parent must exist). None
    // when it is fit to use; otherwise why not: it is a symlink, not a folder, not this
    // user's, open to group or others, or cannot be created. Its parent, unless it is
    // $XDG_RUNTIME_DIR, must be this user's and not a link, as a fallback must.
    static std::optional<std::string> prepareFolder(const std::string& folder);

    // The folder must have passed prepareFolder.
    explicit InstanceLock(std::string folder);
    // Stops listening and releases the lock.
    ~InstanceLock() override;

    enum class Result {
        acquired,     // this process holds the lock now (or already did)
        heldByOther,  // a live process holds it; see holderPid
        failed,       // the lock file cannot be written
    };
    // Takes the lock without waiting. Only a lock whose holder process is gone is taken
    // over; a live holder's lock is never broken, however old.
    Result tryLock();
    // Waits until the holder gives the lock up and takes it, at most timeoutSeconds
    // (blocks the calling thread). For a copy started while the old one still quits.
    Result waitForRelease(double timeoutSeconds);
    bool isHeld() const;
    // The process that holds the lock, after tryLock answered heldByOther.
    std::optional<long long> holderPid() const;

    // Only while this process holds the lock: removes a leftover "instance.sock" and
    // listens on it, readable by this user only. Every connection that sends "reopen"
    // calls onReopen on the main thread; anything else is ignored. At most a few
    // connections are held at once: a new one drops the oldest. False (with the reason
    // in *error) when the socket cannot be made.
    bool listen(std::function<void()> onReopen, std::string* error = nullptr);

    // The second copy's message: sends "reopen" to the holder's socket in the folder,
    // waiting at most timeoutSeconds in all. True when it was written.
    static bool sendReopen(const std::string& folder, double timeoutSeconds = 1.0);

    // Reads the lock without taking it: the live process, other than this one, that
    // holds the lock in the folder; none when there is no such process or the folder is
    // unfit (which the application reports when it takes the lock).
    static std::optional<long long> otherLiveHolder(const std::string& folder);

    std::string lockPath() const;
    std::string socketPath() const;

private:
    void accept();

    std::string folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onReopen_;
    // The accepted connections still open, oldest first.
    std::deque<QLocalSocket*> held_;
};

}  // namespace linuxdesktop
