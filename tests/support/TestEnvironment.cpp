#include "support/TestEnvironment.h"

#include "platform/core/PreferredLanguages.h"
#include "platform/defaults/Defaults.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace testsupport {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "glimra-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, error);
    std::filesystem::remove_all(path_, error);
}

void VirtualTimeTest::SetUp()
{
    scheduler_ = std::make_shared<dispatch::ManualScheduler>();
    dispatch::install(scheduler_);
    home_ = std::make_unique<TempDir>();
    folders_.emplace();
    folders_->set("XDG_CONFIG_HOME", configHome());
    folders_->set("XDG_DATA_HOME", dataHome());
    defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
    core::setPreferredLanguagesOverride(std::vector<std::string>{"zh-Hans-CN"});
}

void VirtualTimeTest::TearDown()
{
    core::setPreferredLanguagesOverride(std::nullopt);
    scheduler_->runUntilIdle();
    // Written out, then let go: a test after this one finds no settings of this one's.
    defaults::Defaults::standard().reopen(std::string());
    dispatch::install(nullptr);
    scheduler_.reset();
    folders_.reset();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

unsigned modeOf(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? (status.st_mode & 07777u) : 0;
}

}  // namespace testsupport
