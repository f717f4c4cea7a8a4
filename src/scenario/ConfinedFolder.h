#pragma once

#include "platform/core/OwnFolder.h"

#include <optional>
#include <string>
#include <vector>

namespace scenario {

// A folder that is written and cleared only below itself, by relative paths: every path
// is walked one part at a time as folders of our own, and no part may be a symbolic link.
// The folder itself may be reached through links; its caller named it.
class ConfinedFolder {
public:
    // Opens the folder, making it and its parents when asked; none when it cannot.
    static std::optional<ConfinedFolder> open(const std::string& path, bool create);

    const std::string& path() const { return root_.path(); }
    std::string path(const std::string& relative) const { return root_.path() + "/" + relative; }

    enum class Kind { missing, file, folder, link, other };
    // What stands at a relative path. A link or something other than a folder on the way
    // is answered as such, with `at` the relative path of that part.
    struct Entry {
        Kind kind = Kind::missing;
        std::string at;
    };
    Entry inspect(const std::string& relative) const;
    // Whether the folder holds nothing but, when given, an entry of that name.
    bool isEmpty(const std::string& except = {}) const;
    // The folder's own descriptor, for locks on it.
    int descriptor() const { return root_.descriptor(); }

    // Makes each missing folder of the relative path (all of it); the made ones, outermost
    // first, are added to `made`. False when a part is not a folder or cannot be made.
    bool makeFolders(const std::string& relative, std::vector<std::string>* made = nullptr) const;
    // Sets a folder's permission bits; false when it is not a folder.
    bool setMode(const std::string& relative, unsigned mode) const;
    // Writes the file through a temporary beside it, renamed over it when complete.
    bool writeFile(const std::string& relative, const std::string& contents) const;
    // Reads a regular file of at most maxBytes.
    std::optional<std::string> readFile(const std::string& relative, std::size_t maxBytes) const;
    // Removes a regular file; anything else, and anything reached through a link, stays.
    bool removeFile(const std::string& relative) const;
    // Removes a folder only when it is empty.
    bool removeEmptyFolder(const std::string& relative) const;
    // The regular files and the folders below a folder, relative to this folder, without
    // following links; empty when it is missing.
    void listBelow(const std::string& relative, std::vector<std::string>& files, std::vector<std::string>& folders) const;

    // A file being written: made under a temporary name beside its final one, renamed to
    // it by commit(), removed when dropped uncommitted.
    class PendingFile {
    public:
        PendingFile(PendingFile&& other) noexcept;
        PendingFile& operator=(PendingFile&&) = delete;
        ~PendingFile();

        int descriptor() const { return fd_; }
        // The temporary's absolute path, for writers that open by name.
        const std::string& temporaryPath() const { return temporaryPath_; }
        bool writeAll(const std::string& bytes);
        bool commit();

    private:
        friend class ConfinedFolder;
        PendingFile(core::OwnFolder folder, int fd, std::string temporary, std::string name, std::string temporaryPath);

        core::OwnFolder folder_;
        int fd_ = -1;
        std::string temporary_;
        std::string name_;
        std::string temporaryPath_;
        bool failed_ = false;
    };
    std::optional<PendingFile> create(const std::string& relative) const;

    // The temporary name create() uses for a file, so that leftovers of an interrupted
    // run can be named.
    static std::string temporaryName(const std::string& relative);

private:
    explicit ConfinedFolder(core::OwnFolder root) : root_(std::move(root)) {}
    // The folder holding the relative path's last part and that part's name; not open when
    // a part on the way is missing, a link or no folder.
    core::OwnFolder openParent(const std::string& relative, std::string& leaf) const;

    core::OwnFolder root_;
};

// Why the path is not a relative path of plain parts (no leading "/", no empty, "." or
// ".." part, no NUL, no name longer than the system takes); none when it is one.
std::optional<std::string> relativePathProblem(const std::string& path);
bool isPlainRelativePath(const std::string& path);

}  // namespace scenario
