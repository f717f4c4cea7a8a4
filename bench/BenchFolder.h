#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// One temporary folder for the whole benchmark run, made on first use and removed at exit.
inline std::string benchFolder()
{
    struct Folder {
        Folder()
        {
            std::string pattern = (std::filesystem::temp_directory_path() / "glimra-bench-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) std::abort();
            path = pattern;
        }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    };
    static const Folder folder;
    return folder.path;
}
