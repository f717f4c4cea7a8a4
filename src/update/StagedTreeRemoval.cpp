#include "update/StagedTreeRemoval.h"

#include "foundation/Diag.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// Lists a folder before descending, so that no more than one is open at a time however
// deep the tree.
std::vector<std::string> folderNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* entries = ::opendir(folder.c_str());
    if (!entries) return names;
    while (const dirent* entry = ::readdir(entries)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) names.emplace_back(entry->d_name);
    }
    ::closedir(entries);
    return names;
}

void openUpFolders(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return;
    if ((status.st_mode & S_IRWXU) != S_IRWXU) ::chmod(path.c_str(), (status.st_mode & 07777) | S_IRWXU);
    for (const std::string& name : folderNames(path)) openUpFolders(path + "/" + name);
}

}  // namespace

std::optional<std::string> removeStagedTree(const std::string& path)
{
    openUpFolders(path);
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (error) return error.message();
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) return "still there";
    return std::nullopt;
}

void discardStagedTree(const std::string& path)
{
    if (const auto problem = removeStagedTree(path))
        Diag::log("更新安装: 无法删除解包文件夹 " + path + "（" + *problem + "）");
}
