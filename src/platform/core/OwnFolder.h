#pragma once

#include "platform/core/FileContents.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace core {

// A folder of the application's own (settings, log, crash reports, updates, the instance
// lock), held by its descriptor. It is reached from a base the user chose (an XDG folder,
// which may itself be reached through links) one name at a time, never through a link, and
// everything in it is opened, listed, renamed and removed relative to that descriptor,
// again never through a link. A link where a folder or file of ours should be is left
// alone, with one line in the system log per path and process; so is anything but a regular
// file where a file of ours should be (a FIFO would hold an open for good), and a file of
// ours that is also linked from elsewhere (a hard link): writing or tightening it would
// reach the other name's file.
class OwnFolder {
public:
    enum class Missing { fail, create };

    // base/below: `below` is one or more names joined by '/', each a folder of ours.
    // Missing ones are made with mode 0700 when asked to (the base too, with its parents).
    static OwnFolder open(const std::string& base, const std::string& below, Missing missing);
    // A folder named by its whole path: its parent is the base.
    static OwnFolder openPath(const std::string& path, Missing missing);

    OwnFolder() = default;
    OwnFolder(OwnFolder&& other) noexcept;
    OwnFolder& operator=(OwnFolder&& other) noexcept;
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;
    ~OwnFolder();

    explicit operator bool() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    int descriptor() const { return fd_; }
    // Why the folder could not be opened ("… is a symbolic link"); empty when it is open.
    const std::string& refusal() const { return refusal_; }
    // Whether it was not opened because a link stands in its place or in a folder's above it.
    bool refusedLink() const { return refusedLink_; }

    // This folder again, through a descriptor of its own.
    OwnFolder reopened() const;
    // A folder inside this one; one made now gets exactly `mode`, whatever the umask.
    OwnFolder child(const std::string& name, Missing missing, mode_t mode = 0700) const;

    // Opens a regular file in the folder (O_NOFOLLOW and O_CLOEXEC added), -1 with errno set
    // when it cannot; never waits on a FIFO. Refused and reported: a link (ELOOP), anything
    // else but a regular file (EINVAL) and, for writing, a file with other hard links
    // (EMLINK, and O_TRUNC does not reach it).
    int openFile(const std::string& name, int flags, mode_t mode = 0600) const;
    // Opens the file for appending, made when missing; one with other hard links is first
    // replaced by a fresh, empty file of ours, so the other name's file is not written.
    int openForAppending(const std::string& name) const;
    // A regular file's bytes; a link is unreadable (and reported).
    FileContents contents(const std::string& name, std::uint64_t maxBytes = UINT64_MAX) const;
    // Whether something other than a regular file has the name (a link, a FIFO, a folder),
    // where a file of ours should be: reported, and to be left alone.
    bool holdsForeignEntry(const std::string& name) const;
    // The entry itself, never what a link names.
    std::optional<struct stat> status(const std::string& name) const;
    // The names in the folder, without "." and "..", in no order.
    std::vector<std::string> names() const;
    // Removes a file or a link (never what it names); false when there is none or it cannot.
    bool remove(const std::string& name) const;
    bool rename(const std::string& from, const std::string& to) const;
    // As rename, but never over an existing entry (EEXIST).
    bool renameNoReplace(const std::string& from, const std::string& to) const;
    // Writes the file under a temporary name, synced, then renames it into place (mode 0600),
    // so a file with other hard links is replaced, not written (and reported); a link or
    // anything but a regular file in its place is left alone. The error's description when
    // it could not.
    std::optional<std::string> writeAtomically(const std::string& name, const std::string& text) const;
    // Takes every permission for group and others off the folder and off the files and
    // folders directly in it that this user owns; links and files with other hard links
    // (reported) are left alone.
    void tighten() const;

private:
    OwnFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    static OwnFolder refused(std::string reason, bool link = false);

    int fd_ = -1;
    std::string path_;
    std::string refusal_;
    bool refusedLink_ = false;
};

// Writes all the bytes to the open file, through interruptions; false when it cannot.
bool writeAllTo(int fd, const std::string& bytes);

// The one line for a link found where a file or folder of ours should be; written once per
// path and process (each of the three kinds of fault below once).
void reportOwnPathLink(const std::string& path);
// The same for anything but a regular file where a file of ours should be.
void reportOwnPathNotAFile(const std::string& path);
// The same for a file of ours that has other hard links.
void reportOwnPathHardLinked(const std::string& path);

}  // namespace core
