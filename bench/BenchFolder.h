#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// One temporary folder for the whole benchmark run, made on first use.
inline std::string benchFolder()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "glimra-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}
